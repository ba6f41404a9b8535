#pragma once
// The pixel cost the depth revealer matches with: the sum of the absolute
// red, green and blue differences of two pixels, truncated so that one
// pixel that does not match cannot outweigh a window of pixels that do.

#include "engine/Reveal.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace engine::reveal {

inline constexpr int kTruncate = 64;

// The three planes of one picture row.
struct RowPlanes {
    const std::uint8_t* red;
    const std::uint8_t* green;
    const std::uint8_t* blue;
};

inline RowPlanes rowPlanes(const RgbPlanes& p, int y)
{
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width);
    return {p.red.data() + at, p.green.data() + at, p.blue.data() + at};
}

inline std::uint16_t pixelCost(const RowPlanes& row, int x, int d)
{
    int c = std::abs(row.red[x] - row.red[x + d]) + std::abs(row.green[x] - row.green[x + d]) +
            std::abs(row.blue[x] - row.blue[x + d]);
    return static_cast<std::uint16_t>(std::min(c, kTruncate));
}

// out[x] += cost of (x, x + d) for x = 0 … n − 1 (n ≤ width − d).
inline void addCosts(const RowPlanes& row, int d, int n, std::uint16_t* out)
{
    for (int x = 0; x < n; ++x)
        out[x] = static_cast<std::uint16_t>(out[x] + pixelCost(row, x, d));
}

// Horizontal running sums over 2r + 1 columns: out[x] = in[x − r] + … +
// in[x + r] for x = r … n − 1 − r; nothing else is written.
inline void boxSums(const std::uint16_t* in, int n, int r, std::uint16_t* out)
{
    if (n < 2 * r + 1)
        return;
    unsigned s = 0;
    for (int x = 0; x <= 2 * r; ++x)
        s += in[x];
    out[r] = static_cast<std::uint16_t>(s);
    for (int x = r + 1; x + r < n; ++x) {
        s += in[x + r];
        s -= in[x - r - 1];
        out[x] = static_cast<std::uint16_t>(s);
    }
}

// The window: a column of three pixels where unrelated pixels of the
// picture almost always differ (many-coloured dots), so that slopes, on
// which the separation changes from one column to the next, still match;
// three columns by seven rows where they often agree (black-and-white dots,
// smooth patterns), so that a chance match stays rare.
struct Window {
    int rx;
    int ry;
};
constexpr int kWidestHalf = 1;

inline Window chooseWindow(double distinct)
{
    return distinct >= 0.75 ? Window{0, 1} : Window{kWidestHalf, 3};
}

// How much two unrelated pixels differ on average, as a share of the
// truncated cost: near 1 for dots of many colours, about 0.5 for black and
// white dots, low for smooth pictures. Pixels closer than the smallest
// separation are unrelated in a stereogram.
inline double distinctness(const RgbPlanes& picture, int minSep)
{
    const int width = picture.width;
    const int height = picture.height;
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
    const int rowStep = std::max(1, height / 64);
    for (int y = 0; y < height; y += rowStep) {
        const RowPlanes row = rowPlanes(picture, y);
        for (int offset : {std::max(1, minSep / 2), std::max(1, minSep / 2) + 1}) {
            for (int x = 0; x + offset < width; x += 3) {
                sum += pixelCost(row, x, offset);
                ++count;
            }
        }
    }
    return count > 0 ? static_cast<double>(sum) / (static_cast<double>(count) * kTruncate) : 0.0;
}

} // namespace engine::reveal
