#pragma once
// A random fractal height field on a square grid, made by repeated averaging
// with random displacement, read back as depth levels.

#include "terrakit/Export.h"

#include <cstdint>

namespace platform {
class Window;
}

// One grid vertex; y is the height, x and z run from -1 towards +1.
struct vert3 {
    float x;
    float y;
    float z;
};

// A rows x columns grid of vertices, row-major: vertex (r, c) is at
// verts[r * columns + c]. A surface owns its vertex block.
struct surfStruct {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    vert3* verts = nullptr;
};

// Parameters a caller may hand to the generator. The generator has no
// settings yet, so nothing here is read; the record keeps room for them.
struct FractalSetup {
    std::int32_t reserved = 0;
};

class TERRAKIT_API TFractal {
public:
    // Largest grid side FillSurface accepts (a 4097 x 4097 grid takes about
    // 200 MB); larger requests fail as if the memory could not be had.
    static constexpr std::int32_t MaxSize = 4097;

    // Neither argument is kept.
    explicit TFractal(platform::Window* window = nullptr, const FractalSetup* setup = nullptr);
    virtual ~TFractal();

    TFractal(const TFractal&) = delete;
    TFractal& operator=(const TFractal&) = delete;

    // Builds a new N x N surface, N = min(a, b), replacing any earlier one.
    // Returns 0 on success, 1 when no surface could be made (N < 1, N too
    // large or out of memory); the object is then empty.
    int FillSurface(int a, int b);

    // 1 outside the N x N grid, else the height at (row y, column x) times
    // 256 plus 0.5, truncated toward zero.
    int GetLevel(int x, int y) const;

    const surfStruct& Surface() const { return surf_; }
    std::int32_t Size() const { return n_; }

    // low + (high - low) * ((rand() mod 256) / 2150), in single precision:
    // a value from low to about low + 0.1186 * (high - low).
    static float randnum(float low, float high);
    // randnum(-s, s).
    static float fractrand(float s);
    // Average height of the grid neighbours step away from (row, column) in
    // the four directions, for the edge pass.
    static float avgyvals(int row, int column, int step, int size, const vert3* vertices);
    // Average height of the four diagonal neighbours step / 2 away from
    // (row, column), for the centre pass.
    static float avgyvals2(int row, int column, int step, int size, const vert3* vertices);
    // Allocates and fills a size x size surface; 0 on success, 1 on failure
    // (the surface is then empty). Any block the surface held is freed first.
    static int fillsurf(surfStruct* surface, int size);
    // Frees the surface's vertices and empties it.
    static void freesurf(surfStruct* surface);

private:
    surfStruct surf_;
    std::int32_t n_ = 0;
};
