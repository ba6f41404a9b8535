// The frame's decisions that need no screen: which commands are available,
// the tool bars' layout, print placement, the hint's and welcome window's
// places, and the status texts.

#include "models/ModelFormats.h"
#include "gui/Commands.h"
#include "gui/FileFilters.h"
#include "gui/FrameRules.h"
#include "gui/SaveAsName.h"
#include "gui/Shortcuts.h"

#include "app/FileKinds.h"
#include "pictrans/GraphicFormats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <tuple>

using namespace gui;

namespace {

FrameState pictureState(bool busy = false)
{
    FrameState s;
    s.busy = busy;
    s.activeKind = kKindPicture;
    s.hasChildren = true;
    return s;
}

} // namespace

TEST(CommandEnabling, BusyDisablesFileAndDocumentCommandsAndEnablesStop)
{
    FrameState idle = pictureState(false);
    FrameState busy = pictureState(true);
    busy.clipboardHasBitmap = idle.clipboardHasBitmap = true;
    for (int id : {CM_FILEOPEN, CM_FILESAVE, CM_FILEPRINT, CM_EDITCOPY, CM_EDITPASTE, CM_ZOOMIN, CM_ZOOMOUT,
                   CM_MAKESIRDS, CM_EXIT}) {
        EXPECT_TRUE(CommandEnabled(id, idle)) << id;
        EXPECT_FALSE(CommandEnabled(id, busy)) << id;
    }
    EXPECT_FALSE(CommandEnabled(CM_STOP, idle));
    EXPECT_TRUE(CommandEnabled(CM_STOP, busy));
    // Commands without enablers stay available while a process runs.
    for (int id : {CM_SETTINGS, CM_PATTERNS, CM_HELPINDEX, CM_HELPSIRDS, CM_ABOUT, CM_RELOCATE, CM_GRAYIMAGE,
                   CM_FILEPRINTERSETUP, CM_VIDEOINFO, CM_MATHVERSION, CM_FIGUREFIRST, CM_FIGUREFIRST + 22})
        EXPECT_TRUE(CommandEnabled(id, busy)) << id;
}

TEST(CommandEnabling, DocumentCommandsFollowTheActiveWindowKind)
{
    FrameState none;
    FrameState picture = pictureState();
    FrameState colours;
    colours.activeKind = kKindColorTable;
    for (int id : {CM_FILEPRINT, CM_ZOOMIN, CM_ZOOMOUT, CM_MAKESIRDS, CM_EDITCOPY, CM_FULLSCREEN}) {
        EXPECT_FALSE(CommandEnabled(id, none)) << id;
        EXPECT_TRUE(CommandEnabled(id, picture)) << id;
    }
    EXPECT_TRUE(CommandEnabled(CM_EDITCOPY, colours));
    EXPECT_FALSE(CommandEnabled(CM_FILEPRINT, colours));
    // The colour table needs a picture or itself.
    EXPECT_TRUE(CommandEnabled(CM_COLORTABLE, picture));
    EXPECT_TRUE(CommandEnabled(CM_COLORTABLE, colours));
    EXPECT_FALSE(CommandEnabled(CM_COLORTABLE, none));
    picture.busy = true;
    EXPECT_FALSE(CommandEnabled(CM_COLORTABLE, picture));
    picture.busy = false;
    EXPECT_FALSE(CommandEnabled(CM_MAKESIRDS, colours));
    // Paste looks at the clipboard only.
    EXPECT_FALSE(CommandEnabled(CM_EDITPASTE, none));
    none.clipboardHasBitmap = true;
    EXPECT_TRUE(CommandEnabled(CM_EDITPASTE, none));
    // The window commands need windows.
    EXPECT_FALSE(CommandEnabled(CM_CASCADE, FrameState{}));
    EXPECT_TRUE(CommandEnabled(CM_TILE, picture));
}

TEST(CommandEnabling, SaveDependsOnTheDocumentsOwnFlag)
{
    FrameState picture = pictureState();
    picture.pictureNoSaveQuestion = false;
    EXPECT_TRUE(CommandEnabled(CM_FILESAVE, picture));
    picture.pictureNoSaveQuestion = true; // just loaded or just saved
    EXPECT_FALSE(CommandEnabled(CM_FILESAVE, picture));

    FrameState map;
    map.activeKind = kKindDepthMap;
    map.mapSaved = false;
    EXPECT_TRUE(CommandEnabled(CM_FILESAVE, map));
    map.mapSaved = true;
    EXPECT_FALSE(CommandEnabled(CM_FILESAVE, map));
    EXPECT_FALSE(CommandEnabled(CM_FILESAVE, FrameState{}));
}

TEST(CommandEnabling, SaveAsAndCloseForEveryPictureAndMapWindow)
{
    // Save As does not look at the saved flags: a saved stereogram can be
    // written again in another format.
    for (bool saved : {false, true}) {
        FrameState picture = pictureState();
        picture.pictureNoSaveQuestion = saved;
        EXPECT_TRUE(CommandEnabled(CM_FILESAVEAS, picture)) << saved;
        FrameState map;
        map.activeKind = kKindDepthMap;
        map.mapSaved = saved;
        EXPECT_TRUE(CommandEnabled(CM_FILESAVEAS, map)) << saved;
        EXPECT_TRUE(CommandEnabled(CM_FILECLOSE, map));
        map.busy = true;
        EXPECT_FALSE(CommandEnabled(CM_FILESAVEAS, map));
        EXPECT_FALSE(CommandEnabled(CM_FILECLOSE, map));
    }
    FrameState colours;
    colours.activeKind = kKindColorTable;
    EXPECT_FALSE(CommandEnabled(CM_FILESAVEAS, colours));
    EXPECT_TRUE(CommandEnabled(CM_FILECLOSE, colours));
    EXPECT_FALSE(CommandEnabled(CM_FILESAVEAS, FrameState{}));
    EXPECT_FALSE(CommandEnabled(CM_FILECLOSE, FrameState{}));
}

TEST(CommandEnabling, ZoomStopsAtFourAndAQuarter)
{
    FrameState s = pictureState();
    s.zoom = 2.0;
    EXPECT_TRUE(CommandEnabled(CM_ZOOMIN, s));
    s.zoom = 4.0;
    EXPECT_FALSE(CommandEnabled(CM_ZOOMIN, s));
    EXPECT_TRUE(CommandEnabled(CM_ZOOMOUT, s));
    s.zoom = 0.25;
    EXPECT_FALSE(CommandEnabled(CM_ZOOMOUT, s));
    EXPECT_TRUE(CommandEnabled(CM_ZOOMIN, s));
}

TEST(CommandEnabling, DepthToolsNeedADepthMapWindow)
{
    FrameState map;
    map.activeKind = kKindDepthMap;
    EXPECT_TRUE(CommandEnabled(CM_FILENEW, map));
    EXPECT_TRUE(CommandEnabled(CM_WIZARD, map));
    EXPECT_TRUE(CommandEnabled(CM_MAKESIRDS, map));
    for (int id : {1251, 1252, 1253, 1254, 1256, 1261, 1262, 1265})
        EXPECT_TRUE(CommandEnabled(id, map)) << id;
    // The text tool and the font command have no behaviour anywhere.
    EXPECT_FALSE(CommandEnabled(1255, map));
    EXPECT_FALSE(CommandEnabled(CM_TEXTFONT, map));
    FrameState picture = pictureState();
    EXPECT_FALSE(CommandEnabled(1251, picture));
    map.busy = true;
    EXPECT_FALSE(CommandEnabled(CM_FILENEW, map));
}

TEST(ToolBars, MainBarHoldsEighteenButtonsWithTheirSeparators)
{
    const auto buttons = MainToolBarButtons();
    const std::vector<int> expected{CM_RELOCATE, CM_HELPINDEX, 0, CM_FILENEW, CM_FILEOPEN, CM_FILESAVE,
                                    CM_EDITCOPY, CM_EDITPASTE, CM_FILEPRINT, 0, CM_ZOOMIN, CM_ZOOMOUT,
                                    CM_FULLSCREEN, CM_COLORTABLE, CM_MAKESIRDS, CM_WIZARD, 0, CM_SETTINGS,
                                    CM_PATTERNS, 0, CM_STOP, CM_EXIT};
    EXPECT_EQ(std::vector<int>(buttons.begin(), buttons.end()), expected);
    const auto separators = MainToolBarSeparators();
    EXPECT_EQ(std::vector<int>(separators.begin(), separators.end()), (std::vector<int>{6, 6, 6, 12}));
    EXPECT_EQ(std::count(buttons.begin(), buttons.end(), 0), static_cast<long>(separators.size()));
    for (int id : buttons) {
        if (id != 0) {
            EXPECT_GT(HintText(id).size(), 1u) << id;
        }
    }
}

TEST(ToolBars, PaletteHoldsElevenToolsThenFiveCommands)
{
    const auto tools = ToolPaletteTools();
    EXPECT_EQ(std::vector<int>(tools.begin(), tools.end()),
              (std::vector<int>{1251, 1252, 1255, 1256, 1257, 1258, 1259, 1260, 1261, 1253, 1254}));
    const auto commands = ToolPaletteCommands();
    EXPECT_EQ(std::vector<int>(commands.begin(), commands.end()), (std::vector<int>{1262, 1263, 1264, 1265, 1266}));
    EXPECT_EQ(HintText(1261), "Draw Cyrcle Object Tool");
    EXPECT_EQ(HintText(1258), "Draw [Square Corner] Box Object Tool");
}

TEST(ToolBars, HintTextsOfTheCommandTable)
{
    EXPECT_EQ(HintText(CM_FILENEW), "Create a New Depth File");
    EXPECT_EQ(HintText(CM_VIDEOINFO), "Get Information about the operating video driver");
    EXPECT_EQ(HintText(CM_COLORTABLE), "View the Color Map for a loaded image");
    EXPECT_EQ(HintText(CM_STOP), "Stop Current Process");
    // Figure commands carry no string of their own.
    EXPECT_TRUE(HintText(CM_FIGUREFIRST).empty());
    EXPECT_TRUE(HintText(0).empty());
}

TEST(ToolBars, PositionFromConfigurationAndRelocationCycle)
{
    EXPECT_EQ(ToolBarPositionFromConfig(0), kBarTop);
    EXPECT_EQ(ToolBarPositionFromConfig(1), kBarLeft);
    EXPECT_EQ(ToolBarPositionFromConfig(2), kBarRight);
    EXPECT_EQ(ToolBarPositionFromConfig(5), kBarTop);
    EXPECT_EQ(ToolBarPositionFromConfig(-1), kBarTop);
    int p = kBarTop;
    p = NextToolBarPosition(p);
    EXPECT_EQ(p, kBarLeft);
    p = NextToolBarPosition(p);
    EXPECT_EQ(p, kBarRight);
    p = NextToolBarPosition(p);
    EXPECT_EQ(p, kBarTop);
}

TEST(PrintScale, SmallPictureIsEnlargedToThePageWidth)
{
    const PrintPlacement p = PrintScale(400, 400, 2400, 3300);
    ASSERT_TRUE(p.valid);
    EXPECT_FALSE(p.adjusted);
    EXPECT_EQ(p.x, 20);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(p.width, 2360);
    EXPECT_EQ(p.height, 2360);
}

TEST(PrintScale, WidePictureIsReducedAndReported)
{
    const PrintPlacement p = PrintScale(3000, 1000, 2400, 3300);
    ASSERT_TRUE(p.valid);
    EXPECT_TRUE(p.adjusted);
    EXPECT_EQ(p.width, 2360);
    EXPECT_EQ(p.height, 786);
}

TEST(PrintScale, TallPictureNeverRunsOffThePage)
{
    // Scaled by the page width alone this would be 2360 × 9440.
    const PrintPlacement tall = PrintScale(100, 400, 2400, 3300);
    ASSERT_TRUE(tall.valid);
    EXPECT_FALSE(tall.adjusted);
    EXPECT_EQ(tall.height, 3260);
    EXPECT_EQ(tall.width, 815);
    // On a landscape page a wide picture is limited by the width.
    const PrintPlacement wide = PrintScale(400, 100, 3300, 2400);
    EXPECT_EQ(wide.width, 3260);
    EXPECT_EQ(wide.height, 815);
}

TEST(PrintScale, EveryPlacementFitsThePrintableArea)
{
    const int pages[][2] = {{2400, 3300}, {3300, 2400}, {600, 800}, {100, 100}};
    const int pictures[][2] = {{1, 1}, {1, 5000}, {5000, 1}, {399, 401}, {2400, 3300}, {2399, 3299},
                               {7, 13}, {1200, 1200}, {3000, 1000}};
    for (const auto& page : pages) {
        for (const auto& pic : pictures) {
            const PrintPlacement p = PrintScale(pic[0], pic[1], page[0], page[1]);
            ASSERT_TRUE(p.valid);
            const int aw = page[0] - 40;
            const int ah = page[1] - 40;
            EXPECT_GE(p.width, 1);
            EXPECT_GE(p.height, 1);
            EXPECT_LE(p.x + p.width, page[0] - 20) << pic[0] << "x" << pic[1] << " on " << page[0];
            EXPECT_LE(p.y + p.height, page[1] - 20) << pic[0] << "x" << pic[1] << " on " << page[0];
            // One side fills its direction (within a pixel of truncation).
            EXPECT_TRUE(p.width == aw || p.height == ah) << pic[0] << "x" << pic[1];
            // The proportions survive within the truncation.
            const double ratio = static_cast<double>(pic[0]) / pic[1];
            if (p.width > 50 && p.height > 50) {
                EXPECT_NEAR(static_cast<double>(p.width) / p.height, ratio, ratio * 0.03);
            }
            // Larger than the page in either direction is what gets the message.
            EXPECT_EQ(p.adjusted, !(pic[0] < page[0] && pic[1] < page[1]));
        }
    }
}

TEST(PrintScale, EmptyPicturesAndTinyPagesAreRefused)
{
    EXPECT_FALSE(PrintScale(0, 100, 2400, 3300).valid);
    EXPECT_FALSE(PrintScale(100, -1, 2400, 3300).valid);
    EXPECT_FALSE(PrintScale(100, 100, 40, 3300).valid);
    EXPECT_FALSE(PrintScale(100, 100, 2400, 30).valid);
}

TEST(HintPlace, BelowAndRightOfTheMouseOrPushedInsideTheFrame)
{
    const IntRect frame{100, 50, 900, 650};
    // Client area starts 4 pixels in and 30 down (menu) from the frame corner.
    IntRect r = HintRect(300, 200, 60, 14, frame, 104, 80);
    EXPECT_EQ(r.left, 300 - 104 + 8);
    EXPECT_EQ(r.top, 200 - 80 + 20);
    EXPECT_EQ(r.width(), 72);
    EXPECT_EQ(r.height(), 22);
    // Near the bottom-right corner: right edge on the frame's right edge,
    // bottom edge 8 pixels above the frame's bottom (screen coordinates).
    r = HintRect(890, 640, 60, 14, frame, 104, 80);
    EXPECT_EQ(r.right + 104, frame.right);
    EXPECT_EQ(r.bottom + 80, frame.bottom - 8);
}

TEST(WelcomePlace, CentredOnTheFrameRectangleWithTruncatingHalves)
{
    EXPECT_EQ(WelcomePosition(0, 0, 640, 480, 354, 310), (IntPoint{143, 85}));
    EXPECT_EQ(WelcomePosition(10, 20, 641, 481, 355, 311), (IntPoint{10 + 320 - 177, 20 + 240 - 155}));
    // Halves of negative sizes truncate toward zero.
    EXPECT_EQ(WelcomePosition(0, 0, -3, -3, 354, 310), (IntPoint{-1 - 177, -1 - 155}));
}

TEST(WindowPlace, CentredOnTheFrameButNeverOffTheScreen)
{
    const IntRect screen{0, 0, 1280, 1024};
    // Room enough: centred on the frame.
    EXPECT_EQ(CentredWithin({0, 0, 640, 480}, 560, 480, screen), (IntPoint{40, 0}));
    // A frame near the bottom right corner: pushed back onto the screen.
    EXPECT_EQ(CentredWithin({800, 700, 1280, 1024}, 568, 512, screen), (IntPoint{712, 512}));
    // A frame hanging off the top left: the window starts at the corner.
    EXPECT_EQ(CentredWithin({-600, -400, 100, 100}, 568, 512, screen), (IntPoint{0, 0}));
    // Larger than the free area: the title bar and left edge stay on it.
    EXPECT_EQ(CentredWithin({0, 0, 640, 480}, 900, 700, {0, 30, 800, 600}), (IntPoint{0, 30}));
}

TEST(MemoryPane, AvailableMemoryFromMeminfo)
{
    const char* meminfo = "MemTotal:       16318412 kB\n"
                          "MemFree:          523360 kB\n"
                          "MemAvailable:    9270512 kB\n"
                          "Buffers:          414776 kB\n";
    EXPECT_EQ(MemAvailableKb(meminfo), 9270512);
    // Old kernels have no MemAvailable line.
    EXPECT_EQ(MemAvailableKb("MemTotal: 1000 kB\nMemFree:  250 kB\n"), 250);
    // A key is matched whole, not as a prefix of another key.
    EXPECT_EQ(MemAvailableKb("MemFreeish: 5 kB\nMemFree: 7 kB\n"), 7);
    EXPECT_EQ(MemAvailableKb("MemTotal: 1000 kB\n"), -1);
    EXPECT_EQ(MemAvailableKb(""), -1);
    EXPECT_EQ(MemAvailableKb("MemAvailable: kB\n"), -1);
    EXPECT_EQ(MemAvailableKb("MemAvailable: 99999999999999999999999 kB\n"), -1);
    EXPECT_EQ(MemoryText(9270512), "Free: 9270512 K");
}

TEST(StatusTexts, DimensionsSizesAndFileMessages)
{
    EXPECT_EQ(DimensionsText(400, 400, 8), "400 x 400 x 256");
    EXPECT_EQ(DimensionsText(354, 310, 4), "354 x 310 x 16");
    EXPECT_EQ(DimensionsText(10, 10, 24), "10 x 10 x 16777216");
    EXPECT_EQ(ImageSizeText(160000), "Image: 160 K");
    EXPECT_EQ(ImageSizeText(999), "Image: 0 K");
    EXPECT_EQ(ReadingText(kFormatGif), "Reading GIF File");
    EXPECT_EQ(ReadingText(kFormatDepthMap), "Reading Depth Map File");
    EXPECT_EQ(ReadingText(0), "");
    EXPECT_EQ(ReadingText(-1), "");
    EXPECT_EQ(WritingText(kFormatJpeg), "Writing JPEG File");
    EXPECT_EQ(ReadingText(kFormatPng), "Reading PNG File");
    EXPECT_EQ(WritingText(kFormatPng), "Writing PNG File");
    EXPECT_EQ(WritingText(kFormatDepthMap), "Writing BMP File");
    EXPECT_EQ(WritingText(99), "Writing BMP File");
}

TEST(StatusTexts, ProgressPercentToleratesBadTotals)
{
    EXPECT_EQ(ProgressPercent(50, 200), 25);
    EXPECT_EQ(ProgressPercent(199, 200), 99);
    EXPECT_EQ(ProgressPercent(1, 0), 0);
    EXPECT_EQ(ProgressPercent(1, -5), 0);
    EXPECT_EQ(ProgressPercent(300, 200), 100);
    EXPECT_EQ(ProgressPercent(-3, 200), 0);
    // done × 100 must not overflow 32 bits.
    EXPECT_EQ(ProgressPercent(2000000000, 2000000000), 100);
}

TEST(FileNames, DialogExtensionsByFormat)
{
    // The kinds of the first program's table keep their extensions.
    EXPECT_EQ(SaveDefaultExtension(kFormatJpeg), "JPG");
    EXPECT_EQ(OpenDefaultExtension(kFormatPng), "PNG");
    EXPECT_EQ(SaveDefaultExtension(kFormatPng), "PNG");
    EXPECT_EQ(OpenDefaultExtension(kFormatDepthMap), "RDS");
    EXPECT_EQ(SaveDefaultExtension(kFormatPcx), "PCX");
    EXPECT_EQ(OpenDefaultExtension(99), "BMP");
    EXPECT_EQ(SaveDefaultExtension(-1), "BMP");
    // Every kind: its own first extension where it opens (saves), else BMP's.
    for (const app::FileKind& kind : app::fileKinds()) {
        std::string own = kind.extensions[0];
        for (char& c : own)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(OpenDefaultExtension(kind.code), kind.can(pictrans::kReads) ? own : "BMP") << kind.name;
        EXPECT_EQ(SaveDefaultExtension(kind.code), kind.can(pictrans::kWrites) ? own : "BMP") << kind.name;
        EXPECT_EQ(ReadingText(kind.code), kind.can(pictrans::kReads) ? "Reading " + std::string(kind.name) + " File" : "");
    }
}

TEST(FileNames, TitlesAndDepthMapNames)
{
    EXPECT_EQ(TitleFromPath("C:\\PICS\\MOON.GIF"), "moon.gif");
    EXPECT_EQ(TitleFromPath("/home/me/Pictures/Moon.GIF"), "moon.gif");
    EXPECT_EQ(TitleFromPath("plain.bmp"), "plain.bmp");
    EXPECT_TRUE(IsDepthMapName("/maps/Test.RDS"));
    EXPECT_TRUE(IsDepthMapName("C:\\MAPS\\TEST.RDS"));
    // A folder name does not make a picture a depth map.
    EXPECT_FALSE(IsDepthMapName("/data/old.rds/picture.bmp"));
}

TEST(VideoInformation, ColoursOfTheDisplayDepth)
{
    EXPECT_EQ(VideoColors(8), 256);
    EXPECT_EQ(VideoColors(1), 2);
    EXPECT_EQ(VideoColors(24), 16777216);
    EXPECT_EQ(VideoColors(32), 2147483647);
    const std::string text = VideoInfoText(256);
    EXPECT_NE(text.find("The current video driver is\nset for 256 colors.\n"), std::string::npos);
    EXPECT_NE(text.find(" Dotscape may not work with some video drivers with more than 256 colors."),
              std::string::npos);
}

TEST(Shortcuts, TheKeysPeopleExpect)
{
    const std::pair<int, std::string_view> expected[] = {
        {CM_FILENEW, "Ctrl+N"},   {CM_FILEOPEN, "Ctrl+O"},       {CM_FILESAVE, "Ctrl+S"},
        {CM_FILESAVEAS, "Ctrl+Shift+S"}, {CM_FILEPRINT, "Ctrl+P"}, {CM_FILECLOSE, "Ctrl+W"},
        {CM_ZOOMIN, "Ctrl++"},    {CM_ZOOMOUT, "Ctrl+-"},        {CM_FULLSCREEN, "F11"},
        {CM_MAKESIRDS, "Ctrl+M"}, {1251, "S"}, {1252, "M"}, {1253, "G"}, {1254, "A"}, {1256, "L"},
        {1257, "U"}, {1258, "B"}, {1259, "R"}, {1260, "P"}, {1261, "C"}, {CM_SETLEVEL, "Ctrl+L"},
        {CM_OBJECTDELETE, "Del"}, {CM_OBJECTUP, "Ctrl+Up"}, {CM_OBJECTDOWN, "Ctrl+Down"},
    };
    for (const auto& [id, key] : expected)
        EXPECT_EQ(ShortcutText(id), key) << id;
    // Ctrl+= reaches Zoom In where + needs Shift.
    const auto zoom = ShortcutKeys(CM_ZOOMIN);
    EXPECT_EQ(std::vector<std::string_view>(zoom.begin(), zoom.end()),
              (std::vector<std::string_view>{"Ctrl++", "Ctrl+="}));
    // The text tool and the font command do nothing, so they take no key.
    EXPECT_TRUE(ShortcutKeys(1255).empty());
    EXPECT_TRUE(ShortcutKeys(CM_TEXTFONT).empty());
    EXPECT_TRUE(ShortcutKeys(CM_CASCADE).empty());
}

TEST(Shortcuts, NoKeyServesTwoCommandsAndEveryKeyedCommandHasAHint)
{
    std::set<std::string_view> seen;
    for (int id : CommandsWithShortcuts()) {
        EXPECT_GT(HintText(id).size(), 1u) << id;
        for (std::string_view key : ShortcutKeys(id)) {
            EXPECT_FALSE(key.empty()) << id;
            EXPECT_TRUE(seen.insert(key).second) << key;
        }
    }
    EXPECT_EQ(ShortcutText(CM_WIZARD), "Ctrl+Shift+M");
    EXPECT_EQ(ShortcutText(CM_EDITUNDO), "Ctrl+Z");
    EXPECT_EQ(ShortcutText(CM_EDITREDO), "Ctrl+Shift+Z");
}

TEST(Shortcuts, HintsNameTheKey)
{
    EXPECT_EQ(HintWithShortcut(CM_FILESAVE), "Save Image to Disk (Ctrl+S)");
    EXPECT_EQ(HintWithShortcut(1261), "Draw Cyrcle Object Tool (C)");
    EXPECT_EQ(HintWithShortcut(CM_OBJECTDELETE), "Delete Selected Depth Object (Del)");
    EXPECT_EQ(HintWithShortcut(CM_VIDEOINFO), "Get Information about the operating video driver");
    EXPECT_TRUE(HintWithShortcut(CM_FIGUREFIRST).empty());
}

// "Name (*.a *.b)" of a kind, made here from the row's facts.
std::string filterOf(const app::FileKind& kind)
{
    std::string text = std::string(kind.filterName) + " (";
    for (std::size_t i = 0; i < kind.extensions.size(); ++i)
        text.append(i ? " *." : "*.").append(kind.extensions[i]);
    return text + ")";
}

TEST(FileDialogFilters, OpenOffersEverythingFirstThenEachKindThatOpens)
{
    const FileFilters none = OpenFileFilters(kFormatBmp - 1);
    ASSERT_FALSE(none.filters.empty());
    EXPECT_TRUE(none.filters[0].starts_with("All supported files (*.bmp *.dib *.pcx *.gif *.png")) << none.filters[0];
    EXPECT_NE(none.filters[0].find(" *.rds"), std::string::npos) << none.filters[0];
    EXPECT_EQ(none.selected, 0u);
    std::vector<std::string> expected{none.filters[0]};
    for (const app::FileKind& kind : app::fileKinds()) {
        if (!kind.can(pictrans::kReads)) {
            // What only saves is no Open filter and preselects everything.
            EXPECT_EQ(OpenFileFilters(kind.code).selected, 0u) << kind.name;
            continue;
        }
        expected.push_back(filterOf(kind));
        // Each readable kind preselects its own filter.
        const FileFilters f = OpenFileFilters(kind.code);
        ASSERT_LT(f.selected, f.filters.size());
        EXPECT_EQ(f.filters[f.selected], filterOf(kind)) << kind.name;
        for (const char* ext : kind.extensions)
            EXPECT_NE(none.filters[0].find(std::string("*.") + ext), std::string::npos) << ext;
    }
    EXPECT_EQ(none.filters, expected);
    // The program's own names of the first formats.
    EXPECT_EQ(none.filters[1], "Bitmap Files (*.bmp *.dib)");
    EXPECT_NE(std::ranges::find(none.filters, "Depth Map File (*.rds)"), none.filters.end());
    // Models open by the importer's own list of names.
    EXPECT_EQ(none.filters.back(), "3-D Models (" + models::modelFilePatterns() + ")");
    // Unknown codes (a failed read leaves -1 or 0) fall back to everything.
    for (int format : {-1, 0, 99})
        EXPECT_EQ(OpenFileFilters(format).selected, 0u) << format;
}

TEST(FileDialogFilters, SaveOffersEveryWritableKind)
{
    std::vector<std::string> expected;
    for (const app::FileKind& kind : app::fileKinds())
        if (kind.can(pictrans::kWrites))
            expected.push_back(filterOf(kind));
    for (const app::FileKind& kind : app::fileKinds()) {
        const FileFilters f = SaveFileFilters(kind.code);
        EXPECT_EQ(f.filters, expected);
        if (kind.can(pictrans::kWrites)) {
            EXPECT_EQ(f.filters[f.selected], filterOf(kind)) << kind.name;
        }
    }
    EXPECT_EQ(expected.front(), "Bitmap Files (*.bmp *.dib)");
    EXPECT_EQ(SaveFileFilters(-1).selected, 0u);
}

TEST(DocumentPlacement, WindowsNeverOpenLargerThanTheArea)
{
    // A 1200 x 1200 picture's window in a small area: the whole area, from
    // its corner, so the title bar and the close button can be reached.
    EXPECT_EQ(FitWithin({30, 30, 1230, 1230}, 500, 380), (IntRect{0, 0, 500, 380}));
    // Too wide only: the height and the top stay.
    EXPECT_EQ(FitWithin({10, 20, 900, 120}, 500, 380), (IntRect{0, 20, 500, 120}));
    // Fits, but runs over the right and bottom edges: moved left and up.
    EXPECT_EQ(FitWithin({400, 300, 600, 400}, 500, 380), (IntRect{300, 280, 500, 380}));
    // Already inside: unchanged.
    EXPECT_EQ(FitWithin({5, 6, 105, 206}, 500, 380), (IntRect{5, 6, 105, 206}));
    // Dragged past the top-left corner: back to it.
    EXPECT_EQ(FitWithin({-50, -10, 50, 90}, 500, 380), (IntRect{0, 0, 100, 100}));
    // An area of no size gives a window of no size rather than a negative one.
    EXPECT_EQ(FitWithin({0, 0, 100, 100}, 0, -5), (IntRect{0, 0, 0, 0}));
}

TEST(SaveAsName, TheChosenTypeAddsItsExtensionAndAContradictionIsFlagged)
{
    struct Case {
        const char* typed;
        int chosen;
        const char* name;
        bool contradicts;
        int typedFormat;
    } cases[] = {
        {"/p/crater", kFormatPng, "/p/crater.png", false, 0},
        {"/p/crater.PNG", kFormatPng, "/p/crater.PNG", false, kFormatPng},
        {"/p/crater.bmp", kFormatPng, "/p/crater.bmp", true, kFormatBmp},
        {"/p/photo.jpeg", kFormatJpeg, "/p/photo.jpeg", false, kFormatJpeg},
        {"/p/my.scene", kFormatGif, "/p/my.scene.gif", false, 0},
        {"/p.gif/.hidden", kFormatPcx, "/p.gif/.hidden.pcx", false, 0},
        {"/p/map.rds", kFormatBmp, "/p/map.rds", true, kFormatDepthMap},
    };
    for (const Case& c : cases) {
        const SaveAsName r = ResolveSaveAsName(c.typed, c.chosen);
        EXPECT_EQ(r.name, c.name) << c.typed;
        EXPECT_EQ(r.format, c.chosen) << c.typed;
        EXPECT_EQ(r.contradicts, c.contradicts) << c.typed;
        EXPECT_EQ(r.typedFormat, c.typedFormat) << c.typed;
    }
    EXPECT_EQ(WithExtensionOf("/p/sun.bmp", kFormatPng), "/p/sun.png");
    EXPECT_EQ(WithExtensionOf("/p.x/sun", kFormatJpeg), "/p.x/sun.jpg");
}

TEST(FirstRun, TheFrameTakesThreeQuartersOfTheScreenCentredAndAtLeast640By480)
{
    struct Case {
        FrameRect screen;
        FrameRect frame;
    } cases[] = {
        {{0, 0, 1920, 1080}, {240, 135, 1680, 945}},
        {{0, 0, 800, 600}, {80, 60, 720, 540}},
        {{0, 0, 640, 480}, {0, 0, 640, 480}},
        {{0, 0, 600, 400}, {0, 0, 600, 400}},
        {{1920, 30, 3840, 1110}, {2160, 165, 3600, 975}},
    };
    for (const Case& c : cases) {
        const FrameRect r = FirstRunFrameRect(c.screen);
        EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
                  std::tie(c.frame.left, c.frame.top, c.frame.right, c.frame.bottom))
            << c.screen.right - c.screen.left << " x " << c.screen.bottom - c.screen.top;
    }
}
