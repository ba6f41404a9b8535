// Smoothing the depth revealer's separations: a median of seven down the
// columns, then one of seven along the rows. Single wrong matches and the
// short streaks a wrong match leaves in the filling go; the edges of
// surfaces, which run on for more than three pixels, stay where they are.

#include "RevealMatcher.h"
#include "RowWorkers.h"
#include "WideLoops.h"

#include <algorithm>
#include <cstddef>

namespace engine::reveal {

namespace {

inline void order(float& a, float& b)
{
    const float low = std::min(a, b);
    b = std::max(a, b);
    a = low;
}

} // namespace

float medianOfSeven(float v0, float v1, float v2, float v3, float v4, float v5, float v6)
{
    // A sorting network of sixteen exchanges; only the middle is kept.
    order(v0, v6);
    order(v2, v3);
    order(v4, v5);
    order(v0, v2);
    order(v1, v4);
    order(v3, v6);
    order(v0, v1);
    order(v2, v5);
    order(v3, v4);
    order(v1, v2);
    order(v4, v6);
    order(v2, v3);
    order(v4, v5);
    order(v1, v2);
    order(v3, v4);
    order(v5, v6);
    return v3;
}

namespace {

// out[x] is the median of the seven rows' values at x.
DOTSCAPE_WIDE_LOOPS void medianDown(const float* const* __restrict rows, float* __restrict out, int n)
{
    const float* r0 = rows[0];
    const float* r1 = rows[1];
    const float* r2 = rows[2];
    const float* r3 = rows[3];
    const float* r4 = rows[4];
    const float* r5 = rows[5];
    const float* r6 = rows[6];
    for (int x = 0; x < n; ++x)
        out[x] = medianOfSeven(r0[x], r1[x], r2[x], r3[x], r4[x], r5[x], r6[x]);
}

// out[x] is the median of in[x] … in[x + 6].
DOTSCAPE_WIDE_LOOPS void medianAlong(const float* __restrict in, float* __restrict out, int n)
{
    for (int x = 0; x < n; ++x)
        out[x] = medianOfSeven(in[x], in[x + 1], in[x + 2], in[x + 3], in[x + 4], in[x + 5], in[x + 6]);
}

constexpr int kReach = 3;

// The median of the 2 r + 1 values at w, which it reorders.
float middleOf(float* w, int r)
{
    std::nth_element(w, w + r, w + 2 * r + 1);
    return w[r];
}

// The median of the 2 r + 1 values at v[−r] … v[r] (r up to kReach).
float medianAround(const float* v, int r)
{
    float w[2 * kReach + 1];
    std::copy(v - r, v + r + 1, w);
    return middleOf(w, r);
}

} // namespace

void smoothSeparations(std::vector<float>& sep, int width, int height, RowWorkers* workers)
{
    if (width < 1 || height < 1)
        return;
    const auto w = static_cast<std::size_t>(width);
    auto rowOf = [&](int y) { return sep.data() + static_cast<std::size_t>(y) * w; };
    // The field is smoothed in place, in chunks of rows many at once. Each
    // chunk reads kReach rows either side of it, which the chunks beside
    // it overwrite: those are kept first.
    constexpr int kChunk = 64;
    const int chunks = (height + kChunk - 1) / kChunk;
    std::vector<float> edges(static_cast<std::size_t>(chunks) * 2 * kReach * w);
    auto edgeRow = [&](int chunk, int k) { // k = −kReach … −1 above, 0 … kReach − 1 below
        return edges.data() + (static_cast<std::size_t>(chunk) * 2 * kReach + static_cast<std::size_t>(k + kReach)) * w;
    };
    for (int c = 0; c < chunks; ++c) {
        const int y0 = c * kChunk;
        const int y1 = std::min(height, y0 + kChunk);
        for (int k = 0; k < kReach; ++k) {
            if (y0 - 1 - k >= 0)
                std::copy_n(rowOf(y0 - 1 - k), w, edgeRow(c, -1 - k));
            if (y1 + k < height)
                std::copy_n(rowOf(y1 + k), w, edgeRow(c, k));
        }
    }
    // Near the picture's edges the median is of as many values as lie as
    // far on either side: a slope runs on unchanged up to the edge.
    const auto chunk = [&](int c, std::vector<float>& down, std::vector<float>& kept) {
        const int y0 = c * kChunk;
        const int y1 = std::min(height, y0 + kChunk);
        // The rows as they were before this chunk overwrote them: the last
        // kReach of its own in a ring, the others beside it kept above.
        auto original = [&](int y) -> const float* {
            if (y < y0)
                return edgeRow(c, y - y0);
            if (y >= y1)
                return edgeRow(c, y - y1);
            return kept.data() + static_cast<std::size_t>(y % kReach) * w;
        };
        for (int y = y0; y < y1; ++y) {
            const float* rows[2 * kReach + 1];
            for (int k = -kReach; k <= kReach; ++k) {
                const int v = std::clamp(y + k, 0, height - 1);
                rows[k + kReach] = k < 0 ? original(v) : v < y1 ? rowOf(v) : original(v);
            }
            if (const int r = std::min({y, height - 1 - y, kReach}); r == kReach) {
                medianDown(rows, down.data(), width);
            } else {
                for (int x = 0; x < width; ++x) {
                    float v[2 * kReach + 1];
                    for (int k = -r; k <= r; ++k)
                        v[k + r] = rows[k + kReach][x];
                    down[static_cast<std::size_t>(x)] = middleOf(v, r);
                }
            }
            float* out = rowOf(y);
            std::copy_n(out, w, kept.data() + static_cast<std::size_t>(y % kReach) * w);
            if (width > 2 * kReach)
                medianAlong(down.data(), out + kReach, width - 2 * kReach);
            for (int x = 0; x < std::min(kReach, width); ++x) {
                out[x] = medianAround(down.data() + x, std::min(x, width - 1 - x));
                const int right = width - 1 - x;
                out[right] = medianAround(down.data() + right, std::min(x, right));
            }
        }
    };
    const auto run = [&](int begin, int end) {
        std::vector<float> down(w);
        std::vector<float> kept(kReach * w);
        for (int c = begin; c < end; ++c)
            chunk(c, down, kept);
    };
    if (workers)
        workers->run(chunks, [&](int, std::int32_t begin, std::int32_t end) { run(begin, end); });
    else
        run(0, chunks);
}

} // namespace engine::reveal
