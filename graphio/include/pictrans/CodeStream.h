#pragma once
// Variable-width code streams of GIF image data: codes are packed least
// significant bit first into bytes, and the bytes travel in data sub-blocks
// of a length byte and up to 255 bytes.
//
// Bits are kept in an accumulator rather than moved one at a time; a byte is
// fetched only when a code needs bits from it, so the stream position after
// each code is the same as with bit-by-bit assembly.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>

class PICTRANS_API iCodeStream {
public:
    iCodeStream(InStream& in, int codeWidth);

    // The next data byte; -1 at a zero-length sub-block (the terminator) or
    // when a sub-block is cut short.
    int getbyte()
    {
        if (pos_ < len_)
            return buffer_[pos_++];
        return nextBlock();
    }

    // The next code of codeWidth bits; -1 when the data runs out first.
    int getcode()
    {
        while (nbits_ < codeWidth_) {
            int b = getbyte();
            if (b < 0)
                return -1;
            bits_ |= static_cast<std::uint32_t>(b) << nbits_;
            nbits_ += 8;
        }
        int code = static_cast<int>(bits_ & ((1u << codeWidth_) - 1));
        bits_ >>= codeWidth_;
        nbits_ -= codeWidth_;
        return code;
    }

    int codeWidth() const { return codeWidth_; }
    void setCodeWidth(int width) { codeWidth_ = width; }

protected:
    InStream& in_;

private:
    int nextBlock();

    std::uint8_t buffer_[255];
    int pos_ = 0;
    int len_ = 0;
    int codeWidth_;
    std::uint32_t bits_ = 0; // bits fetched but not yet used, lowest first
    int nbits_ = 0;
};

class PICTRANS_API oCodeStream {
public:
    oCodeStream(OutStream& out, int codeWidth);

    // Appends a byte; a full buffer goes out as one 255-byte sub-block.
    // Returns 4 when the stream is in error, else 0.
    int putbyte(std::uint8_t byte)
    {
        buffer_[count_++] = byte;
        if (count_ == 255)
            return writeBlock();
        return out_.error() ? 4 : 0;
    }

    // Emits codeWidth bits of code, least significant first.
    int putcode(int code)
    {
        bits_ |= static_cast<std::uint32_t>(code) << nbits_;
        nbits_ += codeWidth_;
        while (nbits_ >= 8) {
            if (putbyte(static_cast<std::uint8_t>(bits_)) != 0)
                return 4;
            bits_ >>= 8;
            nbits_ -= 8;
        }
        return 0;
    }

    // Emits a partly filled byte and the buffered bytes as a last sub-block.
    int flush();

    int codeWidth() const { return codeWidth_; }
    void setCodeWidth(int width) { codeWidth_ = width; }

protected:
    OutStream& out_;

private:
    int writeBlock();

    std::uint8_t buffer_[256];
    int count_ = 0;
    int codeWidth_;
    std::uint32_t bits_ = 0; // pending bits, lowest first; fewer than 8 between codes
    int nbits_ = 0;
};
