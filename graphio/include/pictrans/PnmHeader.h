#pragma once
// The header of a netpbm file: PBM (P1, P4), PGM (P2, P5), PPM (P3, P6) and
// PAM (P7), read from untrusted bytes.

#include "platform/ByteReader.h"

#include <cstdint>
#include <string>

namespace pictrans::pnm {

enum class Tuple { BlackAndWhite, Grey, Rgb, BlackAndWhiteAlpha, GreyAlpha, RgbAlpha };

struct Header {
    int kind = 0;          // the digit after 'P'
    bool plain = false;    // samples written as decimal text (P1, P2, P3)
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;  // samples a pixel
    std::uint32_t maxval = 0; // 1 for PBM
    Tuple tuple = Tuple::Grey;
    bool pbm() const { return kind == 1 || kind == 4; }
    bool alpha() const { return tuple == Tuple::BlackAndWhiteAlpha || tuple == Tuple::GreyAlpha || tuple == Tuple::RgbAlpha; }
    bool colour() const { return tuple == Tuple::Rgb || tuple == Tuple::RgbAlpha; }
    // Bytes of one raw sample: 1, or 2 (big-endian) when maxval exceeds 255.
    unsigned sampleBytes() const { return maxval > 255 ? 2 : 1; }
};

// Reads the header from r, leaving it at the first byte of the raster.
// Empty on success, else why not (a phrase for "Error reading PNM file: %s.").
// r must start at the 'P'.
std::string readHeader(platform::ByteReader& r, Header& h);

// The next decimal number of a plain raster (skipping white space and
// comments); false at the end of the data or on anything else.
bool readPlainNumber(platform::ByteReader& r, std::uint32_t& value);

} // namespace pictrans::pnm
