#include "engine/DepthFit.h"

#include "engine/DepthSampling.h"
#include "engine/Generation.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace engine {

void DepthRange::add(std::int32_t level)
{
    if (empty) {
        lowest = highest = level;
        empty = false;
        return;
    }
    lowest = std::min(lowest, level);
    highest = std::max(highest, level);
}

// The values a picture's rows give the depth lookup, as its stereogram
// samples them: palette indices, or for a 24-bit picture each pixel's
// brightness. Each row goes to take(values, width).
template <class Take>
static void pictureValues(const platform::Bitmap& picture, Take&& take)
{
    const int width = picture.width();
    std::vector<std::uint8_t> values(picture.bitsPerPixel() == 8 ? 0 : static_cast<std::size_t>(width));
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* row = picture.row(y);
        switch (picture.bitsPerPixel()) {
        case 8:
            if (!take(row, width))
                return;
            continue;
        case 24:
            brightnessRow(row, width, values.data());
            break;
        default:
            for (int x = 0; x < width; ++x)
                values[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(picture.pixel(x, y) & 0xFFu);
            break;
        }
        if (!take(values.data(), width))
            return;
    }
}

bool orderedLookup(std::span<const std::int32_t, 256> lookup)
{
    return std::is_sorted(lookup.begin(), lookup.end()) || std::is_sorted(lookup.rbegin(), lookup.rend());
}

DepthRange pictureDepthRange(const platform::Bitmap& picture, const platform::Palette* palette,
                             std::int32_t depthSel)
{
    std::array<std::int32_t, 256> lookup{};
    pictureDepthLookup(depthSel, picture, palette, lookup);
    DepthRange range;
    if (orderedLookup(lookup)) {
        // An ordered lookup takes its extremes at the least and greatest
        // value, which a plain pass finds many values at a time.
        std::uint8_t lo = 255, hi = 0;
        pictureValues(picture, [&](const std::uint8_t* v, int n) {
            std::uint8_t rowLo = 255, rowHi = 0;
            for (int x = 0; x < n; ++x) {
                rowLo = std::min(rowLo, v[x]);
                rowHi = std::max(rowHi, v[x]);
            }
            lo = std::min(lo, rowLo);
            hi = std::max(hi, rowHi);
            return lo > 0 || hi < 255;
        });
        if (picture.width() > 0 && picture.height() > 0 && lo <= hi) {
            range.add(lookup[lo]);
            range.add(lookup[hi]);
        }
        return range;
    }
    // Any other: every value used, up to all 256 of them.
    std::array<bool, 256> used{};
    std::size_t marked = 0;
    pictureValues(picture, [&](const std::uint8_t* v, int n) {
        for (int x = 0; x < n; ++x) {
            if (!used[v[x]]) {
                used[v[x]] = true;
                ++marked;
            }
        }
        return marked < used.size();
    });
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i])
            range.add(lookup[i]);
    return range;
}

DepthRange mapDepthRange(const DepthMapSource& map)
{
    DepthRange range;
    const std::int32_t w = map.width();
    if (w <= 0)
        return range;
    std::vector<std::int32_t> row(static_cast<std::size_t>(w));
    for (std::int32_t y = 0; y < map.height(); ++y) {
        map.levelRow(y, row.data(), w);
        const auto [lo, hi] = std::minmax_element(row.begin(), row.end());
        range.add(*lo);
        range.add(*hi);
    }
    return range;
}

DepthFit::DepthFit(DepthRange from, std::int32_t zmin, std::int32_t zmax)
    : lo_(from.empty ? 0 : from.lowest), hi_(from.empty ? 0 : from.highest), zmin_(zmin), zmax_(zmax)
{
}

std::int32_t DepthFit::operator()(std::int32_t level) const
{
    if (hi_ <= lo_)
        return zmin_;
    const std::int64_t v = std::clamp(level, lo_, hi_);
    const std::int64_t span = static_cast<std::int64_t>(hi_) - lo_;
    const std::int64_t target = static_cast<std::int64_t>(zmax_) - zmin_;
    return static_cast<std::int32_t>(zmin_ + (v - lo_) * target / span);
}

void DepthFit::apply(std::int32_t* row, std::int32_t n) const
{
    for (std::int32_t i = 0; i < n; ++i)
        row[i] = (*this)(row[i]);
}

} // namespace engine
