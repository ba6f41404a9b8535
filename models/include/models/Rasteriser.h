#pragma once
// The z-buffer: a model's depth as a 16-bit grey picture, nearer brighter.
// Triangles are sampled at pixel centres with the top-left fill rule, so two
// triangles sharing an edge cover every pixel along it exactly once. Vertex
// positions are snapped to 1/256 of a pixel and the edge tests are exact
// integer arithmetic. Depth is interpolated exactly across each triangle:
// linearly in the picture under an orthographic camera, and through the
// reciprocal of the distance (perspective-correct) under a perspective one.
// The model spans 1 (the back of its turned bounding box) to 65535 (its
// front); where no triangle lies the depth is 0. Rows are shared between
// threads; the picture is the same whatever their number.

#include "models/Camera.h"
#include "models/Mesh.h"

#include "platform/Grey16.h"

#include <cstdint>
#include <vector>

namespace models {

struct RenderOptions {
    int threads = 0; // 0: two for pictures of 64 K pixels or more, else one
};

// Width and height from 1 to 16384.
platform::Grey16Image renderDepth(const Mesh& mesh, const Camera& camera, int width, int height,
                                  const RenderOptions& options = {});

// How many triangles cover each pixel centre (rows from the top): the fill
// rule made visible.
std::vector<std::uint16_t> coverageCounts(const Mesh& mesh, const Camera& camera, int width, int height);

// The 8-bit level of a 16-bit depth, as the classic scan methods take it.
inline std::uint8_t level8(std::uint16_t depth) { return static_cast<std::uint8_t>((depth * 255u + 32767u) / 65535u); }

} // namespace models
