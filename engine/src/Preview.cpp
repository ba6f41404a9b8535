#include "engine/Preview.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

// Quiet: the preview pane shows no progress and no message boxes; it asks
// only whether a newer snapshot waits.
class PreviewHost final : public GenerationHost {
public:
    PreviewHost(const PreviewRequest& request, const std::atomic<bool>& stop) : request_(request), stop_(stop) {}

    void progress(int, const ProgressRecord&) override {}
    PatternRef pattern() override
    {
        if (!request_.tile)
            return {};
        return {&*request_.tile, &request_.palette};
    }
    bool pumpMessages() override { return stop_.load(std::memory_order_relaxed); }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, Rgb) override {}
    void showError(std::string_view) override {}

private:
    const PreviewRequest& request_;
    const std::atomic<bool>& stop_;
};

} // namespace

void RasterMapSource::levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const
{
    if (n <= 0)
        return;
    const std::int32_t taken = (y >= 0 && y < levels_.height) ? std::clamp(levels_.width, 0, n) : 0;
    if (taken > 0)
        std::memcpy(out, levels_.row(y), static_cast<std::size_t>(taken) * sizeof(std::int32_t));
    std::fill(out + taken, out + n, 0);
}

PreviewRequest snapshotPreview(const depthmap::TMapDocument& map, const SirdsSettings& settings,
                               const PatternRef& pattern)
{
    PreviewRequest request;
    request.settings = settings;
    request.levels = map.Rasterise();
    if (pattern.tile && pattern.palette) {
        request.tile = *pattern.tile;
        request.palette = *pattern.palette;
    }
    return request;
}

GenerationResult makePreview(const PreviewRequest& request, const std::atomic<bool>& stop)
{
    PreviewHost host(request, stop);
    const RasterMapSource source(request.levels);
    DepthMapJob job;
    job.map = &source;
    job.title = "preview";
    // The preview already runs beside the editing thread; one thread keeps
    // the second core for the user.
    job.options.threads = 1;
    job.options.fit = request.fit;
    return makeFromDepthMap(request.settings, job, host);
}

} // namespace engine
