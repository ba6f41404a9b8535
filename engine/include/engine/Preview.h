#pragma once
// The live preview of a depth map: a snapshot of the map's levels, the
// settings and the pattern, taken on the editing thread, made into a
// stereogram on another thread while the user goes on editing.

#include "depthmap/TMapDocument.h"
#include "engine/DepthFit.h"
#include "engine/Generation.h"
#include "engine/SirdsSettings.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <atomic>
#include <memory>
#include <optional>

namespace engine {

// The levels of a map, copied: the depth map source of a snapshot.
class RasterMapSource final : public DepthMapSource {
public:
    explicit RasterMapSource(const depthmap::LevelRaster& levels) : levels_(levels) {}
    std::int32_t width() const override { return levels_.width; }
    std::int32_t height() const override { return levels_.height; }
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override;

private:
    const depthmap::LevelRaster& levels_;
};

struct PreviewRequest {
    SirdsSettings settings;
    depthmap::LevelRaster levels;
    // Copies of the current pattern; without a tile the preview is refused
    // as a generation without a pattern is.
    std::optional<platform::Bitmap> tile;
    platform::Palette palette;
    // Depth beyond Zmax fitted to Zmin..Zmax, as a stereogram made with it.
    std::optional<DepthFit> fit;
};

// Copies what a preview needs, so the map, the settings and the pattern may
// change as soon as this returns.
PreviewRequest snapshotPreview(const depthmap::TMapDocument& map, const SirdsSettings& settings,
                               const PatternRef& pattern);

// The stereogram of a snapshot, made on the calling thread alone with no
// progress reports and no messages; Stopped as soon as `stop` turns true.
GenerationResult makePreview(const PreviewRequest& request, const std::atomic<bool>& stop);

} // namespace engine
