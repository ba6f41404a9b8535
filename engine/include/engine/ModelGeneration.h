#pragma once
// Stereograms of 3-D models. The model's depth (models::renderDepth) becomes
// a 16-bit grey picture that the picture source takes by brightness: the
// classic scan methods see each pixel's 8-bit level round(depth ÷ 257), the
// hidden-surface method all 16 bits. A model's stereogram is therefore the
// same picture as the stereogram of its depth saved as a 16-bit grey PNG and
// made "by brightness".

#include "engine/Generation.h"
#include "engine/Preview.h"

#include "models/Camera.h"
#include "models/Mesh.h"
#include "models/Rasteriser.h"

#include <memory>

namespace engine {

struct ModelPicture {
    std::unique_ptr<platform::Bitmap> levels; // 8-bit, index = level8(depth)
    platform::Palette greys;                  // 256 greys, entry i = (i, i, i)
    platform::Grey16Image depth;
};

// Null levels when the picture cannot be made (size or memory).
ModelPicture modelPicture(const models::Mesh& mesh, const models::Camera& camera, int width, int height,
                          const models::RenderOptions& render = {});
// The same from a depth already rendered.
ModelPicture modelPicture(platform::Grey16Image depth);

struct ModelJob {
    const models::Mesh* mesh = nullptr;
    models::Camera camera{};
    std::string_view title;
    GenerationOptions options{};
};

// A stereogram of settings.w × settings.h from the model as the camera sees it.
GenerationResult makeFromModel(const SirdsSettings& settings, const ModelJob& job, GenerationHost& host);

// The live preview's snapshot of a model: its depth at the settings' size,
// taken as 8-bit levels (the preview is made as a depth map's is); fitDepth
// fits levels beyond Zmax to Zmin..Zmax as Make SIRDS does when asked to.
PreviewRequest snapshotModelPreview(const models::Mesh& mesh, const models::Camera& camera,
                                    const SirdsSettings& settings, const PatternRef& pattern,
                                    bool fitDepth = false);

} // namespace engine
