// A configuration file that cannot be read, or only in parts, gives the
// defaults for what cannot be read and never stops the program: the settings
// loader against unreadable and garbled files, and the real program started
// with them.

#include "Scratch.h"

#include "app/Configuration.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/wait.h>

namespace {

const std::string kProgram = std::string(DOTSCAPE_BIN_DIR) + "/dotscape";

void expectDefaults(const app::Configuration& c, const std::string& what)
{
    const app::Configuration d;
    EXPECT_EQ(c.demo, d.demo) << what;
    EXPECT_EQ(c.X1, d.X1) << what;
    EXPECT_EQ(c.Y1, d.Y1) << what;
    EXPECT_EQ(c.X2, d.X2) << what;
    EXPECT_EQ(c.Y2, d.Y2) << what;
    EXPECT_EQ(c.MX, d.MX) << what;
    EXPECT_EQ(c.CntlBar, d.CntlBar) << what;
    EXPECT_EQ(c.Format, d.Format) << what;
    EXPECT_EQ(c.Select, d.Select) << what;
    EXPECT_EQ(c.Count, d.Count) << what;
}

// A configuration whose every value differs from the defaults, so that a
// load that keeps stale values shows.
app::Configuration unusual()
{
    app::Configuration c;
    c.X1 = 11;
    c.Count = 3;
    c.Format = 4;
    c.demo.w = 321;
    c.demo.gapValue = 77;
    c.demo.zmax = 40;
    return c;
}

TEST(UnreadableConfiguration, GivesEveryDefault)
{
    ScratchDir dir;
    fs::create_directories(dir.path() / "folder.ini");
    // Valid settings, but more of them than a configuration file may hold.
    std::string oversized = "[DEMO]\nw=123\ngapValue=60\n[WinSize]\nX1=5\n";
    oversized.append(5 * 1024 * 1024, ';');
    spit(dir.path() / "oversized.ini", Bytes(oversized.begin(), oversized.end()));
    const std::string paths[] = {
        dir.file("missing.ini"),
        dir.file("folder.ini"),
        dir.file("oversized.ini"),
        dir.file("missing/folder/x.ini"),
        "/proc/self/mem", // opens, but every read fails
        "",
    };
    for (const std::string& p : paths) {
        app::Configuration c = unusual();
        c.load(p);
        expectDefaults(c, p);
    }
}

TEST(GarbledConfiguration, GivesTheDefaultForEachValueThatCannotBeRead)
{
    ScratchDir dir;
    using namespace std::string_literals;
    const std::string text = "\x7f\x45LF\x02\x01\x01\0\0\0garbage\n"s +
                             "[DEMO\n"         // no closing bracket: still the DEMO section
                             "w=abc\n"         // no digits: default
                             "h=  250  \r\n"   // blanks and a carriage return around a number
                             "zmin=\n"         // empty: default
                             "zmax=99999999999999999999\n" // saturates, does not wrap
                             "dx=-17px\n"      // digits up to the first other character
                             "= 5\n"           // a key without a name
                             "noequals\n" +
                             std::string("da=\0\0\0", 6) + "\n" // NULs: default
                             "Marker=\"0\"\n"  // quotes are stripped
                             "[Patterns]]]\n"
                             "Count=-\n"       // a sign without digits: default
                             "Select=2\n"
                             "[GRAPHICS]\n" +
                             std::string(100000, 'x') + "\n" // a very long junk line
                             "Format=3\n";
    spit(dir.path() / "garbled.ini", Bytes(text.begin(), text.end()));
    app::Configuration c = unusual();
    c.load(dir.file("garbled.ini"));
    const app::Configuration d;
    EXPECT_EQ(c.demo.w, d.demo.w);
    EXPECT_EQ(c.demo.h, 250);
    EXPECT_EQ(c.demo.zmin, d.demo.zmin);
    EXPECT_EQ(c.demo.zmax, INT32_MAX);
    EXPECT_EQ(c.demo.dx, -17);
    EXPECT_EQ(c.demo.da, d.demo.da);
    EXPECT_EQ(c.demo.Marker, 0);
    EXPECT_EQ(c.demo.gapValue, d.demo.gapValue) << "absent";
    EXPECT_EQ(c.Count, d.Count);
    EXPECT_EQ(c.Select, 2);
    EXPECT_EQ(c.Format, 3);
    EXPECT_EQ(c.X1, d.X1) << "a missing section";

    // Saving over the garbled file keeps its junk and makes every value
    // read back as saved.
    app::Configuration saved = unusual();
    ASSERT_TRUE(saved.save(dir.file("garbled.ini")));
    app::Configuration back;
    back.load(dir.file("garbled.ini"));
    EXPECT_EQ(back.demo, saved.demo);
    EXPECT_EQ(back.Count, saved.Count);
    EXPECT_EQ(back.Format, saved.Format);
    const Bytes after = slurp(dir.path() / "garbled.ini");
    EXPECT_NE(std::search(after.begin(), after.end(), text.begin(), text.begin() + 10), after.end())
        << "the junk at the start is kept";
}

TEST(GarbledConfiguration, RandomBytesNeverStopTheLoader)
{
    // Mutations of a valid file: every value read is either the default or
    // what some line of the file says.
    ScratchDir dir;
    app::Configuration base = unusual();
    ASSERT_TRUE(base.save(dir.file("base.ini")));
    const Bytes good = slurp(dir.path() / "base.ini");
    std::mt19937 rng(5);
    const app::Configuration d;
    for (int round = 0; round < 300; ++round) {
        Bytes b = good;
        for (int k = 0; k < 1 + round % 8; ++k) {
            if (b.empty())
                break;
            switch (rng() % 3) {
            case 0: b[rng() % b.size()] = static_cast<std::uint8_t>(rng()); break;
            case 1: b.erase(b.begin() + static_cast<std::ptrdiff_t>(rng() % b.size())); break;
            default: b.insert(b.begin() + static_cast<std::ptrdiff_t>(rng() % b.size()), static_cast<std::uint8_t>(rng()));
            }
        }
        spit(dir.path() / "m.ini", b);
        app::Configuration c;
        c.load(dir.file("m.ini"));
        const std::string text(b.begin(), b.end());
        auto plausible = [&](int value, int def) {
            return value == def || text.find(std::to_string(value)) != std::string::npos;
        };
        EXPECT_TRUE(plausible(c.demo.w, d.demo.w)) << round;
        EXPECT_TRUE(plausible(c.demo.gapValue, d.demo.gapValue)) << round;
        EXPECT_TRUE(plausible(c.Count, d.Count)) << round;
        EXPECT_TRUE(plausible(c.X1, d.X1)) << round;
    }
}

// Runs the program in its own configuration folder; the exit status, or
// -1 when a signal ended it.
int runProgram(const ScratchDir& dir, const std::string& args)
{
    const std::string command = "XDG_CONFIG_HOME='" + (dir.path() / "config").string() + "' '" + kProgram + "' " +
                                args + " </dev/null >'" + dir.file("out.txt") + "' 2>'" + dir.file("err.txt") + "'";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(GarbledConfiguration, TheProgramStartsWithAnyConfigurationFile)
{
    ScratchDir dir;
    fs::create_directories(dir.path() / "config" / "dotscape");
    const fs::path userFile = dir.path() / "config" / "dotscape" / "DOTSCAPE.INI";
    std::mt19937 rng(9);
    Bytes junk(20000);
    for (auto& b : junk)
        b = static_cast<std::uint8_t>(rng());
    const std::string garbled = "[DEMO]\nw=x\ngapValue=\nzmax=6z\n[WinSize]\nX1=--3\n";

    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"binary junk", [&] { spit(userFile, junk); }},
        {"garbled values", [&] { spit(userFile, Bytes(garbled.begin(), garbled.end())); }},
        {"a folder", [&] { fs::remove_all(userFile); fs::create_directories(userFile); }},
    };
    for (const Case& c : cases) {
        fs::remove_all(userFile);
        c.make();
        const std::string out = dir.file("s.bmp");
        fs::remove(out);
        EXPECT_EQ(runProgram(dir, "make --width 240 --height 160 -o '" + out + "'"), 0) << c.what;
        EXPECT_TRUE(fs::exists(out)) << c.what;
        EXPECT_EQ(runProgram(dir, "make --config '" + userFile.string() + "' --width 240 -o '" + out + "' --force"), 0)
            << c.what;
        EXPECT_EQ(runProgram(dir, "info '" + out + "'"), 0) << c.what;
    }
}

} // namespace
