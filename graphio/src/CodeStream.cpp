#include "pictrans/CodeStream.h"

iCodeStream::iCodeStream(InStream& in, int codeWidth) : in_(in), codeWidth_(codeWidth) {}

int iCodeStream::nextBlock()
{
    int n = in_.getc();
    if (n <= 0)
        return -1;
    len_ = static_cast<int>(in_.read(buffer_, static_cast<std::size_t>(n)));
    pos_ = 0;
    if (len_ < n) {
        // A cut block yields nothing, as if it were missing.
        len_ = 0;
        return -1;
    }
    return buffer_[pos_++];
}

oCodeStream::oCodeStream(OutStream& out, int codeWidth) : out_(out), codeWidth_(codeWidth) {}

int oCodeStream::writeBlock()
{
    block_[0] = 255;
    out_.write(block_, 256);
    count_ -= 255;
    // At most 3 bytes of the last store lie beyond the block.
    for (int i = 0; i < count_; ++i)
        block_[1 + i] = block_[256 + i];
    return out_.error() ? 4 : 0;
}

int oCodeStream::drainBytes()
{
    int r = 0;
    while (nbits_ >= 8) {
        block_[1 + count_++] = static_cast<std::uint8_t>(bits_);
        bits_ >>= 8;
        nbits_ -= 8;
        if (count_ >= 255 && writeBlock() != 0)
            r = 4;
    }
    return r;
}

int oCodeStream::putbyte(std::uint8_t byte)
{
    if (drainBytes() != 0)
        return 4;
    block_[1 + count_++] = byte;
    if (count_ >= 255)
        return writeBlock();
    return out_.error() ? 4 : 0;
}

int oCodeStream::flush()
{
    if (drainBytes() != 0)
        return 4;
    if (nbits_ > 0) {
        block_[1 + count_++] = static_cast<std::uint8_t>(bits_);
        bits_ = 0;
        nbits_ = 0;
        if (count_ >= 255 && writeBlock() != 0)
            return 4;
    }
    if (count_ > 0) {
        block_[0] = static_cast<std::uint8_t>(count_);
        out_.write(block_, static_cast<std::size_t>(count_) + 1);
        count_ = 0;
    }
    return out_.error() ? 4 : 0;
}
