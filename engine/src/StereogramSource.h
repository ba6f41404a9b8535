#pragma once
// A source of depth as the generation driver sees it: what it checks, the
// size it makes and the row sampler that reads it. Everything else is the
// driver's and the same for every source: the pattern and the gap are
// checked, the palette, the image and its tiles or dots are made, the rows
// are scanned in bands (classic table or hidden-surface pass), then the
// markers and caption finish the picture. A new source of depth (a model, a
// picture sequence) is one StereogramSource and one RowSampler.

#include "engine/DepthSampling.h"
#include "engine/Generation.h"
#include "engine/ScanMethods.h"

#include "RowSamplers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

class HiddenSurfacePass;

// The size of one make: every row is worked at work columns (the picture
// plus the strip the classic methods cut off) and finished at width.
struct MakeSize {
    std::int32_t work = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t gap = 0; // in pixels of the made picture
};

// A size that can be made, or the size named in the refusal.
struct Sizing {
    std::optional<MakeSize> size;
    std::int64_t askedWidth = 0;
    std::int64_t askedHeight = 0;
};

// When the host is first told the make is busy.
enum class BusyFrom {
    Start,     // before anything is checked: refusals show in the busy state
    Sized,     // once the size is known to be usable
    Allocated, // once the image is allocated
};

class StereogramSource {
public:
    virtual ~StereogramSource() = default;

    // Why there is nothing to make a stereogram from, checked before the
    // pattern; empty when there is something.
    virtual std::string_view missing() const { return {}; }
    // A library the source needs and lacks, checked after the pattern.
    virtual std::string_view unavailable() const { return {}; }
    // An open picture the stereogram is drawn over (any depth, its pixels
    // taken as the palette's nearest entries) instead of pattern tiles;
    // null for none. Its size is the stereogram's.
    virtual const platform::Bitmap* drawOver() const { return nullptr; }
    // The size for settings whose gap is at least 1.
    virtual Sizing size(const SirdsSettings& s) const = 0;
    // How depth values scale into separations with the classic methods.
    virtual DepthScale scale() const = 0;
    // The sampler of this source's rows at size.
    virtual std::unique_ptr<RowSampler> sampler(const SirdsSettings& s, const MakeSize& size) const = 0;
    // Gives the hidden-surface pass what only this source has.
    virtual void prepareHidden(const SirdsSettings&, HiddenSurfacePass&) const {}
    // Worker threads for the band loop.
    virtual GenerationOptions options(bool hiddenSurface) const = 0;
    // The finished stereogram's title.
    virtual std::string title() const = 0;
    // The caption text drawn at the bottom left; none when empty.
    virtual std::optional<std::string> caption() const { return std::nullopt; }

    // How the host sees the make.
    virtual BusyFrom busyFrom() const { return BusyFrom::Allocated; }
    virtual bool refreshesStatus() const { return true; }
    virtual bool beepsWhenStopped() const { return false; }
};

// Makes the stereogram of source under settings, reporting to host. Never
// throws: running out of memory is a refusal like any other.
GenerationResult generate(const SirdsSettings& settings, const StereogramSource& source, GenerationHost& host);

} // namespace engine
