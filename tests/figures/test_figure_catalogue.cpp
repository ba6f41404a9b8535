#include "terrakit/terrakit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// Title buffer pre-filled with a sentinel so that every byte the call
// writes, and every byte it must leave alone, can be seen.
struct TitleBuffer {
    char bytes[48];
    TitleBuffer() { std::memset(bytes, '#', sizeof bytes); }
};

std::string titleOf(int index)
{
    char buffer[TERRAKIT_TITLE_BUFFER];
    GetFigureTitle(index, buffer, sizeof buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

class FigureCatalogue : public ::testing::Test {
protected:
    void SetUp() override { InitFigureTitles(); }
    void TearDown() override { UnloadFigureTitles(); }
};

} // namespace

TEST_F(FigureCatalogue, PublishesTwentyThreeDistinctTitlesThatFindThemselves)
{
    EXPECT_EQ(GetFigureCount(), 23);
    EXPECT_EQ(titleOf(0), "Round Crater");
    EXPECT_EQ(titleOf(9), "Conical Deep");
    EXPECT_EQ(titleOf(22), "Spiral Lanes 4");
    for (int i = 0; i < GetFigureCount(); ++i) {
        const std::string title = titleOf(i);
        ASSERT_FALSE(title.empty()) << i;
        EXPECT_NE(title, "UNDEFINED");
        EXPECT_LT(title.size(), 23u);
        EXPECT_EQ(GetFigureIndex(title.c_str()), i) << title; // also proves the titles distinct
    }
}

TEST_F(FigureCatalogue, TitleCopyHonoursTheLength)
{
    TitleBuffer full;
    GetFigureTitle(3, full.bytes, 40);
    EXPECT_STREQ(full.bytes, "Rombus Crater");
    for (int i = 13; i < 40; ++i)
        ASSERT_EQ(full.bytes[i], '\0') << "zero padding up to the length, byte " << i;
    EXPECT_EQ(full.bytes[40], '#');

    TitleBuffer cut;
    GetFigureTitle(0, cut.bytes, 5);
    EXPECT_EQ(std::string(cut.bytes, 6), "Round#"); // five bytes, no terminator

    TitleBuffer none;
    GetFigureTitle(0, none.bytes, 0);
    GetFigureTitle(0, none.bytes, -7);
    GetFigureTitle(0, nullptr, 40);
    EXPECT_EQ(none.bytes[0], '#');
}

TEST_F(FigureCatalogue, IndicesOutsideTheCatalogueReadUndefined)
{
    for (int index : {23, 24, 39, 40, 1000, INT_MAX, -1, INT_MIN}) {
        TitleBuffer b;
        GetFigureTitle(index, b.bytes, 40);
        EXPECT_STREQ(b.bytes, "UNDEFINED") << index;
        EXPECT_EQ(b.bytes[10], '#') << "only the text and its zero are written";
    }
    // A short buffer gets no more bytes than it holds.
    TitleBuffer shortOne;
    GetFigureTitle(23, shortOne.bytes, 4);
    EXPECT_EQ(std::string(shortOne.bytes, 5), "UNDE#");
}

TEST_F(FigureCatalogue, IndexLookupIsExact)
{
    EXPECT_EQ(GetFigureIndex("Round Crater"), 0);
    EXPECT_EQ(GetFigureIndex("Craters + Peaks 2"), 8);
    EXPECT_EQ(GetFigureIndex("Flat Plane"), -1); // stored but never published
    EXPECT_EQ(GetFigureIndex("round crater"), -1);
    EXPECT_EQ(GetFigureIndex("Round Crater "), -1);
    EXPECT_EQ(GetFigureIndex("Round"), -1);
    EXPECT_EQ(GetFigureIndex(""), -1);
    EXPECT_EQ(GetFigureIndex("UNDEFINED"), -1);
    EXPECT_EQ(GetFigureIndex(nullptr), -1);
}

TEST(FigureLibrary, WorksSafelyWithoutATable)
{
    UnloadFigureTitles();
    UnloadFigureTitles(); // twice is harmless
    int before[24];
    for (int f = 0; f < 24; ++f)
        before[f] = GetFigureLevel(37 * f, 500 - 11 * f, 300, 250, 15, f);
    EXPECT_EQ(GetFigureCount(), 23);
    EXPECT_EQ(titleOf(0), "UNDEFINED");
    EXPECT_EQ(GetFigureIndex("Round Crater"), -1);

    InitFigureTitles();
    InitFigureTitles(); // a second table replaces the first
    EXPECT_EQ(titleOf(0), "Round Crater");
    EXPECT_EQ(GetFigureIndex("Spiral Lanes 4"), 22);
    for (int f = 0; f < 24; ++f)
        EXPECT_EQ(GetFigureLevel(37 * f, 500 - 11 * f, 300, 250, 15, f), before[f]) << f;

    UnloadFigureTitles();
    EXPECT_EQ(titleOf(5), "UNDEFINED");
    EXPECT_EQ(GetFigureIndex("Spiral Lanes 4"), -1);
    EXPECT_EQ(GetFigureLevel(60, 60, 0, 0, 0, 11), -30);
}

TEST(FigureLibrary, VersionIsWrittenWithItsTerminator)
{
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetLibVersion(buffer), buffer);
    EXPECT_EQ(std::string(buffer, 6), std::string("3.40\0#", 6));
    EXPECT_EQ(GetLibVersion(nullptr), nullptr);
}
