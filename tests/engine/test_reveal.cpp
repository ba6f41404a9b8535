// Revealing depth: stereograms of known separations made here in the test
// read back; pictures with no repeat refused; the grey scale, stopping and
// the thread count.

#include "RevealFixtures.h"
#include "RevealMatcher.h"
#include "RowWorkers.h"

#include "engine/Reveal.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace engine;
using namespace reveal_fixtures;

namespace {

// Plateaus: background 90, a box at 70 and, inside it, a box at 56.
int plateaus(int x, int y)
{
    if (x >= 250 && x < 330 && y >= 70 && y < 150)
        return 56;
    if (x >= 180 && x < 400 && y >= 40 && y < 200)
        return 70;
    return 90;
}

// Pixels whose midpoint separation is the same all around them, well away
// from every edge, must be exact within a pixel.
void expectExactAwayFromEdges(const RevealResult& r, int width, int height, const SepField& sep)
{
    const std::vector<int> mid = midpointField(width, height, sep);
    int checked = 0;
    for (int y = 8; y < height - 8; ++y)
        for (int x = 100; x < width - 8; ++x) {
            const int s = mid[static_cast<std::size_t>(y) * width + x];
            bool flat = s != 0;
            for (int dy = -8; dy <= 8 && flat; ++dy)
                for (int dx = -8; dx <= 8 && flat; ++dx)
                    flat = mid[static_cast<std::size_t>(y + dy) * width + x + dx] == s;
            if (!flat)
                continue;
            ++checked;
            const float got = r.separation[static_cast<std::size_t>(y) * width + x];
            ASSERT_LE(std::abs(got - static_cast<float>(s)), 1.0f) << "at (" << x << ", " << y << ")";
        }
    EXPECT_GT(checked, width * height / 3);
}

TEST(RevealPlateaus, TrueColourSeparationsAreExactAwayFromEdges)
{
    const int w = 480, h = 240;
    const auto dots = randomDots(w, h, plateaus, 12, 1);
    const Picture p = trueColour(dots, w, h);
    const RevealResult r = revealDepth(*p.bitmap, nullptr);
    ASSERT_TRUE(r.done()) << r.error;
    EXPECT_LE(r.range.minSep, 56);
    EXPECT_GE(r.range.maxSep, 90);
    EXPECT_EQ(r.range.period, 90); // the background has most pixels
    expectExactAwayFromEdges(r, w, h, plateaus);
    // Near is bright: the inner box is whiter than the outer, the outer than the background.
    auto grey = [&](int x, int y) { return r.depth->rowFromTop(y)[x]; };
    EXPECT_GT(grey(260, 110), grey(200, 60));
    EXPECT_GT(grey(200, 60), grey(60, 20));
}

TEST(RevealPlateaus, PaletteColoursAreComparedNotIndices)
{
    const int w = 480, h = 240;
    const auto dots = randomDots(w, h, plateaus, 6, 2);
    const Picture p = twinPalette(dots, w, h, 6);
    const RevealResult r = revealDepth(*p.bitmap, &p.palette);
    ASSERT_TRUE(r.done()) << r.error;
    expectExactAwayFromEdges(r, w, h, plateaus);
}

TEST(RevealPlateaus, TwoColourDotsAndAGivenRange)
{
    const int w = 480, h = 240;
    const auto dots = randomDots(w, h, plateaus, 2, 3);
    const Picture p = twinPalette(dots, w, h, 2);
    RevealOptions options;
    options.minSep = 50;
    options.maxSep = 100;
    const RevealResult r = revealDepth(*p.bitmap, &p.palette, options);
    ASSERT_TRUE(r.done()) << r.error;
    expectExactAwayFromEdges(r, w, h, plateaus);
    // The grey scale spans the range given: 100 black, 50 white.
    EXPECT_EQ(r.blackSeparation, 100.0f);
    EXPECT_EQ(r.whiteSeparation, 50.0f);
    EXPECT_NEAR(r.depth->rowFromTop(120)[40], 255.0 * 10 / 50, 6.0);  // separation 90
    EXPECT_NEAR(r.depth->rowFromTop(110)[290], 255.0 * 44 / 50, 6.0); // separation 56
    EXPECT_EQ(r.palette.size(), 256u);
    EXPECT_EQ(r.palette[200], (platform::PALETTEENTRY{200, 200, 200, 0}));
}

// The matcher takes the separations 16 at a time and the last, shorter
// block as one more block of 16 ending at the range's end: ranges whose
// ends fall in every place of a block, with the background (90) and the
// inner box (56) at their first and last separations.
TEST(RevealPlateaus, GivenRangesOfEveryLengthAgainstBlocks)
{
    const int w = 480, h = 240;
    const auto dots = randomDots(w, h, plateaus, 12, 4);
    const Picture p = trueColour(dots, w, h);
    for (const auto& [lo, hi] : {std::pair{56, 90}, std::pair{56, 104}, std::pair{50, 90}, std::pair{43, 90},
                                 std::pair{56, 100}, std::pair{56, 91}}) {
        SCOPED_TRACE(std::to_string(lo) + " to " + std::to_string(hi));
        RevealOptions options;
        options.minSep = lo;
        options.maxSep = hi;
        const RevealResult r = revealDepth(*p.bitmap, nullptr, options);
        ASSERT_TRUE(r.done()) << r.error;
        expectExactAwayFromEdges(r, w, h, plateaus);
    }
}

TEST(RevealPlateaus, SameResultWhateverTheThreadCount)
{
    const int w = 300, h = 97;
    auto ramp = [](int x, int) { return 60 + x / 20; };
    const Picture p = trueColour(randomDots(w, h, ramp, 16, 4), w, h);
    RevealOptions one, two;
    one.threads = 1;
    two.threads = 2;
    const RevealResult a = revealDepth(*p.bitmap, nullptr, one);
    const RevealResult b = revealDepth(*p.bitmap, nullptr, two);
    ASSERT_TRUE(a.done() && b.done());
    EXPECT_EQ(a.separation, b.separation);
    EXPECT_EQ(*a.depth, *b.depth);
    // A smooth ramp correlates with its midpoints almost perfectly.
    EXPECT_GT(correlation(a, midpointField(w, h, ramp)), 0.98);
}

// Dots of thousands of colours, not blended: compared by spans like an
// oversampled picture, and still exact.
TEST(RevealPlateaus, ManyColoursUnblendedAreExactAwayFromEdges)
{
    const int w = 480, h = 240;
    const auto dots = randomDots(w, h, plateaus, 1 << 24, 6);
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bitmap->setPixel(x, h - 1 - y, static_cast<std::uint32_t>(dots[static_cast<std::size_t>(y) * w + x]));
    const RevealResult r = revealDepth(*p.bitmap, nullptr);
    ASSERT_TRUE(r.done()) << r.error;
    EXPECT_LE(r.range.minSep, 56);
    EXPECT_GE(r.range.maxSep, 90);
    expectExactAwayFromEdges(r, w, h, plateaus);
}

// A true-colour stereogram drawn at four times the width and shrunk by
// averaging each four sub-pixels, as oversampling does: the plateaus repeat
// at 56.5, 70.25 and 90 pixels, so a pixel's copy is a blend of two.
TEST(RevealPlateaus, BlendedPicturesRepeatingAtFractionsOfAPixel)
{
    const int w = 480, h = 240, k = 4;
    auto quarters = [](int x, int y) {
        const int X = x / k;
        if (X >= 250 && X < 330 && y >= 70 && y < 150)
            return 226;
        if (X >= 180 && X < 400 && y >= 40 && y < 200)
            return 281;
        return 360;
    };
    std::mt19937 random(5);
    std::vector<int> wide(static_cast<std::size_t>(w * k));
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        // Dots one pixel wide, then copied along the row at sub-pixel separations.
        for (int x = 0; x < w * k; ++x) {
            const int s = quarters(x, y);
            wide[static_cast<std::size_t>(x)] =
                x >= s ? wide[static_cast<std::size_t>(x - s)] : x % k == 0 ? static_cast<int>(random() % 64)
                                                                           : wide[static_cast<std::size_t>(x - 1)];
        }
        for (int x = 0; x < w; ++x) {
            int r = 0, g = 0, b = 0;
            for (int i = 0; i < k; ++i) {
                const auto c = colourOf(wide[static_cast<std::size_t>(x * k + i)]);
                r += c.peRed;
                g += c.peGreen;
                b += c.peBlue;
            }
            p.bitmap->setPixel(x, h - 1 - y,
                               static_cast<std::uint32_t>((r / k) << 16 | (g / k) << 8 | (b / k)));
        }
    }
    const RevealResult r = revealDepth(*p.bitmap, nullptr);
    ASSERT_TRUE(r.done()) << r.error;
    EXPECT_LE(r.range.minSep, 56);
    EXPECT_GE(r.range.maxSep, 90);
    EXPECT_LE(r.range.maxSep, 110); // the echoes at twice a separation are left out
    // Well inside each plateau (pairs are shown at their midpoints, half a
    // separation to the left of their right ends).
    struct Area {
        int x0, x1, y0, y1;
        float sep;
    };
    for (const Area a : {Area{100, 140, 5, 35, 90.0f}, Area{165, 340, 45, 62, 70.25f}, Area{235, 290, 80, 140, 56.5f}}) {
        int off = 0, checked = 0;
        for (int y = a.y0; y < a.y1; ++y)
            for (int x = a.x0; x < a.x1; ++x) {
                ++checked;
                if (std::abs(r.separation[static_cast<std::size_t>(y) * w + x] - a.sep) > 1.0f)
                    ++off;
            }
        EXPECT_LT(off, checked / 100) << "separation " << a.sep;
    }
}

// Scenes whose repeats invite the range search to lock onto twice the
// true separation: ridges and a long staircase of narrow steps, each in
// many-coloured and in black-and-white dots, and a ramp from top to bottom.
// The range must cover the separations used, stop short of twice the
// nearest and not reach down to half of it.
TEST(RevealPlateaus, MultiplesProneScenes)
{
    constexpr double pi = 3.14159265358979;
    struct Scene {
        const char* name;
        SepField sep;
        int nearest, farthest;
    };
    const Scene scenes[] = {
        {"ridges", [](int x, int) { return 75 + static_cast<int>(std::lround(12 * std::sin(2 * pi * x / 150))); }, 63,
         87},
        {"staircase", [](int x, int) { return 60 + (x / 24) % 20; }, 60, 79},
        // Each row one separation, the far rows' votes spread thinly over
        // the sampled strips: the range must still reach them.
        {"vertical ramp", [](int, int y) { return 50 + y / 6; }, 50, 89},
        // Ridges slanted across the rows, twice as far apart as the
        // separation: a pixel and its copy lie on different slopes, while
        // pixels two copies apart often lie on alike ones and match better,
        // at the sum of two separations.
        {"slanted ridges",
         [](int x, int y) { return 75 + static_cast<int>(std::lround(12 * std::sin(2 * pi * (x + y) / 150))); }, 63,
         87},
    };
    const int w = 480, h = 240;
    for (const Scene& scene : scenes) {
        for (int colours : {64, 2}) {
            if (kFirstCaseOnly && colours != 64)
                continue;
            const Picture p = trueColour(randomDots(w, h, scene.sep, colours, 8), w, h);
            const RevealResult r = revealDepth(*p.bitmap, nullptr);
            ASSERT_TRUE(r.done()) << scene.name << ": " << r.error;
            EXPECT_LE(r.range.minSep, scene.nearest) << scene.name << " " << colours;
            // Two-colour dots repeat by chance at every separation: the
            // range must not follow that floor of votes down.
            EXPECT_GT(2 * r.range.minSep, scene.nearest) << scene.name << " " << colours;
            EXPECT_GE(r.range.maxSep, scene.farthest) << scene.name << " " << colours;
            EXPECT_LT(r.range.maxSep, 2 * scene.nearest + (scene.farthest - scene.nearest))
                << scene.name << " " << colours;
            EXPECT_GE(correlation(r, midpointField(w, h, scene.sep)), 0.95) << scene.name << " " << colours;
        }
    }
}

// Slanted ridges whose separations climb from 46 to 83 (as the eyes see a
// surface twice as far behind the picture at its back as at its front), in
// dots of three colours. Pixels two copies apart pair at sums of two
// separations, beyond twice the nearest, and drawn with pairs centred on
// their pixels the sums gather more votes than any separation: they must
// stay out of the range.
TEST(RevealPlateaus, SumsOfTwoSeparationsStayOutOfTheRange)
{
    constexpr double pi = 3.14159265358979;
    struct Case {
        const char* maker;
        int width, height;
        std::vector<int> (*dots)(int, int, const SepField&, int, unsigned);
    };
    for (const Case c : {Case{"centred", 600, 400, centredDots}, Case{"copying from the left", 1024, 768, randomDots}}) {
        if (kFirstCaseOnly && c.dots != centredDots)
            continue;
        const double period = c.width / 5.0;
        const SepField sep = [=](int x, int y) {
            const double behind = 4.76 + 7.24 * (0.5 - 0.5 * std::sin(2 * pi * (x + y) / period));
            return static_cast<int>(std::lround(180 * behind / (behind + 14)));
        };
        for (unsigned seed : {8u, 9u}) {
            if (kFirstCaseOnly && seed != 8u)
                continue;
            const Picture p = trueColour(c.dots(c.width, c.height, sep, 3, seed), c.width, c.height);
            const RevealResult r = revealDepth(*p.bitmap, nullptr);
            ASSERT_TRUE(r.done()) << r.error;
            EXPECT_LE(r.range.minSep, 46) << c.maker << " " << seed;
            EXPECT_GE(r.range.maxSep, 83) << c.maker << " " << seed;
            EXPECT_LT(r.range.maxSep, 2 * 46) << c.maker << " " << seed;
        }
    }
}

// A pattern of flat patches, as a camouflage tile has them: a window
// inside a patch, or along an edge that runs with the row, repeats at every
// separation, the smallest first, and must not vote for it (the period
// came out as 4 and the depth was lost). Few pixels of such a pattern tell
// their depth, and the filling between them reads it roughly.
TEST(RevealPlateaus, FlatPatchesOfAPatternDoNotVoteForTheSmallestSeparation)
{
    const int w = 600, h = 400, tw = 100, th = 100;
    const SepField sep = [](int x, int y) { return std::hypot(x - 300.0, y - 200.0) < 120 ? 85 : 100; };
    for (unsigned seed : {5u, 6u}) {
        if (kFirstCaseOnly && seed != 5u)
            continue;
        const std::vector<int> tile = patchTile(tw, th, 12, 6, seed);
        const Picture p = trueColour(centredPattern(w, h, sep, tile, tw, th), w, h);
        const RevealResult r = revealDepth(*p.bitmap, nullptr);
        ASSERT_TRUE(r.done()) << r.error;
        EXPECT_GE(r.range.period, 85) << seed;
        EXPECT_LE(r.range.period, 100) << seed;
        EXPECT_GE(r.range.maxSep, 100) << seed;
        EXPECT_GE(correlation(r, midpointField(w, h, sep)), 0.6) << seed;
    }
}

// Ridges close together down the picture, drawn as most programs draw:
// each pixel's pair centred on it, its right end copying its left. The
// separation changes by more than a pixel from one column to the next, and
// a window three columns wide rarely matches whole, where one a column wide
// and as many pixels tall does.
TEST(RevealPlateaus, FineUprightRidgesAreReadByATallWindow)
{
    constexpr double pi = 3.14159265358979;
    const auto sep = [](int x) { return 75 + static_cast<int>(std::lround(12 * std::sin(2 * pi * x / 60))); };
    const int w = 480, h = 240;
    for (int colours : {2, 3}) {
        const Picture p = trueColour(centredDots(w, h, [&](int x, int) { return sep(x); }, colours, 9), w, h);
        RevealOptions options;
        options.minSep = 55;
        options.maxSep = 95;
        const RevealResult r = revealDepth(*p.bitmap, nullptr, options);
        ASSERT_TRUE(r.done()) << r.error;
        std::vector<double> found, truth;
        for (int y = 0; y < h; ++y)
            for (int x = 60; x < w - 60; ++x) {
                found.push_back(r.separation[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)]);
                truth.push_back(sep(x));
            }
        EXPECT_GE(pearson(found, truth), 0.95) << colours;
    }
}

// No pair has its midpoint within half a separation of a row's ends, so
// the depth there is not in the picture. Ridges that run slanted across
// the ends carry on along their lines, upright ones by their repeat.
TEST(RevealPlateaus, EndsCarryOnAlongSlantedRidges)
{
    constexpr double pi = 3.14159265358979;
    struct Scene {
        const char* name;
        std::function<double(double x, int y)> sep;
        double least; // correlation in the ends
    };
    const Scene scenes[] = {
        {"slanted", [=](double x, int y) { return 80 + 10 * std::sin(2 * pi * (x + y) / 130); }, 0.8},
        {"steep", [=](double x, int y) { return 80 + 10 * std::sin(2 * pi * (2 * x + y) / 260); }, 0.8},
        // Upright ridges closer than the separation carry on by their repeat.
        {"upright", [=](double x, int) { return 80 + 8 * std::sin(2 * pi * x / 60); }, 0.8},
    };
    const int w = 480, h = 240;
    for (const Scene& scene : scenes) {
        const SepField field = [&](int x, int y) { return static_cast<int>(std::lround(scene.sep(x, y))); };
        const Picture p = trueColour(randomDots(w, h, field, 64, 3), w, h);
        const RevealResult r = revealDepth(*p.bitmap, nullptr);
        ASSERT_TRUE(r.done()) << scene.name << ": " << r.error;
        // The separation a pair centred on (c, y) would have: s = sep(c + s ÷ 2).
        std::vector<double> found, truth;
        for (int y = 0; y < h; ++y)
            for (int c : {0, 10, 20, 30, w - 31, w - 21, w - 11, w - 1}) {
                double s = 80;
                for (int k = 0; k < 8; ++k)
                    s = scene.sep(c + s / 2, y);
                found.push_back(r.separation[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(c)]);
                truth.push_back(s);
            }
        EXPECT_GE(pearson(found, truth), scene.least) << scene.name;
    }
}


// As some programs draw a pattern: a tile narrower than the separation laid
// down unchanged in a strip in the middle of every row, linked from there
// to both sides. Within the strip the tile repeats exactly at its width in
// every row, while the depth (and the separation) changes down the picture:
// there a window of several rows never matches whole.
TEST(RevealPlateaus, TileDrawnInEveryRowIsNotTakenForTheDepth)
{
    const int w = 480, h = 240, tile = 50, begin = w / 2;
    const auto sep = [](int y) { return 56 + y / 6; }; // 56 … 95
    std::mt19937 random(5);
    std::uniform_int_distribution<int> pick(0, 63);
    std::vector<int> dots(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        int* row = dots.data() + static_cast<std::size_t>(y) * w;
        std::vector<int> texture(tile);
        for (int& t : texture)
            t = pick(random);
        const int s = sep(y);
        for (int x = begin; x < begin + s; ++x)
            row[x] = texture[static_cast<std::size_t>((x - begin) % tile)];
        for (int x = begin + s; x < w; ++x)
            row[x] = row[x - s];
        for (int x = begin - 1; x >= 0; --x)
            row[x] = row[x + s];
    }
    const Picture p = trueColour(dots, w, h);
    const RevealResult r = revealDepth(*p.bitmap, nullptr);
    ASSERT_TRUE(r.done()) << r.error;
    // The pairs of the tile's own repeat lie around the strip's middle.
    int wrong = 0, band = 0;
    for (int y = 0; y < h; ++y)
        for (int x = begin + tile / 2; x < begin + sep(y) - tile / 2; ++x, ++band) {
            const float found = r.separation[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
            wrong += std::abs(found - static_cast<float>(sep(y))) > 1.0f;
        }
    EXPECT_LT(wrong, band / 100) << wrong << " of " << band;
}

// The strips at the ends of the rows carry on what was matched beside
// them; one row whose last match strays (a chance repeat near the end)
// must not carry its stray value through its whole strip (and the stray
// itself is smoothed away).
TEST(RevealPlateaus, OneStrayMatchAtARowsEndStaysInItsPlace)
{
    const int w = 200, h = 40, strip = 30;
    std::vector<float> sep(static_cast<std::size_t>(w) * h, reveal::kHole);
    for (int y = 0; y < h; ++y)
        for (int x = strip; x < w - strip; ++x)
            sep[static_cast<std::size_t>(y) * w + x] = 80.0f;
    sep[static_cast<std::size_t>(20) * w + w - strip] = 50.0f; // the stray, one beyond the others
    ASSERT_TRUE(reveal::fillHoles(sep, w, h));
    for (int x = w - strip; x < w; ++x)
        EXPECT_EQ(sep[static_cast<std::size_t>(20) * w + x], 80.0f) << x;
    EXPECT_EQ(sep[static_cast<std::size_t>(20) * w], 80.0f);
}

// A row whose first match lies further in than half its separation starts
// beside a nearer surface: what lies before it is the farther surface of
// the rows around. Where every row starts so far in, the maker left a wide
// strip and each row carries on its own.
TEST(RevealPlateaus, EndsBesideANearerSurfaceTakeTheFartherOne)
{
    const int w = 200, h = 60;
    struct Case {
        const char* name;
        int backgroundStart; // where the rows of separation 80 start
        float expected;      // in the strip of rows 20 to 39
        float nearSlope;     // of the near surface, per pixel along the row
    };
    // The farther surface a hidden end takes carries on flat: the near
    // surface's slope is not its own.
    for (const Case c : {Case{"hidden", 41, 80.0f, 0.0f}, Case{"wide strips", 52, 60.0f, 0.0f},
                         Case{"hidden beside a slope", 41, 80.0f, 0.1f}}) {
        std::vector<float> sep(static_cast<std::size_t>(w) * h, reveal::kHole);
        for (int y = 0; y < h; ++y) {
            // Rows 20 to 39 meet a surface of separation 60 from column 52.
            const bool near = y >= 20 && y < 40;
            for (int x = near ? 52 : c.backgroundStart; x < w - 41; ++x)
                sep[static_cast<std::size_t>(y) * w + x] =
                    near && x < 120 ? 60.0f + c.nearSlope * static_cast<float>(x - 52) : 80.0f;
        }
        ASSERT_TRUE(reveal::fillHoles(sep, w, h));
        for (int y = 20; y < 40; ++y)
            for (int x = 0; x < 52; ++x)
                ASSERT_EQ(sep[static_cast<std::size_t>(y) * w + x], c.expected) << c.name << " at (" << x << ", " << y << ")";
    }
}

// A surface that slopes up to a row's end slopes on through the strip; an
// end that is a step (or a plane) carries on flat.
TEST(RevealPlateaus, EndsCarryOnTheSlopeBesideThemButNotAStep)
{
    const int w = 200, h = 80, strip = 30;
    std::vector<float> sep(static_cast<std::size_t>(w) * h, reveal::kHole);
    auto ramp = [](int x) { return 70.0f + 0.25f * static_cast<float>(x); };
    for (int y = 0; y < h; ++y) {
        for (int x = strip; x < w - strip; ++x) {
            float& s = sep[static_cast<std::size_t>(y) * w + x];
            if (y < 30)
                s = ramp(x);
            else if (y >= 50 && x < strip + 4)
                s = 90.0f; // a step four pixels in
            else
                s = x >= 80 && x < 100 ? 60.0f : x >= 100 && x < 120 ? 130.0f : 100.0f;
        }
    }
    ASSERT_TRUE(reveal::fillHoles(sep, w, h));
    auto at = [&](int x, int y) { return sep[static_cast<std::size_t>(y) * w + x]; };
    for (int x = 0; x < strip; ++x) {
        for (int y = 0; y < 22; ++y) {
            ASSERT_NEAR(at(x, y), ramp(x), 0.01f) << "at (" << x << ", " << y << ")";
            ASSERT_NEAR(at(w - 1 - x, y), ramp(w - 1 - x), 0.01f) << "at (" << w - 1 - x << ", " << y << ")";
        }
        for (int y = 37; y < 43; ++y)
            ASSERT_EQ(at(x, y), 100.0f) << "at (" << x << ", " << y << ")";
        for (int y = 60; y < h; ++y)
            ASSERT_EQ(at(x, y), 90.0f) << "at (" << x << ", " << y << ")";
    }
}

// A network of exchanges that orders every input of 0s and 1s orders every
// input: the median of seven is right for all 128 of them.
TEST(RevealSmoothing, MedianOfSevenOfEveryInputOfZerosAndOnes)
{
    for (unsigned bits = 0; bits < 128; ++bits) {
        float v[7];
        for (int i = 0; i < 7; ++i)
            v[i] = static_cast<float>((bits >> i) & 1u);
        const float expected = std::popcount(bits) >= 4 ? 1.0f : 0.0f;
        ASSERT_EQ(reveal::medianOfSeven(v[0], v[1], v[2], v[3], v[4], v[5], v[6]), expected) << bits;
    }
}

// On noise, smoothing in chunks of rows (on one thread or two) gives what
// a plain median of seven down the whole field and then along it gives,
// the windows shrinking to fit at the edges.
TEST(RevealSmoothing, IsAPlainMedianDownThenAlong)
{
    const int w = 57, h = 203;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> level(60, 120);
    std::vector<float> noise(static_cast<std::size_t>(w) * h);
    for (float& v : noise)
        v = static_cast<float>(level(random));
    auto medianOf = [](std::vector<float> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    std::vector<float> down(noise.size()), expected(noise.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::vector<float> v;
            for (int r = std::min({y, h - 1 - y, 3}), k = -r; k <= r; ++k)
                v.push_back(noise[static_cast<std::size_t>(y + k) * w + x]);
            down[static_cast<std::size_t>(y) * w + x] = medianOf(v);
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::vector<float> v;
            for (int r = std::min({x, w - 1 - x, 3}), k = -r; k <= r; ++k)
                v.push_back(down[static_cast<std::size_t>(y) * w + x + k]);
            expected[static_cast<std::size_t>(y) * w + x] = medianOf(v);
        }
    RowWorkers two(2);
    for (RowWorkers* workers : {static_cast<RowWorkers*>(nullptr), &two}) {
        std::vector<float> sep = noise;
        reveal::smoothSeparations(sep, w, h, workers);
        EXPECT_EQ(sep, expected) << (workers ? "two threads" : "one");
    }
}

// Smoothing takes away single wrong matches and short streaks, and leaves
// the edges of a near block (and its corners) where they are, and a slope
// as it is up to the picture's edges.
TEST(RevealSmoothing, StraysGoAndEdgesStay)
{
    const int w = 120, h = 150;
    auto plane = [](int x, int y) { return x >= 40 && x < 80 && y >= 50 && y < 100 ? 60.0f : 90.0f; };
    std::vector<float> sep(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sep[static_cast<std::size_t>(y) * w + x] = plane(x, y);
    sep[static_cast<std::size_t>(64) * w + 10] = 130.0f;       // one stray
    std::fill_n(sep.begin() + 63 * w + 50, 6, 100.0f);         // a streak on the block
    std::fill_n(sep.begin() + 10 * w + 90, 3, 40.0f);          // and beside it
    sep[static_cast<std::size_t>(h - 2) * w + w - 2] = 10.0f;  // next to a corner
    reveal::smoothSeparations(sep, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(sep[static_cast<std::size_t>(y) * w + x], plane(x, y)) << "at (" << x << ", " << y << ")";

    std::vector<float> slope(sep.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            slope[static_cast<std::size_t>(y) * w + x] = 90.0f + 0.25f * static_cast<float>(x) - 0.5f * static_cast<float>(y);
    const std::vector<float> unsmoothed = slope;
    reveal::smoothSeparations(slope, w, h);
    EXPECT_EQ(slope, unsmoothed);
}

// A wave longer than half the matched part of the rows carries on into
// strips as wide as the repeat is seen once beyond them; two steps as far
// apart do not make a repeat.
TEST(RevealPlateaus, LongWavesCarryOnAndFarStepsDoNot)
{
    const int w = 500, h = 64, strip = 100, period = 160;
    auto wave = [](int x) { return 100.0f + 10.0f * std::sin(2.0f * 3.14159265f * static_cast<float>(x) / period); };
    auto steps = [](int x) { return (x < strip + 10 || (x >= strip + period && x < strip + period + 10)) ? 60.0f : 80.0f; };
    for (const auto& [name, field, tolerance] :
         {std::tuple<const char*, float (*)(int), float>{"wave", wave, 0.5f}, {"steps", steps, 0.0f}}) {
        std::vector<float> sep(static_cast<std::size_t>(w) * h, reveal::kHole);
        for (int y = 0; y < h; ++y)
            for (int x = strip; x < w - strip; ++x)
                sep[static_cast<std::size_t>(y) * w + x] = field(x);
        ASSERT_TRUE(reveal::fillHoles(sep, w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < strip; ++x) {
                const float expected = std::string(name) == "wave" ? field(x) : 60.0f;
                ASSERT_NEAR(sep[static_cast<std::size_t>(y) * w + x], expected, tolerance)
                    << name << " at (" << x << ", " << y << ")";
            }
    }
}

// Two steps a hundred columns apart beside a row's end are no repeat: the
// end carries on the step beside it, not what lies a hundred further in.
TEST(RevealPlateaus, TwoStepsARepeatApartAreNoRepeat)
{
    const int w = 400, h = 64;
    std::vector<float> sep(static_cast<std::size_t>(w) * h, reveal::kHole);
    for (int y = 0; y < h; ++y)
        for (int x = 40; x < w - 41; ++x)
            sep[static_cast<std::size_t>(y) * w + x] = (x < 50 || (x >= 140 && x < 150)) ? 60.0f : 80.0f;
    ASSERT_TRUE(reveal::fillHoles(sep, w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(sep[static_cast<std::size_t>(y) * w + x], 60.0f) << "at (" << x << ", " << y << ")";
}

// --- Refusals -------------------------------------------------------------

TEST(RevealRefusal, NoiseHasNoRepeat)
{
    const int w = 400, h = 200;
    for (int colours : {2, 16, 200}) {
        auto none = [](int, int) { return 100000; };
        const Picture p = trueColour(randomDots(w, h, none, colours, 5), w, h);
        const RevealResult r = revealDepth(*p.bitmap, nullptr);
        EXPECT_EQ(r.status, RevealStatus::Refused) << colours << " colours";
        EXPECT_EQ(r.error, kRevealNoRepeatMessage);
        EXPECT_FALSE(r.depth);
    }
}

TEST(RevealRefusal, FlatColourAndSmoothPicturesHaveNoRepeat)
{
    auto flat = platform::Bitmap::create(300, 100, 24);
    EXPECT_EQ(revealDepth(*flat, nullptr).error, kRevealNoRepeatMessage);

    // A smooth gradient matches its neighbours closely everywhere, but
    // nowhere clearly better than elsewhere.
    auto smooth = platform::Bitmap::create(300, 100, 24);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x)
            smooth->setPixel(x, y, static_cast<std::uint32_t>(((x * 255 / 299) << 16) | ((y * 2) << 8) | 90));
    EXPECT_EQ(revealDepth(*smooth, nullptr).error, kRevealNoRepeatMessage);
}

TEST(RevealRefusal, NarrowPicturesAndBadRanges)
{
    auto narrow = platform::Bitmap::create(24, 50, 8);
    RevealResult r = revealDepth(*narrow, nullptr);
    EXPECT_EQ(r.status, RevealStatus::Refused);
    EXPECT_EQ(r.error, "A picture 24 pixels wide is too narrow to reveal a depth from.");

    auto picture = platform::Bitmap::create(200, 50, 8);
    for (auto [lo, hi] : {std::pair{0, 50}, {60, 60}, {70, 40}, {10, 199}, {5, 2000}}) {
        RevealOptions o;
        o.minSep = lo;
        o.maxSep = hi;
        r = revealDepth(*picture, nullptr, o);
        EXPECT_EQ(r.status, RevealStatus::Refused) << lo << ".." << hi;
        EXPECT_EQ(r.error, "Separations from " + std::to_string(lo) + " to " + std::to_string(hi) +
                               " cannot be searched in a picture 200 pixels wide.");
    }
}

TEST(RevealProgress, ReportsRowsAndStopsWhenAsked)
{
    const int w = 300, h = 200;
    const Picture p = trueColour(randomDots(w, h, plateaus, 8, 6), w, h);
    std::vector<int> seen;
    RevealOptions o;
    o.threads = 1;
    o.progress = [&](int done, int total) {
        EXPECT_EQ(total, h);
        seen.push_back(done);
        return true;
    };
    ASSERT_TRUE(revealDepth(*p.bitmap, nullptr, o).done());
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), h);

    int calls = 0;
    o.progress = [&](int, int) { return ++calls < 3; };
    const RevealResult stopped = revealDepth(*p.bitmap, nullptr, o);
    EXPECT_EQ(stopped.status, RevealStatus::Stopped);
    EXPECT_FALSE(stopped.depth);
    EXPECT_EQ(calls, 3);
}

} // namespace
