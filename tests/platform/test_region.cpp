#include "platform/Region.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

using platform::Point;
using platform::Rect;
using platform::Region;
using platform::Span;

namespace {

// contains() over a window, as a set of rows of bools.
std::vector<Span> spansOf(const Region& r, int y)
{
    std::vector<Span> s;
    r.rowSpans(y, s);
    return s;
}

// Every pixel of the window: rowSpans and contains agree, the spans are
// ordered, disjoint and not touching, and bounds is the tightest box.
void expectConsistent(const Region& r, const Rect& window)
{
    Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    bool any = false;
    for (int y = window.top; y < window.bottom; ++y) {
        auto spans = spansOf(r, y);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            ASSERT_LT(spans[i].begin, spans[i].end) << "empty span in row " << y;
            if (i > 0) {
                ASSERT_LT(spans[i - 1].end, spans[i].begin) << "touching spans in row " << y;
            }
        }
        for (int x = window.left; x < window.right; ++x) {
            bool inSpan = false;
            for (const Span& s : spans)
                inSpan = inSpan || (x >= s.begin && x < s.end);
            ASSERT_EQ(r.contains(x, y), inSpan) << "pixel (" << x << ", " << y << ")";
            if (inSpan) {
                any = true;
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    }
    if (any)
        EXPECT_EQ(r.bounds(), box);
    else
        EXPECT_TRUE(r.empty());
}

int countPixels(const Region& r, const Rect& window)
{
    int n = 0;
    for (int y = window.top; y < window.bottom; ++y)
        for (int x = window.left; x < window.right; ++x)
            n += r.contains(x, y);
    return n;
}

} // namespace

TEST(Region, RectangleIncludesLeftAndTopButNotRightAndBottom)
{
    const Region r = Region::rectangle(10, 20, 30, 25);
    EXPECT_TRUE(r.contains(10, 20));
    EXPECT_TRUE(r.contains(29, 24));
    EXPECT_FALSE(r.contains(30, 20));
    EXPECT_FALSE(r.contains(10, 25));
    EXPECT_FALSE(r.contains(9, 20));
    EXPECT_FALSE(r.contains(10, 19));
    EXPECT_EQ(r.bounds(), (Rect{10, 20, 30, 25}));
    // Corners in any order give the same rectangle.
    EXPECT_EQ(Region::rectangle(30, 25, 10, 20).bounds(), r.bounds());
    EXPECT_EQ(Region::rectangle(30, 20, 10, 25).bounds(), r.bounds());
    // No width or no height: no pixel at all.
    EXPECT_TRUE(Region::rectangle(5, 5, 5, 50).empty());
    EXPECT_FALSE(Region::rectangle(5, 5, 5, 50).contains(5, 10));
    EXPECT_EQ(Region::rectangle(5, 5, 50, 5).bounds(), Rect{});
}

TEST(Region, PolygonOfASquareCoversTheSamePixelsAsTheRectangle)
{
    // The centre rule makes both shapes agree pixel for pixel, so a box drawn
    // as a polygon and one drawn as a rectangle give the same depth.
    const Point square[] = {{3, 4}, {13, 4}, {13, 9}, {3, 9}};
    const Region p = Region::polygon(square);
    const Region r = Region::rectangle(3, 4, 13, 9);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(p.contains(x, y), r.contains(x, y)) << x << ", " << y;
    EXPECT_EQ(p.bounds(), r.bounds());
}

TEST(Region, PolygonUsesTheEvenOddRule)
{
    // A five-pointed star drawn in one stroke: the middle pentagon is crossed
    // twice and so lies outside; the tips lie inside.
    const Point star[] = {{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
    const Region r = Region::polygon(star);
    EXPECT_FALSE(r.contains(50, 45)) << "centre of the star";
    EXPECT_TRUE(r.contains(50, 10)) << "top tip";
    EXPECT_TRUE(r.contains(10, 36)) << "left tip";
    EXPECT_FALSE(r.contains(0, 0));
    expectConsistent(r, {-2, -2, 102, 95});

    // Two nested squares given as one self-overlapping outline: a hole.
    const Point ring[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0},
                          {5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    const Region h = Region::polygon(ring);
    EXPECT_TRUE(h.contains(2, 2));
    EXPECT_FALSE(h.contains(10, 10));
    expectConsistent(h, {-1, -1, 22, 22});
}

TEST(Region, DegeneratePolygonsHaveNoPixels)
{
    const Point two[] = {{0, 0}, {10, 10}};
    EXPECT_TRUE(Region::polygon(two).empty());
    const Point line[] = {{0, 0}, {5, 5}, {10, 10}};
    const Region collinear = Region::polygon(line);
    EXPECT_TRUE(collinear.empty());
    EXPECT_EQ(countPixels(collinear, {-2, -2, 12, 12}), 0);
    const Point flat[] = {{0, 3}, {5, 3}, {9, 3}, {2, 3}};
    EXPECT_TRUE(Region::polygon(flat).empty());
}

TEST(Region, SlantedPolygonEdgesFollowTheCentreRule)
{
    // Right triangle with the hypotenuse x = y: the centre of pixel (y, y)
    // sits exactly on the edge, which is the right end of the row's run, so
    // that pixel belongs to the triangle.
    const Point tri[] = {{0, 0}, {0, 10}, {10, 10}};
    const Region r = Region::polygon(tri);
    for (int y = 0; y < 10; ++y) {
        auto s = spansOf(r, y);
        ASSERT_EQ(s.size(), 1u) << y;
        EXPECT_EQ(s[0].begin, 0);
        EXPECT_EQ(s[0].end, y + 1) << "row " << y;
    }
    // Mirrored: the edge now starts the run, so the pixel on it is left out.
    const Point tri2[] = {{10, 0}, {10, 10}, {0, 10}};
    const Region m = Region::polygon(tri2);
    EXPECT_TRUE(spansOf(m, 0).empty()) << "the only pixel of row 0 lies on the edge";
    for (int y = 1; y < 10; ++y) {
        auto s = spansOf(m, y);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].begin, 10 - y) << "row " << y;
        EXPECT_EQ(s[0].end, 10);
    }
    EXPECT_EQ(m.bounds(), (Rect{1, 1, 10, 10}));
    // The two halves of the square tile it without gap or overlap.
    const Point a[] = {{0, 0}, {10, 0}, {10, 10}};
    const Point b[] = {{0, 0}, {10, 10}, {0, 10}};
    const Region ra = Region::polygon(a), rb = Region::polygon(b);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_NE(ra.contains(x, y), rb.contains(x, y)) << x << ", " << y;
}

TEST(Region, EllipseIsSymmetricConvexAndInsideItsBox)
{
    const Region e = Region::ellipse(10, 20, 41, 37);
    const Rect box{10, 20, 41, 37};
    expectConsistent(e, {0, 10, 50, 45});
    for (int y = box.top; y < box.bottom; ++y) {
        auto s = spansOf(e, y);
        ASSERT_LE(s.size(), 1u) << "an ellipse row is one run";
        for (int x = box.left; x < box.right; ++x) {
            const int mx = box.left + box.right - 1 - x;
            const int my = box.top + box.bottom - 1 - y;
            ASSERT_EQ(e.contains(x, y), e.contains(mx, y));
            ASSERT_EQ(e.contains(x, y), e.contains(x, my));
        }
    }
    EXPECT_TRUE(e.contains(25, 28)) << "centre";
    EXPECT_FALSE(e.contains(10, 20)) << "corner of the box";
    EXPECT_FALSE(e.contains(40, 36));
    // The widest row reaches both sides of the box.
    EXPECT_EQ(e.bounds().left, 10);
    EXPECT_EQ(e.bounds().right, 41);
}

TEST(Region, EllipsePixelsMatchTheCentreFormula)
{
    // An independent floating-point evaluation of the rule; the sizes are small
    // enough that double arithmetic is exact here.
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        int l = static_cast<int>(rng() % 20) - 10, t = static_cast<int>(rng() % 20) - 10;
        int r = l + 1 + static_cast<int>(rng() % 25), b = t + 1 + static_cast<int>(rng() % 25);
        const Region e = Region::ellipse(l, t, r, b);
        const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, ax = (r - l) / 2.0, ay = (b - t) / 2.0;
        for (int y = t - 1; y <= b; ++y)
            for (int x = l - 1; x <= r; ++x) {
                const double u = (x + 0.5 - cx) / ax, v = (y + 0.5 - cy) / ay;
                ASSERT_EQ(e.contains(x, y), u * u + v * v < 1.0)
                    << "ellipse " << l << "," << t << "," << r << "," << b << " pixel " << x << "," << y;
            }
    }
}

TEST(Region, SmallEllipses)
{
    // A 1 × 1 ellipse holds its pixel's centre; 2 × 2 holds all four pixels.
    EXPECT_EQ(countPixels(Region::ellipse(0, 0, 1, 1), {-2, -2, 3, 3}), 1);
    EXPECT_EQ(countPixels(Region::ellipse(0, 0, 2, 2), {-2, -2, 4, 4}), 4);
    EXPECT_TRUE(Region::ellipse(0, 0, 0, 10).empty());
    // A 3 × 3 circle reaches its corner pixels' centres (distance 1.41 < 1.5);
    // a 4 × 4 one does not (2.12 > 2).
    EXPECT_EQ(countPixels(Region::ellipse(0, 0, 3, 3), {-1, -1, 4, 4}), 9);
    const Region c = Region::ellipse(0, 0, 4, 4);
    EXPECT_FALSE(c.contains(0, 0));
    EXPECT_FALSE(c.contains(3, 3));
    EXPECT_TRUE(c.contains(1, 0));
    EXPECT_EQ(countPixels(c, {-1, -1, 5, 5}), 12);
}

TEST(Region, RoundRectCornersAreEllipseQuartersAndTheRestIsTheRectangle)
{
    const int l = 5, t = 7, r = 45, b = 107, s = 10;
    const Region rr = Region::roundRect(l, t, r, b, s, s);
    const Region tl = Region::ellipse(l, t, l + s, t + s);
    const Region br = Region::ellipse(r - s, b - s, r, b);
    for (int y = t - 1; y <= b; ++y)
        for (int x = l - 1; x <= r; ++x) {
            bool expected;
            if (x < l || x >= r || y < t || y >= b)
                expected = false;
            else if (x < l + s / 2 && y < t + s / 2)
                expected = tl.contains(x, y);
            else if (x >= r - s / 2 && y >= b - s / 2)
                expected = br.contains(x, y);
            else if ((x < l + s / 2 || x >= r - s / 2) && (y < t + s / 2 || y >= b - s / 2))
                continue; // the other two corners, checked by symmetry below
            else
                expected = true;
            ASSERT_EQ(rr.contains(x, y), expected) << x << ", " << y;
        }
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            ASSERT_EQ(rr.contains(x, y), rr.contains(l + r - 1 - x, y)) << x << ", " << y;
    EXPECT_FALSE(rr.contains(l, t));
    EXPECT_TRUE(rr.contains(l + s / 2, t));
    EXPECT_EQ(rr.bounds(), (Rect{l, t, r, b}));
    expectConsistent(rr, {0, 0, 50, 110});

    // Corner size 0 is a plain rectangle; a corner as large as the box is the ellipse.
    EXPECT_EQ(Region::roundRect(0, 0, 10, 10, 0, 0).shape(), Region::Shape::Rectangle);
    const Region full = Region::roundRect(0, 0, 12, 9, 12, 9);
    const Region e = Region::ellipse(0, 0, 12, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(full.contains(x, y), e.contains(x, y));
    expectConsistent(Region::roundRect(0, 0, 7, 30, 7, 3), {-1, -1, 8, 31});
    expectConsistent(Region::roundRect(0, 0, 30, 7, 4, 7), {-1, -1, 31, 8});
}

TEST(Region, RandomPolygonsAreConsistent)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 60; ++round) {
        std::vector<Point> pts(3 + rng() % 10);
        for (Point& p : pts)
            p = {static_cast<int>(rng() % 41) - 5, static_cast<int>(rng() % 41) - 5};
        const Region r = Region::polygon(pts);
        expectConsistent(r, {-7, -7, 38, 38});
    }
}

TEST(Region, ExtremeCoordinatesStayExactAndSafe)
{
    // Vertices at the ends of the 32-bit range must not overflow the crossing
    // arithmetic: a huge triangle still has the expected pixels near its edge.
    const Point huge[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}};
    const Region r = Region::polygon(huge);
    EXPECT_TRUE(r.contains(INT_MIN, INT_MIN));
    EXPECT_FALSE(r.contains(INT_MAX - 1, INT_MAX - 1));
    // The hypotenuse is x + y = -1. Pixel (-1, -1) has its centre on it, at
    // the right end of its run, so it is in; (0, 0) is beyond it.
    EXPECT_TRUE(r.contains(-1, -1));
    EXPECT_TRUE(r.contains(-3, 0));
    EXPECT_FALSE(r.contains(0, 0));
    auto s = spansOf(r, 0);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].begin, INT_MIN);
    EXPECT_EQ(s[0].end, -1);

    const Region e = Region::ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(e.contains(0, 0));
    EXPECT_FALSE(e.contains(INT_MIN, INT_MIN));
    EXPECT_FALSE(e.empty());
    const Region rr = Region::roundRect(INT_MIN, 0, INT_MAX, 100, INT_MAX, 25);
    EXPECT_TRUE(rr.contains(0, 50));
}
