#include "terrakit/TFractal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

float heightAt(const surfStruct& s, int r, int c)
{
    return s.verts[r * s.columns + c].y;
}

// Mean of the grid points among the given ones, in the order given.
float meanOf(const surfStruct& s, std::initializer_list<std::pair<int, int>> points)
{
    float sum = 0;
    int used = 0;
    for (auto [r, c] : points) {
        if (r >= 0 && c >= 0 && r < s.rows && c < s.columns) {
            sum += heightAt(s, r, c);
            ++used;
        }
    }
    return sum / static_cast<float>(used);
}

} // namespace

TEST(Fractal, RandomValuesLieInTheNarrowLowBand)
{
    std::srand(7);
    for (int i = 0; i < 2000; ++i) {
        const float v = TFractal::randnum(2.0f, 6.0f);
        const float steps = (v - 2.0f) / 4.0f * 2150.0f; // the rand() residue, 0 to 255
        ASSERT_GE(v, 2.0f);
        ASSERT_LE(v, 2.0f + 4.0f * 0.1187f);
        ASSERT_NEAR(steps, std::round(steps), 1e-3);
        const float d = TFractal::fractrand(0.5f);
        ASSERT_GE(d, -0.5f);
        ASSERT_LE(d, -0.7627f * 0.5f);
    }
}

TEST(Fractal, GridLayoutAndBounds)
{
    TFractal fractal;
    ASSERT_EQ(fractal.FillSurface(64, 100), 0);
    const surfStruct& s = fractal.Surface();
    EXPECT_EQ(fractal.Size(), 64);
    EXPECT_EQ(s.rows, 64);
    EXPECT_EQ(s.columns, 64);
    EXPECT_FLOAT_EQ(s.verts[0].x, -1.0f);
    EXPECT_FLOAT_EQ(s.verts[0].z, -1.0f);
    EXPECT_FLOAT_EQ(s.verts[32 * 64 + 32].x, 0.0f);
    EXPECT_FLOAT_EQ(s.verts[32 * 64 + 32].z, 0.0f);
    EXPECT_FLOAT_EQ(s.verts[5 * 64 + 48].x, 0.5f);
    EXPECT_FLOAT_EQ(s.verts[5 * 64 + 48].z, -27.0f / 32.0f);
    for (auto [x, y] : {std::pair{64, 0}, {-1, 5}, {0, 64}, {5, -1}, {1000, 1000}})
        EXPECT_EQ(fractal.GetLevel(x, y), 1) << x << ", " << y;
    // Inside, the level is the height in 256ths, rounded half up; every
    // height is at or below 0 because every displacement is negative.
    for (int y = 0; y < 64; y += 3) {
        for (int x = 0; x < 64; x += 5) {
            ASSERT_EQ(fractal.GetLevel(x, y), static_cast<int>(heightAt(s, y, x) * 256.0 + 0.5));
            ASSERT_LE(heightAt(s, y, x), 0.0f);
        }
    }
}

// On a grid of 2^k + 1 points every point is set exactly once, from points
// already set: its height is the mean of its neighbours at the step's
// distance plus a displacement from the step's band.
TEST(Fractal, EveryPointIsItsNeighboursMeanPlusAShrinkingDisplacement)
{
    const int n = 65, h = 32;
    TFractal fractal;
    ASSERT_EQ(fractal.FillSurface(n, n), 0);
    const surfStruct& s = fractal.Surface();
    int checked = 0;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const int t = (r | c) & -(r | c); // largest power of two dividing both
            const bool centre = r != 0 && (r / t) % 2 == 1 && (c / t) % 2 == 1;
            const int step = centre ? 2 * t : t;
            float expected = 0, spread = float(h) / n;
            if (r != 0 || c != 0) {
                if (centre && step <= h)
                    expected = meanOf(s, {{r - t, c - t}, {r - t, c + t}, {r + t, c - t}, {r + t, c + t}});
                else if (!centre && step <= h)
                    expected = meanOf(s, {{r - t, c}, {r + t, c}, {r, c - t}, {r, c + t}});
                if (step <= h)
                    spread = float(step) / n;
            }
            const float shift = heightAt(s, r, c) - expected;
            ASSERT_GE(shift, -spread - 1e-5f) << r << ", " << c;
            ASSERT_LE(shift, -0.7627f * spread + 1e-5f) << r << ", " << c;
            ++checked;
        }
    }
    EXPECT_EQ(checked, n * n);
}

TEST(Fractal, NeighbourMeansUseOnlyPointsOnTheGrid)
{
    // 4 x 4 grid, height = 10 * row + column.
    std::vector<vert3> v(16);
    for (int i = 0; i < 16; ++i)
        v[i] = {0, float(10 * (i / 4) + i % 4), 0};
    EXPECT_FLOAT_EQ(TFractal::avgyvals(1, 1, 1, 4, v.data()), 11.0f);            // all four
    EXPECT_FLOAT_EQ(TFractal::avgyvals(0, 1, 1, 4, v.data()), (0 + 2 + 11) / 3.0f); // top row
    EXPECT_FLOAT_EQ(TFractal::avgyvals(3, 2, 1, 4, v.data()), (22 + 31 + 33) / 3.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals(2, 0, 1, 4, v.data()), (10 + 30 + 21) / 3.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals(1, 3, 1, 4, v.data()), (3 + 23 + 12) / 3.0f);
    // Neighbours beyond the edge are left out, not read from the next row
    // or past the block.
    EXPECT_FLOAT_EQ(TFractal::avgyvals(0, 2, 2, 4, v.data()), (0 + 22) / 2.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals(2, 0, 2, 4, v.data()), (0 + 22) / 2.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals(3, 3, 2, 4, v.data()), (13 + 31) / 2.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals2(1, 1, 2, 4, v.data()), (0 + 2 + 20 + 22) / 4.0f);
    EXPECT_FLOAT_EQ(TFractal::avgyvals2(3, 3, 2, 4, v.data()), 22.0f); // three corners off the grid
    EXPECT_FLOAT_EQ(TFractal::avgyvals(1, 1, 1, 4, nullptr), 0.0f);
}

TEST(Fractal, RefillsAndRefusals)
{
    TFractal fractal;
    ASSERT_EQ(fractal.FillSurface(33, 40), 0);
    ASSERT_EQ(fractal.FillSurface(9, 9), 0); // replaces the surface
    EXPECT_EQ(fractal.Size(), 9);
    EXPECT_EQ(fractal.GetLevel(9, 0), 1);
    EXPECT_LE(fractal.GetLevel(8, 8), 0);

    ASSERT_EQ(fractal.FillSurface(1, 1), 0); // a single point at the origin
    EXPECT_EQ(fractal.Surface().verts[0].x, 0.0f);
    EXPECT_EQ(fractal.Surface().verts[0].y, 0.0f);
    EXPECT_EQ(fractal.GetLevel(0, 0), 0);

    for (auto [a, b] : {std::pair{0, 5}, {7, -3}, {TFractal::MaxSize + 1, TFractal::MaxSize + 5}}) {
        EXPECT_EQ(fractal.FillSurface(a, b), 1);
        EXPECT_EQ(fractal.Size(), 0);
        EXPECT_EQ(fractal.Surface().verts, nullptr);
        EXPECT_EQ(fractal.GetLevel(0, 0), 1);
    }
}
