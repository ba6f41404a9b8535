#include "platform/BitmapInfo.h"

namespace platform {

namespace {

void put16(std::uint8_t*& p, std::uint16_t v)
{
    *p++ = static_cast<std::uint8_t>(v);
    *p++ = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t*& p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        *p++ = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t get16(const std::uint8_t*& p)
{
    std::uint16_t v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return v;
}
std::uint32_t get32(const std::uint8_t*& p)
{
    std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    p += 4;
    return v;
}

} // namespace

void BITMAPINFOHEADER::store(std::uint8_t* out) const
{
    put32(out, biSize);
    put32(out, static_cast<std::uint32_t>(biWidth));
    put32(out, static_cast<std::uint32_t>(biHeight));
    put16(out, biPlanes);
    put16(out, biBitCount);
    put32(out, biCompression);
    put32(out, biSizeImage);
    put32(out, static_cast<std::uint32_t>(biXPelsPerMeter));
    put32(out, static_cast<std::uint32_t>(biYPelsPerMeter));
    put32(out, biClrUsed);
    put32(out, biClrImportant);
}

BITMAPINFOHEADER BITMAPINFOHEADER::load(const std::uint8_t* in)
{
    BITMAPINFOHEADER h;
    h.biSize = get32(in);
    h.biWidth = static_cast<std::int32_t>(get32(in));
    h.biHeight = static_cast<std::int32_t>(get32(in));
    h.biPlanes = get16(in);
    h.biBitCount = get16(in);
    h.biCompression = get32(in);
    h.biSizeImage = get32(in);
    h.biXPelsPerMeter = static_cast<std::int32_t>(get32(in));
    h.biYPelsPerMeter = static_cast<std::int32_t>(get32(in));
    h.biClrUsed = get32(in);
    h.biClrImportant = get32(in);
    return h;
}

std::vector<std::uint8_t> BITMAPINFO::bytes() const
{
    std::vector<std::uint8_t> out(BITMAPINFOHEADER::kSize + 4 * bmiColors.size());
    bmiHeader.store(out.data());
    std::uint8_t* p = out.data() + BITMAPINFOHEADER::kSize;
    for (const auto& c : bmiColors) {
        *p++ = c.rgbBlue;
        *p++ = c.rgbGreen;
        *p++ = c.rgbRed;
        *p++ = c.rgbReserved;
    }
    return out;
}

std::size_t dibStride(std::int64_t width, std::int64_t bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0)
        return 0;
    return static_cast<std::size_t>((width * bitsPerPixel + 31) / 32 * 4);
}

} // namespace platform
