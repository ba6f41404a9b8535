#pragma once
// Fitting a source's depth to the depth resolution. An ordinary grey
// picture uses levels 0 to 255 while Zmax is usually 63, and levels beyond
// Zmax give streaks instead of a shape. Fitting scales the levels a source
// actually uses, lowest to highest, onto Zmin .. Zmax; it is a transform of
// each sampled depth row, applied after sampling and before shifting, so a
// generation without it is unchanged.

#include "engine/SirdsSettings.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

namespace engine {

class DepthMapSource;

// The lowest and highest depth a source gives; empty for a source without
// pixels.
struct DepthRange {
    std::int32_t lowest = 0;
    std::int32_t highest = 0;
    bool empty = true;

    void add(std::int32_t level);
    // True when some level lies above zmax: the stereogram would show it as
    // streaks.
    bool beyond(std::int32_t zmax) const { return !empty && highest > zmax; }
};

// The values (0 to 255) a picture's rows hold, gathered from any number of
// threads at once, and the depths they give through a depth lookup: only
// their least and greatest where the lookup rises or falls all the way,
// every value used for any other.
class SampledValues {
public:
    explicit SampledValues(std::span<const std::int32_t, 256> lookup);
    void take(const std::uint8_t* values, std::int32_t n);
    // True once more values can no longer change the range.
    bool complete() const;
    DepthRange range() const;

private:
    std::span<const std::int32_t, 256> lookup_;
    bool ordered_;
    std::atomic<std::uint32_t> lowest_{255};
    std::atomic<std::uint32_t> highest_{0};
    std::atomic<bool> any_{false};
    std::array<std::atomic<std::uint64_t>, 4> used_{};
};

// The depths a picture gives as its stereogram samples them with depthSel
// (by colour index or by the palette entry's brightness; a 24-bit picture
// by each pixel's brightness, whatever its palette).
DepthRange pictureDepthRange(const platform::Bitmap& picture, const platform::Palette* palette,
                             std::int32_t depthSel);
// The levels of a depth map, background (0) included where it shows.
DepthRange mapDepthRange(const DepthMapSource& map);

// from.lowest becomes zmin, from.highest becomes zmax, levels between are
// scaled in proportion (rounded down) and levels outside from are clamped
// to its ends first, so columns outside the source (level 0) never fall
// below zmin. A source of one level becomes zmin throughout.
class DepthFit {
public:
    DepthFit(DepthRange from, std::int32_t zmin, std::int32_t zmax);
    std::int32_t operator()(std::int32_t level) const;
    void apply(std::int32_t* row, std::int32_t n) const;

private:
    std::int32_t lo_;
    std::int32_t hi_;
    std::int32_t zmin_;
    std::int32_t zmax_;
};

} // namespace engine
