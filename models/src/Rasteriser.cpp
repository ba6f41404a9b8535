#include "models/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

namespace models {

namespace {

constexpr int kSubBits = 8; // vertex positions snap to 1/256 of a pixel
constexpr std::int64_t kSub = 1 << kSubBits;
// Snapped positions stay within ±2^27 sub-pixels, so edge products fit 64 bits.
constexpr double kMaxSub = double(1 << 27);

struct Runner {
    const Projection& proj;
    const std::vector<float>& turned; // 9 floats a triangle, in view axes
    int width, height;

    // One vertex snapped to the sub-pixel grid, with the value to interpolate.
    struct Vertex {
        std::int64_t x, y;
        double key;
    };

    bool project(const float* v, Vertex& out) const
    {
        double sx = 0, sy = 0;
        const Vec3 p{v[0], v[1], v[2]};
        proj.toScreen(p, sx, sy);
        sx *= kSub;
        sy *= kSub;
        if (!(std::abs(sx) < kMaxSub && std::abs(sy) < kMaxSub))
            return false;
        out.x = std::llround(sx);
        out.y = std::llround(sy);
        out.key = proj.perspective ? 1.0 / (proj.eyeZ - p.z) : p.z - proj.box.lo.z;
        return true;
    }

    // Rasterises every triangle into rows y0 … y1 − 1, calling
    // plot(pixel index, key) for every pixel centre a triangle covers.
    template <typename Plot>
    void run(int y0, int y1, Plot&& plot) const
    {
        const std::size_t n = turned.size() / 9;
        for (std::size_t t = 0; t < n; ++t) {
            Vertex a{}, b{}, c{};
            const float* v = turned.data() + t * 9;
            if (!project(v, a) || !project(v + 3, b) || !project(v + 6, c))
                continue;
            // Twice the signed area; the triangle is turned to have it positive.
            std::int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            if (area == 0)
                continue;
            if (area < 0) {
                std::swap(b, c);
                area = -area;
            }
            // Pixel rows and columns whose centres may lie inside.
            const std::int64_t minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
            const std::int64_t minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
            // Centre of pixel i is at i × 256 + 128.
            const auto firstCentre = [](std::int64_t lo) { return (lo - kSub / 2 + kSub - 1) >> kSubBits; };
            const auto lastCentre = [](std::int64_t hi) { return (hi - kSub / 2) >> kSubBits; };
            const std::int64_t px0 = std::max<std::int64_t>(firstCentre(minX), 0);
            const std::int64_t px1 = std::min<std::int64_t>(lastCentre(maxX), width - 1);
            const std::int64_t py0 = std::max<std::int64_t>(firstCentre(minY), y0);
            const std::int64_t py1 = std::min<std::int64_t>(lastCentre(maxY), y1 - 1);
            if (px0 > px1 || py0 > py1)
                continue;
            // Edge functions, positive inside. Edge k lies opposite vertex k.
            const Vertex* vs[3] = {&a, &b, &c};
            std::int64_t e[3], stepX[3], stepY[3], least[3];
            const std::int64_t sx0 = px0 * kSub + kSub / 2, sy0 = py0 * kSub + kSub / 2;
            for (int k = 0; k < 3; ++k) {
                const Vertex& p = *vs[(k + 1) % 3];
                const Vertex& q = *vs[(k + 2) % 3];
                const std::int64_t dx = q.x - p.x, dy = q.y - p.y;
                // E(s) = dx (s.y − p.y) − dy (s.x − p.x), with the same sign as area.
                e[k] = dx * (sy0 - p.y) - dy * (sx0 - p.x);
                stepX[k] = -dy * kSub;
                stepY[k] = dx * kSub;
                // Top-left rule: a centre exactly on an edge belongs to the
                // triangle only when that edge is a left edge (the inside to
                // its right) or a top edge (horizontal, the inside below).
                const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
                least[k] = topLeft ? 0 : 1;
            }
            const double inv = 1.0 / static_cast<double>(area);
            const double k0 = a.key, d1 = b.key - a.key, d2 = c.key - a.key;
            for (std::int64_t y = py0; y <= py1; ++y) {
                std::int64_t w0 = e[0], w1 = e[1], w2 = e[2];
                const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                for (std::int64_t x = px0; x <= px1; ++x) {
                    if (w0 >= least[0] && w1 >= least[1] && w2 >= least[2]) {
                        // The barycentric weights of b and c.
                        const double l1 = static_cast<double>(w1) * inv;
                        const double l2 = static_cast<double>(w2) * inv;
                        plot(row + static_cast<std::size_t>(x), static_cast<float>(k0 + l1 * d1 + l2 * d2));
                    }
                    w0 += stepX[0];
                    w1 += stepX[1];
                    w2 += stepX[2];
                }
                e[0] += stepY[0];
                e[1] += stepY[1];
                e[2] += stepY[2];
            }
        }
    }
};

} // namespace

namespace {

struct Turned {
    std::vector<float> coords;
    Box box;
    Matrix3 rotation{};
};

template <typename Work>
void inParallel(int threads, Work&& work)
{
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(work, i);
    work(0);
    for (auto& t : pool)
        t.join();
}

// Every vertex turned once, in parallel over the triangles, each thread
// keeping a box of its own.
Turned turnMesh(const Mesh& mesh, const Camera& camera, int threads)
{
    Turned out;
    out.rotation = viewRotation(camera, camera.up.value_or(defaultUpAxis(mesh.format)));
    const Matrix3& r = out.rotation;
    const std::size_t n = mesh.triangles();
    out.coords.resize(n * 9);
    std::vector<Box> boxes(static_cast<std::size_t>(threads));
    inParallel(threads, [&](int part) {
        const std::size_t t0 = n * static_cast<std::size_t>(part) / static_cast<std::size_t>(threads);
        const std::size_t t1 = n * static_cast<std::size_t>(part + 1) / static_cast<std::size_t>(threads);
        Box box;
        for (std::size_t i = t0 * 3; i < t1 * 3; ++i) {
            const float* v = mesh.coords.data() + i * 3;
            const Vec3 p = apply(r, {v[0], v[1], v[2]});
            float* o = out.coords.data() + i * 3;
            o[0] = static_cast<float>(p.x);
            o[1] = static_cast<float>(p.y);
            o[2] = static_cast<float>(p.z);
            box.add({o[0], o[1], o[2]});
        }
        boxes[static_cast<std::size_t>(part)] = box;
    });
    for (const Box& b : boxes)
        if (!b.empty) {
            out.box.add(b.lo);
            out.box.add(b.hi);
        }
    return out;
}

} // namespace

std::vector<std::uint16_t> coverageCounts(const Mesh& mesh, const Camera& camera, int width, int height)
{
    std::vector<std::uint16_t> counts(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), 0);
    const Turned turned = turnMesh(mesh, camera, 1);
    if (counts.empty() || turned.box.empty)
        return counts;
    const Projection proj = fitProjection(turned.box, turned.rotation, camera, width, height);
    const Runner runner{proj, turned.coords, width, height};
    runner.run(0, height, [&counts](std::size_t i, float) { ++counts[i]; });
    return counts;
}

platform::Grey16Image renderDepth(const Mesh& mesh, const Camera& camera, int width, int height,
                                  const RenderOptions& options)
{
    platform::Grey16Image out;
    out.width = std::max(width, 0);
    out.height = std::max(height, 0);
    out.samples.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
    if (out.samples.empty())
        return out;

    const std::size_t n = mesh.triangles();
    int threads = options.threads > 0 ? options.threads : (out.samples.size() >= 65536 && n > 1000 ? 2 : 1);
    threads = std::clamp(threads, 1, std::max(1, out.height));
    const Turned turned = turnMesh(mesh, camera, threads);
    if (turned.box.empty)
        return out;
    const Projection proj = fitProjection(turned.box, turned.rotation, camera, out.width, out.height);

    const float none = -std::numeric_limits<float>::infinity();
    std::vector<float> zbuf(out.samples.size(), none);
    const Runner runner{proj, turned.coords, out.width, out.height};
    inParallel(threads, [&](int part) {
        const int y0 = out.height * part / threads, y1 = out.height * (part + 1) / threads;
        runner.run(y0, y1, [&zbuf](std::size_t i, float key) {
            if (key > zbuf[i])
                zbuf[i] = key;
        });
        for (std::size_t i = static_cast<std::size_t>(y0) * out.width; i < static_cast<std::size_t>(y1) * out.width; ++i) {
            if (zbuf[i] == none)
                continue;
            const double z = proj.perspective ? proj.eyeZ - 1.0 / zbuf[i] : proj.box.lo.z + zbuf[i];
            out.samples[i] = static_cast<std::uint16_t>(std::clamp(std::lround(proj.depthOf(z)), 1L, 65535L));
        }
    });
    return out;
}

} // namespace models
