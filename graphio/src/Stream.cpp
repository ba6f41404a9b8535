#include "pictrans/Stream.h"

#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>

std::optional<InStream> InStream::open(const std::string& path, platform::FileProblem* problem)
{
    auto file = platform::FileBytes::open(path, platform::kMaxInputFile, problem);
    if (!file)
        return std::nullopt;
    return InStream(std::move(*file));
}

std::size_t InStream::read(void* out, std::size_t n)
{
    std::size_t got = std::min(n, remaining());
    if (got)
        std::memcpy(out, file_.data() + pos_, got);
    pos_ += got;
    if (got < n)
        eof_ = true;
    return got;
}

int InStream::getc()
{
    if (pos_ >= file_.size()) {
        eof_ = true;
        return -1;
    }
    return file_.data()[pos_++];
}

void InStream::seek(std::size_t offset)
{
    pos_ = offset;
    eof_ = false;
}

bool MemoryOutStream::write(const void* data, std::size_t n)
{
    if (error_ || pos_ + n > limit_ || pos_ + n < pos_) {
        error_ = true;
        return false;
    }
    if (pos_ + n > data_.size())
        data_.resize(pos_ + n);
    if (n)
        std::memcpy(data_.data() + pos_, data, n);
    pos_ += n;
    return true;
}

bool MemoryOutStream::seek(std::size_t offset)
{
    if (offset > data_.size())
        data_.resize(offset);
    pos_ = offset;
    return true;
}

bool FileOutStream::write(const void* data, std::size_t n)
{
    if (error_ || !file_ || std::fwrite(data, 1, n, file_) != n) {
        error_ = true;
        return false;
    }
    return true;
}

std::size_t FileOutStream::tell() const
{
    long pos = file_ ? std::ftell(file_) : -1;
    return pos < 0 ? 0 : static_cast<std::size_t>(pos);
}

bool FileOutStream::seek(std::size_t offset)
{
    if (!file_ || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        error_ = true;
        return false;
    }
    return true;
}
