// The shipped pattern set: the files the build draws, read back through the
// graphics library, and the qualities that make a tile good for fusing.

#include "PatternArt.h"
#include "pictrans/TGifIntf.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace {

constexpr int kShipped = 20;

std::string shippedFile(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, n < 10 ? "pat0%d.gif" : "pat%d.gif", n);
    return std::string(DOTSCAPE_BIN_DIR) + "/sirdspat/" + name;
}

double luminance(const patgen::Rgb& c)
{
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

TEST(PatternSet, AtLeastTwentyPatterns)
{
    EXPECT_GE(patgen::PatternCount(), kShipped);
    EXPECT_THROW(patgen::MakePattern(patgen::PatternCount()), std::out_of_range);
    EXPECT_THROW(patgen::MakePattern(-1), std::out_of_range);
}

TEST(PatternSet, BuiltFilesAreTheGeneratorsTilesAsEightBitGifs)
{
    for (int n = 0; n < kShipped; ++n) {
        SCOPED_TRACE(shippedFile(n));
        TGifIntf reader(nullptr, nullptr);
        reader.quiet = 1;
        std::unique_ptr<platform::Bitmap> bitmap = reader.ReadFile(shippedFile(n));
        ASSERT_NE(bitmap, nullptr);
        std::unique_ptr<platform::Palette> palette = reader.TakePalette();
        ASSERT_NE(palette, nullptr);
        EXPECT_EQ(bitmap->bitsPerPixel(), 8);
        EXPECT_EQ(palette->size(), 256u);
        EXPECT_GE(bitmap->width(), 90);
        EXPECT_LE(bitmap->width(), 110);
        EXPECT_GE(bitmap->height(), 90);
        EXPECT_LE(bitmap->height(), 110);

        // The file holds exactly what the generator draws now.
        patgen::Tile tile = patgen::MakePattern(n);
        ASSERT_EQ(bitmap->width(), tile.width);
        ASSERT_EQ(bitmap->height(), tile.height);
        for (int i = 0; i < 256; ++i) {
            const auto& e = (*palette)[static_cast<std::size_t>(i)];
            const auto& c = tile.palette[static_cast<std::size_t>(i)];
            ASSERT_TRUE(e.peRed == c.r && e.peGreen == c.g && e.peBlue == c.b) << "palette entry " << i;
        }
        for (int y = 0; y < tile.height; ++y) {
            const std::uint8_t* row = bitmap->rowFromTop(y);
            for (int x = 0; x < tile.width; ++x)
                ASSERT_EQ(row[x], tile.at(x, y)) << "first difference at " << x << "," << y;
        }
    }
}

TEST(PatternSet, DrawingIsDeterministic)
{
    for (int n = 0; n < patgen::PatternCount(); ++n) {
        patgen::Tile a = patgen::MakePattern(n);
        patgen::Tile b = patgen::MakePattern(n);
        EXPECT_EQ(a.pixels, b.pixels) << n;
        EXPECT_EQ(a.palette, b.palette) << n;
    }
}

TEST(PatternSet, EveryTileIsDifferent)
{
    // Tiles are told apart by a hash of their colours, pixel by pixel.
    std::set<std::uint64_t> seen;
    std::set<std::string> names;
    for (int n = 0; n < patgen::PatternCount(); ++n) {
        patgen::Tile t = patgen::MakePattern(n);
        std::uint64_t h = 1469598103934665603ull;
        for (auto p : t.pixels) {
            for (std::uint8_t b : {t.palette[p].r, t.palette[p].g, t.palette[p].b})
                h = (h ^ b) * 1099511628211ull;
        }
        EXPECT_TRUE(seen.insert(h).second) << n;
        EXPECT_TRUE(names.insert(t.name).second) << t.name;
    }
}

// Qualities that make a tile fuse well and look right when repeated.
class TileQuality : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { tile_ = patgen::MakePattern(GetParam()); }
    double lum(int x, int y) const
    {
        return luminance(tile_.palette[tile_.at((x + tile_.width) % tile_.width, (y + tile_.height) % tile_.height)]);
    }
    patgen::Tile tile_;
};

TEST_P(TileQuality, UsesManyColours)
{
    std::set<std::uint8_t> used(tile_.pixels.begin(), tile_.pixels.end());
    EXPECT_GE(used.size(), 64u) << tile_.name;
    std::set<std::uint32_t> colours;
    for (const auto& c : tile_.palette)
        colours.insert(static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b);
    EXPECT_GE(colours.size(), 64u) << tile_.name;
}

TEST_P(TileQuality, HasFineDetailAlongEachRow)
{
    // The eyes match neighbouring copies along a row, so rows need contrast
    // from pixel to pixel, not only broad shapes.
    double sum = 0;
    int n = 0;
    for (int y = 0; y < tile_.height; ++y) {
        for (int x = 0; x + 1 < tile_.width; ++x) {
            sum += std::fabs(lum(x + 1, y) - lum(x, y));
            ++n;
        }
    }
    EXPECT_GT(sum / n, 6.0) << tile_.name;
}

TEST_P(TileQuality, DoesNotRepeatWithinTheTile)
{
    // A row that repeats after a short shift would let the eyes lock onto
    // the wrong copy. Compare each shift's mean difference with the mean
    // difference between unrelated rows.
    auto meanDiff = [&](int dx, int dy) {
        double s = 0;
        for (int y = 0; y < tile_.height; ++y) {
            for (int x = 0; x < tile_.width; ++x)
                s += std::fabs(lum(x + dx, y + dy) - lum(x, y));
        }
        return s / (tile_.width * tile_.height);
    };
    double unrelated = meanDiff(tile_.width / 2, tile_.height / 2);
    for (int dx = 3; dx < tile_.width - 3; ++dx)
        EXPECT_GT(meanDiff(dx, 0), 0.4 * unrelated) << tile_.name << " repeats after " << dx;
}

TEST_P(TileQuality, RepeatsWithoutSeams)
{
    // The step from the last column to the first (and from the last row to
    // the first) is no larger than the steps inside the tile: a tile that
    // does not wrap shows a line of jumps every time it repeats.
    auto columnStep = [&](int x) {
        double s = 0;
        for (int y = 0; y < tile_.height; ++y)
            s += std::fabs(lum(x + 1, y) - lum(x, y));
        return s / tile_.height;
    };
    auto rowStep = [&](int y) {
        double s = 0;
        for (int x = 0; x < tile_.width; ++x)
            s += std::fabs(lum(x, y + 1) - lum(x, y));
        return s / tile_.width;
    };
    double innerColumns = 0;
    double innerRows = 0;
    for (int i = 0; i + 1 < tile_.width; ++i)
        innerColumns = std::max(innerColumns, columnStep(i));
    for (int i = 0; i + 1 < tile_.height; ++i)
        innerRows = std::max(innerRows, rowStep(i));
    EXPECT_LE(columnStep(tile_.width - 1), 1.1 * innerColumns + 1) << tile_.name;
    EXPECT_LE(rowStep(tile_.height - 1), 1.1 * innerRows + 1) << tile_.name;
}

TEST(TileQualityCheck, ASeamIsNoticed)
{
    // The seam check itself: soft noise with its right half shifted down
    // has a seam where the halves meet, and the wrap-around step shows it.
    patgen::Tile t = patgen::MakePattern(2);
    patgen::Tile cut = t;
    for (int y = 0; y < t.height; ++y) {
        for (int x = t.width / 2; x < t.width; ++x)
            cut.pixels[static_cast<std::size_t>(y) * t.width + x] = t.at(x, (y + 37) % t.height);
    }
    auto lum = [&](const patgen::Tile& tile, int x, int y) { return luminance(tile.palette[tile.at(x, y)]); };
    auto step = [&](const patgen::Tile& tile, int x) {
        double s = 0;
        for (int y = 0; y < tile.height; ++y)
            s += std::fabs(lum(tile, (x + 1) % tile.width, y) - lum(tile, x, y));
        return s / tile.height;
    };
    double innerMax = 0;
    for (int x = 0; x + 1 < t.width / 2; ++x)
        innerMax = std::max(innerMax, step(cut, x));
    EXPECT_GT(step(cut, t.width - 1), 1.1 * innerMax + 1);
    EXPECT_LE(step(t, t.width - 1), 1.1 * innerMax + 1);
}

INSTANTIATE_TEST_SUITE_P(EachPattern, TileQuality, ::testing::Range(0, kShipped));

} // namespace
