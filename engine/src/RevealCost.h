#pragma once
// The pixel cost the depth revealer matches with: the sum of the absolute
// red, green and blue differences of two pixels, truncated so that one
// pixel that does not match cannot outweigh a window of pixels that do.

#include "engine/Reveal.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

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

// Each pixel of a row as the span of colours it covers when the row is
// sampled half a pixel either way: from its own colour to the midpoints
// with its left and right neighbours, per channel. Pictures scaled or
// oversampled repeat at fractions of a pixel, so a pixel's copy is a blend
// of two neighbours; it still lies within their spans.
struct RgbBounds {
    std::vector<std::uint8_t> low[3], high[3];
};

// One row of one channel's spans.
inline void boundsRow(const std::uint8_t* __restrict v, int width, std::uint8_t* __restrict low,
                      std::uint8_t* __restrict high)
{
    auto put = [&](int x, int self, int left, int right) {
        low[x] = static_cast<std::uint8_t>(std::min({self, left, right}));
        high[x] = static_cast<std::uint8_t>(std::max({self, left, right}));
    };
    if (width == 1) {
        put(0, v[0], v[0], v[0]);
        return;
    }
    put(0, v[0], v[0], (v[0] + v[1]) / 2);
    for (int x = 1; x + 1 < width; ++x)
        put(x, v[x], (v[x] + v[x - 1]) / 2, (v[x] + v[x + 1]) / 2);
    put(width - 1, v[width - 1], (v[width - 1] + v[width - 2]) / 2, v[width - 1]);
}

inline RgbBounds sampledBounds(const RgbPlanes& p)
{
    RgbBounds b;
    const std::vector<std::uint8_t>* planes[3] = {&p.red, &p.green, &p.blue};
    for (int c = 0; c < 3; ++c) {
        const std::vector<std::uint8_t>& v = *planes[c];
        b.low[c].resize(v.size());
        b.high[c].resize(v.size());
        if (p.width < 1)
            continue;
        for (int y = 0; y < p.height; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width);
            boundsRow(v.data() + at, p.width, b.low[c].data() + at, b.high[c].data() + at);
        }
    }
    return b;
}

// How far a channel value lies outside the span lo … hi.
inline std::uint8_t outside(std::uint8_t v, std::uint8_t lo, std::uint8_t hi)
{
    return static_cast<std::uint8_t>((std::max(v, hi) - hi) + (std::max(lo, v) - v));
}

// The sampling-insensitive cost of two pixels in one channel: the lesser
// of how far each one's value (a, b) lies outside the other's span.
inline std::uint8_t spanChannel(std::uint8_t a, std::uint8_t aLow, std::uint8_t aHigh, std::uint8_t b,
                                std::uint8_t bLow, std::uint8_t bHigh)
{
    return std::min(outside(a, bLow, bHigh), outside(b, aLow, aHigh));
}

// Whether pixels are compared by their sampled spans: in true-colour
// pictures of many colours, which is what blending neighbours (oversampling,
// scaling) makes. Pictures of a few hundred colours repeat them exactly.
inline constexpr std::size_t kBlendedColours = 2048;

inline bool comparesSpans(const RgbPlanes& picture)
{
    // The distinct colours of a sample of rows, counted in a small open
    // hash table until there are more than kBlendedColours.
    constexpr std::size_t kSlots = 4 * kBlendedColours;
    static_assert((kSlots & (kSlots - 1)) == 0);
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // no colour of 24 bits
    std::vector<std::uint32_t> table(kSlots, kEmpty);
    std::size_t distinct = 0;
    const int rowStep = std::max(1, picture.height / 64);
    for (int y = 0; y < picture.height; y += rowStep) {
        const RowPlanes row = rowPlanes(picture, y);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t colour = static_cast<std::uint32_t>(row.red[x]) << 16 |
                                         static_cast<std::uint32_t>(row.green[x]) << 8 | row.blue[x];
            std::size_t slot = (colour * 2654435761u >> 8) & (kSlots - 1);
            while (table[slot] != kEmpty && table[slot] != colour)
                slot = (slot + 1) & (kSlots - 1);
            if (table[slot] == colour)
                continue;
            table[slot] = colour;
            if (++distinct > kBlendedColours)
                return true;
        }
    }
    return false;
}

inline RowPlanes rowPlanes(const RgbBounds& b, bool high, int y, int width)
{
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    const auto& p = high ? b.high : b.low;
    return {p[0].data() + at, p[1].data() + at, p[2].data() + at};
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

// The sampling-insensitive cost of pixels x and x + d (spanChannel summed
// over the channels) for x < n, added to out[x]; the planes are passed one
// by one, unaliased, so that the loop runs on many pixels at once.
[[gnu::always_inline]] inline void addSpanCostsOf(std::uint16_t* __restrict out, int n, int d,
                                                  const std::uint8_t* __restrict v0, const std::uint8_t* __restrict v1,
                                                  const std::uint8_t* __restrict v2, const std::uint8_t* __restrict l0,
                                                  const std::uint8_t* __restrict l1, const std::uint8_t* __restrict l2,
                                                  const std::uint8_t* __restrict h0, const std::uint8_t* __restrict h1,
                                                  const std::uint8_t* __restrict h2)
{
    for (int x = 0; x < n; ++x) {
        const int y = x + d;
        const int c = spanChannel(v0[x], l0[x], h0[x], v0[y], l0[y], h0[y]) +
                      spanChannel(v1[x], l1[x], h1[x], v1[y], l1[y], h1[y]) +
                      spanChannel(v2[x], l2[x], h2[x], v2[y], l2[y], h2[y]);
        out[x] = static_cast<std::uint16_t>(out[x] + std::min(c, kTruncate));
    }
}

// As addCosts, with the sampling-insensitive cost.
[[gnu::always_inline]] inline void addSpanCosts(const RowPlanes& row, const RowPlanes& low, const RowPlanes& high,
                                                int d, int n, std::uint16_t* out)
{
    addSpanCostsOf(out, n, d, row.red, row.green, row.blue, low.red, low.green, low.blue, high.red, high.green,
                   high.blue);
}

// Horizontal running sums over 2r + 1 columns: out[x] = in[x − r] + … +
// in[x + r] for x = r … n − 1 − r; nothing else is written.
inline void boxSums(const std::uint16_t* in, int n, int r, std::uint16_t* out)
{
    if (n < 2 * r + 1)
        return;
    // Narrow windows (the usual ones) are summed outright, many columns at
    // once; wide ones run.
    if (r <= 3) {
        // Column by column in 16 bits, which wrap as the kept sum does.
        for (int x = r; x + r < n; ++x)
            out[x] = in[x - r];
        for (int k = -r + 1; k <= r; ++k)
            for (int x = r; x + r < n; ++x)
                out[x] = static_cast<std::uint16_t>(out[x] + in[x + k]);
        return;
    }
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
    // Half the length of a line along the row whose cost stands in for
    // the window's where it is lower (0: none); see Matcher.
    int line = 0;
    // Instead, the window's pixels all in one row, along it, each pixel
    // at the line's separation (plain colour costs only); see Matcher.
    bool alongRow = false;
};
constexpr int kWidestHalf = 1;

// A window of about as many pixels, one column wide (the same window when
// it is one column wide already).
inline Window tallWindow(const Window& window)
{
    if (window.rx == 0)
        return window;
    const int pixels = (2 * window.rx + 1) * (2 * window.ry + 1);
    return Window{0, pixels / 4, 0};
}

// A window of the same width at most three rows high.
inline Window lowWindow(const Window& window)
{
    return Window{window.rx, std::min(window.ry, 1), window.line};
}

// The same window with its pixels along one row.
inline Window rowWindow(const Window& window)
{
    return Window{window.rx, window.ry, 0, true};
}

// Comparing spans lets more unrelated pixels pass for a match, so it
// takes three columns by five rows. Pixels of many colours rarely match by
// chance, so three rows are enough. With a dozen colours or more, a line of
// seven along the row stands in where the depth changes down the picture:
// there a window of several rows never matches whole, while a pattern
// tile drawn unchanged in every row still repeats exactly at its own
// width. Each pixel of the line may match a separation either side of the
// line's (a slope), which fewer colours would let chance pass too often.
inline Window chooseWindow(double distinct, bool spans)
{
    if (spans)
        return Window{kWidestHalf, 2};
    if (distinct >= 0.75)
        return Window{0, 1, distinct >= 0.9 ? 3 : 0};
    return Window{kWidestHalf, 3};
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
