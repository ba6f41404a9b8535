#include "engine/ScanMethods.h"

#include "engine/SirdsSettings.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Depth pictures run in spans of one level. Where a link of one length
// carries on for the next kRun pixels, those pixels copy a whole block at
// once; the block and its source never overlap, since the links are at
// least kRun long, so the row comes out as it does pixel by pixel. Where
// the span turns out shorter, no block is tried again before the next span
// begins: rows of short spans cost one test per span, not per pixel.
constexpr std::int64_t kRun = 8;

// Four bits for each of eight depths from `first` that equals value, the
// first depth's the lowest.
inline std::uint32_t equalMask(const std::int32_t* first, std::int32_t value)
{
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi32(value);
    const auto low = static_cast<std::uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first)), v)));
    const auto high = static_cast<std::uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 4)), v)));
    return low | high << 16;
#else
    std::uint32_t mask = 0;
    for (int k = 0; k < 8; ++k)
        mask |= first[k] == value ? 0xFu << (4 * k) : 0u;
    return mask;
#endif
}
static_assert(kRun == 8);

// How many of depth[1], depth[2], ... (ahead) or depth[-1], depth[-2], ...
// (behind) equal depth[0] before the first that does not; kRun when all
// kRun of them do.
inline std::int64_t sameAhead(const std::int32_t* depth)
{
    const std::uint32_t differ = ~equalMask(depth + 1, depth[0]);
    return differ == 0 ? kRun : __builtin_ctz(differ) / 4;
}

inline std::int64_t sameBehind(const std::int32_t* depth)
{
    const std::uint32_t differ = ~equalMask(depth - kRun, depth[0]);
    return differ == 0 ? kRun : __builtin_clz(differ) / 4;
}

template <class Pixel>
inline void copyRun(Pixel* row, std::int64_t to, std::int64_t from)
{
    std::memcpy(row + to, row + from, kRun * sizeof(Pixel));
}

// From pixel x, whose link has just been made from `from` to `to` (a fixed
// distance apart), copies whole blocks forwards while the depth stays and
// the larger of to and from, plus a block, stays inside the row. Moves x,
// to and from to the last pixel copied; next becomes the first pixel a
// block may be tried at again.
template <class Pixel>
inline void blocksAhead(Pixel* row, const std::int32_t* depth, std::int64_t width, std::int64_t& x,
                        std::int64_t& to, std::int64_t& from, std::int64_t& next)
{
    const std::int64_t lead = std::max(to, from) - x;
    while (x + lead + kRun < width) {
        const std::int64_t n = sameAhead(depth + x);
        if (n < kRun) {
            next = x + 1 + n;
            return;
        }
        copyRun(row, to + 1, from + 1);
        x += kRun;
        to += kRun;
        from += kRun;
    }
    next = width;
}

// The same backwards, while the smaller of to and from stays at or past a
// block from the row's start; next becomes the pixel below which a block may
// be tried again.
template <class Pixel>
inline void blocksBehind(Pixel* row, const std::int32_t* depth, std::int64_t& x, std::int64_t& to,
                         std::int64_t& from, std::int64_t& next)
{
    const std::int64_t lead = x - std::min(to, from);
    while (x - lead >= kRun) {
        const std::int64_t n = sameBehind(depth + x);
        if (n < kRun) {
            next = x - 1 - n;
            return;
        }
        copyRun(row, to - kRun, from - kRun);
        x -= kRun;
        to -= kRun;
        from -= kRun;
    }
    next = -1;
}

template <class Pixel>
void leftToRight(Pixel* row, const std::int32_t* depth, const ScanTable& table)
{
    const std::int64_t width = table.width();
    const bool fresh = table.params().freshFill;
    std::int64_t lastSource = -1;
    std::int64_t next = 0;
    for (std::int64_t x = std::max(table.params().gap, 0); x < width; ++x) {
        std::int64_t src = x - table.value(depth[x]);
        // A source that does not move on pairs this pixel with a pixel of
        // the other eye's that is paired already: this one only one eye sees.
        if (fresh && src <= lastSource)
            continue;
        if (src >= 0 && src < width) {
            row[x] = row[src];
            if (x >= next && x - src >= kRun) {
                std::int64_t to = x;
                blocksAhead(row, depth, width, x, to, src, next);
            }
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
    std::int64_t next = mid - 1;
    for (std::int64_t x = mid - 1; x >= 0; --x) {
        std::int64_t t = x - g + table.value(depth[x]);
        if (t < 0 || t >= limit)
            continue;
        const Pixel v = row[x];
        row[t] = v;
        for (std::int64_t p = t + 1; p < prev && !fresh; ++p)
            row[p] = v;
        if (x <= next && x - t >= kRun) {
            std::int64_t from = x;
            blocksBehind(row, depth, x, t, from, next);
        }
        limit = t;
        prev = t;
    }

    // Right half: each pixel copies its link target while the targets
    // advance, otherwise repeats its left neighbour.
    std::int64_t last = 0;
    next = mid;
    for (std::int64_t x = mid; x < width; ++x) {
        std::int64_t t = x - g + table.value(depth[x]);
        if (t < 0)
            continue;
        if (t > last && t < width) {
            row[x] = row[t];
            if (x >= next && x - t >= kRun) {
                std::int64_t to = x;
                blocksAhead(row, depth, width, x, to, t, next);
            }
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
    std::int64_t next = mid - 1;
    for (std::int64_t x = mid - 1; x >= 0; --x) {
        const std::int64_t s = table.value(depth[x]);
        std::int64_t l = x - (s >> 1);
        std::int64_t r = l + s;
        if (l < 0 || l >= width || r < 0 || r >= width || r >= limit)
            continue;
        const Pixel v = row[r];
        row[l] = v;
        for (std::int64_t p = l + 1; p < prevL && !fresh; ++p)
            row[p] = v;
        if (x <= next && s >= kRun)
            blocksBehind(row, depth, x, l, r, next);
        limit = r;
        prevL = l;
    }

    std::int64_t lastL = 0;
    std::int64_t prevR = width;
    next = mid;
    for (std::int64_t x = mid; x < width; ++x) {
        const std::int64_t s = table.value(depth[x]);
        std::int64_t l = x - (s >> 1);
        std::int64_t r = l + s;
        if (l < 0 || l >= width || r < 0 || r >= width || l <= lastL)
            continue;
        const Pixel v = row[l];
        row[r] = v;
        for (std::int64_t p = prevR + 1; p < r && !fresh; ++p)
            row[p] = v;
        if (x >= next && s >= kRun)
            blocksAhead(row, depth, width, x, r, l, next);
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
