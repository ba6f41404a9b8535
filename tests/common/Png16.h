#pragma once
// A 16-bit grey PNG written straight from the PNG and zlib descriptions
// (stored deflate blocks, no compression), so that a test can hand the
// program a depth of its own making without the program's own writer.

#include "ModelFiles.h"

#include "platform/Grey16.h"

#include <string>

namespace model_test {

inline void putBig32(std::string& out, std::uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

inline void pngChunk(std::string& out, const char* type, const std::string& data)
{
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    putBig32(out, crc32(body));
}

inline std::string pngGrey16(const platform::Grey16Image& image)
{
    std::string raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < image.width; ++x) {
            raw.push_back(static_cast<char>(image.at(x, y) >> 8));
            raw.push_back(static_cast<char>(image.at(x, y) & 0xff));
        }
    }
    std::string z = "\x78\x01";
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        put16(z, static_cast<std::uint16_t>(n));
        put16(z, static_cast<std::uint16_t>(~n));
        z += raw.substr(at, n);
        if (n == 0)
            break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(z, (b << 16) | a);
    std::string ihdr;
    putBig32(ihdr, static_cast<std::uint32_t>(image.width));
    putBig32(ihdr, static_cast<std::uint32_t>(image.height));
    ihdr += std::string("\x10\x00\x00\x00\x00", 5); // 16 bits, grey, deflate, adaptive filters, no interlace
    std::string out = "\x89PNG\r\n\x1a\n";
    pngChunk(out, "IHDR", ihdr);
    pngChunk(out, "IDAT", z);
    pngChunk(out, "IEND", "");
    return out;
}

} // namespace model_test
