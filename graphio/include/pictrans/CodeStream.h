#pragma once
// Variable-width code streams of GIF image data: codes are packed least
// significant bit first into bytes, and the bytes travel in data sub-blocks
// of a length byte and up to 255 bytes.
//
// Bits are kept in accumulators rather than moved one at a time. A reader
// takes bytes of the current sub-block ahead of need, but reads the next
// sub-block only when a code needs bits from it, so the file is read exactly
// as far as with bit-by-bit assembly. A writer sends each sub-block as soon
// as its 255 bytes are complete.

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
            bits_ |= static_cast<std::uint64_t>(b) << nbits_;
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
    // Reads the next sub-block and returns its first byte, or -1 (see getbyte).
    int nextBlock();

    // The state is open to the decoder, whose inner loop keeps it in locals.
    InStream& in_;
    std::uint8_t buffer_[255];
    int pos_ = 0;
    int len_ = 0;
    int codeWidth_;
    std::uint64_t bits_ = 0; // bits fetched but not yet used, lowest first
    int nbits_ = 0;
};

class PICTRANS_API oCodeStream {
public:
    oCodeStream(OutStream& out, int codeWidth);

    // Appends a byte (after the whole bytes of the codes before it); a full
    // buffer goes out as one 255-byte sub-block. Returns 4 when the stream
    // is in error, else 0.
    int putbyte(std::uint8_t byte);

    // Emits codeWidth bits of code, least significant first. Codes collect
    // in a 64-bit accumulator that is stored 32 bits at a time.
    int putcode(int code)
    {
        bits_ |= static_cast<std::uint64_t>(code) << nbits_;
        nbits_ += codeWidth_;
        if (nbits_ < 32)
            return 0;
        std::uint8_t* p = block_ + 1 + count_;
        p[0] = static_cast<std::uint8_t>(bits_);
        p[1] = static_cast<std::uint8_t>(bits_ >> 8);
        p[2] = static_cast<std::uint8_t>(bits_ >> 16);
        p[3] = static_cast<std::uint8_t>(bits_ >> 24);
        bits_ >>= 32;
        nbits_ -= 32;
        count_ += 4;
        return count_ >= 255 ? writeBlock() : 0;
    }

    // Emits a partly filled byte and the buffered bytes as a last sub-block.
    int flush();

    int codeWidth() const { return codeWidth_; }
    void setCodeWidth(int width) { codeWidth_ = width; }

protected:
    // Writes the first 255 buffered bytes as a sub-block and keeps the rest.
    int writeBlock();
    // Moves the whole bytes of the accumulator into the buffer.
    int drainBytes();

    // The state is open to the encoder, whose inner loop keeps it in locals.
    OutStream& out_;

    // The length byte, 255 data bytes and room for one 4-byte store beyond.
    std::uint8_t block_[1 + 255 + 4];
    int count_ = 0;
    int codeWidth_;
    std::uint64_t bits_ = 0; // pending bits, lowest first; fewer than 32 between codes
    int nbits_ = 0;
};
