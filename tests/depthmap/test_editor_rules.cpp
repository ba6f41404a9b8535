// The level dialog's arithmetic and the colour table's layout.

#include "depthmap/ColorTableLayout.h"
#include "depthmap/LevelText.h"

#include <gtest/gtest.h>

#include <limits>

using namespace depthmap;

TEST(LevelText, ReadsLikeTheEditFieldIsMeant)
{
    EXPECT_EQ(ParseLevelText("12"), 12);
    EXPECT_EQ(ParseLevelText("12abc"), 12) << "reading stops at the first non-digit";
    EXPECT_EQ(ParseLevelText(""), 0);
    EXPECT_EQ(ParseLevelText("abc"), 0);
    EXPECT_EQ(ParseLevelText("  \t 7"), 7);
    EXPECT_EQ(ParseLevelText("-3"), -3);
    EXPECT_EQ(ParseLevelText("+300"), 300);
    EXPECT_EQ(ParseLevelText("--3"), 0) << "one sign only";
    EXPECT_EQ(ParseLevelText("1 2"), 1);
    // Only the first 15 characters are read.
    EXPECT_EQ(ParseLevelText("000000000000001"), 1);
    EXPECT_EQ(ParseLevelText("0000000000000001"), 0);
    // Far beyond the 32-bit range: held at its ends, never wrapped.
    EXPECT_EQ(ParseLevelText("999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseLevelText("-99999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(LevelText, StepsWrapAroundAndOkTakesOnlyTheRange)
{
    EXPECT_EQ(LevelStepUp(0), 1);
    EXPECT_EQ(LevelStepUp(255), 0);
    EXPECT_EQ(LevelStepUp(300), 0);
    EXPECT_EQ(LevelStepDown(0), 255);
    EXPECT_EQ(LevelStepDown(300), 299);
    EXPECT_EQ(LevelStepDown(-5), 255);
    EXPECT_EQ(LevelStepUp(-5), -4);
    EXPECT_EQ(LevelStepUp(std::numeric_limits<std::int32_t>::max()), 0);
    EXPECT_EQ(LevelStepDown(std::numeric_limits<std::int32_t>::min()), 255);
    EXPECT_TRUE(IsAcceptedLevel(0));
    EXPECT_TRUE(IsAcceptedLevel(255));
    EXPECT_FALSE(IsAcceptedLevel(256));
    EXPECT_FALSE(IsAcceptedLevel(-1));
    EXPECT_FALSE(IsAcceptedLevel(299));
}

TEST(ColorTableLayout, RowsSwatchesAndSizes)
{
    EXPECT_EQ(ColorTableRows(16), 1);
    EXPECT_EQ(ColorTableRows(20), 1) << "an unfinished row is not shown";
    EXPECT_EQ(ColorTableRows(2), 0);
    EXPECT_EQ(ColorTableRows(256), 16);
    EXPECT_EQ(ColorTableHeight(256), 384);
    EXPECT_EQ(ColorTableWindowHeight(256), 414);
    EXPECT_EQ(ColorTableWindowHeight(16), 54);
    EXPECT_EQ(SwatchRect(0), (platform::Rect{0, 0, 24, 24}));
    EXPECT_EQ(SwatchRect(17), (platform::Rect{24, 24, 48, 48}));
    EXPECT_EQ(SwatchRect(255), (platform::Rect{360, 360, 384, 384}));
    EXPECT_EQ(SwatchLabelPoint(17), (platform::Point{36, 28}));
    EXPECT_EQ(InverseColor({255, 255, 255}), (Rgb{0, 0, 0}));
    EXPECT_EQ(InverseColor({0, 0, 0}), (Rgb{255, 255, 255}));
    EXPECT_EQ(InverseColor({10, 128, 250}), (Rgb{245, 127, 5}));
}

TEST(ColorTableLayout, ScrollRanges)
{
    const ScrollRanges r = ColorTableScrollRanges(256, 370, 380);
    EXPECT_EQ(r.horizontal, 14);
    EXPECT_EQ(r.vertical, 4);
    const ScrollRanges big = ColorTableScrollRanges(16, 500, 500);
    EXPECT_EQ(big.horizontal, 0) << "never below 0";
    EXPECT_EQ(big.vertical, 0);
}
