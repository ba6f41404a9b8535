#pragma once
// Stereograms of known separations for the revealer's tests: random dots
// that repeat along a separation field, as true-colour pictures or with a
// palette in which every colour has two entries, and the measures of how
// well a revealed field agrees with the truth.

#include "Pearson.h"

#include "engine/Reveal.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace reveal_fixtures {

// Under the sanitizers the tables of scenes that measure how closely depth
// comes back run their first case alone: the same reading code runs
// instrumented, at a fraction of the time, and the optimised build reads
// every case.
#if defined(DOTSCAPE_ADDRESS_SANITIZER)
inline constexpr bool kFirstCaseOnly = true;
#else
inline constexpr bool kFirstCaseOnly = false;
#endif

using SepField = std::function<int(int x, int y)>;

// Colour numbers of a random-dot stereogram whose pixel (x, y) repeats the
// pixel sep(x, y) to its left, rows from the top. The left strip is noise.
inline std::vector<int> randomDots(int width, int height, const SepField& sep, int colours, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, colours - 1);
    std::vector<int> dots(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        int* row = dots.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            const int s = sep(x, y);
            row[x] = x >= s ? row[x - s] : pick(random);
        }
    }
    return dots;
}

// Links every pixel's pair centred on it, its right end copying its left,
// over dots as they stand: as most programs draw.
inline void linkCentred(std::vector<int>& dots, int width, int height, const SepField& sep)
{
    for (int y = 0; y < height; ++y) {
        int* row = dots.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            const int s = sep(x, y);
            const int left = x - s / 2;
            if (left >= 0 && left + s < width)
                row[left + s] = row[left];
        }
    }
}

// Colour numbers of a random-dot stereogram drawn as most programs draw:
// each pixel's pair centred on it, its right end copying its left.
inline std::vector<int> centredDots(int width, int height, const SepField& sep, int colours, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, colours - 1);
    std::vector<int> dots(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int& d : dots)
        d = pick(random);
    linkCentred(dots, width, height, sep);
    return dots;
}

// Colour numbers of a pattern of flat patches, as a camouflage tile has
// them: each pixel takes the colour of the nearest of a few scattered
// centres, which tile with the pattern's width and height.
inline std::vector<int> patchTile(int width, int height, int patches, int colours, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<int> cx(static_cast<std::size_t>(patches)), cy(cx.size()), colour(cx.size());
    for (int i = 0; i < patches; ++i) {
        cx[static_cast<std::size_t>(i)] = static_cast<int>(random() % static_cast<unsigned>(width));
        cy[static_cast<std::size_t>(i)] = static_cast<int>(random() % static_cast<unsigned>(height));
        colour[static_cast<std::size_t>(i)] = i % colours;
    }
    std::vector<int> tile(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int nearest = 0;
            long best = -1;
            for (int i = 0; i < patches; ++i) {
                const int dx = std::min(std::abs(x - cx[static_cast<std::size_t>(i)]), width - std::abs(x - cx[static_cast<std::size_t>(i)]));
                const int dy = std::min(std::abs(y - cy[static_cast<std::size_t>(i)]), height - std::abs(y - cy[static_cast<std::size_t>(i)]));
                const long d = static_cast<long>(dx) * dx + static_cast<long>(dy) * dy;
                if (best < 0 || d < best) {
                    best = d;
                    nearest = i;
                }
            }
            tile[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                colour[static_cast<std::size_t>(nearest)];
        }
    }
    return tile;
}

// As centredDots, over the tile repeated across the picture in place of
// random dots.
inline std::vector<int> centredPattern(int width, int height, const SepField& sep, const std::vector<int>& tile,
                                       int tileWidth, int tileHeight)
{
    std::vector<int> dots(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dots[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                tile[static_cast<std::size_t>(y % tileHeight) * static_cast<std::size_t>(tileWidth) +
                     static_cast<std::size_t>(x % tileWidth)];
    linkCentred(dots, width, height, sep);
    return dots;
}

inline platform::PALETTEENTRY colourOf(int k)
{
    return {static_cast<std::uint8_t>(k * 53 % 256), static_cast<std::uint8_t>(k * 97 % 256),
            static_cast<std::uint8_t>(k * 29 % 256 + (k & 1)), 0};
}

struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;
};

inline Picture trueColour(const std::vector<int>& dots, int width, int height)
{
    Picture p;
    p.bitmap = platform::Bitmap::create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto c = colourOf(dots[static_cast<std::size_t>(y) * width + x]);
            p.bitmap->setPixel(x, height - 1 - y,
                               (std::uint32_t{c.peRed} << 16) | (std::uint32_t{c.peGreen} << 8) | c.peBlue);
        }
    return p;
}

// An 8-bit picture in which every colour has two palette entries and each
// pixel takes either at random: the indices do not repeat, the colours do.
inline Picture twinPalette(const std::vector<int>& dots, int width, int height, int colours)
{
    Picture p;
    std::vector<platform::PALETTEENTRY> entries(static_cast<std::size_t>(2 * colours));
    for (int k = 0; k < colours; ++k)
        entries[static_cast<std::size_t>(k)] = entries[static_cast<std::size_t>(k + colours)] = colourOf(k);
    p.palette = platform::Palette(entries);
    p.bitmap = platform::Bitmap::create(width, height, 8);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int k = dots[static_cast<std::size_t>(y) * width + x];
            p.bitmap->setPixel(x, height - 1 - y, static_cast<std::uint32_t>(k + colours * (random() & 1)));
        }
    return p;
}

// The separation field moved to the midpoints of its pairs: pixel x of the
// field pairs x − s with x, and the revealer reports that pair at
// x − ⌈s ÷ 2⌉. Where two pairs meet at one midpoint the nearer (smaller)
// separation is seen; midpoints of no pair stay 0.
inline std::vector<int> midpointField(int width, int height, const SepField& sep)
{
    std::vector<int> mid(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int s = sep(x, y);
            const int c = x - (s + 1) / 2;
            if (s <= 0 || x - s < 0 || c < 0)
                continue;
            int& at = mid[static_cast<std::size_t>(y) * width + c];
            if (at == 0 || s < at)
                at = s;
        }
    return mid;
}

// Correlation of the revealed separations with a field of true
// separations (given at the midpoints; 0 is left out).
inline double correlation(const engine::RevealResult& r, const std::vector<int>& truth)
{
    std::vector<double> a, b;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        if (truth[i] == 0)
            continue;
        a.push_back(r.separation[i]);
        b.push_back(truth[i]);
    }
    return a.size() > 100 ? pearson(a, b) : 0.0;
}


} // namespace reveal_fixtures
