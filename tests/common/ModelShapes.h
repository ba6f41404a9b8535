#pragma once
// Test meshes and an independent z-buffer for the model tests. The
// reference here shares nothing with the program's rasteriser but the
// camera's definition: its own rotations (Rodrigues' formula about each
// axis), its own fitting, and a ray cast against every triangle at every
// pixel centre.

#include "models/Camera.h"
#include "models/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace model_test {

using models::Mesh;
using models::Vec3;

inline Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A surface given by a point for (u, v) in [0, 1]², cut into nu × nv quads.
inline Mesh grid(int nu, int nv, const std::function<Vec3(double, double)>& at)
{
    Mesh m;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            const Vec3 a = at(double(i) / nu, double(j) / nv), b = at(double(i + 1) / nu, double(j) / nv);
            const Vec3 c = at(double(i) / nu, double(j + 1) / nv), d = at(double(i + 1) / nu, double(j + 1) / nv);
            m.addTriangle(a, b, c);
            m.addTriangle(b, d, c);
        }
    return m;
}

inline Mesh sphere(int nu = 48, int nv = 24)
{
    return grid(nu, nv, [](double u, double v) {
        const double ph = 2 * std::numbers::pi * u, th = std::numbers::pi * v;
        return Vec3{std::sin(th) * std::cos(ph), std::cos(th), std::sin(th) * std::sin(ph)};
    });
}

inline Mesh torus(double big = 1, double small = 0.4, int nu = 64, int nv = 24)
{
    return grid(nu, nv, [=](double u, double v) {
        const double a = 2 * std::numbers::pi * u, b = 2 * std::numbers::pi * v;
        const double r = big + small * std::cos(b);
        return Vec3{r * std::cos(a), small * std::sin(b), r * std::sin(a)};
    });
}

// An axis-aligned box from lo to hi, two triangles a face.
inline Mesh box(Vec3 lo = {-1, -1, -1}, Vec3 hi = {1, 1, 1})
{
    Mesh m;
    const auto corner = [&](int c) { return Vec3{c & 1 ? hi.x : lo.x, c & 2 ? hi.y : lo.y, c & 4 ? hi.z : lo.z}; };
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        m.addTriangle(corner(f[0]), corner(f[1]), corner(f[2]));
        m.addTriangle(corner(f[0]), corner(f[2]), corner(f[3]));
    }
    return m;
}

inline void append(Mesh& to, const Mesh& from) { to.coords.insert(to.coords.end(), from.coords.begin(), from.coords.end()); }

// Rotation of v by angle degrees about a unit axis (Rodrigues).
inline Vec3 rotate(Vec3 v, Vec3 axis, double degrees)
{
    const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const Vec3 k = cross(axis, v);
    const double d = dot(axis, v) * (1 - c);
    return {v.x * c + k.x * s + axis.x * d, v.y * c + k.y * s + axis.y * d, v.z * c + k.z * s + axis.z * d};
}

// The camera's turn of a Y-up model point: yaw about Y, pitch about X, roll about Z.
inline Vec3 turn(Vec3 v, const models::Camera& c)
{
    v = rotate(v, {0, 1, 0}, c.yaw);
    v = rotate(v, {1, 0, 0}, c.pitch);
    return rotate(v, {0, 0, 1}, c.roll);
}

// The picture the program should make, worked out by ray casting.
struct Reference {
    int width = 0, height = 0;
    std::vector<double> depth;    // 16-bit depth, 0 where nothing is hit
    std::vector<double> edge;     // how near the hit (or miss) is to a triangle's edge, in barycentric units
    std::vector<Vec3> hit;        // the hit point in the model's own axes
};

inline Reference referenceDepth(const Mesh& mesh, const models::Camera& cam, int w, int h)
{
    std::vector<Vec3> t;
    Vec3 lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    for (std::size_t i = 0; i < mesh.triangles(); ++i)
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = turn(mesh.vertex(i, k), cam);
            t.push_back(p);
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    const bool persp = cam.fov > 0;
    const double eye = persp ? hi.z + std::max(hi.x - lo.x, hi.y - lo.y) / 2 / std::tan(cam.fov * std::numbers::pi / 360) : 0;
    // The extent fitted: the box itself, or its corners seen from the eye.
    double x0 = lo.x, x1 = hi.x, y0 = lo.y, y1 = hi.y;
    if (persp) {
        x0 = y0 = 1e300;
        x1 = y1 = -1e300;
        for (double x : {lo.x, hi.x})
            for (double y : {lo.y, hi.y})
                for (double z : {lo.z, hi.z}) {
                    x0 = std::min(x0, x / (eye - z)), x1 = std::max(x1, x / (eye - z));
                    y0 = std::min(y0, y / (eye - z)), y1 = std::max(y1, y / (eye - z));
                }
    }
    const double m = 0.05 * std::min(w, h);
    const double s = std::min((w - 2 * m) / (x1 - x0), (h - 2 * m) / (y1 - y0)) * cam.zoom;
    Reference r;
    r.width = w;
    r.height = h;
    r.depth.assign(std::size_t(w) * h, 0);
    r.edge.assign(std::size_t(w) * h, 1);
    r.hit.assign(std::size_t(w) * h, Vec3{});
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            const double u = (px + 0.5 - w / 2.0) / s + (x0 + x1) / 2, v = -(py + 0.5 - h / 2.0) / s + (y0 + y1) / 2;
            // Orthographic rays run along −z through (u, v); perspective ones
            // from the eye through (u, v) on the plane one unit in front of it.
            const Vec3 origin = persp ? Vec3{0, 0, eye} : Vec3{u, v, hi.z + 1};
            const Vec3 dir = persp ? Vec3{u, v, -1} : Vec3{0, 0, -1};
            double best = std::numeric_limits<double>::infinity(), nearEdge = 1;
            Vec3 where{};
            for (std::size_t i = 0; i + 2 < t.size(); i += 3) {
                const Vec3 e1 = sub(t[i + 1], t[i]), e2 = sub(t[i + 2], t[i]);
                const Vec3 p = cross(dir, e2);
                const double det = dot(e1, p);
                if (std::abs(det) < 1e-15)
                    continue;
                const Vec3 q = sub(origin, t[i]);
                const double a = dot(q, p) / det;
                const Vec3 qq = cross(q, e1);
                const double b = dot(dir, qq) / det;
                const double d = dot(e2, qq) / det;
                const double margin = std::min({a, b, 1 - a - b});
                if (margin < -1e-2) {
                    continue;
                }
                if (margin < 1e-2) // too near an edge to say which triangle holds it
                    nearEdge = std::min(nearEdge, std::abs(margin));
                if (margin >= 0 && d < best) {
                    best = d;
                    where = {origin.x + d * dir.x, origin.y + d * dir.y, origin.z + d * dir.z};
                }
            }
            const std::size_t at = std::size_t(py) * w + px;
            r.edge[at] = nearEdge;
            if (std::isfinite(best)) {
                r.depth[at] = 65535 - cam.modelDepth * 65534 * (hi.z - where.z) / (hi.z - lo.z);
                // Back to the model's own axes.
                Vec3 p = rotate(where, {0, 0, 1}, -cam.roll);
                p = rotate(p, {1, 0, 0}, -cam.pitch);
                r.hit[at] = rotate(p, {0, 1, 0}, -cam.yaw);
            }
        }
    return r;
}

} // namespace model_test

namespace model_test {

// How a depth picture (have(x, y), rows from the top) agrees with the ray
// cast: pixels too near an edge to tell may differ in coverage, the others
// must match within rounding and the tilt that snapping vertices to 1/256 of
// a pixel gives grazing facets. problem names the first pixel that strays.
struct Agreement {
    int covered = 0;  // pixels both see the model at
    int disputed = 0; // edge pixels whose coverage differs
    std::string problem;
};

template <class Have>
Agreement agreement(const Reference& ref, Have have)
{
    Agreement a;
    const int w = ref.width;
    for (int y = 0; y < ref.height && a.problem.empty(); ++y)
        for (int x = 0; x < w && a.problem.empty(); ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            const double want = ref.depth[i];
            const int got = have(x, y);
            const bool uncertain = ref.edge[i] < 1e-2;
            const auto where = [&] {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): %d against %.1f", x, y, got, want);
                return std::string(text);
            };
            if ((want > 0) != (got > 0)) {
                if (!uncertain)
                    a.problem = "coverage differs at " + where();
                ++a.disputed;
                continue;
            }
            if (want == 0)
                continue;
            ++a.covered;
            double slope = 0;
            for (std::size_t j : {i - 1, i + 1, i - w, i + w})
                if (j < ref.depth.size() && ref.depth[j] > 0)
                    slope = std::max(slope, std::abs(ref.depth[j] - want));
            if (!uncertain && std::abs(got - want) > 2.0 + slope / 16)
                a.problem = "depth differs at " + where();
        }
    return a;
}

} // namespace model_test
