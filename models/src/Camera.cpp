#include "models/Camera.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace models {

namespace {

Matrix3 multiply(const Matrix3& a, const Matrix3& b)
{
    Matrix3 m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
    return m;
}

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Right-handed rotations about the view's axes.
Matrix3 aboutX(double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {1, 0, 0, 0, c, -s, 0, s, c};
}
Matrix3 aboutY(double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {c, 0, s, 0, 1, 0, -s, 0, c};
}
Matrix3 aboutZ(double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {c, -s, 0, s, c, 0, 0, 0, 1};
}

// Brings the named axis to Y, keeping the axes right-handed. Z up (CAD: X to
// the right, Y away from the viewer) becomes (x, z, −y); X up (x, y, z) becomes
// (−y, x, z).
Matrix3 upToY(UpAxis up)
{
    switch (up) {
    case UpAxis::X:
        return {0, -1, 0, 1, 0, 0, 0, 0, 1};
    case UpAxis::Z:
        return {1, 0, 0, 0, 0, 1, 0, -1, 0};
    case UpAxis::Y:
        break;
    }
    return {1, 0, 0, 0, 1, 0, 0, 0, 1};
}

bool within(double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; }

} // namespace

std::optional<UpAxis> parseUpAxis(std::string_view text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (std::tolower(static_cast<unsigned char>(text[0]))) {
    case 'x':
        return UpAxis::X;
    case 'y':
        return UpAxis::Y;
    case 'z':
        return UpAxis::Z;
    default:
        return std::nullopt;
    }
}

Camera turntableFrame(Camera camera, double yawStep, double pitchStep, int k)
{
    camera.yaw = std::remainder(camera.yaw + k * yawStep, 360.0);
    camera.pitch = std::remainder(camera.pitch + k * pitchStep, 360.0);
    return camera;
}

UpAxis defaultUpAxis(std::string_view format)
{
    return format.starts_with("STL") || format.starts_with("3MF") ? UpAxis::Z : UpAxis::Y;
}

std::string checkCamera(const Camera& camera)
{
    for (auto [value, name] : {std::pair{camera.yaw, "--yaw"}, {camera.pitch, "--pitch"}, {camera.roll, "--roll"}})
        if (!within(value, -360, 360))
            return std::string(name) + " must lie from -360 to 360 degrees";
    if (camera.fov != 0 && !within(camera.fov, kMinFov, kMaxFov))
        return "--perspective must lie from 1 to 150 degrees";
    if (!within(camera.zoom, kMinZoom, kMaxZoom))
        return "--zoom must lie from 0.1 to 20";
    if (!within(camera.modelDepth, kMinModelDepth, kMaxModelDepth))
        return "--model-depth must lie from 0.1 to 1";
    return {};
}

Vec3 apply(const Matrix3& m, const Vec3& v)
{
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

Matrix3 viewRotation(const Camera& camera, UpAxis up)
{
    Matrix3 m = multiply(aboutY(radians(camera.yaw)), upToY(up));
    m = multiply(aboutX(radians(camera.pitch)), m);
    return multiply(aboutZ(radians(camera.roll)), m);
}

void Projection::toScreen(const Vec3& p, double& sx, double& sy) const
{
    if (perspective) {
        const double w = eyeZ - p.z;
        sx = width / 2 + focal * (p.x / w - cx);
        sy = height / 2 - focal * (p.y / w - cy);
    } else {
        sx = width / 2 + scale * (p.x - cx);
        sy = height / 2 - scale * (p.y - cy);
    }
}

double Projection::depthOf(double z) const
{
    const double span = box.hi.z - box.lo.z;
    if (!(span > 0))
        return 65535;
    return 65535 - modelDepth * 65534 * (box.hi.z - z) / span;
}

Projection fitProjection(const Mesh& mesh, const Camera& camera, int width, int height)
{
    const Matrix3 r = viewRotation(camera, camera.up.value_or(defaultUpAxis(mesh.format)));
    Box turned;
    for (std::size_t t = 0; t < mesh.triangles(); ++t)
        for (int k = 0; k < 3; ++k)
            turned.add(apply(r, mesh.vertex(t, k)));
    return fitProjection(turned, r, camera, width, height);
}

Projection fitProjection(const Box& turned, const Matrix3& rotation, const Camera& camera, int width, int height)
{
    Projection p;
    p.rotation = rotation;
    p.box = turned;
    p.width = width;
    p.height = height;
    p.modelDepth = camera.modelDepth;
    if (turned.empty)
        return p;
    const Vec3 size = turned.size();
    // The 2-D extent to fit, in view units (orthographic) or in units of the
    // perspective divide.
    double x0 = turned.lo.x, x1 = turned.hi.x, y0 = turned.lo.y, y1 = turned.hi.y;
    if (camera.fov > 0) {
        p.perspective = true;
        const double half = std::max({size.x, size.y, 1e-30}) / 2;
        p.eyeZ = turned.hi.z + half / std::tan(radians(camera.fov) / 2);
        // The projected box of the box's eight corners holds every vertex's
        // projection, since each lies within the box.
        x0 = y0 = INFINITY;
        x1 = y1 = -INFINITY;
        for (int c = 0; c < 8; ++c) {
            const double x = c & 1 ? turned.hi.x : turned.lo.x;
            const double y = c & 2 ? turned.hi.y : turned.lo.y;
            const double z = c & 4 ? turned.hi.z : turned.lo.z;
            const double w = p.eyeZ - z;
            x0 = std::min(x0, x / w), x1 = std::max(x1, x / w);
            y0 = std::min(y0, y / w), y1 = std::max(y1, y / w);
        }
    }
    p.cx = (x0 + x1) / 2;
    p.cy = (y0 + y1) / 2;
    const double margin = kMarginFraction * std::min(width, height);
    const double room[2] = {width - 2 * margin, height - 2 * margin};
    const double extent[2] = {x1 - x0, y1 - y0};
    double fit = INFINITY;
    for (int i = 0; i < 2; ++i)
        if (extent[i] > 0)
            fit = std::min(fit, room[i] / extent[i]);
    if (!std::isfinite(fit))
        fit = 1;
    fit *= camera.zoom;
    p.scale = fit;
    p.focal = fit;
    return p;
}

} // namespace models
