#include "engine/Tiling.h"

#include "engine/SirdsSettings.h"

#include "platform/Palette.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace engine {

std::int32_t tilePhase(std::int32_t imageWidth, std::int32_t tileWidth, std::int32_t method)
{
    if (method == LeftToRight)
        return 0;
    return imageWidth / 2 - tileWidth / 2;
}

void tileRow(std::uint8_t* row, std::int32_t imageWidth, const std::uint8_t* tileRowBits, std::int32_t tileWidth,
             std::int32_t phase)
{
    if (imageWidth <= 0 || tileWidth <= 0)
        return;
    // Tile column shown at x = 0; the first copy may start part-way in.
    std::int64_t first = -static_cast<std::int64_t>(phase) % tileWidth;
    if (first < 0)
        first += tileWidth;
    std::int32_t start = static_cast<std::int32_t>(first);
    std::int32_t x = 0;
    while (x < imageWidth) {
        std::int32_t n = std::min(tileWidth - start, imageWidth - x);
        std::memcpy(row + x, tileRowBits + start, static_cast<std::size_t>(n));
        x += n;
        start = 0;
    }
}

// The tile's rows as 8-bit indices, top row first.
static std::vector<std::uint8_t> tileIndices(const platform::Bitmap& tile, const platform::Palette* palette)
{
    const std::int32_t w = tile.width();
    const std::int32_t h = tile.height();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        const int src = h - 1 - y;
        if (tile.bitsPerPixel() == 8) {
            std::memcpy(dst, tile.row(src), static_cast<std::size_t>(w));
            continue;
        }
        for (std::int32_t x = 0; x < w; ++x) {
            std::uint32_t v = tile.pixel(x, src);
            if (tile.bitsPerPixel() == 24) {
                v = palette ? palette->nearest(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                               static_cast<std::uint8_t>(v))
                            : 0;
            }
            dst[x] = static_cast<std::uint8_t>(v);
        }
    }
    return out;
}

TileRows::TileRows(const platform::Bitmap& tile, std::int32_t imageWidth, std::int32_t method,
                   const platform::Palette* tilePalette)
    : bits_(tileIndices(tile, tilePalette)), tileWidth_(tile.width()), tileHeight_(tile.height()),
      imageWidth_(imageWidth), phase_(tilePhase(imageWidth, tile.width(), method))
{
}

void TileRows::fill(std::uint8_t* row, std::int32_t y) const
{
    if (tileWidth_ <= 0 || tileHeight_ <= 0 || y < 0)
        return;
    const std::uint8_t* src = bits_.data() + static_cast<std::size_t>(y % tileHeight_) * static_cast<std::size_t>(tileWidth_);
    tileRow(row, imageWidth_, src, tileWidth_, phase_);
}

// The tile's rows as 0x00RRGGBB pixels, top row first.
static std::vector<std::uint32_t> tileColours(const platform::Bitmap& tile, const platform::Palette* palette)
{
    const std::int32_t w = tile.width();
    const std::int32_t h = tile.height();
    std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        std::uint32_t* dst = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        const int src = h - 1 - y;
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint32_t v = tile.pixel(x, src);
            if (tile.bitsPerPixel() == 24) {
                dst[x] = v;
            } else if (palette && v < palette->size()) {
                const platform::PALETTEENTRY& e = (*palette)[v];
                dst[x] = (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
            } else {
                dst[x] = 0;
            }
        }
    }
    return out;
}

ColourTileRows::ColourTileRows(const platform::Bitmap& tile, std::int32_t imageWidth, std::int32_t method,
                               const platform::Palette* tilePalette)
    : pixels_(tileColours(tile, tilePalette)), tileWidth_(tile.width()), tileHeight_(tile.height()),
      imageWidth_(imageWidth), phase_(tilePhase(imageWidth, tile.width(), method))
{
}

void ColourTileRows::fill(std::uint32_t* row, std::int32_t y) const
{
    if (tileWidth_ <= 0 || tileHeight_ <= 0 || y < 0 || imageWidth_ <= 0)
        return;
    const std::uint32_t* src =
        pixels_.data() + static_cast<std::size_t>(y % tileHeight_) * static_cast<std::size_t>(tileWidth_);
    std::int64_t first = -static_cast<std::int64_t>(phase_) % tileWidth_;
    if (first < 0)
        first += tileWidth_;
    std::int32_t start = static_cast<std::int32_t>(first);
    for (std::int32_t x = 0; x < imageWidth_;) {
        const std::int32_t n = std::min(tileWidth_ - start, imageWidth_ - x);
        std::copy_n(src + start, n, row + x);
        x += n;
        start = 0;
    }
}

bool tilePattern(platform::Bitmap& image, const platform::Bitmap& tile, std::int32_t method,
                 const platform::Palette* tilePalette)
{
    if (image.bitsPerPixel() != 8 || tile.width() <= 0 || tile.height() <= 0)
        return false;
    const TileRows rows(tile, image.width(), method, tilePalette);
    for (std::int32_t y = 0; y < image.height(); ++y)
        rows.fill(image.rowFromTop(y), y);
    return true;
}

} // namespace engine
