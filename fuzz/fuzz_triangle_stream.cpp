// The importer's triangle stream: the reader, then the rasteriser over what
// it accepted (any finite coordinates at all) at a small size.
#include "models/Rasteriser.h"
#include "models/TriangleStream.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const models::StreamResult r = models::readTriangleStream(std::span<const std::uint8_t>(data, size));
    if (!r.ok) {
        if (!r.error.starts_with(models::kModelRefusal))
            __builtin_trap(); // every refusal says why
        return 0;
    }
    // What was accepted writes back as the same bytes.
    const std::vector<std::uint8_t> again = models::writeTriangleStream(r.mesh);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data))
        __builtin_trap();
    models::Camera camera;
    camera.yaw = data[size / 2] * 1.5;
    camera.fov = data[size - 5] % 3 ? 0 : 40;
    const platform::Grey16Image depth = models::renderDepth(r.mesh, camera, 17, 13);
    if (depth.samples.size() != 17u * 13u)
        __builtin_trap();
    return 0;
}
