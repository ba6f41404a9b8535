#include "models/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace models {

namespace {

constexpr int kSubBits = 8; // vertex positions snap to 1/256 of a pixel
constexpr std::int64_t kSub = 1 << kSubBits;
// Snapped positions stay within ±2^27 sub-pixels, so edge products fit 64 bits.
constexpr double kMaxSub = double(1 << 27);

// A triangle's vertices snapped to the sub-pixel grid, with the value to
// interpolate: view z above the box's back (orthographic) or 1 / w
// (perspective); larger is nearer.
struct Snapped {
    std::int32_t x[3], y[3];
    float key[3];
};

// Turns, projects and snaps triangles: the camera's rotation and the
// picture's projection folded into one map per screen axis, in sub-pixels.
class Projector {
public:
    Projector(const Projection& proj, const Matrix3& r) : perspective_(proj.perspective), eyeZ_(proj.eyeZ)
    {
        const double s = proj.perspective ? proj.focal : proj.scale;
        for (int k = 0; k < 3; ++k) {
            x_[k] = kSub * s * r[static_cast<std::size_t>(k)];
            y_[k] = -kSub * s * r[static_cast<std::size_t>(3 + k)];
            z_[k] = r[static_cast<std::size_t>(6 + k)];
        }
        x0_ = kSub * (proj.width / 2 - s * proj.cx);
        y0_ = kSub * (proj.height / 2 + s * proj.cy);
        z0_ = proj.perspective ? 0 : -proj.box.lo.z;
    }

    // False for a triangle that cannot be drawn (beyond the sub-pixel range).
    bool snap(const float* v, Snapped& s) const
    {
        for (int k = 0; k < 3; ++k, v += 3) {
            double sx = x_[0] * v[0] + x_[1] * v[1] + x_[2] * v[2];
            double sy = y_[0] * v[0] + y_[1] * v[1] + y_[2] * v[2];
            double key = z_[0] * v[0] + z_[1] * v[1] + z_[2] * v[2] + z0_;
            if (perspective_) {
                key = 1.0 / (eyeZ_ - key);
                sx *= key;
                sy *= key;
            }
            sx += x0_;
            sy += y0_;
            if (!(std::abs(sx) < kMaxSub && std::abs(sy) < kMaxSub))
                return false;
            // Rounded half away from zero, as lround does.
            s.x[k] = static_cast<std::int32_t>(sx + (sx < 0 ? -0.5 : 0.5));
            s.y[k] = static_cast<std::int32_t>(sy + (sy < 0 ? -0.5 : 0.5));
            s.key[k] = static_cast<float>(key);
        }
        return true;
    }

private:
    bool perspective_;
    double eyeZ_;
    double x_[3], y_[3], z_[3];
    double x0_, y0_, z0_;
};

// Rasterises one snapped triangle into rows y0 … y1 − 1 of a picture width
// pixels wide, calling plot(pixel index, key) for every pixel centre it covers.
template <typename Plot>
void rasterise(const Snapped& s, int y0, int y1, int width, Plot&& plot)
{
    struct Vertex {
        std::int64_t x, y;
        double key;
    };
    // Quick rejection of triangles wholly above or below these rows.
    const std::int64_t top = std::min({s.y[0], s.y[1], s.y[2]}), bottom = std::max({s.y[0], s.y[1], s.y[2]});
    if (bottom < std::int64_t{y0} * kSub || top >= std::int64_t{y1} * kSub)
        return;
    Vertex a{s.x[0], s.y[0], s.key[0]}, b{s.x[1], s.y[1], s.key[1]}, c{s.x[2], s.y[2], s.key[2]};
    // Twice the signed area; the triangle is turned to have it positive.
    std::int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0)
        return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    // Pixel rows and columns whose centres may lie inside.
    const std::int64_t minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    // Centre of pixel i is at i × 256 + 128.
    const auto firstCentre = [](std::int64_t lo) { return (lo - kSub / 2 + kSub - 1) >> kSubBits; };
    const auto lastCentre = [](std::int64_t hi) { return (hi - kSub / 2) >> kSubBits; };
    const std::int64_t px0 = std::max<std::int64_t>(firstCentre(minX), 0);
    const std::int64_t px1 = std::min<std::int64_t>(lastCentre(maxX), width - 1);
    const std::int64_t py0 = std::max<std::int64_t>(firstCentre(top), y0);
    const std::int64_t py1 = std::min<std::int64_t>(lastCentre(bottom), y1 - 1);
    if (px0 > px1 || py0 > py1)
        return;
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

struct Fitted {
    Projection proj;
    Matrix3 rotation;
};

// The camera's rotation and the projection that fits the turned model into
// the picture, the turned box found in parallel over the vertices; nothing
// for a model without vertices.
std::optional<Fitted> fit(const Mesh& mesh, const Camera& camera, int width, int height, int threads)
{
    const Matrix3 r = viewRotation(camera, camera.up.value_or(defaultUpAxis(mesh.format)));
    const std::size_t n = mesh.coords.size() / 3;
    std::vector<Box> boxes(static_cast<std::size_t>(threads));
    inParallel(threads, [&](int part) {
        float lo[3], hi[3];
        std::fill(lo, lo + 3, std::numeric_limits<float>::infinity());
        std::fill(hi, hi + 3, -std::numeric_limits<float>::infinity());
        const float* v = mesh.coords.data() + share(n, part, threads) * 3;
        const float* const end = mesh.coords.data() + share(n, part + 1, threads) * 3;
        for (; v < end; v += 3)
            for (std::size_t k = 0; k < 3; ++k) {
                const auto c = static_cast<float>(r[3 * k] * v[0] + r[3 * k + 1] * v[1] + r[3 * k + 2] * v[2]);
                lo[k] = std::min(lo[k], c);
                hi[k] = std::max(hi[k], c);
            }
        Box& box = boxes[static_cast<std::size_t>(part)];
        if (lo[0] <= hi[0]) {
            box.add({lo[0], lo[1], lo[2]});
            box.add({hi[0], hi[1], hi[2]});
        }
    });
    Box box;
    for (const Box& b : boxes)
        if (!b.empty) {
            box.add(b.lo);
            box.add(b.hi);
        }
    if (box.empty)
        return std::nullopt;
    return Fitted{fitProjection(box, r, camera, width, height), r};
}

} // namespace

std::vector<std::uint16_t> coverageCounts(const Mesh& mesh, const Camera& camera, int width, int height)
{
    std::vector<std::uint16_t> counts(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), 0);
    if (counts.empty())
        return counts;
    const std::optional<Fitted> fitted = fit(mesh, camera, width, height, 1);
    if (!fitted)
        return counts;
    const Projector projector(fitted->proj, fitted->rotation);
    Snapped s;
    for (std::size_t t = 0; t < mesh.triangles(); ++t)
        if (projector.snap(mesh.coords.data() + t * 9, s))
            rasterise(s, 0, height, width, [&counts](std::size_t i, float) { ++counts[i]; });
    return counts;
}

platform::Grey16Image renderDepth(const Mesh& mesh, const Camera& camera, int width, int height,
                                  const RenderOptions& options)
{
    platform::Grey16Image out;
    out.width = std::max(width, 0);
    out.height = std::max(height, 0);
    const std::size_t pixels = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
    out.samples.assign(pixels, 0);
    if (out.samples.empty())
        return out;

    const std::size_t n = mesh.triangles();
    int threads = options.threads > 0 ? options.threads : (pixels >= 65536 && n > 1000 ? 2 : 1);
    threads = std::clamp(threads, 1, std::max(1, out.height));
    const std::optional<Fitted> fitted = fit(mesh, camera, out.width, out.height, threads);
    if (!fitted)
        return out;
    const Projection& proj = fitted->proj;
    const Projector projector(proj, fitted->rotation);

    // Each thread draws its share of the triangles into a z-buffer of its
    // own, and the buffers are merged: the nearest key wins whichever thread
    // drew it, so the picture does not depend on the threads. A picture
    // large for its triangles (where drawing, not turning, is the work) is
    // shared out by rows instead, every thread turning every triangle, into
    // one buffer.
    const bool byRows = threads > 1 && pixels > std::max<std::size_t>(n * 8, std::size_t{1} << 22);
    const float none = -std::numeric_limits<float>::infinity();
    std::vector<std::vector<float>> zbufs(byRows ? 1 : static_cast<std::size_t>(threads));
    if (byRows)
        zbufs[0].assign(pixels, none);
    inParallel(threads, [&](int part) {
        std::vector<float>& zbuf = zbufs[byRows ? 0 : static_cast<std::size_t>(part)];
        if (!byRows)
            zbuf.assign(pixels, none);
        const int y0 = byRows ? out.height * part / threads : 0;
        const int y1 = byRows ? out.height * (part + 1) / threads : out.height;
        const std::size_t t0 = byRows ? 0 : share(n, part, threads);
        const std::size_t t1 = byRows ? n : share(n, part + 1, threads);
        const auto plot = [&zbuf](std::size_t i, float key) {
            if (key > zbuf[i])
                zbuf[i] = key;
        };
        Snapped s;
        for (std::size_t t = t0; t < t1; ++t)
            if (projector.snap(mesh.coords.data() + t * 9, s))
                rasterise(s, y0, y1, out.width, plot);
    });
    inParallel(threads, [&](int part) {
        for (std::size_t i = share(pixels, part, threads); i < share(pixels, part + 1, threads); ++i) {
            float key = zbufs[0][i];
            for (std::size_t b = 1; b < zbufs.size(); ++b)
                key = std::max(key, zbufs[b][i]);
            if (key == none)
                continue;
            const double z = proj.perspective ? proj.eyeZ - 1.0 / key : proj.box.lo.z + key;
            out.samples[i] = static_cast<std::uint16_t>(std::clamp(std::lround(proj.depthOf(z)), 1L, 65535L));
        }
    });
    return out;
}

} // namespace models
