// Fractal surfaces by midpoint displacement: a few seed heights, then, at
// ever halving steps, an edge pass that sets the points between known ones
// on rows and columns and a centre pass that sets the middles of the squares.
// Every new height is a neighbour average plus a random displacement that
// shrinks with the step.
//
// The passes reach every point only on grids of 2^k + 1 points per side;
// other sizes leave some points at height 0. Averages use only neighbours
// that lie on the grid, so no size reads outside the vertex block.

#include "terrakit/TFractal.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

struct Grid {
    std::int64_t size;
    const vert3* verts;

    bool contains(std::int64_t row, std::int64_t column) const
    {
        return row >= 0 && row < size && column >= 0 && column < size;
    }
    float height(std::int64_t row, std::int64_t column) const { return verts[row * size + column].y; }
};

// Mean of the neighbours that lie on the grid, in the order given; 0 when
// none does.
template <int Count>
float meanOnGrid(const Grid& grid, const std::int64_t (&at)[Count][2])
{
    float sum = 0.0f;
    int used = 0;
    for (const auto& p : at) {
        if (grid.contains(p[0], p[1])) {
            sum += grid.height(p[0], p[1]);
            ++used;
        }
    }
    return used == 0 ? 0.0f : sum / static_cast<float>(used);
}

void setHeight(surfStruct* surface, std::int64_t row, std::int64_t column, float y)
{
    surface->verts[row * surface->columns + column].y = y;
}

} // namespace

TFractal::TFractal(platform::Window* /*window*/, const FractalSetup* /*setup*/)
{
}

TFractal::~TFractal()
{
    freesurf(&surf_);
}

int TFractal::FillSurface(int a, int b)
{
    n_ = a < b ? a : b;
    // Refilling replaces the surface; the old block is not kept.
    const int result = fillsurf(&surf_, n_);
    if (result != 0)
        n_ = 0;
    return result;
}

int TFractal::GetLevel(int x, int y) const
{
    if (!surf_.verts || x < 0 || y < 0 || x >= n_ || y >= n_)
        return 1;
    const double height = surf_.verts[static_cast<std::int64_t>(y) * surf_.columns + x].y;
    return static_cast<int>(height * 256 + 0.5);
}

float TFractal::randnum(float low, float high)
{
    const int r = std::rand();
    const float fraction = static_cast<float>(r % 256) / 2150.0f;
    const float span = high - low;
    const float scaled = span * fraction;
    return low + scaled;
}

float TFractal::fractrand(float s)
{
    return randnum(-s, s);
}

float TFractal::avgyvals(int row, int column, int step, int size, const vert3* vertices)
{
    if (!vertices || size <= 0)
        return 0.0f;
    const Grid grid{size, vertices};
    const std::int64_t a = row, c = column, s = step, last = size - 1;
    const bool above = grid.contains(a - s, c);
    const bool below = grid.contains(a + s, c);
    const bool left = grid.contains(a, c - s);
    const bool right = grid.contains(a, c + s);

    // The border rules of a grid of 2^k + 1 points, where the neighbours
    // they name always exist.
    if (a == 0 && left && right && below)
        return (grid.height(a, c - s) + grid.height(a, c + s) + grid.height(a + s, c)) / 3;
    if (a == last && above && left && right)
        return (grid.height(a - s, c) + grid.height(a, c - s) + grid.height(a, c + s)) / 3;
    if (c == 0 && above && below && right)
        return (grid.height(a - s, c) + grid.height(a + s, c) + grid.height(a, c + s)) / 3;
    if (c == last && above && below && left)
        return (grid.height(a - s, c) + grid.height(a + s, c) + grid.height(a, c - s)) / 3;
    if (above && below && left && right)
        return (grid.height(a - s, c) + grid.height(a + s, c) + grid.height(a, c - s) + grid.height(a, c + s)) * 0.25f;

    const std::int64_t around[4][2] = {{a - s, c}, {a + s, c}, {a, c - s}, {a, c + s}};
    return meanOnGrid(grid, around);
}

float TFractal::avgyvals2(int row, int column, int step, int size, const vert3* vertices)
{
    if (!vertices || size <= 0)
        return 0.0f;
    const Grid grid{size, vertices};
    const std::int64_t f = row, g = column, d = step / 2;
    const std::int64_t corners[4][2] = {{f - d, g - d}, {f - d, g + d}, {f + d, g - d}, {f + d, g + d}};
    bool all = true;
    for (const auto& p : corners)
        all = all && grid.contains(p[0], p[1]);
    if (all) {
        return (grid.height(f - d, g - d) + grid.height(f - d, g + d) + grid.height(f + d, g - d) +
                grid.height(f + d, g + d)) *
               0.25f;
    }
    return meanOnGrid(grid, corners);
}

int TFractal::fillsurf(surfStruct* surface, int size)
{
    if (!surface)
        return 1;
    freesurf(surface);
    if (size < 1 || size > MaxSize)
        return 1;
    const std::int64_t n = size;
    auto* verts = static_cast<vert3*>(std::calloc(static_cast<std::size_t>(n * n), sizeof(vert3)));
    if (!verts)
        return 1;
    surface->rows = size;
    surface->columns = size;
    surface->verts = verts;

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    const std::int64_t h = n / 2;
    for (std::int64_t r = 0; r < n; ++r) {
        for (std::int64_t c = 0; c < n; ++c) {
            vert3& v = verts[r * n + c];
            // A one-point grid sits at the origin.
            v.x = h == 0 ? 0.0f : static_cast<float>(c - h) / static_cast<float>(h);
            v.z = h == 0 ? 0.0f : static_cast<float>(r - h) / static_cast<float>(h);
            v.y = 0.0f;
        }
    }
    if (h == 0)
        return 0;

    const float seedSpread = static_cast<float>(h) / static_cast<float>(n);
    bool firstKind = true;
    for (std::int64_t r = 0; r < n; r += h, firstKind = !firstKind) {
        const std::int64_t start = firstKind ? 0 : h;
        const std::int64_t stride = firstKind ? 2 * h : 3 * h;
        for (std::int64_t c = start; c < n; c += stride)
            setHeight(surface, r, c, fractrand(seedSpread));
    }

    for (std::int64_t s = h; s != 0; s /= 2) {
        const float spread = static_cast<float>(s) / static_cast<float>(n);
        bool evenRow = true;
        for (std::int64_t e = 0; e < n; e += s, evenRow = !evenRow) {
            for (std::int64_t f = evenRow ? s : 0; f < n; f += 2 * s) {
                const float shift = fractrand(spread);
                setHeight(surface, e, f, shift + avgyvals(int(e), int(f), int(s), size, verts));
            }
        }
        const std::int64_t half = s / 2;
        if (half == 0)
            continue;
        for (std::int64_t f = half; f < n; f += s) {
            for (std::int64_t g = half; g < n; g += s) {
                const float shift = fractrand(spread);
                setHeight(surface, f, g, shift + avgyvals2(int(f), int(g), int(s), size, verts));
            }
        }
    }
    return 0;
}

void TFractal::freesurf(surfStruct* surface)
{
    if (!surface)
        return;
    std::free(surface->verts);
    surface->verts = nullptr;
    surface->rows = 0;
    surface->columns = 0;
}
