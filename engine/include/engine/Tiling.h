#pragma once
// "Generating Dots": the background pattern repeated over the whole image.
//
// Tile rows start at the top of the image. With "Left-To-Right" tiles start
// at the left edge; with every other scan method they are centred, the first
// tile starting at W ÷ 2 − pw ÷ 2, so that the repeat runs symmetrically
// from the middle, where those methods start their work. Tiles that do not
// divide the image are clipped at its edges.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <vector>

namespace engine {

// Column of the image at which a tile starts: 0 for "Left-To-Right",
// W ÷ 2 − pw ÷ 2 otherwise. Every column x shows tile column
// (x − phase) mod pw.
std::int32_t tilePhase(std::int32_t imageWidth, std::int32_t tileWidth, std::int32_t method);

// Fills one image row (y counted from the top) with the tile's colour
// indices. tileRow is the tile's row (y mod ph) from the top, as 8-bit
// indices, tileWidth bytes long.
void tileRow(std::uint8_t* row, std::int32_t imageWidth, const std::uint8_t* tileRowBits,
             std::int32_t tileWidth, std::int32_t phase);

// The tile prepared once for an image of a given width, so that any row can
// be tiled on its own (by several threads at once: fill only reads). The
// tile may have any depth, as with tilePattern.
class TileRows {
public:
    TileRows(const platform::Bitmap& tile, std::int32_t imageWidth, std::int32_t method,
             const platform::Palette* tilePalette = nullptr);
    // Fills imageWidth bytes of row with image row y counted from the top.
    void fill(std::uint8_t* row, std::int32_t y) const;

private:
    std::vector<std::uint8_t> bits_; // the tile's rows as 8-bit indices, top row first
    std::int32_t tileWidth_;
    std::int32_t tileHeight_;
    std::int32_t imageWidth_;
    std::int32_t phase_;
};

// A true-colour tile prepared likewise: rows of 0x00RRGGBB pixels, tiled
// with the same phase as TileRows. An indexed tile takes its palette's
// colours (black past its end).
class ColourTileRows {
public:
    ColourTileRows(const platform::Bitmap& tile, std::int32_t imageWidth, std::int32_t method,
                   const platform::Palette* tilePalette = nullptr);
    // Fills imageWidth pixels of row with image row y counted from the top.
    void fill(std::uint32_t* row, std::int32_t y) const;

private:
    std::vector<std::uint32_t> pixels_;
    std::int32_t tileWidth_;
    std::int32_t tileHeight_;
    std::int32_t imageWidth_;
    std::int32_t phase_;
};

// Tiles the whole 8-bit image. The tile may have any depth the bitmap
// supports: 1-, 4- and 8-bit tiles keep their indices; a 24-bit tile is
// mapped to the nearest entries of tilePalette. Returns false (and leaves
// the image alone) when the image is not 8-bit or the tile is empty.
bool tilePattern(platform::Bitmap& image, const platform::Bitmap& tile, std::int32_t method,
                 const platform::Palette* tilePalette = nullptr);

} // namespace engine
