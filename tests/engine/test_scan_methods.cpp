// The three scan methods on small rows worked out by hand, and the
// properties every stereogram row must have: pixels repeat at the
// separation their depth asks for.

#include "engine/ScanMethods.h"
#include "engine/SirdsSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

using namespace engine;

namespace {

using Row = std::vector<std::uint8_t>;
using Depth = std::vector<std::int32_t>;

Row identity(int width, int base = 0)
{
    Row row(static_cast<std::size_t>(width));
    std::iota(row.begin(), row.end(), static_cast<std::uint8_t>(base));
    return row;
}

ScanParams params(std::int32_t method, std::int32_t gap, std::int32_t zmin, std::int32_t zmax, DepthScale scale)
{
    ScanParams p;
    p.method = method;
    p.gap = gap;
    p.zmin = zmin;
    p.zmax = zmax;
    p.scale = scale;
    return p;
}

Row shifted(Row row, const Depth& depth, const ScanParams& p)
{
    const ScanTable table(p, static_cast<std::int32_t>(row.size()));
    shiftRow(row.data(), depth.data(), table);
    return row;
}

// True when row[x] == row[x − period] for every x in [from, to).
bool periodic(const Row& row, int period, int from, int to)
{
    for (int x = std::max(from, period); x < to; ++x)
        if (row[static_cast<std::size_t>(x)] != row[static_cast<std::size_t>(x - period)])
            return false;
    return true;
}

} // namespace

TEST(LeftToRight, FlatRowRepeatsTheFirstStripWithPeriodGap)
{
    const Row out = shifted(identity(23), Depth(23, 0), params(LeftToRight, 5, 0, 63, DepthScale::figure()));
    for (int x = 0; x < 23; ++x)
        EXPECT_EQ(out[static_cast<std::size_t>(x)], x % 5) << "x = " << x;
}

TEST(LeftToRight, HandWorkedRow)
{
    // g 4, F 64, D 64: separation 4 − depth. Depth 8 at x = 9 asks for a
    // source at 13, beyond the row: the tile pixel stays.
    Depth depth(10, 0);
    depth[6] = 1;
    depth[9] = 8;
    const Row out = shifted(identity(10), depth, params(LeftToRight, 4, 0, 64, DepthScale::figure()));
    EXPECT_EQ(out, (Row{0, 1, 2, 3, 0, 1, 3, 3, 0, 9}));
}

TEST(LeftToRight, ZminCountsOnlyThroughTheRange)
{
    // zmin 10, zmax 74: D is 64 as with 0..64, and depth is not offset by zmin.
    Depth depth(10, 0);
    depth[6] = 1;
    depth[9] = 8;
    EXPECT_EQ(shifted(identity(10), depth, params(LeftToRight, 4, 10, 74, DepthScale::figure())),
              shifted(identity(10), depth, params(LeftToRight, 4, 0, 64, DepthScale::figure())));
}

TEST(LeftToRight, EveryPixelCopiesItsSourceAtTheSeparationOfItsDepth)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 63);
    std::uniform_int_distribution<int> colour(0, 255);
    const int w = 400;
    for (int trial = 0; trial < 5; ++trial) {
        Row row(w);
        for (auto& v : row)
            v = static_cast<std::uint8_t>(colour(random));
        Depth depth(w);
        for (auto& d : depth)
            d = level(random);
        const ScanParams p = params(LeftToRight, 100, 0, 63, DepthScale::figure());
        const Row out = shifted(row, depth, p);
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(out[x], row[x]) << "the reference strip stays";
        for (int x = 100; x < w; ++x) {
            const int sep = 100 - depth[x] * 64 / 63;
            ASSERT_EQ(out[x], out[x - sep]) << "x = " << x;
        }
    }
}

TEST(McMahon, FlatRowsRepeatAtTheSeparationOfTheirDepth)
{
    const int w = 401;
    // At zmin the separation is g; at zmax it is g − g ÷ 2; between, the
    // link offset scales with (depth − zmin) ÷ D.
    struct Case {
        std::int32_t depth;
        int period;
    } cases[] = {{10, 100}, {73, 50}, {41, 100 - (31 * 50) / 63}};
    for (const Case& c : cases) {
        const Row out = shifted(identity(w, 0), Depth(w, c.depth), params(McMahon, 100, 10, 73, DepthScale::figure()));
        EXPECT_TRUE(periodic(out, c.period, 0, w)) << "depth " << c.depth;
        EXPECT_FALSE(periodic(out, c.period - 1, 0, w)) << "depth " << c.depth;
    }
}

TEST(McMahon, HandWorkedFlatRow)
{
    // g 4, h 2, zmin 0, zmax 2: t = x − 4 + depth. Width 12, mid 6.
    const Row out = shifted(identity(12), Depth(12, 0), params(McMahon, 4, 0, 2, DepthScale::figure()));
    EXPECT_EQ(out, (Row{4, 5, 2, 3, 4, 5, 2, 3, 4, 5, 2, 3}));
}

TEST(McMahon, RightHalfRepeatsTheLeftNeighbourWhenTheTargetDoesNotAdvance)
{
    // x = 8 links to 6; x = 9 and 10 link to 5 and 6, not past 6, so they
    // repeat their left neighbour; x = 11 links to 7 again.
    Depth depth(12, 0);
    depth[8] = 2;
    const Row out = shifted(identity(12), depth, params(McMahon, 4, 0, 2, DepthScale::figure()));
    EXPECT_EQ(out, (Row{4, 5, 2, 3, 4, 5, 2, 3, 2, 2, 2, 3}));
}

TEST(McMahon, LeftHalfFillsThePositionsATargetJumpsOver)
{
    // x = 5 links to 3; x = 4 links to 0, and 1, 2 take the same colour.
    Depth depth(12, 0);
    depth[5] = 2;
    const Row out = shifted(identity(12), depth, params(McMahon, 4, 0, 2, DepthScale::figure()));
    EXPECT_EQ(out, (Row{4, 4, 4, 5, 4, 5, 4, 5, 4, 5, 4, 5}));
}

TEST(McMahon, RightHalfCopiesFromTheLinkTarget)
{
    // Random depths: in the right half every pixel either equals its link
    // target (when the target advances) or its left neighbour.
    std::mt19937 random(3);
    std::uniform_int_distribution<int> level(0, 63);
    const int w = 300;
    Depth depth(w);
    for (auto& d : depth)
        d = level(random);
    const Row out = shifted(identity(w, 0), depth, params(McMahon, 100, 0, 63, DepthScale::figure()));
    for (int x = w / 2; x < w; ++x) {
        const int t = x - 100 + depth[x] * 50 / 63;
        ASSERT_TRUE(out[x] == out[t] || out[x] == out[x - 1]) << "x = " << x;
    }
}

TEST(Feucht, FarPlaneLinksEveryPixelToItself)
{
    // zmin 0, zmax 1: far = 4; with k = 4 depth 1 is the far plane.
    const Row row = identity(40);
    EXPECT_EQ(shifted(row, Depth(40, 1), params(Feucht, 100, 0, 1, DepthScale::figure())), row);
}

TEST(Feucht, FlatRowRepeatsWithThePairWidth)
{
    // W 40: E = 10; zmin 0, zmax 1, k 1: near 2, far 4, s = 2 × 10 ÷ 4 = 5.
    const Row out = shifted(identity(40), Depth(40, 0), params(Feucht, 100, 0, 1, DepthScale::picture()));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(out[static_cast<std::size_t>(x)], 18 + ((x - 18) % 5 + 5) % 5) << "x = " << x;
}

TEST(Feucht, HandWorkedRowWithANearerPixel)
{
    // W 20: E = 5. Depth 0: s = 2 (L = x − 1, R = x + 1). Depth 1 at x = 7:
    // s = 1 × 5 ÷ 3 = 1 (L = 7, R = 8).
    Depth depth(20, 0);
    depth[7] = 1;
    const Row out = shifted(identity(20), depth, params(Feucht, 100, 0, 1, DepthScale::picture()));
    EXPECT_EQ(out, (Row{10, 10, 10, 10, 10, 10, 10, 10, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9}));
}

TEST(Feucht, NegativePairWidthAndRightHalfFill)
{
    // Depth 3 at x = 12: z = 3 lies between near and far, s = −5, so
    // ⌊s/2⌋ = −3: L = 15, R = 10. The next accepted pair (x = 17) fills
    // 11 … 17.
    Depth depth(20, 0);
    depth[12] = 3;
    const Row out = shifted(identity(20), depth, params(Feucht, 100, 0, 1, DepthScale::picture()));
    EXPECT_EQ(out, (Row{10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16}));
}

TEST(Feucht, PairWhoseLeftEndLeavesTheRowIsSkipped)
{
    // Depth 3 at x = 17: s = −5, L = 20 lies beyond the 20-pixel row while
    // R = 15 is inside; the pair is skipped and x = 18 fills 18.
    Depth depth(20, 0);
    depth[17] = 3;
    Row row = identity(20);
    row.push_back(0xAA); // what lies past the row must not be copied in
    const ScanTable table(params(Feucht, 100, 0, 1, DepthScale::picture()), 20);
    shiftFeucht(row.data(), depth.data(), table);
    row.pop_back();
    EXPECT_EQ(row, (Row{10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 10, 9, 9, 9}));
}

TEST(ScanTable, PairWidthFallsFromHalfToAThirdOfE)
{
    // k 1: s(zmin) = E ÷ 2, s(zmax) = E ÷ 3 (E = 1200 × 5 ÷ 20 = 300).
    const ScanTable table(params(Feucht, 100, 0, 63, DepthScale::picture()), 1200);
    EXPECT_EQ(table.value(0), 150);
    EXPECT_EQ(table.value(63), 100);
    EXPECT_EQ(table.value(252), 0) << "far plane";
}

TEST(ScanTable, ValuesOutsideTheTableAreComputedTheSameWay)
{
    const ScanParams p = params(LeftToRight, 100, 0, 63, DepthScale::figure());
    const ScanTable table(p, 500);
    EXPECT_EQ(table.value(ScanTable::kHighest + 1), 100 - (ScanTable::kHighest + 1) * 64 / 63);
    EXPECT_EQ(table.value(-5000), 100 + 5000 * 64 / 63);
    EXPECT_EQ(table.value(100000), table.compute(100000));
}

TEST(ScanTable, EqualZminAndZmaxCountAsFlat)
{
    // D = 0: no division; the depth moves nothing.
    const ScanTable ltr(params(LeftToRight, 90, 20, 20, DepthScale::figure()), 400);
    const ScanTable mcm(params(McMahon, 90, 20, 20, DepthScale::figure()), 400);
    for (std::int32_t d : {0, 20, 63, 255, -7}) {
        EXPECT_EQ(ltr.value(d), 90);
        EXPECT_EQ(mcm.value(d), 0);
    }
    Depth depth(400);
    std::iota(depth.begin(), depth.end(), 0);
    const Row out = shifted(identity(400), depth, params(McMahon, 90, 20, 20, DepthScale::figure()));
    EXPECT_TRUE(periodic(out, 90, 0, 400));
    const Row ltrOut = shifted(identity(400), depth, params(LeftToRight, 90, 20, 20, DepthScale::figure()));
    EXPECT_TRUE(periodic(ltrOut, 90, 0, 400));
}

TEST(ScanTable, ExtremeRangesDoNotOverflow)
{
    // The widest range a hand-edited configuration can hold: every value
    // stays within the row or is skipped, with no wrap-around.
    const ScanParams p = params(McMahon, 100, -2147483647 - 1, 2147483647, DepthScale::figure());
    const ScanTable table(p, 400);
    EXPECT_EQ(table.value(-2147483647 - 1), 0);
    EXPECT_EQ(table.value(2147483647), 50);
    // Feucht at W 200 (E 50): near 6442450942, far 15032385532, z = 4 × max
    // = 8589934588, so s = (−2147483646 × 50) ÷ 6442450944 = −16.
    const ScanTable feucht(params(Feucht, 100, -2147483647 - 1, 2147483647, DepthScale::figure()), 200);
    EXPECT_EQ(feucht.value(2147483647), -16);
    Row row = identity(200);
    shiftFeucht(row.data(), Depth(200, 2147483647).data(), feucht);
    for (std::uint8_t v : row)
        EXPECT_LT(v, 200);
}

TEST(ScanMethods, OtherMethodsLeaveTheRowUnchanged)
{
    const Row row = identity(50);
    for (std::int32_t method : {0, 5, -1})
        EXPECT_EQ(shifted(row, Depth(50, 30), params(method, 10, 0, 63, DepthScale::figure())), row);
}

TEST(ScanMethods, TinyAndOddRowsStayInside)
{
    // Widths down to one pixel, gaps wider than the row and negative gaps
    // from a hand-edited configuration: nothing is read or written outside.
    for (std::int32_t method : {LeftToRight, McMahon, Feucht}) {
        for (int w : {1, 2, 3, 7}) {
            for (std::int32_t gap : {-50, 0, 1, 2, 100}) {
                Row row(static_cast<std::size_t>(w) + 2, 0xEE);
                std::iota(row.begin() + 1, row.end() - 1, 1);
                Depth depth(static_cast<std::size_t>(w), 0);
                const ScanTable table(params(method, gap, 0, 63, DepthScale::figure()), w);
                shiftRow(row.data() + 1, depth.data(), table);
                EXPECT_EQ(row.front(), 0xEE);
                EXPECT_EQ(row.back(), 0xEE);
                for (int x = 1; x <= w; ++x)
                    EXPECT_TRUE(row[x] >= 1 && row[x] <= w) << "method " << method << " width " << w;
            }
        }
    }
}

namespace {

// The methods pixel by pixel, as they were before spans of one depth were
// copied a block at a time: the reference the block copies must match.
void referenceShift(Row& row, const Depth& depth, const ScanTable& table)
{
    const std::int64_t width = table.width();
    const std::int64_t g = table.params().gap;
    const std::int64_t mid = width / 2;
    const bool fresh = table.params().freshFill;
    auto at = [&](std::int64_t i) -> std::uint8_t& { return row.at(static_cast<std::size_t>(i)); };
    auto value = [&](std::int64_t x) -> std::int64_t { return table.value(depth.at(static_cast<std::size_t>(x))); };
    if (table.params().method == LeftToRight) {
        std::int64_t lastSource = -1;
        for (std::int64_t x = std::max<std::int64_t>(g, 0); x < width; ++x) {
            const std::int64_t src = x - value(x);
            if ((fresh && src <= lastSource) || src < 0 || src >= width)
                continue;
            at(x) = at(src);
            lastSource = src;
        }
    } else if (table.params().method == McMahon) {
        std::int64_t limit = width, prev = 0, last = 0;
        for (std::int64_t x = mid - 1; x >= 0; --x) {
            const std::int64_t t = x - g + value(x);
            if (t < 0 || t >= limit)
                continue;
            at(t) = at(x);
            for (std::int64_t p = t + 1; p < prev && !fresh; ++p)
                at(p) = at(x);
            limit = prev = t;
        }
        for (std::int64_t x = mid; x < width; ++x) {
            const std::int64_t t = x - g + value(x);
            if (t < 0)
                continue;
            if (t > last && t < width) {
                at(x) = at(t);
                last = t;
            } else if (x > 0 && !fresh) {
                at(x) = at(x - 1);
            }
        }
    } else {
        std::int64_t limit = width, prevL = 0, lastL = 0, prevR = width;
        for (std::int64_t x = mid - 1; x >= 0; --x) {
            const std::int64_t s = value(x), l = x - (s >> 1), r = l + s;
            if (l < 0 || l >= width || r < 0 || r >= width || r >= limit)
                continue;
            at(l) = at(r);
            for (std::int64_t p = l + 1; p < prevL && !fresh; ++p)
                at(p) = at(r);
            limit = r;
            prevL = l;
        }
        for (std::int64_t x = mid; x < width; ++x) {
            const std::int64_t s = value(x), l = x - (s >> 1), r = l + s;
            if (l < 0 || l >= width || r < 0 || r >= width || l <= lastL)
                continue;
            at(r) = at(l);
            for (std::int64_t p = prevR + 1; p < r && !fresh; ++p)
                at(p) = at(l);
            lastL = l;
            prevR = r;
        }
    }
}

} // namespace

TEST(ScanMethods, SpansOfOneDepthMatchThePixelByPixelScan)
{
    // Rows of runs from 1 to 40 pixels long, with depths that step up and
    // down (links crossing, targets that stop advancing), for gaps down to
    // links shorter than a block, both fills, and odd widths (a narrow row
    // gives Feucht's pairs widths under a block).
    std::mt19937 random(7);
    for (std::int32_t method : {LeftToRight, McMahon, Feucht}) {
        for (std::int32_t gap : {6, 12, 40, 120}) {
            for (bool fresh : {false, true}) {
                for (int trial = 0; trial < 20; ++trial) {
                    const int width = std::array{640, 401, 37}[static_cast<std::size_t>(trial % 3)];
                    Depth depth(static_cast<std::size_t>(width));
                    for (int x = 0; x < width;) {
                        const int run = 1 + static_cast<int>(random() % 40);
                        const auto level = static_cast<std::int32_t>(random() % 64);
                        for (int k = 0; k < run && x < width; ++k, ++x)
                            depth[static_cast<std::size_t>(x)] = level;
                    }
                    ScanParams p = params(method, gap, 0, 63, DepthScale::figure());
                    p.freshFill = fresh;
                    const ScanTable table(p, width);
                    Row want(static_cast<std::size_t>(width));
                    for (auto& v : want)
                        v = static_cast<std::uint8_t>(random());
                    Row got = want;
                    referenceShift(want, depth, table);
                    shiftRow(got.data(), depth.data(), table);
                    ASSERT_EQ(got, want) << "method " << method << " gap " << gap << " fresh " << fresh << " trial "
                                         << trial;
                }
            }
        }
    }
}
