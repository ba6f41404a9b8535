#pragma once
// Reads the rows of a BMP file's pixel data, one row at a time, into one
// value per byte: uncompressed rows at 1, 4 or 8 bits, and the 8-bit and
// 4-bit run-length encodings. True-colour rows (16, 24 or 32 bits, plain or
// with colour masks) come out as red, green, blue per pixel.

#include "pictrans/Codec.h"
#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <vector>

// Decoder states beyond the shared codec ones.
inline constexpr int BMPDEC_ENDOFPICTURE = 1;   // the end-of-picture escape was read
inline constexpr int BMPDEC_BADCOMPRESSION = 64; // a compression this decoder cannot read
inline constexpr int BMPDEC_DELTA = 128;        // kept for callers that test it; deltas are followed

inline constexpr std::uint32_t BI_BITFIELDS = 3;

class PICTRANS_API BmpDecoder : public Decoder {
public:
    // in must stand at the first byte of the pixel data. height is the
    // number of rows the picture holds; run-length data that tries to place
    // pixels outside width x height is refused as corrupt.
    BmpDecoder(InStream& in, std::uint32_t compression, int bitsPerPixel, int width, int height);

    // Colour masks of 16- and 32-bit rows (BI_BITFIELDS). Without them the
    // usual 5-5-5 and 8-8-8 layouts apply. False when a mask is empty or not
    // one run of bits.
    bool setMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);

    // Fills count values (count must not exceed the width given above); at
    // 16, 24 and 32 bits 3 x count bytes of red, green, blue.
    // Pixels the data leaves undefined (after an end of picture, skipped by
    // a delta) are 0. Once the status is not 0, rows are no longer read.
    int decode(std::uint8_t* buffer, int count) override;
    int init() override;
    // After the last row: run-length data must end there (only end-of-line
    // escapes and the end-of-picture escape may follow); anything else sets
    // CODEC_BADCODE.
    int term() override;
    int status() override { return status_; }

    // True when the status means the data is damaged (not merely finished).
    static bool isFailure(int status)
    {
        return status != CODEC_OK && status != BMPDEC_ENDOFPICTURE;
    }

private:
    int decodeRaw(std::uint8_t* buffer, int count);
    int decodeRle(std::uint8_t* buffer, int count);
    void put(std::uint8_t* buffer, int count, std::uint8_t value);
    void unpackTrueColour(std::uint8_t* buffer, int count) const;

    struct Channel {
        int shift = 0;
        int bits = 0;
    };

    InStream& in_;
    std::uint32_t compression_;
    int bits_;
    int width_;
    int height_;
    int status_ = CODEC_OK;
    std::vector<std::uint8_t> row_;
    Channel channels_[3];
    // Run-length position: the row being decoded and the next column.
    int y_ = 0;
    int x_ = 0;
    // Rows still to be left blank after a delta, and the column to resume at.
    int blankRows_ = 0;
    int resumeX_ = 0;
};
