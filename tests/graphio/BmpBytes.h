#pragma once
// Builds BMP files byte by byte for the tests, so that each case shows the
// fields it sets.

#include <cstdint>
#include <initializer_list>
#include <vector>

struct BmpBytes {
    std::vector<std::uint8_t> bytes;

    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void raw(std::initializer_list<std::uint8_t> v) { bytes.insert(bytes.end(), v); }
    void raw(const std::vector<std::uint8_t>& v) { bytes.insert(bytes.end(), v.begin(), v.end()); }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

struct BmpSpec {
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t bpp = 8;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t headerSize = 40;
    int tableEntries = -1;          // -1: 2^bpp (or colorsUsed when set)
    std::int64_t pixelOffset = -1;  // -1: right after the colour table
};

// File header, 40-byte (or longer, zero-padded) information header, a grey
// colour table (entry i = i, i, i), then the given pixel data.
inline std::vector<std::uint8_t> makeBmp(const BmpSpec& s, const std::vector<std::uint8_t>& pixels)
{
    int entries = s.tableEntries;
    if (entries < 0)
        entries = s.colorsUsed ? static_cast<int>(s.colorsUsed) : (s.bpp <= 8 ? 1 << s.bpp : 0);
    const std::uint32_t offset = s.pixelOffset >= 0 ? static_cast<std::uint32_t>(s.pixelOffset)
                                                    : 14 + s.headerSize + 4 * static_cast<std::uint32_t>(entries);
    BmpBytes b;
    b.raw({'B', 'M'});
    b.u32(0); // file size, patched below
    b.u32(0); // reserved
    b.u32(offset);
    b.u32(s.headerSize);
    b.u32(static_cast<std::uint32_t>(s.width));
    b.u32(static_cast<std::uint32_t>(s.height));
    b.u16(1);
    b.u16(s.bpp);
    b.u32(s.compression);
    b.u32(static_cast<std::uint32_t>(pixels.size()));
    b.u32(2835);
    b.u32(2835);
    b.u32(s.colorsUsed);
    b.u32(0);
    while (b.bytes.size() < 14 + s.headerSize)
        b.u8(0);
    for (int i = 0; i < entries; ++i)
        b.raw({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0});
    while (b.bytes.size() < offset)
        b.u8(0);
    b.raw(pixels);
    b.patch32(2, static_cast<std::uint32_t>(b.bytes.size()));
    return b.bytes;
}
