#include "engine/DepthFit.h"

#include "engine/DepthSampling.h"
#include "engine/Generation.h"

#include <algorithm>
#include <array>
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

// Marks the values a picture's rows give the depth lookup, as its
// stereogram samples them: palette indices, or for a 24-bit picture each
// pixel's brightness. Stops once every value is marked.
static std::array<bool, 256> usedValues(const platform::Bitmap& picture)
{
    std::array<bool, 256> used{};
    std::size_t marked = 0;
    const auto mark = [&](std::uint8_t v) {
        if (!used[v]) {
            used[v] = true;
            ++marked;
        }
    };
    const int width = picture.width();
    std::vector<std::uint8_t> values(picture.bitsPerPixel() == 24 ? static_cast<std::size_t>(width) : 0);
    for (int y = 0; y < picture.height() && marked < used.size(); ++y) {
        const std::uint8_t* row = picture.row(y);
        switch (picture.bitsPerPixel()) {
        case 8:
            for (int x = 0; x < width; ++x)
                mark(row[x]);
            break;
        case 24:
            brightnessRow(row, width, values.data());
            for (const std::uint8_t v : values)
                mark(v);
            break;
        default:
            for (int x = 0; x < width; ++x)
                mark(static_cast<std::uint8_t>(picture.pixel(x, y) & 0xFFu));
            break;
        }
    }
    return used;
}

DepthRange pictureDepthRange(const platform::Bitmap& picture, const platform::Palette* palette,
                             std::int32_t depthSel)
{
    std::array<std::int32_t, 256> lookup{};
    pictureDepthLookup(depthSel, picture, palette, lookup);
    const std::array<bool, 256> used = usedValues(picture);
    DepthRange range;
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
