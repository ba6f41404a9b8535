// The model library: the rasteriser against an independent ray cast and
// against the shapes' own equations, the fill rule, the camera's directions,
// fitting and margins, and the triangle stream's checks.

#include "ModelShapes.h"

#include "models/Clustering.h"
#include "models/Rasteriser.h"
#include "models/TriangleStream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

using namespace model_test;
using models::Camera;

namespace {

struct ShapeCase {
    const char* name;
    Mesh (*shape)();
    Camera camera;
    // The shape's equation at a point of the model: zero on its surface.
    double (*surface)(Vec3);
    double tolerance; // of the equation, for the flat facets' distance from the true surface
};

double onSphere(Vec3 p) { return std::sqrt(dot(p, p)) - 1; }
double onBox(Vec3 p) { return std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)}) - 1; }
double onTorus(Vec3 p) { return std::hypot(std::hypot(p.x, p.z) - 1, p.y) - 0.4; }

Camera cam(double yaw, double pitch, double roll, double fov = 0, double zoom = 1, double depth = 1)
{
    Camera c;
    c.up = models::UpAxis::Y;
    c.yaw = yaw, c.pitch = pitch, c.roll = roll, c.fov = fov, c.zoom = zoom, c.modelDepth = depth;
    return c;
}

const ShapeCase kShapes[] = {
    {"sphere", [] { return sphere(); }, cam(0, 0, 0), onSphere, 0.01},
    {"sphere perspective", [] { return sphere(); }, cam(10, 0, 0, 40), onSphere, 0.01},
    {"box turned", [] { return box(); }, cam(30, 20, 10), onBox, 1e-4},
    {"box turned perspective", [] { return box(); }, cam(-35, 25, -15, 60), onBox, 1e-4},
    {"box shallow zoomed", [] { return box(); }, cam(45, -30, 0, 0, 1.3, 0.4), onBox, 1e-4},
    {"torus", [] { return torus(); }, cam(0, 60, 0), onTorus, 0.01},
    {"torus perspective", [] { return torus(); }, cam(20, 45, 30, 30), onTorus, 0.01},
};

} // namespace

TEST(Rasteriser, MatchesAnIndependentRayCastAndTheShapesEquation)
{
    constexpr int w = 96, h = 72;
    for (const ShapeCase& c : kShapes) {
        SCOPED_TRACE(c.name);
        const Mesh mesh = c.shape();
        const platform::Grey16Image got = models::renderDepth(mesh, c.camera, w, h);
        const Reference ref = referenceDepth(mesh, c.camera, w, h);
        const Agreement a = agreement(ref, [&](int x, int y) { return got.at(x, y); });
        ASSERT_EQ(a.problem, "");
        for (std::size_t i = 0; i < ref.depth.size(); ++i) {
            if (ref.depth[i] > 0) {
                ASSERT_NEAR(c.surface(ref.hit[i]), 0, c.tolerance) << "at pixel " << i;
            }
        }
        EXPECT_GT(a.covered, w * h / 8);
        EXPECT_LT(a.disputed, a.covered / 50);
    }
}

TEST(Rasteriser, NearestIsBrightestAndSpansTheWholeRange)
{
    // A box seen face on: its front face is all at 65535; turned, its nearest
    // corner is 65535 and its farthest visible point lies deeper.
    const platform::Grey16Image front = models::renderDepth(box(), cam(0, 0, 0), 64, 64);
    const platform::Grey16Image turned = models::renderDepth(box(), cam(45, 35.26438968, 0), 64, 64);
    int hi = 0, lo = 65535;
    for (std::uint16_t d : front.samples)
        if (d)
            hi = std::max<int>(hi, d), lo = std::min<int>(lo, d);
    EXPECT_EQ(hi, 65535);
    EXPECT_EQ(lo, 65535);
    hi = 0, lo = 65535;
    for (std::uint16_t d : turned.samples)
        if (d)
            hi = std::max<int>(hi, d), lo = std::min<int>(lo, d);
    EXPECT_GT(hi, 64000);            // near the corner pointing at the viewer
    EXPECT_LT(lo, 65535 / 2);         // the silhouette lies halfway back and more
    EXPECT_EQ(turned.samples[0], 0);  // the background
}

TEST(Rasteriser, TwoThreadsMakeTheSamePictureAsOne)
{
    const Mesh mesh = torus(1, 0.4, 200, 80);
    for (const Camera& c : {cam(20, 45, 30), cam(-60, 10, 5, 50)}) {
        models::RenderOptions one, two;
        one.threads = 1;
        two.threads = 2;
        EXPECT_EQ(models::renderDepth(mesh, c, 301, 257, one).samples, models::renderDepth(mesh, c, 301, 257, two).samples);
    }
}

TEST(FillRule, SharedEdgesAreDrawnExactlyOnce)
{
    // A square cut into a jittered grid of triangles, windings mixed: every
    // pixel centre inside is covered once, none outside, none twice.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    for (int n : {1, 7, 23}) {
        SCOPED_TRACE(n);
        std::vector<Vec3> p((n + 1) * (n + 1));
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                const bool edge = i == 0 || j == 0 || i == n || j == n;
                p[i * (n + 1) + j] = {i + (edge ? 0 : jitter(random)), j + (edge ? 0 : jitter(random)), 0};
            }
        Mesh mesh;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const Vec3 a = p[i * (n + 1) + j], b = p[(i + 1) * (n + 1) + j];
                const Vec3 c = p[i * (n + 1) + j + 1], d = p[(i + 1) * (n + 1) + j + 1];
                if ((i + j) % 2) {
                    mesh.addTriangle(a, b, d);
                    mesh.addTriangle(d, c, a);
                } else {
                    mesh.addTriangle(a, c, b);
                    mesh.addTriangle(b, c, d);
                }
            }
        // 211 × 211 pixels: a margin of 10.55 leaves the square's edges off
        // the pixel centres, and its inside is 189.9 pixels square.
        const auto counts = models::coverageCounts(mesh, cam(0, 0, 0), 211, 211);
        const double m = 0.05 * 211;
        int inside = 0;
        for (int y = 0; y < 211; ++y)
            for (int x = 0; x < 211; ++x) {
                const bool in = x + 0.5 > m && x + 0.5 < 211 - m && y + 0.5 > m && y + 0.5 < 211 - m;
                inside += in;
                ASSERT_EQ(counts[std::size_t(y) * 211 + x], in ? 1 : 0) << "at (" << x << ", " << y << ")";
            }
        EXPECT_EQ(inside, 189 * 189); // centres 11.5 … 199.5
    }
}

TEST(FillRule, CentresExactlyOnAnEdgeGoToTheTopLeftTriangle)
{
    // A square whose edges fall exactly on pixel centres (a 20 × 20 picture,
    // margin 1, the square spanning 1 … 19): the top and left edges' centres
    // are drawn, the bottom and right ones are not, whichever way the square
    // is cut.
    for (bool other : {false, true}) {
        Mesh mesh;
        const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0}, d{1, 1, 0};
        if (other) {
            mesh.addTriangle(a, b, c);
            mesh.addTriangle(b, d, c);
        } else {
            mesh.addTriangle(a, b, d);
            mesh.addTriangle(a, d, c);
        }
        Camera c0 = cam(0, 0, 0);
        c0.zoom = 17.0 / 18.0; // 17 pixels wide: edges at 1.5 and 18.5
        const auto counts = models::coverageCounts(mesh, c0, 20, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool in = x >= 1 && x < 18 && y >= 1 && y < 18;
                ASSERT_EQ(counts[std::size_t(y) * 20 + x], in ? 1 : 0) << "at (" << x << ", " << y << ")";
            }
    }
}

namespace {

// Where a model's marker lands in the picture.
enum class Lands { Right, Left, Up, Down, Near, Far };

struct DirectionCase {
    const char* name;
    Camera camera;
    const char* format; // sets the default up axis
    Vec3 marker;        // a point of the model, in its own axes
    Lands lands;
};

Camera upCam(models::UpAxis up, double yaw = 0, double pitch = 0, double roll = 0)
{
    Camera c = cam(yaw, pitch, roll);
    c.up = up;
    return c;
}

const DirectionCase kDirections[] = {
    {"no turn: +X is right", cam(0, 0, 0), "OBJ", {1, 0, 0}, Lands::Right},
    {"no turn: +Y is up", cam(0, 0, 0), "OBJ", {0, 1, 0}, Lands::Up},
    {"no turn: +Z is near", cam(0, 0, 0), "OBJ", {0, 0, 1}, Lands::Near},
    {"yaw: the front moves right", cam(90, 0, 0), "OBJ", {0, 0, 1}, Lands::Right},
    {"yaw: the right side moves back", cam(90, 0, 0), "OBJ", {1, 0, 0}, Lands::Far},
    {"pitch: the top comes near", cam(0, 90, 0), "OBJ", {0, 1, 0}, Lands::Near},
    {"pitch: the front goes down", cam(0, 90, 0), "OBJ", {0, 0, 1}, Lands::Down},
    {"roll: counter-clockwise", cam(0, 0, 90), "OBJ", {1, 0, 0}, Lands::Up},
    {"yaw then pitch", cam(90, 90, 0), "OBJ", {0, 0, 1}, Lands::Right},
    {"pitch then roll", cam(0, 90, 90), "OBJ", {0, 0, 1}, Lands::Right},
    {"STL is Z up", Camera{}, "STL (binary)", {0, 0, 1}, Lands::Up},
    {"STL's front is −Y", Camera{}, "STL (ASCII)", {0, -1, 0}, Lands::Near},
    {"3MF is Z up", Camera{}, "3MF", {0, 0, 1}, Lands::Up},
    {"glTF is Y up", Camera{}, "glTF 2.0", {0, 1, 0}, Lands::Up},
    {"up x", upCam(models::UpAxis::X), "OBJ", {1, 0, 0}, Lands::Up},
    {"up x keeps +Z near", upCam(models::UpAxis::X), "OBJ", {0, 0, 1}, Lands::Near},
    {"up y overrides the format", upCam(models::UpAxis::Y), "STL (binary)", {0, 1, 0}, Lands::Up},
};

} // namespace

TEST(Camera, EachParameterTurnsTheWayItSays)
{
    // A small cube at the centre and a larger one out at the marker: the
    // picture's weight, or its depth, shows where the marker went.
    constexpr int n = 101;
    for (const DirectionCase& c : kDirections) {
        SCOPED_TRACE(c.name);
        Mesh mesh = box({-0.2, -0.2, -0.2}, {0.2, 0.2, 0.2});
        const Vec3 m = c.marker;
        append(mesh, box({m.x * 2 - 0.5, m.y * 2 - 0.5, m.z * 2 - 0.5}, {m.x * 2 + 0.5, m.y * 2 + 0.5, m.z * 2 + 0.5}));
        mesh.format = c.format;
        const platform::Grey16Image d = models::renderDepth(mesh, c.camera, n, n);
        double sx = 0, sy = 0, count = 0, front = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                if (d.at(x, y)) {
                    sx += x - n / 2, sy += y - n / 2, ++count;
                    front += d.at(x, y) == 65535;
                }
        sx /= count, sy /= count;
        switch (c.lands) {
        case Lands::Right: EXPECT_GT(sx, 10); EXPECT_NEAR(sy, 0, 1); break;
        case Lands::Left: EXPECT_LT(sx, -10); EXPECT_NEAR(sy, 0, 1); break;
        case Lands::Up: EXPECT_LT(sy, -10); EXPECT_NEAR(sx, 0, 1); break;
        case Lands::Down: EXPECT_GT(sy, 10); EXPECT_NEAR(sx, 0, 1); break;
        // Near: the marker's big face is the front; far: the small cube's is.
        case Lands::Near: EXPECT_NEAR(sx, 0, 1); EXPECT_NEAR(sy, 0, 1); EXPECT_GT(front, count / 2); break;
        case Lands::Far: EXPECT_NEAR(sx, 0, 1); EXPECT_NEAR(sy, 0, 1); EXPECT_LT(front, count / 4); break;
        }
    }
}

TEST(Camera, TheTurnedBoxFillsThePictureLessItsMargins)
{
    struct Fit {
        int w, h;
        Vec3 hi; // a flat plate from −hi to hi
        double zoom;
    };
    const Fit fits[] = {
        {200, 100, {2, 1, 0}, 1},   // height bound: margin 5
        {100, 200, {2, 1, 0}, 1},   // width bound
        {300, 300, {1, 1, 0}, 1},   // square: 15 a side
        {300, 300, {1, 1, 0}, 0.5}, // zoomed out about the centre
        {300, 300, {1, 1, 0}, 2},   // zoomed in: beyond the picture
    };
    for (const Fit& f : fits) {
        SCOPED_TRACE(testing::Message() << f.w << " x " << f.h << " zoom " << f.zoom);
        Mesh plate;
        plate.addTriangle({-f.hi.x, -f.hi.y, 0}, {f.hi.x, -f.hi.y, 0}, {f.hi.x, f.hi.y, 0});
        plate.addTriangle({-f.hi.x, -f.hi.y, 0}, {f.hi.x, f.hi.y, 0}, {-f.hi.x, f.hi.y, 0});
        Camera c = cam(0, 0, 0);
        c.zoom = f.zoom;
        const platform::Grey16Image d = models::renderDepth(plate, c, f.w, f.h);
        const double m = 0.05 * std::min(f.w, f.h);
        const double s = std::min((f.w - 2 * m) / (2 * f.hi.x), (f.h - 2 * m) / (2 * f.hi.y)) * f.zoom;
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) {
                // Centres on the top and left edges are inside, on the bottom and right ones not.
                const double dx = x + 0.5 - f.w / 2.0, dy = y + 0.5 - f.h / 2.0;
                const bool in = dx >= -s * f.hi.x && dx < s * f.hi.x && dy >= -s * f.hi.y && dy < s * f.hi.y;
                ASSERT_EQ(d.at(x, y) != 0, in) << "at (" << x << ", " << y << ")";
            }
    }
}

TEST(Camera, RefusesValuesOutOfRangeNamingTheOption)
{
    struct Bad {
        Camera camera;
        const char* option;
    };
    const Bad bad[] = {{cam(400, 0, 0), "--yaw"}, {cam(0, -361, 0), "--pitch"}, {cam(0, 0, NAN), "--roll"},
                       {cam(0, 0, 0, 0.5), "--perspective"}, {cam(0, 0, 0, 151), "--perspective"},
                       {cam(0, 0, 0, 0, 0.05), "--zoom"}, {cam(0, 0, 0, 0, 1, 0.09), "--model-depth"},
                       {cam(0, 0, 0, 0, 1, 1.01), "--model-depth"}};
    for (const Bad& b : bad)
        EXPECT_TRUE(models::checkCamera(b.camera).starts_with(b.option)) << models::checkCamera(b.camera);
    EXPECT_EQ(models::checkCamera(cam(-360, 360, 0, 150, 20, 0.1)), "");
}

TEST(TriangleStream, RoundTripsAndRefusesEveryBadField)
{
    Mesh mesh = sphere(8, 4);
    mesh.format = "PLY (binary)";
    const std::vector<std::uint8_t> good = models::writeTriangleStream(mesh);
    ASSERT_EQ(good.size(), models::triangleStreamSize(mesh.format.size(), mesh.triangles()));
    const models::StreamResult back = models::readTriangleStream(good);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.mesh.coords, mesh.coords);
    EXPECT_EQ(back.mesh.format, mesh.format);

    const std::size_t name = 16, count = name + mesh.format.size(), first = count + 4;
    const auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    struct Damage {
        const char* fault;
        std::function<void(std::vector<std::uint8_t>&)> apply;
        const char* message;
    };
    const Damage damages[] = {
        {"magic", [](auto& b) { b[6] = '\n'; }, "is not a triangle stream"},
        {"version", [&](auto& b) { put32(b, 8, 2); }, "unknown version"},
        {"name too long", [&](auto& b) { put32(b, 12, 65); }, "bad format name"},
        {"name not text", [&](auto& b) { b[name] = 7; }, "bad format name"},
        {"count too large", [&](auto& b) { put32(b, count, models::kMaxTriangles + 1); }, "2796203 triangles, more than the 2796202 (64 MiB)"},
        {"count beyond the data", [&](auto& b) { put32(b, count, 1000); }, "ends early"},
        {"count short of the data", [&](auto& b) { put32(b, count, 3); }, "bytes after its end"},
        {"cut short", [](auto& b) { b.resize(b.size() - 5); }, "ends early"},
        {"trailing byte", [](auto& b) { b.push_back(0); }, "bytes after its end"},
        {"not a number", [&](auto& b) { put32(b, first + 8, 0x7fc00000u); }, "not a finite number"},
        {"infinite", [&](auto& b) { put32(b, first + 40, 0xff800000u); }, "not a finite number"},
        {"end mark", [](auto& b) { b.back() = 'X'; }, "no end mark"},
        {"header only", [](auto& b) { b.resize(10); }, "unknown version"},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.fault);
        std::vector<std::uint8_t> bytes = good;
        d.apply(bytes);
        const models::StreamResult r = models::readTriangleStream(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.starts_with(models::kModelRefusal)) << r.error;
        EXPECT_NE(r.error.find(d.message), std::string::npos) << r.error;
    }
}

// Vertex clustering. Cubes finer than any two distinct vertices keep every
// vertex where it is (within rounding), so the result is the model less its degenerate
// triangles; coarser cubes keep fewer triangles, never a corner outside the
// model's box, and a depth close to the model's own by the independent ray
// cast.
TEST(Clustering, FineCubesKeepTheModelAndCoarseOnesStayCloseToIt)
{
    struct Case {
        const char* name;
        Mesh mesh;
        int cells;
        double covered; // the share of pixels whose coverage may differ
    };
    const Case cases[] = {
        {"sphere, fine", sphere(), (1 << 16) - 1, 0},
        {"torus, fine", torus(), (1 << 16) - 1, 0},
        {"sphere, coarse", sphere(64, 32), 15, 0.01},
        {"torus, coarse", torus(1, 0.4, 96, 48), 25, 0.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // An odd number of cubes: no cube's side lies on a plane of symmetry,
        // where vertices equal but for rounding would fall either side.
        const Mesh light = models::clusterVertices(c.mesh, c.cells);
        if (c.covered == 0) {
            Mesh kept;
            for (std::size_t t = 0; t < c.mesh.triangles(); ++t) {
                const Vec3 a = c.mesh.vertex(t, 0), b = c.mesh.vertex(t, 1), d = c.mesh.vertex(t, 2);
                const auto same = [](Vec3 p, Vec3 q) { return std::hypot(p.x - q.x, p.y - q.y, p.z - q.z) < 1e-9; };
                if (!same(a, b) && !same(b, d) && !same(a, d))
                    kept.addTriangle(a, b, d);
            }
            ASSERT_EQ(light.coords.size(), kept.coords.size());
            // The seams' vertices, equal but for rounding, become their mean.
            for (std::size_t i = 0; i < kept.coords.size(); ++i)
                ASSERT_NEAR(light.coords[i], kept.coords[i], 1e-6) << i;
            continue;
        }
        EXPECT_LT(light.triangles(), c.mesh.triangles() / 2);
        const models::Box box = c.mesh.bounds();
        for (std::size_t i = 0; i < light.coords.size(); i += 3) {
            const Vec3 p{light.coords[i], light.coords[i + 1], light.coords[i + 2]};
            ASSERT_TRUE(p.x >= box.lo.x && p.x <= box.hi.x && p.y >= box.lo.y && p.y <= box.hi.y &&
                        p.z >= box.lo.z && p.z <= box.hi.z);
        }
        const Camera camera = cam(25, 35, 0);
        const Reference full = referenceDepth(c.mesh, camera, 64, 48);
        const platform::Grey16Image drawn = models::renderDepth(light, camera, 64, 48);
        int differing = 0, both = 0;
        double off = 0;
        for (std::size_t i = 0; i < drawn.samples.size(); ++i) {
            differing += (drawn.samples[i] == 0) != (full.depth[i] == 0);
            if (drawn.samples[i] != 0 && full.depth[i] != 0) {
                ++both;
                off += std::abs(drawn.samples[i] - full.depth[i]);
            }
        }
        // Depth off by less than a cube's side on the average.
        ASSERT_GT(both, 0);
        EXPECT_LT(off / both, 65535.0 / c.cells);
        EXPECT_LE(differing, c.covered * static_cast<double>(drawn.samples.size())) << differing;
    }
}
