#pragma once
// Row samplers: the one part of a make that differs between sources of
// depth. A sampler fills the depth row of one image row; the generation
// driver does everything around it (pattern, palette, tiles, scan table,
// the band loop and the finish), so a new source of depth is one sampler
// and one StereogramSource (StereogramSource.h).

#include "engine/DepthSampling.h"
#include "engine/Generation.h"

#include "platform/Bitmap.h"
#include "platform/NearestColour.h"
#include "platform/Palette.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace engine {

// Fills the depth row of one image row (r counted from the bottom). sample
// may run on several threads at once, each with its own rows.
class RowSampler {
public:
    virtual ~RowSampler() = default;
    // Entries each worker's depth row must hold.
    virtual std::int32_t depthSize() const = 0;
    // Scratch entries each worker needs beside its depth row.
    virtual std::int32_t scratchSize() const { return 0; }
    virtual void sample(std::int32_t r, std::int32_t* depth, std::int32_t* scratch) const = 0;
};

// Row y (from the bottom) of a picture of any depth as 8-bit indices; 24-bit
// colours become the nearest entries of palette (entry 0 without one).
void indexRow(const platform::Bitmap& picture, int y, const platform::Palette* palette, std::uint8_t* dst,
              const platform::NearestColour* quick = nullptr);

// An 8-bit copy of a picture of any depth, converted as indexRow does.
std::unique_ptr<platform::Bitmap> indexedCopy(const platform::Bitmap& picture, const platform::Palette* palette);

// Samples a picture of any depth: 8-bit rows directly, others through one
// row of indices (of brightness values for a true-colour picture, which
// lookup then takes as they are) in the worker's scratch, so no indexed copy of the whole
// picture is made. A picture shown zoomed is scaled row by row as it is
// sampled (nearest pixel: scaled column i shows column trunc(i ÷ zoom), row
// y from the top row trunc(y ÷ zoom)), so no scaled copy is made either and
// the work goes on under the progress reports.
class PictureSampler final : public RowSampler {
public:
    // seen, when set, takes the values of every row sampled.
    PictureSampler(const platform::Bitmap& source, const platform::Palette* palette, SampleLayout layout,
                   std::span<const std::int32_t, 256> lookup, double zoom, std::int32_t height,
                   SampledValues* seen = nullptr);
    std::int32_t depthSize() const override { return layout_.n; }
    std::int32_t scratchSize() const override;
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t* scratch) const override;

private:
    static std::int32_t words(std::int32_t bytes) { return (bytes + 3) / 4; }
    std::int32_t indexWords() const { return source_.bitsPerPixel() == 8 ? 0 : words(source_.width()); }

    const platform::Bitmap& source_;
    const platform::Palette* palette_;
    SampleLayout layout_;
    std::span<const std::int32_t, 256> lookup_;
    double zoom_;
    std::int32_t height_;
    std::vector<std::int32_t> columns_;
    SampledValues* seen_;
};

// Samples a depth map through its level rows.
class MapSampler final : public RowSampler {
public:
    MapSampler(const DepthMapSource& map, SampleLayout layout, std::int32_t height);
    std::int32_t depthSize() const override { return layout_.n; }
    std::int32_t scratchSize() const override { return std::max(columns_, 1); }
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t* levels) const override;

private:
    const DepthMapSource& map_;
    SampleLayout layout_; // sourceWidth: the columns the map is asked for
    std::int32_t height_;
    std::int32_t columns_;
};

// Samples a math figure through its level query.
class FigureSampler final : public RowSampler {
public:
    explicit FigureSampler(const FigureSampling& figure) : figure_(figure) {}
    std::int32_t depthSize() const override { return figure_.width; }
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t*) const override;

private:
    FigureSampling figure_;
};

} // namespace engine
