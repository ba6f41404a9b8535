#pragma once
// A pattern magnified for print: each pixel becomes K × K, either as
// blocks (nearest) or interpolated between neighbours (smooth). Patterns
// are tiles, so the interpolation wraps around the tile's edges and the
// magnified tile still joins its copies without a seam.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <memory>

namespace engine {

inline constexpr int kMinPatternScale = 1;
inline constexpr int kMaxPatternScale = 8;

// The tile magnified k times (k clamped to 1 .. 8). Nearest: an 8-bit tile
// of the same colour indices (1- and 4-bit tiles become 8-bit, 24-bit
// tiles stay 24-bit). Smooth: a 24-bit tile, the colours of an indexed
// tile taken from palette (black without one). Null when memory runs out
// or the tile is empty.
std::unique_ptr<platform::Bitmap> scalePattern(const platform::Bitmap& tile, const platform::Palette* palette, int k,
                                               bool nearest);

} // namespace engine
