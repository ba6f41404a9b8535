#pragma once
// How a model is looked at. The model's own axes are taken with Y up and +Z
// towards the viewer (X to the right); files from programs with another up
// axis name it (STL and 3MF, from CAD programs, have Z up). The model then
// turns, in this order:
//   yaw   degrees about the up axis, right-handed: the side that faced the
//         viewer moves to the right;
//   pitch degrees about the horizontal axis: the top comes towards the viewer;
//   roll  degrees about the view axis, counter-clockwise as the viewer sees it.
// The turned model's bounding box is fitted into the picture and centred,
// with a margin of 5 % of the picture's smaller side on every side; zoom
// scales the picture about its centre. The camera is orthographic unless a
// vertical field of view is given; a perspective camera stands on the view
// axis in front of the box, far enough for the box to fill the field of
// view, and the picture is fitted the same way.

#include "models/Mesh.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace models {

enum class UpAxis { X, Y, Z };

inline constexpr double kMinFov = 1, kMaxFov = 150;
inline constexpr double kMinZoom = 0.1, kMaxZoom = 20;
inline constexpr double kMinModelDepth = 0.1, kMaxModelDepth = 1;
inline constexpr double kMarginFraction = 0.05;

struct Camera {
    std::optional<UpAxis> up; // none: the format's own (Z for STL and 3MF, Y otherwise)
    double yaw = 0, pitch = 0, roll = 0;
    double fov = 0;        // 0: orthographic; else the vertical field of view in degrees
    double zoom = 1;
    double modelDepth = 1; // the share of the depth range the model spans, from its front
};

// Frame k of a turntable: yaw and pitch advanced by k steps (degrees), each
// brought within −180 … 180. The single picture at those angles is the frame.
Camera turntableFrame(Camera camera, double yawStep, double pitchStep, int k);

// "x", "y" or "z" (either case).
std::optional<UpAxis> parseUpAxis(std::string_view text);
// The up axis a format's files have when the camera names none.
UpAxis defaultUpAxis(std::string_view format);
// What is wrong with the camera's values, naming the option; empty when usable.
std::string checkCamera(const Camera& camera);

// A 3 × 3 rotation, rows first.
using Matrix3 = std::array<double, 9>;
Vec3 apply(const Matrix3& m, const Vec3& v);

// The rotation from the model's axes to the view's (X right, Y up, +Z towards
// the viewer): the up axis brought to Y, then yaw, pitch and roll.
Matrix3 viewRotation(const Camera& camera, UpAxis up);

// Where the turned model lands in a picture of width × height pixels.
// Screen x grows to the right and y downwards, in pixels from the picture's
// top-left corner (pixel centres at half pixels).
struct Projection {
    Matrix3 rotation{};
    Box box;             // the turned model's bounding box
    bool perspective = false;
    double eyeZ = 0;     // the eye's view z (perspective)
    double focal = 1;    // perspective: screen = centre + focal × (x, −y) ÷ (eyeZ − z)
    double scale = 1;    // orthographic: screen = centre + scale × (x, −y)
    double cx = 0, cy = 0; // the view point that lands at the picture's centre (after the divide)
    double width = 0, height = 0;
    double modelDepth = 1;

    // Screen position of a turned point.
    void toScreen(const Vec3& p, double& sx, double& sy) const;
    // The 16-bit depth of a turned point's view z: 65535 at the front of the
    // box, 65535 − modelDepth × 65534 at its back.
    double depthOf(double z) const;
};

// Fits the mesh (whose every vertex is turned by the camera) into the picture.
Projection fitProjection(const Mesh& mesh, const Camera& camera, int width, int height);
// The same from the turned box alone (the rasteriser turns the vertices itself).
Projection fitProjection(const Box& turned, const Matrix3& rotation, const Camera& camera, int width, int height);

} // namespace models
