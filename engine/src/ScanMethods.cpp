#include "engine/ScanMethods.h"

#include "engine/SirdsSettings.h"

#include <algorithm>
#include <limits>

namespace engine {

static std::int32_t saturate(__int128 value)
{
    constexpr __int128 kLow = std::numeric_limits<std::int32_t>::min();
    constexpr __int128 kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, kLow, kHigh));
}

// Division truncating toward zero, as the program's integers divide.
static __int128 quotient(__int128 a, __int128 b)
{
    return a / b;
}

ScanTable::ScanTable(const ScanParams& params, std::int32_t width) : params_(params), width_(std::max(width, 0))
{
    for (std::int32_t i = 0; i < kSize; ++i)
        table_[static_cast<std::size_t>(i)] = compute(kLowest + i);
}

std::int32_t ScanTable::compute(std::int32_t depth) const
{
    const __int128 g = params_.gap;
    const __int128 zmin = params_.zmin;
    const __int128 d = static_cast<__int128>(params_.zmax) - zmin;
    switch (params_.method) {
    case LeftToRight:
        // A zero depth range counts as flat: the plain gap.
        if (d == 0)
            return saturate(g);
        return saturate(g - quotient(static_cast<__int128>(depth) * params_.scale.F, d));
    case McMahon:
        if (d == 0)
            return 0;
        return saturate(quotient((depth - zmin) * (params_.gap / 2), d));
    case Feucht: {
        const __int128 e = (static_cast<__int128>(width_) * 5) / 20;
        const __int128 nearPlane = 2 * d + zmin;
        const __int128 farPlane = 4 * d + zmin;
        const __int128 z = static_cast<__int128>(params_.scale.k) * depth;
        if (z == farPlane)
            return 0;
        return saturate(quotient((nearPlane - z) * e, farPlane - z));
    }
    default:
        return 0;
    }
}

namespace {

template <class Pixel>
void leftToRight(Pixel* row, const std::int32_t* depth, const ScanTable& table)
{
    const std::int64_t width = table.width();
    const bool fresh = table.params().freshFill;
    std::int64_t lastSource = -1;
    for (std::int64_t x = std::max(table.params().gap, 0); x < width; ++x) {
        std::int64_t src = x - table.value(depth[x]);
        // A source that does not move on pairs this pixel with a pixel of
        // the other eye's that is paired already: this one only one eye sees.
        if (fresh && src <= lastSource)
            continue;
        if (src >= 0 && src < width) {
            row[x] = row[src];
            lastSource = src;
        }
    }
}

template <class Pixel>
void mcMahon(Pixel* row, const std::int32_t* depth, const ScanTable& table)
{
    const std::int64_t width = table.width();
    const std::int64_t g = table.params().gap;
    const std::int64_t mid = width / 2;
    const bool fresh = table.params().freshFill;

    // Left half, from the centre outwards: accepted targets move strictly
    // leftwards, and the positions they jump over repeat the new target.
    std::int64_t limit = width;
    std::int64_t prev = 0;
    for (std::int64_t x = mid - 1; x >= 0; --x) {
        std::int64_t t = x - g + table.value(depth[x]);
        if (t < 0 || t >= limit)
            continue;
        const Pixel v = row[x];
        row[t] = v;
        for (std::int64_t p = t + 1; p < prev && !fresh; ++p)
            row[p] = v;
        limit = t;
        prev = t;
    }

    // Right half: each pixel copies its link target while the targets
    // advance, otherwise repeats its left neighbour.
    std::int64_t last = 0;
    for (std::int64_t x = mid; x < width; ++x) {
        std::int64_t t = x - g + table.value(depth[x]);
        if (t < 0)
            continue;
        if (t > last && t < width) {
            row[x] = row[t];
            last = t;
        } else if (x > 0 && !fresh) {
            row[x] = row[x - 1];
        }
    }
}

// A pair width below zero puts L right of R; near the right edge L can then
// lie beyond the row while R is inside it. Such a pair is skipped like every
// other link that leaves the row.
template <class Pixel>
void feucht(Pixel* row, const std::int32_t* depth, const ScanTable& table)
{
    const std::int64_t width = table.width();
    const std::int64_t mid = width / 2;
    const bool fresh = table.params().freshFill;

    std::int64_t limit = width;
    std::int64_t prevL = 0;
    for (std::int64_t x = mid - 1; x >= 0; --x) {
        const std::int64_t s = table.value(depth[x]);
        const std::int64_t l = x - (s >> 1);
        const std::int64_t r = l + s;
        if (l < 0 || l >= width || r < 0 || r >= width || r >= limit)
            continue;
        const Pixel v = row[r];
        row[l] = v;
        for (std::int64_t p = l + 1; p < prevL && !fresh; ++p)
            row[p] = v;
        limit = r;
        prevL = l;
    }

    std::int64_t lastL = 0;
    std::int64_t prevR = width;
    for (std::int64_t x = mid; x < width; ++x) {
        const std::int64_t s = table.value(depth[x]);
        const std::int64_t l = x - (s >> 1);
        const std::int64_t r = l + s;
        if (l < 0 || l >= width || r < 0 || r >= width || l <= lastL)
            continue;
        const Pixel v = row[l];
        row[r] = v;
        for (std::int64_t p = prevR + 1; p < r && !fresh; ++p)
            row[p] = v;
        lastL = l;
        prevR = r;
    }
}

template <class Pixel>
void shiftAny(Pixel* row, const std::int32_t* depth, const ScanTable& table)
{
    switch (table.params().method) {
    case LeftToRight:
        leftToRight(row, depth, table);
        break;
    case McMahon:
        mcMahon(row, depth, table);
        break;
    case Feucht:
        feucht(row, depth, table);
        break;
    default:
        break;
    }
}

} // namespace

void shiftLeftToRight(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table)
{
    leftToRight(row, depth, table);
}

void shiftMcMahon(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table)
{
    mcMahon(row, depth, table);
}

void shiftFeucht(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table)
{
    feucht(row, depth, table);
}

void shiftRow(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table)
{
    shiftAny(row, depth, table);
}

void shiftRow(std::uint32_t* row, const std::int32_t* depth, const ScanTable& table)
{
    shiftAny(row, depth, table);
}

} // namespace engine
