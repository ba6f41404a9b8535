// The pattern library: the empty state, appending, the selection rules and
// reading pattern files.

#include "engine/PatternDirs.h"
#include "engine/TSirdPatt.h"
#include "PatternFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using engine::TSirdPatt;

void fill(TSirdPatt& library, int n)
{
    for (int id = 0; id < n; ++id)
        ASSERT_EQ(library.Append(markedBitmap(id), markedPalette(id)), 1);
}

TEST(PatternLibrary, EmptyLibraryHasNoCurrentPattern)
{
    TSirdPatt library(nullptr, "/nowhere", 5);
    EXPECT_EQ(library.GetCount(), 0);
    for (int index : {0, -1, 5, INT_MAX}) {
        library.Select(index);
        EXPECT_EQ(library.GetBitmap(), nullptr) << index;
        EXPECT_EQ(library.GetPalette(), nullptr) << index;
        EXPECT_EQ(library.GetSelection(), 0) << index;
    }
    EXPECT_EQ(library.GetPattern(0), nullptr);
    EXPECT_EQ(library.InitialSelection(), 5);
    EXPECT_EQ(library.GetDirectory(), "/nowhere");
}

TEST(PatternLibrary, AppendKeepsOrderAndLeavesTheSelectionAlone)
{
    TSirdPatt library(nullptr, "", 0);
    fill(library, 4);
    EXPECT_EQ(library.GetCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(markOf(library.GetPattern(i)->GetBitmap()), i);
    EXPECT_EQ(library.GetPattern(4), nullptr);
    EXPECT_EQ(library.GetPattern(-1), nullptr);
    // Nothing is current until something is selected.
    EXPECT_EQ(library.GetBitmap(), nullptr);

    library.Select(2);
    fill(library, 1);
    EXPECT_EQ(library.GetCount(), 5);
    EXPECT_EQ(library.GetSelection(), 2);
    EXPECT_EQ(markOf(library.GetBitmap()), 2);
}

TEST(PatternLibrary, AppendRefusesAPatternWithoutPicture)
{
    TSirdPatt library(nullptr, "", 0);
    EXPECT_EQ(library.Append(nullptr, markedPalette(1)), 0);
    EXPECT_EQ(library.GetCount(), 0);
    // A palette is not required.
    EXPECT_EQ(library.Append(markedBitmap(3), nullptr), 1);
    library.Select(0);
    EXPECT_EQ(markOf(library.GetBitmap()), 3);
    EXPECT_EQ(library.GetPalette(), nullptr);
}

TEST(PatternLibrary, SelectWalksToTheIndexOrFallsBackToTheFirst)
{
    TSirdPatt library(nullptr, "", 0);
    fill(library, 20);
    struct Case {
        int index;
        int expected;
    };
    for (Case c : {Case{3, 3}, Case{0, 0}, Case{19, 19}, Case{20, 0}, Case{40, 0}, Case{-1, 0}, Case{INT_MIN, 0},
                   Case{INT_MAX, 0}}) {
        library.Select(7); // something else first, so a missed update shows
        library.Select(c.index);
        EXPECT_EQ(markOf(library.GetBitmap()), c.expected) << c.index;
        EXPECT_EQ(library.GetSelection(), c.expected) << c.index;
        ASSERT_NE(library.GetPalette(), nullptr);
        EXPECT_EQ((*library.GetPalette())[0].peRed, c.expected) << c.index;
    }
}

TEST(PatternLibrary, CurrentPictureAndPaletteBelongTogether)
{
    TSirdPatt library(nullptr, "", 0);
    fill(library, 3);
    library.Select(1);
    EXPECT_EQ(library.GetBitmap(), library.GetPattern(1)->GetBitmap());
    EXPECT_EQ(library.GetPalette(), library.GetPattern(1)->GetPalette());
}

TEST(PatternLibraryFiles, ReadsAGifWithItsPalette)
{
    TempDir dir;
    ASSERT_TRUE(writeMarkedGif(dir.file("p.gif"), 6));
    QuietWindow frame;
    TSirdPatt library(&frame, dir.path(), 0);
    EXPECT_EQ(library.AddFromFile(dir.file("p.gif")), 1);
    library.Select(0);
    ASSERT_NE(library.GetBitmap(), nullptr);
    EXPECT_EQ(*library.GetBitmap(), *markedBitmap(6));
    ASSERT_NE(library.GetPalette(), nullptr);
    // The colours of the file; the reader chooses the flags.
    auto expected = markedPalette(6);
    ASSERT_EQ(library.GetPalette()->size(), expected->size());
    for (std::size_t i = 0; i < expected->size(); ++i) {
        const auto& got = (*library.GetPalette())[i];
        const auto& want = (*expected)[i];
        EXPECT_TRUE(got.peRed == want.peRed && got.peGreen == want.peGreen && got.peBlue == want.peBlue) << i;
    }
    EXPECT_TRUE(frame.boxes.empty());
}

TEST(PatternLibraryFiles, RelativeNamesAreTakenInsideTheDirectory)
{
    TempDir dir;
    ASSERT_TRUE(writeMarkedGif(dir.file("pat04.gif"), 4));
    TSirdPatt library(nullptr, dir.path(), 0);
    EXPECT_EQ(library.AddFromFile("pat04.gif"), 1);
    EXPECT_EQ(markOf(library.GetPattern(0)->GetBitmap()), 4);
}

TEST(PatternLibraryFiles, UnreadableFilesAreRefusedSilently)
{
    TempDir dir;
    ASSERT_TRUE(writeMarkedGif(dir.file("good.gif"), 1));
    std::string good = dir.read("good.gif");
    dir.write("text.gif", "this is not a picture\n");
    dir.write("empty.gif", "");
    dir.write("cut.gif", good.substr(0, good.size() / 2));
    dir.write("header-only.gif", good.substr(0, 13));
    // A BMP under a GIF name: the library reads GIF files only.
    dir.write("bitmap.gif", std::string("BM") + std::string(60, '\0'));
    std::filesystem::create_directories(dir.file("folder.gif"));

    QuietWindow frame;
    TSirdPatt library(&frame, dir.path(), 0);
    for (const char* name : {"missing.gif", "text.gif", "empty.gif", "cut.gif", "header-only.gif", "bitmap.gif",
                             "folder.gif", ""}) {
        EXPECT_EQ(library.AddFromFile(name), 0) << name;
    }
    EXPECT_EQ(library.GetCount(), 0);
    EXPECT_TRUE(frame.boxes.empty()) << frame.boxes.front();
    // Reading stays possible after the failures.
    EXPECT_EQ(library.AddFromFile("good.gif"), 1);
}

TEST(PatternFileNames, TwoDigitsAtLeast)
{
    EXPECT_EQ(engine::PatternFileName(0), "pat00.gif");
    EXPECT_EQ(engine::PatternFileName(9), "pat09.gif");
    EXPECT_EQ(engine::PatternFileName(10), "pat10.gif");
    EXPECT_EQ(engine::PatternFileName(24), "pat24.gif");
    EXPECT_EQ(engine::PatternFileName(999), "pat999.gif");
}

} // namespace
