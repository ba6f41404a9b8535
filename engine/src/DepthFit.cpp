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

static bool ordered(std::span<const std::int32_t, 256> lookup)
{
    return std::is_sorted(lookup.begin(), lookup.end()) || std::is_sorted(lookup.rbegin(), lookup.rend());
}

SampledValues::SampledValues(std::span<const std::int32_t, 256> lookup) : lookup_(lookup), ordered_(ordered(lookup)) {}

void SampledValues::take(const std::uint8_t* values, std::int32_t n)
{
    if (n <= 0)
        return;
    any_.store(true, std::memory_order_relaxed);
    if (ordered_) {
        // An ordered lookup takes its extremes at the least and greatest
        // value, which a plain pass finds many values at a time.
        std::uint8_t lo = 255, hi = 0;
        for (std::int32_t x = 0; x < n; ++x) {
            lo = std::min(lo, values[x]);
            hi = std::max(hi, values[x]);
        }
        // One exchange a row at most, and none once the row adds nothing.
        for (std::uint32_t was = lowest_.load(std::memory_order_relaxed);
             lo < was && !lowest_.compare_exchange_weak(was, lo, std::memory_order_relaxed);)
            ;
        for (std::uint32_t was = highest_.load(std::memory_order_relaxed);
             hi > was && !highest_.compare_exchange_weak(was, hi, std::memory_order_relaxed);)
            ;
        return;
    }
    std::array<std::uint64_t, 4> used{};
    for (std::int32_t x = 0; x < n; ++x)
        used[values[x] >> 6] |= std::uint64_t{1} << (values[x] & 63);
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i] & ~used_[i].load(std::memory_order_relaxed))
            used_[i].fetch_or(used[i], std::memory_order_relaxed);
}

bool SampledValues::complete() const
{
    if (ordered_)
        return lowest_.load(std::memory_order_relaxed) == 0 && highest_.load(std::memory_order_relaxed) == 255;
    return std::all_of(used_.begin(), used_.end(), [](const auto& word) { return ~word.load(std::memory_order_relaxed) == 0; });
}

DepthRange SampledValues::range() const
{
    DepthRange range;
    if (!any_.load())
        return range;
    if (ordered_) {
        range.add(lookup_[lowest_.load()]);
        range.add(lookup_[highest_.load()]);
        return range;
    }
    for (std::size_t v = 0; v < lookup_.size(); ++v)
        if (used_[v >> 6].load() >> (v & 63) & 1)
            range.add(lookup_[v]);
    return range;
}

DepthRange pictureDepthRange(const platform::Bitmap& picture, const platform::Palette* palette,
                             std::int32_t depthSel)
{
    std::array<std::int32_t, 256> lookup{};
    pictureDepthLookup(depthSel, picture, palette, lookup);
    SampledValues seen(lookup);
    pictureValues(picture, [&](const std::uint8_t* v, int n) {
        seen.take(v, n);
        return !seen.complete();
    });
    return seen.range();
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
