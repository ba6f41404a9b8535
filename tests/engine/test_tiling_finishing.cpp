// Pattern tiling from the left and centred, with tiles that do not divide
// the image; the finished width, the alignment squares and the palette.

#include "engine/Finishing.h"
#include "engine/SirdsSettings.h"
#include "engine/Tiling.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace engine;

namespace {

// A tile of pw × ph whose pixel (x, y from the top) is 10 × y + x.
std::unique_ptr<platform::Bitmap> numberedTile(int pw, int ph, int bits = 8)
{
    auto tile = platform::Bitmap::create(pw, ph, bits);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x)
            tile->setPixel(x, ph - 1 - y, static_cast<std::uint32_t>((10 * y + x) & ((1u << std::min(bits, 8)) - 1)));
    return tile;
}

int at(const platform::Bitmap& image, int x, int yFromTop)
{
    return static_cast<int>(image.pixel(x, image.height() - 1 - yFromTop));
}

int mod(int a, int m)
{
    return ((a % m) + m) % m;
}

} // namespace

TEST(Tiling, LeftToRightStartsAtTheTopLeftCorner)
{
    auto image = platform::Bitmap::create(10, 5, 8);
    auto tile = numberedTile(3, 2);
    ASSERT_TRUE(tilePattern(*image, *tile, LeftToRight));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(at(*image, x, y), 10 * (y % 2) + x % 3) << x << "," << y;
}

TEST(Tiling, OtherMethodsCentreTheFirstTile)
{
    // W 10, pw 3: the first tile starts at 10 ÷ 2 − 3 ÷ 2 = 4; the tile to its
    // left at 10 ÷ 2 − 9 ÷ 2 = 1, then at −2 (clipped).
    auto tile = numberedTile(3, 2);
    for (std::int32_t method : std::initializer_list<std::int32_t>{McMahon, Feucht, 0, 7}) {
        auto image = platform::Bitmap::create(10, 5, 8);
        ASSERT_TRUE(tilePattern(*image, *tile, method));
        EXPECT_EQ(at(*image, 4, 0), 0);
        EXPECT_EQ(at(*image, 1, 0), 0);
        EXPECT_EQ(at(*image, 0, 0), 2);
        EXPECT_EQ(at(*image, 9, 3), 10 + 2);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(at(*image, x, y), 10 * (y % 2) + mod(x - 4, 3)) << x << "," << y;
    }
}

TEST(Tiling, TileLargerThanTheImageIsClipped)
{
    auto tile = numberedTile(9, 7);
    auto image = platform::Bitmap::create(4, 3, 8);
    ASSERT_TRUE(tilePattern(*image, *tile, McMahon));
    // Phase 4 ÷ 2 − 9 ÷ 2 = −2: column 0 shows tile column 2.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(at(*image, x, y), 10 * y + x + 2);
    ASSERT_TRUE(tilePattern(*image, *tile, LeftToRight));
    EXPECT_EQ(at(*image, 0, 0), 0);
    EXPECT_EQ(at(*image, 3, 2), 23);
}

TEST(Tiling, PackedTilesKeepTheirIndices)
{
    auto tile = numberedTile(5, 3, 4);
    auto image = platform::Bitmap::create(12, 6, 8);
    ASSERT_TRUE(tilePattern(*image, *tile, LeftToRight));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(at(*image, x, y), (10 * (y % 3) + x % 5) & 15);
}

TEST(Tiling, RefusesWhatItCannotTile)
{
    auto tile = numberedTile(3, 3);
    auto packed = platform::Bitmap::create(10, 10, 4);
    EXPECT_FALSE(tilePattern(*packed, *tile, McMahon));
}

TEST(Finishing, WidthLosesTheStripOnlyWhereOneWasAdded)
{
    EXPECT_EQ(finishedWidth(400, 100, McMahon, true), 300);
    EXPECT_EQ(finishedWidth(400, 100, LeftToRight, true), 300);
    EXPECT_EQ(finishedWidth(300, 100, Feucht, true), 300);
    EXPECT_EQ(finishedWidth(400, 100, McMahon, false), 400);
    EXPECT_EQ(finishedWidth(400, 100, 0, true), 400);
}

TEST(Finishing, CropKeepsTheLeftmostColumns)
{
    auto image = platform::Bitmap::create(7, 3, 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            image->setPixel(x, y, static_cast<std::uint32_t>(10 * y + x));
    auto out = cropImage(*image, 4);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width(), 4);
    EXPECT_EQ(out->height(), 3);
    EXPECT_EQ(out->bitsPerPixel(), 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out->pixel(x, y), static_cast<std::uint32_t>(10 * y + x));
    EXPECT_FALSE(cropImage(*image, 0));
}

TEST(Finishing, MarkersAreOutlinedYellowSquaresAtHalfAGapFromTheMiddle)
{
    // Nearest colours: entry 5 is nearer yellow than entry 2, entry 1 is the
    // darkest. No exact yellow or black in the palette.
    std::vector<platform::PALETTEENTRY> entries(8, platform::PALETTEENTRY{100, 100, 100, 0});
    entries[1] = {20, 10, 10, 0};
    entries[2] = {200, 200, 90, 0};
    entries[5] = {240, 230, 20, 0};
    const platform::Palette palette(entries);
    auto image = platform::Bitmap::create(400, 30, 8);
    std::fill(image->bits().begin(), image->bits().end(), std::uint8_t{7});
    drawMarkers(*image, palette, 100);
    int changed = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 400; ++x) {
            const int v = at(*image, x, y);
            int expected = 7;
            for (int m : {150, 250}) {
                if (x >= m - 2 && x <= m + 2 && y >= 5 && y <= 9)
                    expected = (x == m - 2 || x == m + 2 || y == 5 || y == 9) ? 1 : 5;
            }
            ASSERT_EQ(v, expected) << x << "," << y;
            changed += v != 7;
        }
    }
    EXPECT_EQ(changed, 50);
}

TEST(Finishing, MarkersUseTheLowestIndexOnATieAndAreClipped)
{
    std::vector<platform::PALETTEENTRY> entries(4, platform::PALETTEENTRY{255, 255, 0, 0});
    entries[0] = {0, 0, 0, 0};
    entries[3] = {0, 0, 0, 0};
    const platform::Palette palette(entries);
    // Wf 10, gap 100: m = 5 − 50 = −45 and 55, both outside: nothing drawn.
    auto narrow = platform::Bitmap::create(10, 20, 8);
    std::fill(narrow->bits().begin(), narrow->bits().end(), std::uint8_t{9});
    drawMarkers(*narrow, palette, 100);
    for (std::uint8_t v : narrow->bits())
        EXPECT_EQ(v, 9);
    // A picture of 7 rows clips the squares at its bottom.
    auto low = platform::Bitmap::create(200, 7, 8);
    std::fill(low->bits().begin(), low->bits().end(), std::uint8_t{9});
    drawMarkers(*low, palette, 100);
    EXPECT_EQ(at(*low, 47, 5), 9);
    EXPECT_EQ(at(*low, 48, 5), 0);
    EXPECT_EQ(at(*low, 48, 6), 0);
    EXPECT_EQ(at(*low, 50, 6), 1);
    EXPECT_EQ(at(*low, 150, 6), 1);
    EXPECT_EQ(at(*low, 150, 4), 9);
}

TEST(Finishing, PaletteIsPaddedWithBlackAndNeverCollapsed)
{
    std::vector<platform::PALETTEENTRY> entries = {{1, 2, 3, 0}, {4, 5, 6, platform::PC_RESERVED}};
    const platform::Palette out = stereogramPalette(platform::Palette(entries));
    ASSERT_EQ(out.size(), 256u);
    EXPECT_EQ(out[0], (platform::PALETTEENTRY{1, 2, 3, platform::PC_NOCOLLAPSE}));
    EXPECT_EQ(out[1], (platform::PALETTEENTRY{4, 5, 6, platform::PC_NOCOLLAPSE}));
    for (std::size_t i = 2; i < 256; ++i)
        EXPECT_EQ(out[i], (platform::PALETTEENTRY{0, 0, 0, platform::PC_NOCOLLAPSE}));
}

TEST(Finishing, CaptionJoinsTitleProgramAndCredit)
{
    // Short enough to fit under the smallest figure picture.
    EXPECT_EQ(captionText("Round Crater"), "Round Crater - Dotscape - (c) 2026");
}
