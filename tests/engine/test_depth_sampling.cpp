// Where picture, depth map and math figure columns land in the depth row,
// and the depth values the two picture sources give.

#include "engine/DepthFit.h"
#include "engine/DepthSampling.h"
#include "engine/SirdsSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

using namespace engine;

TEST(SampleLayout, StripMethodsStartAtHalfTheGap)
{
    // McMahon from a 300-wide source with gap 100: image 400, n 400.
    const SampleLayout l = sampleLayout(300, 400, 100, McMahon);
    EXPECT_EQ(l.x0, 50);
    EXPECT_EQ(l.strip, 100);
    EXPECT_EQ(l.n, 400);
    EXPECT_EQ(l.count(), 250);
    // Image width rounded up to a multiple of four.
    EXPECT_EQ(sampleLayout(299, 399, 100, LeftToRight).n, 400);
    EXPECT_EQ(sampleLayout(299, 399, 100, LeftToRight).count(), 250);
    // Odd gaps truncate.
    EXPECT_EQ(sampleLayout(100, 201, 101, McMahon).x0, 50);
}

TEST(SampleLayout, FeuchtHasNoStrip)
{
    const SampleLayout l = sampleLayout(301, 301, 100, Feucht);
    EXPECT_EQ(l.x0, 0);
    EXPECT_EQ(l.strip, 0);
    EXPECT_EQ(l.n, 304);
    EXPECT_EQ(l.count(), 304);
}

TEST(Brightness, LuminanceRoundedToTheNearestLevel)
{
    EXPECT_EQ(brightness({255, 255, 255, 0}), 255);
    EXPECT_EQ(brightness({255, 0, 0, 0}), 76);
    EXPECT_EQ(brightness({0, 255, 0, 0}), 150);
    EXPECT_EQ(brightness({0, 0, 255, 0}), 29);
    EXPECT_EQ(brightness({0, 0, 0, 0}), 0);
}

// A row of a 24-bit picture takes every colour's brightness exactly as
// brightness() gives it, the exact halves included (their rounding is the
// doubles'): all 2^24 colours, a row of every blue for each red and green,
// the rows starting on alternate pixels so that spans and groups of pixels
// end in new places, and running on past the 256 so that every colour is
// also taken by the loops for long rows, not only by those for a row's end.
TEST(Brightness, RowsAgreeWithTheFormulaForEveryColour)
{
    constexpr int kRun = 34; // and up to 10 more
    std::vector<std::uint8_t> bgr(3 * (256 + 7 + kRun + 10));
    std::vector<std::uint8_t> out(256 + 7 + kRun + 10);
    std::int64_t wrong = 0;
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            const int lead = (red + green) % 8;
            const int width = 256 + lead + kRun + green % 3 * 5;
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = bgr.data() + 3 * x;
                p[0] = static_cast<std::uint8_t>((x - lead) & 255);
                p[1] = static_cast<std::uint8_t>(green);
                p[2] = static_cast<std::uint8_t>(red);
            }
            brightnessRow(bgr.data(), width, out.data());
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = bgr.data() + 3 * x;
                wrong += out[static_cast<std::size_t>(x)] != brightness(platform::PALETTEENTRY{p[2], p[1], p[0], 0});
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(DepthLookup, ByColorIsTheIndexByBrightnessThePaletteColour)
{
    std::vector<platform::PALETTEENTRY> entries(201, platform::PALETTEENTRY{0, 0, 0, 0});
    entries[200] = {255, 0, 0, 0};
    entries[3] = {255, 255, 255, 0};
    const platform::Palette palette(entries);
    std::array<std::int32_t, 256> lookup{};

    depthLookup(ByColor, &palette, lookup);
    EXPECT_EQ(lookup[200], 200) << "whatever the colour";
    EXPECT_EQ(lookup[255], 255);

    depthLookup(ByBrightness, &palette, lookup);
    EXPECT_EQ(lookup[200], 76);
    EXPECT_EQ(lookup[3], 255);
    EXPECT_EQ(lookup[201], 0) << "an entry the palette does not have";

    depthLookup(ByBrightness, nullptr, lookup);
    EXPECT_EQ(lookup[3], 0);
    depthLookup(3, &palette, lookup);
    EXPECT_EQ(lookup[200], 0);
    EXPECT_EQ(lookup[3], 0);
}

TEST(PictureRow, McMahonPlacesColumnZeroAtHalfTheGap)
{
    std::vector<std::uint8_t> source(300);
    std::iota(source.begin(), source.end(), 1); // 1 … 255, 0 …
    std::array<std::int32_t, 256> lookup{};
    depthLookup(ByColor, nullptr, lookup);
    const SampleLayout l = sampleLayout(300, 400, 100, McMahon);
    std::vector<std::int32_t> depth(400, -1);
    samplePictureRow(depth.data(), 400, source.data(), l, lookup);
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(depth[x], 0);
    for (int x = 50; x < 300; ++x)
        ASSERT_EQ(depth[x], source[x - 50]) << x;
    for (int x = 300; x < 400; ++x)
        EXPECT_EQ(depth[x], 0);
}

TEST(PictureRow, FeuchtPlacesColumnIAtI)
{
    std::vector<std::uint8_t> source(301);
    std::iota(source.begin(), source.end(), 7);
    std::array<std::int32_t, 256> lookup{};
    depthLookup(ByColor, nullptr, lookup);
    const SampleLayout l = sampleLayout(301, 301, 100, Feucht);
    std::vector<std::int32_t> depth(l.n, -1);
    samplePictureRow(depth.data(), l.n, source.data(), l, lookup);
    for (int x = 0; x < 301; ++x)
        ASSERT_EQ(depth[x], source[x]);
    // The row padding beyond the picture has depth 0.
    for (int x = 301; x < l.n; ++x)
        EXPECT_EQ(depth[x], 0);
}

TEST(PictureRow, ShortDepthRowIsNeverOverrun)
{
    std::vector<std::uint8_t> source(300, 9);
    std::array<std::int32_t, 256> lookup{};
    depthLookup(ByColor, nullptr, lookup);
    const SampleLayout l = sampleLayout(300, 400, 100, McMahon);
    std::vector<std::int32_t> depth(121, -1);
    samplePictureRow(depth.data(), 120, source.data(), l, lookup);
    EXPECT_EQ(depth[49], 0);
    EXPECT_EQ(depth[50], 9);
    EXPECT_EQ(depth[119], 9);
    EXPECT_EQ(depth[120], -1);
}

TEST(LevelRow, DepthMapColumnsLandLikePictureColumns)
{
    // Map 60 wide, gap 100, McMahon: image 160, n 160, entries 50 … 59 are
    // columns 0 … 9; a Feucht map places column i at i.
    std::vector<std::int32_t> levels(60);
    std::iota(levels.begin(), levels.end(), 100);
    const SampleLayout l = sampleLayout(60, 160, 100, McMahon);
    EXPECT_EQ(l.count(), 10);
    std::vector<std::int32_t> depth(160, -1);
    sampleLevelRow(depth.data(), 160, levels.data(), l);
    for (int x = 0; x < 160; ++x)
        EXPECT_EQ(depth[x], x >= 50 && x < 60 ? 100 + x - 50 : 0) << x;

    const SampleLayout f = sampleLayout(60, 62, 100, Feucht);
    std::vector<std::int32_t> fd(f.n, -1);
    sampleLevelRow(fd.data(), f.n, levels.data(), f);
    for (int x = 0; x < f.n; ++x)
        EXPECT_EQ(fd[x], x < 60 ? 100 + x : 0) << x;
}

namespace {

struct Call {
    std::int32_t x, y, cx, cy, angle, figure;
};
std::vector<Call> calls;

std::int32_t recordingFigure(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t angle,
                             std::int32_t figure)
{
    calls.push_back({x, y, cx, cy, angle, figure});
    return static_cast<std::int32_t>(static_cast<std::int64_t>(x) * 1000 + y);
}

} // namespace

TEST(FigureRow, CentreDisplacementAndAngleReachTheLibrary)
{
    calls.clear();
    FigureSampling f;
    f.level = &recordingFigure;
    f.figureCode = -4;
    f.width = 401;
    f.height = 301;
    f.gap = 101;
    f.dx = 7;
    f.dy = -3;
    f.da = 45;
    f.method = McMahon;
    std::vector<std::int32_t> depth(401);
    sampleFigureRow(depth.data(), 10, f);
    ASSERT_EQ(calls.size(), 401u);
    for (int x = 0; x < 401; ++x) {
        const Call& c = calls[static_cast<std::size_t>(x)];
        EXPECT_EQ(c.x, x - 7);
        EXPECT_EQ(c.y, 13);
        EXPECT_EQ(c.cx, 200 + 50);
        EXPECT_EQ(c.cy, 150);
        EXPECT_EQ(c.angle, 45);
        EXPECT_EQ(c.figure, -4);
        EXPECT_EQ(depth[x], (x - 7) * 1000 + 13);
    }
}

TEST(FigureRow, FeuchtShiftsTheQueryByHalfTheGap)
{
    calls.clear();
    FigureSampling f;
    f.level = &recordingFigure;
    f.width = 20;
    f.height = 10;
    f.gap = 100;
    f.method = Feucht;
    std::vector<std::int32_t> depth(20);
    sampleFigureRow(depth.data(), 0, f);
    ASSERT_EQ(calls.size(), 20u);
    EXPECT_EQ(calls[0].x, 50);
    EXPECT_EQ(calls[19].x, 69);
    EXPECT_EQ(calls[0].cx, 10 + 50);
}

TEST(FigureRow, ExtremeDisplacementsWrapInsteadOfOverflowing)
{
    calls.clear();
    FigureSampling f;
    f.level = &recordingFigure;
    f.width = 2;
    f.height = 2;
    f.gap = 100;
    f.dx = -2147483647 - 1;
    f.dy = 1;
    std::vector<std::int32_t> depth(2);
    sampleFigureRow(depth.data(), 0, f);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].x, -2147483647 - 1); // 0 + 2^31 wraps
    EXPECT_EQ(calls[1].x, -2147483647);
    EXPECT_EQ(calls[0].y, -1);
}

TEST(DepthFit, ScalesTheSourceRangeOntoZminZmaxAndClampsOutside)
{
    struct Case {
        std::int32_t lo, hi, zmin, zmax, level, expected;
    };
    // Expected values follow zmin + (clamp(level) − lo) × (zmax − zmin) ÷ (hi − lo), rounded down.
    const Case cases[] = {
        {0, 255, 0, 63, 0, 0},      {0, 255, 0, 63, 255, 63},  {0, 255, 0, 63, 128, 31},
        {0, 255, 0, 63, 300, 63},   {0, 255, 0, 63, -4, 0},    {100, 200, 10, 20, 150, 15},
        {100, 200, 10, 20, 0, 10},  {100, 200, 10, 20, 199, 19}, {7, 7, 5, 40, 7, 5},
        {0, 40, 0, 63, 40, 63},     {-2147483647, 2147483647, 0, 63, 2147483647, 63},
    };
    for (const Case& c : cases) {
        DepthRange range;
        range.add(c.hi);
        range.add(c.lo);
        const DepthFit fit(range, c.zmin, c.zmax);
        EXPECT_EQ(fit(c.level), c.expected) << c.lo << ".." << c.hi << " onto " << c.zmin << ".." << c.zmax
                                            << ", level " << c.level;
    }
    DepthRange range;
    range.add(0);
    range.add(255);
    std::vector<std::int32_t> row{0, 255, 51, 102};
    DepthFit(range, 0, 63).apply(row.data(), static_cast<std::int32_t>(row.size()));
    EXPECT_EQ(row, (std::vector<std::int32_t>{0, 63, 12, 25}));
}

TEST(DepthFit, PictureRangeIsWhatSamplingGivesAtEveryDepth)
{
    // Indices 3 … 200 with entry 200 bright red and entry 3 white; the range
    // must be that of the depth lookup over the pixels' own entries, and for
    // the 24-bit twin over the pixels' brightness (its palette aside), as
    // the stereogram samples them.
    std::vector<platform::PALETTEENTRY> entries(256, platform::PALETTEENTRY{10, 10, 10, 0});
    entries[3] = {255, 255, 255, 0};
    entries[200] = {255, 0, 0, 0};
    const platform::Palette palette(entries);
    auto indexed = platform::Bitmap::create(5, 3, 8);
    std::fill(indexed->bits().begin(), indexed->bits().end(), std::uint8_t{3});
    indexed->setPixel(4, 2, 200);
    auto colour = platform::Bitmap::create(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            colour->setPixel(x, y, indexed->pixel(x, y) == 200 ? 0xFE0101u : 0xFFFFFFu);
    auto packed = platform::Bitmap::create(5, 3, 4);
    packed->setPixel(1, 1, 9);
    packed->setPixel(2, 1, 3);
    for (const platform::Bitmap* picture : {indexed.get(), colour.get(), packed.get()}) {
        std::array<std::int32_t, 256> lookup{};
        for (std::int32_t by : {ByColor, ByBrightness}) {
            pictureDepthLookup(by, *picture, &palette, lookup);
            DepthRange expected;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    const std::uint32_t p = picture->pixel(x, y);
                    const std::size_t index = picture->bitsPerPixel() == 24
                        ? static_cast<std::size_t>(brightness(platform::PALETTEENTRY{
                              static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                              static_cast<std::uint8_t>(p), 0}))
                        : p;
                    expected.add(lookup[index]);
                }
            const DepthRange got = pictureDepthRange(*picture, &palette, by);
            EXPECT_FALSE(got.empty);
            EXPECT_EQ(got.lowest, expected.lowest) << picture->bitsPerPixel() << " bits, by " << by;
            EXPECT_EQ(got.highest, expected.highest) << picture->bitsPerPixel() << " bits, by " << by;
        }
    }
    EXPECT_EQ(pictureDepthRange(*indexed, &palette, ByColor).highest, 200);
    EXPECT_TRUE(pictureDepthRange(*indexed, &palette, ByColor).beyond(63));
    EXPECT_FALSE(pictureDepthRange(*indexed, &palette, ByColor).beyond(200));
}
