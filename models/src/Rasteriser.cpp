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

// A triangle's vertices snapped to the sub-pixel grid, with the value to
// interpolate: view z above the box's back (orthographic) or 1 / w
// (perspective); larger is nearer. x[0] == kSkip marks a triangle that
// cannot be drawn.
struct Snapped {
    std::int32_t x[3], y[3];
    float key[3];
};
constexpr std::int32_t kSkip = std::numeric_limits<std::int32_t>::min();

Snapped snap(const Projection& proj, const Matrix3& r, const float* v)
{
    Snapped s{};
    for (int k = 0; k < 3; ++k) {
        const Vec3 p = apply(r, {v[k * 3], v[k * 3 + 1], v[k * 3 + 2]});
        double sx = 0, sy = 0;
        proj.toScreen(p, sx, sy);
        sx *= kSub;
        sy *= kSub;
        if (!(std::abs(sx) < kMaxSub && std::abs(sy) < kMaxSub)) {
            s.x[0] = kSkip;
            return s;
        }
        s.x[k] = static_cast<std::int32_t>(std::lround(sx));
        s.y[k] = static_cast<std::int32_t>(std::lround(sy));
        s.key[k] = static_cast<float>(proj.perspective ? 1.0 / (proj.eyeZ - p.z) : p.z - proj.box.lo.z);
    }
    return s;
}

struct Runner {
    const std::vector<Snapped>& tris;
    int width, height;

    struct Vertex {
        std::int64_t x, y;
        double key;
    };

    // Rasterises every triangle into rows y0 … y1 − 1, calling
    // plot(pixel index, key) for every pixel centre a triangle covers.
    template <typename Plot>
    void run(int y0, int y1, Plot&& plot) const
    {
        const std::int64_t rowLo = std::int64_t{y0} * kSub, rowHi = std::int64_t{y1} * kSub;
        for (const Snapped& s : tris) {
            if (s.x[0] == kSkip)
                continue;
            // Quick rejection of triangles wholly above or below these rows.
            const std::int64_t top = std::min({s.y[0], s.y[1], s.y[2]}), bottom = std::max({s.y[0], s.y[1], s.y[2]});
            if (bottom < rowLo || top >= rowHi)
                continue;
            Vertex a{s.x[0], s.y[0], s.key[0]}, b{s.x[1], s.y[1], s.key[1]}, c{s.x[2], s.y[2], s.key[2]};
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

// The part-th of threads equal shares of n.
std::size_t share(std::size_t n, int part, int threads)
{
    return n * static_cast<std::size_t>(part) / static_cast<std::size_t>(threads);
}

// Every triangle turned and snapped to the picture, in parallel over the
// triangles: first the turned box (each thread keeping one of its own), then
// the snapped vertices.
struct Prepared {
    Projection proj;
    std::vector<Snapped> tris;
    bool empty = true;
};

Prepared prepare(const Mesh& mesh, const Camera& camera, int width, int height, int threads)
{
    Prepared out;
    const Matrix3 r = viewRotation(camera, camera.up.value_or(defaultUpAxis(mesh.format)));
    const std::size_t n = mesh.triangles();
    std::vector<Box> boxes(static_cast<std::size_t>(threads));
    inParallel(threads, [&](int part) {
        Box box;
        for (std::size_t i = share(n, part, threads) * 3; i < share(n, part + 1, threads) * 3; ++i) {
            const float* v = mesh.coords.data() + i * 3;
            const Vec3 p = apply(r, {v[0], v[1], v[2]});
            box.add({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
        }
        boxes[static_cast<std::size_t>(part)] = box;
    });
    Box box;
    for (const Box& b : boxes)
        if (!b.empty) {
            box.add(b.lo);
            box.add(b.hi);
        }
    if (box.empty)
        return out;
    out.empty = false;
    out.proj = fitProjection(box, r, camera, width, height);
    out.tris.resize(n);
    inParallel(threads, [&](int part) {
        for (std::size_t t = share(n, part, threads); t < share(n, part + 1, threads); ++t)
            out.tris[t] = snap(out.proj, r, mesh.coords.data() + t * 9);
    });
    return out;
}

} // namespace

std::vector<std::uint16_t> coverageCounts(const Mesh& mesh, const Camera& camera, int width, int height)
{
    std::vector<std::uint16_t> counts(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), 0);
    if (counts.empty())
        return counts;
    const Prepared prepared = prepare(mesh, camera, width, height, 1);
    const Runner runner{prepared.tris, width, height};
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
    const Prepared prepared = prepare(mesh, camera, out.width, out.height, threads);
    if (prepared.empty)
        return out;
    const Projection& proj = prepared.proj;

    const float none = -std::numeric_limits<float>::infinity();
    std::vector<float> zbuf(out.samples.size(), none);
    const Runner runner{prepared.tris, out.width, out.height};
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
