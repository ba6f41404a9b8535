#pragma once
// Byte streams for the graphics library. Readers work on an in-memory copy
// of the file (read whole, with a size cap), so every read is bounds-checked
// and a short read simply sets the end-of-file state, as a C stream would.
// Writers write to a byte sink: a file (through a safe temporary) or memory.

#include "pictrans/Export.h"
#include "platform/FileIO.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

class PICTRANS_API InStream {
public:
    InStream() = default;
    explicit InStream(std::vector<std::uint8_t> data) : file_(std::move(data)) {}
    explicit InStream(platform::FileBytes file) : file_(std::move(file)) {}
    // Null when the file cannot be opened or read, or exceeds the input cap;
    // problem (when given) says why. A large file is mapped, not copied.
    static std::optional<InStream> open(const std::string& path, platform::FileProblem* problem = nullptr);

    // Copies up to n bytes; fewer at the end of the data, which sets eof().
    std::size_t read(void* out, std::size_t n);
    // The next byte, or -1 at the end (sets eof()).
    int getc();
    // Moves to an absolute offset; an offset past the end leaves the stream
    // there, and the next read reports end of file.
    void seek(std::size_t offset);
    std::size_t tell() const { return pos_; }
    std::size_t size() const { return file_.size(); }
    std::size_t remaining() const { return pos_ < file_.size() ? file_.size() - pos_ : 0; }
    bool eof() const { return eof_; }
    // An in-memory stream has no device errors; kept for the codecs' status rules.
    bool error() const { return false; }
    void clearEof() { eof_ = false; }
    std::span<const std::uint8_t> bytes() const { return {file_.data(), file_.size()}; }
    // The reader has passed the bytes before offset for good; a large file
    // gives back the memory they took (see platform::FileBytes::release).
    void release(std::size_t offset) { file_.release(offset); }
    // The bytes under the stream, for a reader that keeps them (see
    // platform::Bitmap::overFile).
    platform::FileBytes& file() { return file_; }

private:
    platform::FileBytes file_;
    std::size_t pos_ = 0;
    bool eof_ = false;
};

class PICTRANS_API OutStream {
public:
    virtual ~OutStream() = default;
    // False (and error() from then on) when not every byte was written.
    virtual bool write(const void* data, std::size_t n) = 0;
    virtual std::size_t tell() const = 0;
    virtual bool seek(std::size_t offset) = 0;
    bool putc(std::uint8_t byte) { return write(&byte, 1); }
    bool error() const { return error_; }

protected:
    bool error_ = false;
};

// Writes into a growing byte vector; used by tests and in-memory encoding.
class PICTRANS_API MemoryOutStream : public OutStream {
public:
    bool write(const void* data, std::size_t n) override;
    std::size_t tell() const override { return pos_; }
    bool seek(std::size_t offset) override;
    const std::vector<std::uint8_t>& data() const { return data_; }
    // Makes every write from now on fail, to exercise the error paths.
    void failAfter(std::size_t totalBytes) { limit_ = totalBytes; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::size_t limit_ = SIZE_MAX;
};

// Writes to an open C stream (for instance a platform::SafeFile's).
class PICTRANS_API FileOutStream : public OutStream {
public:
    explicit FileOutStream(std::FILE* file) : file_(file) {}
    bool write(const void* data, std::size_t n) override;
    std::size_t tell() const override;
    bool seek(std::size_t offset) override;

private:
    std::FILE* file_;
};
