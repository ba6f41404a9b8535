#include "terrakit/terrakit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

int level(int figure, int x, int y, int cx = 0, int cy = 0, int angle = 0)
{
    return GetFigureLevel(x, y, cx, cy, angle, figure);
}

// The figure formulas written out plainly, every sine computed directly, as
// an independent account of what each level must be (offsets kept small
// enough that 32-bit arithmetic cannot overflow).
int T(double v)
{
    return static_cast<int>(v);
}

int pyramidRef(int x, int y)
{
    int d = std::max(std::abs(x % 120 - 60), std::abs(y % 120 - 60));
    int h = (60 - d) >> 1;
    bool both = (x % 240 < 120 && y % 240 < 120) || (x % 240 >= 120 && y % 240 >= 120);
    return both ? -h : h;
}

int reference(int x, int y, int cx, int cy, int angle, int figure)
{
    const double P = 22.0 / 7.0;
    int dx = x - cx, dy = y - cy;
    double M = std::max(std::abs(dx), std::abs(dy)), m = std::min(std::abs(dx), std::abs(dy));
    double r = std::sqrt(double(dx) * dx + double(dy) * dy);
    double th = std::atan2(double(dy), double(dx));
    double phi = angle * 0.0175;
    int rlim = std::min(std::abs(cx), std::abs(cy));
    auto wind = [&] { return std::abs(T(12 * (th + P + phi))); };
    auto lanes = [&](double rho) {
        if (rho > rlim)
            return 0;
        int n = T(rho) / 50;
        return T((th + phi + (n - 1) * 1) * (6 * T(std::pow(-1.0, n))));
    };
    switch (std::abs(figure)) {
    case 1: return T(10 * std::sin(0.07 * r));
    case 2: return T(10 * std::sin(0.21 * std::sqrt(double(std::abs((dx * dy) / 100)))));
    case 3: return T(10 * std::sin(0.07 * (0.5 * M + m)));
    case 4: return T(10 * std::sin(0.035 * (r + 0.5 * M + m)));
    case 5: return T(10 * std::sin(0.07 * M));
    case 6: return T(10 * std::sin(0.035 * (r + M)));
    case 7: return T(10 * std::sin(0.0263 * (1.5 * M + M + m)));
    case 8: return T(5 * (std::sin(0.07 * M) + std::sin(0.07 * (1.5 * M + m))));
    case 9: return T(5 * (std::sin(0.07 * (0.5 * M + m)) + std::sin(0.07 * M)));
    case 10: return r >= 200 ? 100 : T(r) >> 1;
    case 11: return pyramidRef(x, y);
    case 12: return T(std::sin(0.0175 * y) * (10 * std::sin(0.0175 * x)) + pyramidRef(x, y)) >> 1;
    case 13: return T(std::sin(0.035 * y) * (10 * std::sin(0.035 * x)));
    case 14: return T(8 * (th + phi));
    case 15: return T(4 * th + 6 * std::sin(0.07 * r));
    case 16: return r > rlim ? 0 : wind() % 6;
    case 17: return r > rlim ? 0 : T(5 * std::sin(0.07 * r) + (wind() % 12));
    case 18: return T(6 * std::sin(6 * (th + phi)));
    case 19: return T(3 * std::sin(6 * (th + phi)) + 5 * std::sin(0.07 * r));
    case 20: return lanes(r);
    case 21: return lanes(M);
    case 22: return lanes(m);
    case 23: return lanes(0.5 * M + m);
    default: return 0;
    }
}

} // namespace

TEST(FigureLevel, EveryFigureFollowsItsFormula)
{
    struct Setting {
        int cx, cy, angle, from, to, step;
    };
    // Centres inside and off the picture, turned and plain, over pictures
    // that reach past the sizes the level tables cover.
    const Setting settings[] = {
        {600, 600, 0, -40, 1240, 7},    {100, 50, 30, -300, 700, 11},     {-250, 400, -45, -600, 600, 13},
        {9000, 300, 400, 8000, 8400, 9}, {4100, 4100, 7, 0, 8300, 97},    {0, 0, 0, -20000, 20000, 331},
    };
    for (int figure = -25; figure <= 25; ++figure) {
        int mismatches = 0;
        for (const Setting& s : settings) {
            for (int y = s.from; y <= s.to; y += s.step) {
                for (int x = s.from; x <= s.to; x += s.step) {
                    const int want = reference(x, y, s.cx, s.cy, s.angle, figure);
                    const int got = level(figure, x, y, s.cx, s.cy, s.angle);
                    if (got != want && ++mismatches <= 3)
                        ADD_FAILURE() << "figure " << figure << " at (" << x << ", " << y << ") centre (" << s.cx
                                      << ", " << s.cy << ") angle " << s.angle << ": " << got << ", want " << want;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "figure " << figure;
    }
}

TEST(FigureLevel, CentreAndBoundaryValues)
{
    EXPECT_EQ(level(1, 300, 200, 300, 200), 0);
    EXPECT_EQ(level(10, 300, 200, 300, 200), 0);
    EXPECT_EQ(level(14, 300, 200, 300, 200), 0);
    EXPECT_EQ(level(14, 300, 200, 300, 200, 90), 12);  // T(8 * 1.575)
    EXPECT_EQ(level(14, 301, 200, 300, 200, 1000), 140); // the turn adds 8 * 17.5
    // Conical Deep: the radius 199.4 halves to 99; 200 exactly is the rim.
    EXPECT_EQ(level(10, 141, 141), 99);
    EXPECT_EQ(level(10, 120, 160), 100);
    EXPECT_EQ(level(10, 199, 0), 99);
    EXPECT_EQ(level(10, 5000, 0), 100);
    // Pyramids: cell centres sunken and raised in a checkerboard, cell edges flat.
    EXPECT_EQ(level(11, 60, 60), -30);
    EXPECT_EQ(level(11, 180, 60), 30);
    EXPECT_EQ(level(11, 180, 180), -30);
    EXPECT_EQ(level(11, 0, 0), 0);
    // Star Crater 1 is flat while |dx * dy| < 100.
    EXPECT_EQ(level(2, 9, 11), 0);
    EXPECT_EQ(level(2, -99, 1), 0);
    EXPECT_EQ(level(2, 10, 10), T(10 * std::sin(0.21))); // q = 1 -> 2
}

TEST(FigureLevel, SelectorSignIgnoredAndUnknownFiguresFlat)
{
    for (int figure = 1; figure <= 23; ++figure)
        for (int p = -150; p <= 450; p += 37)
            ASSERT_EQ(level(figure, p, 2 * p - 100, 150, 120, 20), level(-figure, p, 2 * p - 100, 150, 120, 20));
    for (int figure : {0, 24, 25, 100, -24, INT_MAX, INT_MIN})
        EXPECT_EQ(level(figure, 77, 13, 5, 5, 10), 0) << figure;
}

TEST(FigureLevel, LimitedFiguresStopAtTheLargestCircle)
{
    // cx 100, cy 50: the limit is 50 whichever sign the centre has; each
    // figure measures its own distance (r, M, m or 0.5 M + m).
    struct Outside {
        int figure, dx, dy;
    };
    const Outside outside[] = {{16, 36, 36}, {17, 36, 36}, {20, 36, 36}, {21, 51, 10}, {22, 51, 51}, {23, 34, 34}};
    for (int cx : {100, -100}) {
        for (const Outside& o : outside) {
            EXPECT_EQ(level(o.figure, cx + o.dx, 50 + o.dy, cx, 50), 0) << o.figure;
            EXPECT_EQ(level(o.figure, cx + o.dx, 50 + o.dy, cx, 50, 77), 0) << o.figure;
        }
        // A distance equal to the limit is still inside: ring 1, T(θ * -6).
        EXPECT_EQ(level(20, cx + 30, 90, cx, 50), T(std::atan2(40.0, 30.0) * -6)); // -5
        EXPECT_EQ(level(21, cx + 50, 100, cx, 50), T(std::atan2(50.0, 50.0) * -6)); // -4
    }
    // On an axis m is 0, so lane 3 keeps its innermost ring far beyond the circle.
    EXPECT_EQ(level(22, 1100, 50, 100, 50), -6);
    EXPECT_EQ(level(21, 1100, 50, 100, 50), 0);
    // Rings alternate: T((θ - 1) * 6), T(θ * -6), T((θ + 1) * 6).
    EXPECT_EQ(level(20, 200, 230, 200, 200), T((std::atan2(30.0, 0.0) - 1) * 6)); // 3
    EXPECT_EQ(level(20, 200, 260, 200, 200), T(std::atan2(60.0, 0.0) * -6));      // -9
    EXPECT_EQ(level(20, 100, 270, 200, 200), T((std::atan2(70.0, -100.0) + 1) * 6)); // 21
}

TEST(FigureLevel, SymmetriesAndRanges)
{
    const int cx = 400, cy = 300;
    for (int dy = -250; dy <= 250; dy += 7) {
        for (int dx = -350; dx <= 350; dx += 7) {
            // Figures 1 to 10 depend on |dx| and |dy| only, and on neither's order.
            for (int f = 1; f <= 10; ++f) {
                const int v = level(f, cx + dx, cy + dy, cx, cy);
                ASSERT_EQ(v, level(f, cx - dx, cy + dy, cx, cy)) << f;
                ASSERT_EQ(v, level(f, cx + dx, cy - dy, cx, cy)) << f;
                ASSERT_EQ(v, level(f, cx + dy, cy + dx, cx, cy)) << f;
                ASSERT_TRUE(f == 10 ? v >= 0 && v <= 100 : v >= -10 && v <= 10) << f;
            }
            const int x = cx + dx + 350, y = cy + dy + 250; // non-negative positions
            EXPECT_EQ(level(11, x + 120, y), -level(11, x, y));
            EXPECT_EQ(level(11, x + 240, y + 480), level(11, x, y));
            EXPECT_EQ(level(12, x, y, 0, 0), level(12, x, y, cx, cy, 90)); // laid on the picture, not the centre
            EXPECT_EQ(level(13, x, y, 0, 0), level(13, x, y, cx, cy, 90));
            EXPECT_LE(std::abs(level(11, x, y)), 30);
            EXPECT_LE(std::abs(level(13, x, y)), 10);
            EXPECT_LE(std::abs(level(14, x, y, cx, cy)), 25);
            EXPECT_LE(std::abs(level(18, x, y, cx, cy, 33)), 6);
            const int mill = level(16, x, y, 2 * cx, 2 * cy, 45);
            EXPECT_TRUE(mill >= 0 && mill <= 5);
        }
    }
    EXPECT_EQ(level(13, 0, 123), 0);
    EXPECT_EQ(level(13, 123, 0), 0);
}

TEST(FigureLevel, ExtremeArgumentsStayDefined)
{
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    for (int figure = 1; figure <= 23; ++figure) {
        for (int a : extremes) {
            for (int b : extremes) {
                const int v = level(figure, a, b, b, a, a);
                if (figure <= 9 || figure == 13) {
                    EXPECT_LE(std::abs(v), 10) << figure;
                } else if (figure == 10) {
                    EXPECT_TRUE(v >= 0 && v <= 100);
                } else if (figure == 16) {
                    EXPECT_TRUE(v >= 0 && v <= 5);
                }
            }
        }
    }
}
