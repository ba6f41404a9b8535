// The configuration file: defaults, round trips of every key, the order and
// format of what is written, garbled and unreadable files, the frame
// rectangle rules, the wizard section and the file's location.

#include "app/Configuration.h"
#include "PatternFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using app::Configuration;

// Every value different from its default and from every other value, with
// negatives wherever a field can hold one.
Configuration unusualConfiguration()
{
    Configuration c;
    c.X1 = -8;
    c.Y1 = -6;
    c.X2 = 1925;
    c.Y2 = 1087;
    c.MX = 0;
    c.CntlBar = 2;
    c.Format = 9;
    c.Select = 13;
    c.Count = 27;
    c.demo.dx = -199;
    c.demo.dy = -42;
    c.demo.da = -180;
    c.demo.zmin = -5;
    c.demo.zmax = 77;
    c.demo.w = 555;
    c.demo.h = 333;
    c.demo.gapValue = 121;
    c.demo.Marker = 0;
    c.demo.UseBMP = 1;
    c.demo.DepthSel = 2;
    c.demo.ShiftDir = 3;
    return c;
}

void expectSame(const Configuration& a, const Configuration& b)
{
    EXPECT_EQ(a.X1, b.X1);
    EXPECT_EQ(a.Y1, b.Y1);
    EXPECT_EQ(a.X2, b.X2);
    EXPECT_EQ(a.Y2, b.Y2);
    EXPECT_EQ(a.MX, b.MX);
    EXPECT_EQ(a.CntlBar, b.CntlBar);
    EXPECT_EQ(a.Format, b.Format);
    EXPECT_EQ(a.Select, b.Select);
    EXPECT_EQ(a.Count, b.Count);
    EXPECT_EQ(a.demo, b.demo);
}

void expectDefaults(const Configuration& c)
{
    expectSame(c, Configuration{});
    // The defaults themselves, stated once: a changed default is a changed program.
    EXPECT_EQ(c.frameRect(), (app::ScreenRect{0, 0, 640, 480}));
    EXPECT_EQ(c.toolBarPosition(), 0);
    EXPECT_EQ(c.Format, 1);
    EXPECT_EQ(c.Select, 0);
    EXPECT_EQ(c.Count, 20);
    EXPECT_EQ(c.demo, engine::SirdsSettings{});
}

// Positions of the lines "key=..." in the file, in file order.
std::vector<std::string> keyOrder(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.front() == '[')
            out.push_back(line);
        else if (auto eq = line.find('='); eq != std::string::npos)
            out.push_back(line.substr(0, eq));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

TEST(ConfigurationLoad, MissingFileGivesEveryDefault)
{
    TempDir dir;
    Configuration c = unusualConfiguration();
    c.load(dir.file("absent.ini"));
    expectDefaults(c);
}

TEST(ConfigurationLoad, FileWithOtherSectionsOnlyGivesEveryDefault)
{
    TempDir dir;
    dir.write("c.ini", "[Other]\nX1=5\ndx=7\n[wizard]\nsource_type=1\n");
    Configuration c = unusualConfiguration();
    c.load(dir.file("c.ini"));
    expectDefaults(c);
}

TEST(ConfigurationRoundTrip, EveryKeySurvivesIncludingNegatives)
{
    TempDir dir;
    Configuration written = unusualConfiguration();
    ASSERT_TRUE(written.save(dir.file("c.ini")));
    Configuration read;
    read.load(dir.file("c.ini"));
    expectSame(read, written);

    // Extreme 32-bit values survive as well.
    written.demo.dx = INT_MIN;
    written.demo.dy = INT_MAX;
    ASSERT_TRUE(written.save(dir.file("c.ini")));
    read.load(dir.file("c.ini"));
    EXPECT_EQ(read.demo.dx, INT_MIN);
    EXPECT_EQ(read.demo.dy, INT_MAX);
}

TEST(ConfigurationRoundTrip, EachDemoKeyIsReadFromItsOwnName)
{
    // A file written by hand with one DEMO key at a time: a key read under
    // the wrong name shows up as a default where the value should be.
    using Field = std::int32_t engine::SirdsSettings::*;
    const std::pair<const char*, Field> keys[] = {
        {"dx", &engine::SirdsSettings::dx},         {"dy", &engine::SirdsSettings::dy},
        {"da", &engine::SirdsSettings::da},         {"zmin", &engine::SirdsSettings::zmin},
        {"zmax", &engine::SirdsSettings::zmax},     {"w", &engine::SirdsSettings::w},
        {"h", &engine::SirdsSettings::h},           {"gapValue", &engine::SirdsSettings::gapValue},
        {"Marker", &engine::SirdsSettings::Marker}, {"UseBMP", &engine::SirdsSettings::UseBMP},
        {"DepthSel", &engine::SirdsSettings::DepthSel}, {"ShiftDir", &engine::SirdsSettings::ShiftDir}};
    for (const auto& [key, field] : keys) {
        TempDir dir;
        dir.write("c.ini", std::string("[DEMO]\n") + key + "=-321\n");
        Configuration c;
        c.load(dir.file("c.ini"));
        engine::SirdsSettings expected;
        expected.*field = -321;
        EXPECT_EQ(c.demo, expected) << key;
    }
}

TEST(ConfigurationSave, NewFileHasTheSectionsAndKeysInWritingOrder)
{
    TempDir dir;
    Configuration c = unusualConfiguration();
    c.MX = 1; // always stored as 0
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    std::vector<std::string> expected = {
        "[Tools]",  "CntlBar", "[GRAPHICS]", "Format", "[Patterns]", "Select", "Count",  "[DEMO]",
        "dx",       "dy",      "da",         "zmin",   "zmax",       "w",      "h",      "gapValue",
        "Marker",   "UseBMP",  "DepthSel",   "ShiftDir", "[WinSize]", "X1",    "Y1",     "X2",
        "Y2",       "MX",      "[Hidden Surface]", "Oversample", "DepthOfField", "Dpi", "EyeSepMm",
        "CrossEyed", "RandomDots", "Seed", "NoiseBeta", "NoiseColour", "Tileable", "FreshFill"};
    std::string text = dir.read("c.ini");
    EXPECT_EQ(keyOrder(text), expected);
    // Decimal "%d" values, a minus sign for negatives, no padding.
    EXPECT_NE(text.find("\ndx=-199\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nX1=-8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nFormat=9\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMX=0\n"), std::string::npos) << text;
}

TEST(ConfigurationSave, KeepsEverythingElseAndReplacesValuesInPlace)
{
    TempDir dir;
    dir.write("c.ini",
              "; kept comment\n"
              "[wizard]\nsource_type=2\nfigure=7\nsource_name=crater.rds\n"
              "[demo]\nDX=5\nextra=keep me\n"
              "[Mine]\nfoo=bar\n");
    Configuration c = unusualConfiguration();
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    std::string text = dir.read("c.ini");
    EXPECT_NE(text.find("; kept comment"), std::string::npos);
    EXPECT_NE(text.find("extra=keep me"), std::string::npos);
    EXPECT_NE(text.find("[Mine]\nfoo=bar"), std::string::npos);
    // The existing key is rewritten where it stood, not added a second time.
    EXPECT_EQ(text.find("DX=5"), std::string::npos);
    EXPECT_NE(text.find("[demo]\ndx=-199\nextra=keep me\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("dx=", text.find("dx=") + 1), std::string::npos) << text;

    app::WizardSettings wizard = Configuration::loadWizard(dir.file("c.ini"));
    EXPECT_EQ(wizard.source_type, 2);
    EXPECT_EQ(wizard.figure, 7);
    EXPECT_EQ(wizard.source_name, std::optional<std::string>("crater.rds"));
}

TEST(ConfigurationSave, FailedWriteReportsFalseAndLeavesNoFile)
{
    TempDir dir;
    dir.write("blocker", "a plain file where a folder should be");
    Configuration c;
    EXPECT_FALSE(c.save(dir.file("blocker/sub/c.ini")));
    EXPECT_EQ(dir.read("blocker"), "a plain file where a folder should be");
}

TEST(ConfigurationSave, CreatesTheMissingFolder)
{
    TempDir dir;
    Configuration c = unusualConfiguration();
    ASSERT_TRUE(c.save(dir.file("a/b/dotscape/DOTSCAPE.INI")));
    Configuration read;
    read.load(dir.file("a/b/dotscape/DOTSCAPE.INI"));
    expectSame(read, c);
}

TEST(ConfigurationGarbled, BadValuesGiveDefaultsOnlyWhereTheyAreBad)
{
    TempDir dir;
    dir.write("c.ini",
              "[WinSize]\nX1=abc\nY1=12px\nX2=\nY2=  -7 \n"
              "this line is junk\n"
              "[Tools]\nCntlBar=--1\n"
              "[GRAPHICS]\nFormat=99999999999999\n"
              "[Patterns]\nSelect=+4\nCount=-99999999999\n"
              "[DEMO]\ndx=\"-12\"\ndy=1e5\nzmax=0x40\n=7\n");
    Configuration c;
    c.load(dir.file("c.ini"));
    EXPECT_EQ(c.X1, 0);         // no digits: default
    EXPECT_EQ(c.Y1, 12);        // digits up to the first other character
    EXPECT_EQ(c.X2, 640);       // empty: default
    EXPECT_EQ(c.Y2, -7);        // blanks around a negative number
    EXPECT_EQ(c.CntlBar, 0);    // two signs: no number
    EXPECT_EQ(c.Format, INT_MAX); // saturates instead of wrapping
    EXPECT_EQ(c.Select, 4);
    EXPECT_EQ(c.Count, INT_MIN);
    EXPECT_EQ(c.demo.dx, -12);  // quoted value
    EXPECT_EQ(c.demo.dy, 1);
    EXPECT_EQ(c.demo.zmax, 0);  // hexadecimal is not read as such
    EXPECT_EQ(c.demo.w, 400);
}

TEST(ConfigurationGarbled, BinaryJunkAndUnreadableFilesGiveDefaults)
{
    TempDir dir;
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 256);
    dir.write("junk.ini", junk);
    Configuration c = unusualConfiguration();
    c.load(dir.file("junk.ini"));
    expectDefaults(c);

    // A folder in place of the file cannot be read.
    std::filesystem::create_directories(dir.file("folder.ini"));
    c = unusualConfiguration();
    c.load(dir.file("folder.ini"));
    expectDefaults(c);
}

TEST(ConfigurationGarbled, SectionAndKeyNamesIgnoreCaseAndBlanks)
{
    TempDir dir;
    dir.write("c.ini", "[ demo ]\r\n  GAPVALUE = 140 \r\n[patterns]\r\nselect=3\r\n");
    Configuration c;
    c.load(dir.file("c.ini"));
    EXPECT_EQ(c.demo.gapValue, 140);
    EXPECT_EQ(c.Select, 3);
}

TEST(ConfigurationFrame, PlacementFromTheStoredRectangle)
{
    Configuration c;
    c.X1 = 10;
    c.Y1 = 20;
    c.X2 = 810;
    c.Y2 = 620;
    app::FramePlacement p = c.framePlacement();
    EXPECT_FALSE(p.maximized);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);

    c.MX = -3; // any non-zero value
    EXPECT_TRUE(c.framePlacement().maximized);
    // The welcome window centres on the rectangle whatever MX says.
    EXPECT_EQ(c.frameRect(), (app::ScreenRect{10, 20, 810, 620}));
}

TEST(ConfigurationFrame, ExtremeEdgesDoNotOverflow)
{
    Configuration c;
    c.X1 = INT_MIN;
    c.X2 = INT_MAX;
    c.Y1 = INT_MAX;
    c.Y2 = INT_MIN;
    app::FramePlacement p = c.framePlacement();
    EXPECT_EQ(p.width, INT_MAX);
    EXPECT_EQ(p.height, INT_MIN);
}

TEST(ConfigurationFrame, MaximisedFrameComesBackCoveringTheDesktop)
{
    TempDir dir;
    Configuration c;
    c.MX = 1;
    // A maximised frame reaches past the desktop by its border.
    c.storeFrameRect({-8, -8, 1928, 1088}, {0, 0, 1920, 1080});
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    Configuration next;
    next.load(dir.file("c.ini"));
    app::FramePlacement p = next.framePlacement();
    EXPECT_FALSE(p.maximized);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.width, 1920);
    EXPECT_EQ(p.height, 1080);

    // A frame inside the desktop is stored as it is.
    c.storeFrameRect({100, 50, 900, 650}, {0, 0, 1920, 1080});
    EXPECT_EQ(c.frameRect(), (app::ScreenRect{100, 50, 900, 650}));
    EXPECT_EQ(c.MX, 0);
}

TEST(ConfigurationTools, ToolBarPositionOutsideTheThreeEdgesIsTop)
{
    Configuration c;
    for (int v : {0, 1, 2}) {
        c.CntlBar = v;
        EXPECT_EQ(c.toolBarPosition(), v);
    }
    for (int v : {-1, 3, INT_MAX}) {
        c.CntlBar = v;
        EXPECT_EQ(c.toolBarPosition(), 0);
    }
    // The stored value itself is written back unchanged.
    TempDir dir;
    c.CntlBar = 7;
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    Configuration read;
    read.load(dir.file("c.ini"));
    EXPECT_EQ(read.CntlBar, 7);
}

TEST(ConfigurationWizard, DefaultsAndRoundTrip)
{
    TempDir dir;
    app::WizardSettings none = Configuration::loadWizard(dir.file("c.ini"));
    EXPECT_EQ(none.source_type, 3);
    EXPECT_EQ(none.figure, 0);
    EXPECT_FALSE(none.source_name.has_value());

    app::WizardSettings w;
    w.source_type = 1;
    w.figure = -4;
    w.source_name = "my picture.bmp";
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), w));
    EXPECT_EQ(Configuration::loadWizard(dir.file("c.ini")), w);

    // Without a name the stored one stays.
    app::WizardSettings noName;
    noName.source_type = 2;
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), noName));
    app::WizardSettings read = Configuration::loadWizard(dir.file("c.ini"));
    EXPECT_EQ(read.source_type, 2);
    EXPECT_EQ(read.source_name, std::optional<std::string>("my picture.bmp"));
}

TEST(ConfigurationWizard, LongAndMultiLineNamesStayOneKey)
{
    TempDir dir;
    app::WizardSettings w;
    w.source_name = std::string(300, 'n');
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), w));
    EXPECT_EQ(Configuration::loadWizard(dir.file("c.ini")).source_name->size(), 255u);

    w.source_name = "first\nsource_type=1\r\nthird";
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), w));
    app::WizardSettings read = Configuration::loadWizard(dir.file("c.ini"));
    EXPECT_EQ(read.source_type, 3); // the name did not inject a key
    EXPECT_EQ(read.source_name, std::optional<std::string>("first source_type=1  third"));

    // A hand-written over-long name is cut on reading too.
    dir.write("long.ini", "[wizard]\nsource_name=" + std::string(400, 'x') + "\n");
    EXPECT_EQ(Configuration::loadWizard(dir.file("long.ini")).source_name->size(), 255u);
}

TEST(ConfigurationWizard, ExitSaveAndWizardSaveDoNotDisturbEachOther)
{
    TempDir dir;
    app::WizardSettings w;
    w.source_type = 2;
    w.figure = 11;
    w.source_name = "map.rds";
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), w));
    Configuration c = unusualConfiguration();
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    EXPECT_EQ(Configuration::loadWizard(dir.file("c.ini")), w);
    ASSERT_TRUE(Configuration::saveWizard(dir.file("c.ini"), w));
    Configuration read;
    read.load(dir.file("c.ini"));
    expectSame(read, c);
}

TEST(ConfigurationPath, FollowsTheXdgRules)
{
    EXPECT_EQ(app::configPathFor("/x/cfg", "/home/u"), "/x/cfg/dotscape/DOTSCAPE.INI");
    EXPECT_EQ(app::configPathFor("/x/cfg/", "/home/u"), "/x/cfg/dotscape/DOTSCAPE.INI");
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    EXPECT_EQ(app::configPathFor("relative/cfg", "/home/u"), "/home/u/.config/dotscape/DOTSCAPE.INI");
    EXPECT_EQ(app::configPathFor("", "/home/u/"), "/home/u/.config/dotscape/DOTSCAPE.INI");
    EXPECT_EQ(app::configPathFor("", ""), "DOTSCAPE.INI");
}

TEST(ConfigurationPath, ReadsThisProcessEnvironment)
{
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "";
    std::string savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-test-config", 1);
    ::setenv("HOME", "/tmp/home-test", 1);
    EXPECT_EQ(app::configPath(), "/tmp/xdg-test-config/dotscape/DOTSCAPE.INI");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(app::configPath(), "/tmp/home-test/.config/dotscape/DOTSCAPE.INI");
    // Without HOME the password entry supplies the home folder.
    ::unsetenv("HOME");
    std::string fromPasswd = app::configPath();
    EXPECT_TRUE(fromPasswd.ends_with("/.config/dotscape/DOTSCAPE.INI")) << fromPasswd;
    EXPECT_EQ(fromPasswd.front(), '/');

    oldXdg ? ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
}

} // namespace

namespace {

TEST(ConfigurationPatterns, AMissingFileMakesTheStoredSelectionZero)
{
    TempDir files;
    for (int n = 0; n < 20; ++n) {
        if (n != 11) {
            ASSERT_TRUE(writeMarkedGif(files.file(engine::PatternFileName(n)), n));
        }
    }
    TempDir dir;
    dir.write("c.ini", "[Patterns]\nSelect=7\nCount=3\n");
    Configuration c;
    c.load(dir.file("c.ini"));
    engine::PatternDirs dirs{files.path(), {files.path()}};
    auto library = c.loadPatternLibrary(nullptr, dirs);
    EXPECT_EQ(library->GetCount(), 19); // a Count of 3 still tried 20 files
    EXPECT_EQ(markOf(library->GetBitmap()), 0);
    EXPECT_EQ(library->GetDirectory(), files.path());

    c.storePatterns(*library);
    ASSERT_TRUE(c.save(dir.file("c.ini")));
    Configuration next;
    next.load(dir.file("c.ini"));
    EXPECT_EQ(next.Select, 0);
    EXPECT_EQ(next.Count, 19);
}

TEST(ConfigurationPatterns, TheSelectionSurvivesARestart)
{
    TempDir files;
    for (int n = 0; n < 22; ++n)
        ASSERT_TRUE(writeMarkedGif(files.file(engine::PatternFileName(n)), n));
    TempDir dir;
    engine::PatternDirs dirs{files.path(), {files.path()}};
    Configuration c;
    c.Count = 22;
    auto library = c.loadPatternLibrary(nullptr, dirs);
    library->Select(21);
    c.storePatterns(*library);
    ASSERT_TRUE(c.save(dir.file("c.ini")));

    Configuration next;
    next.load(dir.file("c.ini"));
    auto again = next.loadPatternLibrary(nullptr, dirs);
    EXPECT_EQ(again->GetCount(), 22);
    EXPECT_EQ(markOf(again->GetBitmap()), 21);
}

} // namespace

TEST(ConfigurationFolders, LastFolderRoundTripsAndOlderFilesStayReadable)
{
    TempDir dir;
    // A file written before the key existed: the current folder.
    dir.write("old.ini", "[GRAPHICS]\nFormat=3\n");
    Configuration old;
    old.lastFolder = "stale";
    old.load(dir.file("old.ini"));
    EXPECT_TRUE(old.lastFolder.empty());
    EXPECT_EQ(old.Format, 3);

    // Blanks at either end and quotes inside the name survive.
    for (const std::string& folder : {std::string("/home/u/My Pictures "), std::string(" /tmp/\"x\"; y=z")}) {
        Configuration c;
        c.lastFolder = folder;
        ASSERT_TRUE(c.save(dir.file("c.ini")));
        Configuration back;
        back.load(dir.file("c.ini"));
        EXPECT_EQ(back.lastFolder, folder);
    }

    // A name with a line break would split into a second line: the stored
    // folder stays as it was.
    Configuration broken;
    broken.lastFolder = "/tmp/a\n[GRAPHICS]\nFormat=9";
    ASSERT_TRUE(broken.save(dir.file("c.ini")));
    Configuration back;
    back.load(dir.file("c.ini"));
    EXPECT_EQ(back.lastFolder, " /tmp/\"x\"; y=z");
    EXPECT_EQ(back.Format, 1);
}
