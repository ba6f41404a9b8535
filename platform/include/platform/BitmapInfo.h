#pragma once
// The bitmap descriptions that cross the graphics library's boundary: the
// BITMAP summary of a device bitmap and the 40-byte information header of a
// device-independent bitmap with its colour table.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;

// Summary of a device bitmap (what GetObject reports for a bitmap handle).
struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0; // bytes per row, even
    std::uint16_t bmPlanes = 1;
    std::uint16_t bmBitsPixel = 0;
};

struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;

    friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

// The 40-byte header, field for field as stored in a BMP file.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = BI_RGB;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;

    static constexpr std::size_t kSize = 40;
    // Little-endian serialisation, exactly 40 bytes.
    void store(std::uint8_t* out) const;
    static BITMAPINFOHEADER load(const std::uint8_t* in);
};

// Header plus colour table; bytes() gives the 40 + 4 × n byte block.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    std::vector<RGBQUAD> bmiColors;

    std::vector<std::uint8_t> bytes() const;
};

// Bytes in one device-independent row: ((width × bits + 31) ÷ 32) × 4.
// Zero for a width or depth that is not positive.
std::size_t dibStride(std::int64_t width, std::int64_t bitsPerPixel);

} // namespace platform
