#pragma once
// Where the colour table window puts its swatches: 16 to a row, each a
// square of 24 pixels numbered from 1, and the window sizes and scroll
// ranges that follow from the number of colours.

#include "platform/Region.h"

#include <cstdint>

namespace depthmap {

inline constexpr int kSwatchSize = 24;
inline constexpr int kSwatchesPerRow = 16;
// The width of a full row of swatches.
inline constexpr int kColorTableWidth = kSwatchSize * kSwatchesPerRow;

// Whole rows only: the colours of an unfinished last row are not shown.
inline constexpr int ColorTableRows(int colorCount) { return colorCount / kSwatchesPerRow; }
// The height of the swatches.
inline constexpr int ColorTableHeight(int colorCount) { return ColorTableRows(colorCount) * kSwatchSize; }
// The swatch of entry i.
platform::Rect SwatchRect(int index);
// Where the swatch's number is drawn (centred on x, top at y).
platform::Point SwatchLabelPoint(int index);
// The height the window takes for its colours.
inline constexpr int ColorTableWindowHeight(int colorCount) { return colorCount * kSwatchSize / 16 + 30; }

struct ScrollRanges {
    int horizontal = 0;
    int vertical = 0;
};
// How far the swatches can scroll in a client area of that size (never
// below 0).
ScrollRanges ColorTableScrollRanges(int colorCount, int clientWidth, int clientHeight);

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
// A swatch's number is written in the inverse of its colour.
inline constexpr Rgb InverseColor(Rgb c)
{
    return {static_cast<std::uint8_t>(255 - c.red), static_cast<std::uint8_t>(255 - c.green),
            static_cast<std::uint8_t>(255 - c.blue)};
}

// The colour a swatch's number is written in: black on a light swatch,
// white on a dark one (by the swatch's luminance), so that it can be read
// on every colour, mid-grey included.
inline constexpr Rgb LabelColor(Rgb c)
{
    const int luma = 299 * c.red + 587 * c.green + 114 * c.blue; // × 1000
    return luma >= 128 * 1000 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
}

} // namespace depthmap
