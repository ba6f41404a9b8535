#pragma once
// The row codec interfaces shared by the GIF, PCX and BMP codecs.

#include "pictrans/Export.h"

#include <cstdint>

// Codec status values.
inline constexpr int CODEC_OK = 0;
inline constexpr int CODEC_EOF = 2;        // end of file on the stream
inline constexpr int CODEC_IOERROR = 4;    // stream error
inline constexpr int CODEC_NOMEMORY = 8;   // out of memory
inline constexpr int CODEC_BADCODE = 16;   // a code beyond the table
inline constexpr int CODEC_OVERFLOW = 32;  // table or stack overflow

class PICTRANS_API Decoder {
public:
    virtual ~Decoder() = default;
    // Fills one line of count pixels, one per byte; returns the status.
    virtual int decode(std::uint8_t* buffer, int count) = 0;
    virtual int init() = 0;
    virtual int term() = 0;
    virtual int status() = 0;
};

class PICTRANS_API Encoder {
public:
    virtual ~Encoder() = default;
    // Encodes count pixels, one per byte; returns the status.
    virtual int encode(const std::uint8_t* buffer, int count) = 0;
    virtual int init() = 0;
    virtual int term() = 0;
    virtual int status() = 0;
};
