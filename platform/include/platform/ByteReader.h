#pragma once
// Bounds-checked little-endian reading of untrusted bytes. A read past the
// end fails, returns zero and leaves the reader failed for good, so a parser
// can read a whole record and check ok() once.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace platform {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool ok() const { return !failed_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return failed_ ? 0 : data_.size() - pos_; }

    // Moves to an absolute offset; an offset beyond the end fails.
    bool seek(std::size_t offset)
    {
        if (offset > data_.size()) {
            failed_ = true;
            return false;
        }
        pos_ = offset;
        return true;
    }
    bool skip(std::size_t n) { return n <= remaining() ? seek(pos_ + n) : fail(); }

    // The next byte without moving past it; -1 at the end (no failure).
    int peek() const { return remaining() ? data_[pos_] : -1; }
    // The bytes from an absolute offset to the current position.
    std::span<const std::uint8_t> since(std::size_t offset) const
    {
        return offset <= pos_ ? data_.subspan(offset, pos_ - offset) : std::span<const std::uint8_t>{};
    }

    std::uint8_t u8()
    {
        if (remaining() < 1)
            return fail(), 0;
        return data_[pos_++];
    }
    std::uint16_t u16()
    {
        if (remaining() < 2)
            return fail(), 0;
        std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32()
    {
        if (remaining() < 4)
            return fail(), 0;
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                          (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                          (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                          (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // Copies n bytes; on a short read copies nothing, zero-fills out and fails.
    bool bytes(void* out, std::size_t n)
    {
        if (remaining() < n) {
            std::memset(out, 0, n);
            return fail();
        }
        std::memcpy(out, data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    // A view of the next n bytes (empty on a short read, which fails).
    std::span<const std::uint8_t> view(std::size_t n)
    {
        if (remaining() < n)
            return fail(), std::span<const std::uint8_t>{};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

private:
    bool fail()
    {
        failed_ = true;
        return false;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace platform
