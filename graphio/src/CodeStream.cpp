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
    std::uint8_t length = static_cast<std::uint8_t>(count_);
    out_.write(&length, 1);
    out_.write(buffer_, static_cast<std::size_t>(count_));
    count_ = 0;
    return out_.error() ? 4 : 0;
}

int oCodeStream::flush()
{
    if (nbits_ > 0) {
        int r = putbyte(static_cast<std::uint8_t>(bits_));
        bits_ = 0;
        nbits_ = 0;
        if (r != 0)
            return 4;
    }
    if (count_ > 0)
        return writeBlock();
    return out_.error() ? 4 : 0;
}
