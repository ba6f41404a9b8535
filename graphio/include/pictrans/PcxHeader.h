#pragma once
// The 128-byte header of a PCX file, little-endian.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <cstdio>

struct PICTRANS_API PCXHEADER {
    static constexpr std::size_t kSize = 128;

    std::uint8_t format = 10;  // manufacturer mark
    std::uint8_t version = 5;  // 5: version 3.0 or later, may carry a 256-colour palette
    std::uint8_t rleflag = 1;  // 1: run-length encoded
    std::uint8_t bitpx = 0;    // bits per pixel in each plane
    std::uint16_t x1 = 0;      // picture window, inclusive
    std::uint16_t y1 = 0;
    std::uint16_t x2 = 0;
    std::uint16_t y2 = 0;
    std::uint16_t hres = 0;    // resolution, dots per inch
    std::uint16_t vres = 0;
    std::uint8_t palette[48] = {}; // 16 colours of red, green, blue
    std::uint8_t vmode = 0;
    std::uint8_t nplanes = 0;
    std::uint16_t bplin = 0;   // bytes per line in each plane
    std::uint16_t paltype = 1; // 1 colour, 2 grey scale
    std::uint16_t scrnw = 0;   // screen size of the creating program
    std::uint16_t scrnh = 0;
    std::uint8_t filler[54] = {};

    // Width and height of the picture window (x2 - x1 + 1, y2 - y1 + 1); zero
    // or negative for a window whose right or bottom edge lies before its start.
    int width() const { return static_cast<int>(x2) - static_cast<int>(x1) + 1; }
    int height() const { return static_cast<int>(y2) - static_cast<int>(y1) + 1; }
    int bitsPerPlane() const { return bitpx ? bitpx : 1; }
    int planes() const { return nplanes ? nplanes : 1; }

    // The 128 bytes as stored.
    void store(std::uint8_t* out) const;
    void load(const std::uint8_t* in);
    // 0, or -1 on a short read or write.
    int get(InStream& in);
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};
