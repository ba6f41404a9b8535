#pragma once
// Writes the rows of a BMP file's pixel data, given one value per byte (or
// red, green, blue per pixel at 24 bits), each row padded to 4 bytes.

#include "pictrans/Codec.h"
#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <vector>

class PICTRANS_API BmpEncoder : public Encoder {
public:
    BmpEncoder(OutStream& out, int bitsPerPixel);

    // 1, 4 and 8 bits: count values; 24 bits: count pixels of red, green,
    // blue, written as blue, green, red. Other depths write nothing.
    int encode(const std::uint8_t* buffer, int count) override;
    int init() override;
    int term() override;
    int status() override;

private:
    OutStream& out_;
    int bits_;
    int status_ = CODEC_OK;
    std::vector<std::uint8_t> row_;
};
