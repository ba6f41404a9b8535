#include "engine/ModelGeneration.h"

#include "platform/Messages.h"

#include <algorithm>
#include <new>
#include <vector>

namespace engine {

ModelPicture modelPicture(platform::Grey16Image depth)
{
    ModelPicture out;
    std::vector<platform::PALETTEENTRY> greys(256);
    for (int i = 0; i < 256; ++i)
        greys[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                              static_cast<std::uint8_t>(i), 0};
    out.greys = platform::Palette(greys);
    out.levels = platform::Bitmap::create(depth.width, depth.height, 8);
    if (!out.levels)
        return out;
    for (int y = 0; y < depth.height; ++y) {
        std::uint8_t* row = out.levels->rowFromTop(y);
        for (int x = 0; x < depth.width; ++x)
            row[x] = models::level8(depth.at(x, y));
    }
    out.depth = std::move(depth);
    return out;
}

ModelPicture modelPicture(const models::Mesh& mesh, const models::Camera& camera, int width, int height,
                          const models::RenderOptions& render)
{
    if (width < 1 || height < 1 || std::int64_t{width} * height > platform::Bitmap::kMaxPixels)
        return {};
    return modelPicture(models::renderDepth(mesh, camera, width, height, render));
}

GenerationResult makeFromModel(const SirdsSettings& settings, const ModelJob& job, GenerationHost& host)
{
    if (!job.mesh) {
        GenerationResult r;
        r.error = std::string(kNoPictureMessage);
        host.showError(r.error);
        return r;
    }
    ModelPicture picture;
    try {
        picture = modelPicture(*job.mesh, job.camera, settings.w, settings.h);
    } catch (const std::bad_alloc&) {
    }
    if (!picture.levels) {
        GenerationResult r;
        r.error = std::string(kNoMemoryMessage);
        host.showError(r.error);
        return r;
    }
    SirdsSettings s = settings;
    s.DepthSel = ByBrightness;
    PictureJob pj;
    pj.picture = picture.levels.get();
    pj.palette = &picture.greys;
    pj.depth16 = &picture.depth;
    pj.title = job.title;
    pj.options = job.options;
    return makeFromPicture(s, pj, host);
}

PreviewRequest snapshotModelPreview(const models::Mesh& mesh, const models::Camera& camera,
                                    const SirdsSettings& settings, const PatternRef& pattern, bool fitDepth)
{
    PreviewRequest request;
    request.settings = settings;
    if (pattern.tile && pattern.palette) {
        request.tile = *pattern.tile;
        request.palette = *pattern.palette;
    }
    if (settings.w < 1 || settings.h < 1 || std::int64_t{settings.w} * settings.h > platform::Bitmap::kMaxPixels)
        return request;
    const platform::Grey16Image depth = models::renderDepth(mesh, camera, settings.w, settings.h);
    request.levels.width = depth.width;
    request.levels.height = depth.height;
    request.levels.levels.resize(depth.samples.size());
    std::ranges::transform(depth.samples, request.levels.levels.begin(),
                           [](std::uint16_t d) { return std::int32_t{models::level8(d)}; });
    if (fitDepth) {
        DepthRange range;
        for (const std::int32_t level : request.levels.levels)
            range.add(level);
        if (range.beyond(settings.zmax))
            request.fit.emplace(range, settings.zmin, settings.zmax);
    }
    return request;
}

} // namespace engine
