#include "engine/CaptionText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

platform::Palette testPalette()
{
    std::vector<platform::PALETTEENTRY> e(256);
    e[7] = {250, 250, 10, 0}; // nearest to yellow
    e[9] = {0, 0, 120, 0};    // nearest to navy
    e[200] = {255, 255, 255, 0};
    return platform::Palette(e);
}

int count(const platform::Bitmap& b, std::uint8_t value, int top0 = 0, int top1 = -1)
{
    int n = 0;
    if (top1 < 0)
        top1 = b.height();
    for (int t = top0; t < top1; ++t)
        for (int x = 0; x < b.width(); ++x)
            n += b.rowFromTop(t)[x] == value;
    return n;
}

} // namespace

TEST(CaptionText, SetsOnlyTheNearestColourWithinTheTextLine)
{
    ASSERT_FALSE(engine::captionFontFile().empty()) << "no bold sans-serif font installed";
    auto image = platform::Bitmap::create(300, 40, 8);
    std::fill(image->bits().begin(), image->bits().end(), std::uint8_t{200});
    auto pal = testPalette();
    ASSERT_TRUE(engine::drawCaptionText(*image, pal, 9, 10, "Round Crater - Dotscape", {0, 0, 128}));
    const int navy = count(*image, 9);
    EXPECT_GT(navy, 150);
    // Nothing but the two values: no blending.
    EXPECT_EQ(navy + count(*image, 200), 300 * 40);
    // The text is a 14-pixel line below its top edge and right of its left edge.
    EXPECT_EQ(count(*image, 9, 0, 10), 0);
    EXPECT_EQ(count(*image, 9, 10 + 17, 40), 0);
    for (int t = 0; t < 40; ++t)
        for (int x = 0; x < 9; ++x)
            EXPECT_NE(image->rowFromTop(t)[x], 9) << x << ',' << t;
}

TEST(CaptionText, ShadowPassThenTextPassIsDeterministic)
{
    auto a = platform::Bitmap::create(200, 30, 8);
    auto b = platform::Bitmap::create(200, 30, 8);
    auto pal = testPalette();
    for (auto* img : {a.get(), b.get()}) {
        engine::drawCaptionText(*img, pal, 9, 9, "Spiral Lanes 4", {255, 255, 0});
        engine::drawCaptionText(*img, pal, 10, 10, "Spiral Lanes 4", {0, 0, 128});
    }
    EXPECT_EQ(*a, *b);
    EXPECT_GT(count(*a, 7), 10); // the shadow shows above and to the left
    EXPECT_GT(count(*a, 9), 100);
}

TEST(CaptionText, TextRunningOffThePictureIsClipped)
{
    auto image = platform::Bitmap::create(20, 8, 8);
    auto pal = testPalette();
    EXPECT_TRUE(engine::drawCaptionText(*image, pal, -30, -5, "A long caption that does not fit \xC3\xA9\xFF", {0, 0, 128}));
    EXPECT_TRUE(engine::drawCaptionText(*image, pal, 15, 6, "W", {0, 0, 128}));
    EXPECT_TRUE(engine::drawCaptionText(*image, pal, 5000, 5000, "far away", {0, 0, 128}));
    auto four = platform::Bitmap::create(20, 8, 4); // only 8-bit pictures get text
    EXPECT_TRUE(engine::drawCaptionText(*four, pal, 0, 0, "x", {0, 0, 128}));
    for (std::uint8_t byte : four->bits())
        EXPECT_EQ(byte, 0);
}
