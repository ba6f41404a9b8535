#include "ModelOptions.h"

#include "models/ModelImport.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace app {

const char* const kModelUsage =
    "\n"
    "3-D model (--model FILE: STL, OBJ, PLY, glTF 2.0 (.gltf, .glb), 3MF or OFF; the\n"
    "size is --width x --height; nearer is brighter, the model's turned bounding box\n"
    "spanning the depth from back to front):\n"
    "  --up x|y|z           the model's up axis (default z for STL and 3MF, else y)\n"
    "  --yaw A              turn A degrees about the up axis (the front moves right)\n"
    "  --pitch B            turn B degrees about the horizontal axis (the top comes nearer)\n"
    "  --roll C             turn C degrees about the view axis, counter-clockwise\n"
    "  --perspective FOV    a perspective camera of that vertical field of view\n"
    "                       (1 to 150 degrees; default orthographic)\n"
    "  --zoom Z             scale about the centre (0.1 to 20; default 1: the model\n"
    "                       fills the picture less a 5 % margin)\n"
    "  --model-depth F      the model spans the share F (0.1 to 1) of the depth from\n"
    "                       its front, in front of a far background\n";

const char* const kTurntableUsage =
    "  --frames N --yaw-step A [--pitch-step B]\n"
    "                       a turntable: frame k is turned k x A (and k x B) degrees more\n";

namespace {

std::optional<double> decimal(const std::string& value)
{
    double v = 0;
    const char* begin = value.data() + (value.starts_with('+') ? 1 : 0);
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || ptr != end || begin == end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

bool isModelOption(const std::string& option)
{
    for (const char* name : {"--up", "--yaw", "--pitch", "--roll", "--perspective", "--zoom", "--model-depth"})
        if (option == name)
            return true;
    return false;
}

std::string applyModelOption(models::Camera& camera, const std::string& option, const std::string& value)
{
    if (option == "--up") {
        camera.up = models::parseUpAxis(value);
        return camera.up ? std::string() : "--up must be x, y or z, not '" + value + "'";
    }
    const auto v = decimal(value);
    if (!v)
        return option + " takes a number, not '" + value + "'";
    if (option == "--yaw")
        camera.yaw = *v;
    else if (option == "--pitch")
        camera.pitch = *v;
    else if (option == "--roll")
        camera.roll = *v;
    else if (option == "--perspective")
        camera.fov = *v == 0 ? -1 : *v; // 0 is not a field of view
    else if (option == "--zoom")
        camera.zoom = *v;
    else if (option == "--model-depth")
        camera.modelDepth = *v;
    return models::checkCamera(camera);
}

std::optional<models::Mesh> readModel(const std::string& file, std::ostream& err)
{
    models::ImportResult r = models::importModel(file);
    if (!r.ok) {
        err << "dotscape: " << file << ": " << r.error << '\n';
        return std::nullopt;
    }
    return std::move(r.mesh);
}

} // namespace app
