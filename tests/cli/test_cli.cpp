// The command line as a user meets it: the real dotscape program run from a
// shell, its exit status, its messages and the files it leaves.

#include "depthmap/TMapDocument.h"
#include "engine/DepthSampling.h"
#include "pictrans/TGraphIO.h"

#include "OutputPicture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(DOTSCAPE_BIN_DIR) + "/dotscape";
const fs::path kImages = DOTSCAPE_SHARED_IMAGES_DIR;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("dotscape-cli-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs dotscape with args (already quoted as the shell needs), standard
    // input from /dev/null and a configuration folder of its own.
    Outcome run(const std::string& args, const fs::path& cwd = {}, const std::string& prefix = {}) const
    {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = (cwd.empty() ? std::string() : "cd '" + cwd.string() + "' && ") + "XDG_CONFIG_HOME='" + (dir_ / "config").string() + "' XDG_DATA_HOME='" +
                                    (dir_ / "data").string() + "' " + prefix + "'" + kProgram + "' " + args + " </dev/null >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        Outcome r;
        int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }
    static std::string slurp(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// The colour of every pixel, so pictures with different palettes compare.
std::vector<std::uint32_t> colours(const Picture& p)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < p.bitmap->height(); ++y) {
        for (int x = 0; x < p.bitmap->width(); ++x) {
            auto v = p.bitmap->pixel(x, y);
            if (p.bitmap->bitsPerPixel() <= 8) {
                const auto& e = (*p.palette)[v];
                v = (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
            }
            out.push_back(v);
        }
    }
    return out;
}

} // namespace

TEST_F(CommandLine, HelpVersionAndUsageErrors)
{
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("make"), std::string::npos);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("PICTRANS v2.0"), std::string::npos);
    EXPECT_EQ(run("frobnicate").status, 1);
    EXPECT_EQ(run("convert onlyone").status, 1);
    EXPECT_EQ(run("make --figure 1").status, 1); // no output
    EXPECT_EQ(run("make --bogus -o x.bmp").status, 1);
}

TEST_F(CommandLine, FiguresAreListedByNumberAndTitle)
{
    Outcome r = run("figures");
    ASSERT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        ++n;
        auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_EQ(line.substr(0, tab), std::to_string(n));
        EXPECT_GT(line.size(), tab + 1);
    }
    EXPECT_EQ(n, 23);
    EXPECT_NE(r.out.find("1\tRound Crater\n"), std::string::npos);
}

TEST_F(CommandLine, ConvertKeepsEveryPixelThroughEachLosslessFormat)
{
    const std::string source = (kImages / "bmp/good/bmpsuite-g-pal8.bmp").string();
    Picture original = readPicture(source);
    ASSERT_TRUE(original.bitmap);
    ASSERT_EQ(run("convert '" + source + "' '" + path("a.gif") + "'").status, 0);
    ASSERT_EQ(run("convert '" + path("a.gif") + "' '" + path("b.PCX") + "'").status, 0);
    ASSERT_EQ(run("convert '" + path("b.PCX") + "' '" + path("c.bmp") + "'").status, 0);
    for (const char* name : {"a.gif", "b.PCX", "c.bmp"}) {
        Picture copy = readPicture(path(name));
        ASSERT_TRUE(copy.bitmap) << name;
        EXPECT_EQ(copy.bitmap->width(), original.bitmap->width());
        EXPECT_EQ(copy.bitmap->height(), original.bitmap->height());
        EXPECT_EQ(colours(copy), colours(original)) << name;
    }
    TGraphIO io(nullptr, nullptr);
    EXPECT_EQ(io.GetGraphicFormat(path("a.gif")), GFORMAT_GIF);
    EXPECT_EQ(io.GetGraphicFormat(path("b.PCX")), GFORMAT_PCX);
    EXPECT_EQ(io.GetGraphicFormat(path("c.bmp")), GFORMAT_BMP);
}

TEST_F(CommandLine, ConvertAndInfoHandlePng)
{
    // A palette picture and a true-colour one through PNG and back.
    for (const char* name : {"bmp/good/bmpsuite-g-pal8.bmp", "bmp/good/bmpsuite-g-rgb24.bmp"}) {
        const std::string source = (kImages / name).string();
        Picture original = readPicture(source);
        ASSERT_TRUE(original.bitmap) << name;
        ASSERT_EQ(run("convert --force '" + source + "' '" + path("a.PNG") + "'").status, 0) << name;
        ASSERT_EQ(run("convert --force '" + path("a.PNG") + "' '" + path("b.bmp") + "'").status, 0) << name;
        TGraphIO io(nullptr, nullptr);
        EXPECT_EQ(io.GetGraphicFormat(path("a.PNG")), GFORMAT_PNG);
        // --format png writes PNG whatever the name says.
        ASSERT_EQ(run("convert --force --format png '" + source + "' '" + path("a.img") + "'").status, 0) << name;
        EXPECT_EQ(io.GetGraphicFormat(path("a.img")), GFORMAT_PNG);
        Picture copy = readPicture(path("b.bmp"));
        ASSERT_TRUE(copy.bitmap) << name;
        EXPECT_EQ(copy.bitmap->bitsPerPixel(), original.bitmap->bitsPerPixel()) << name;
        EXPECT_EQ(colours(copy), colours(original)) << name;
    }
    const std::string grey16 = (fs::path(DOTSCAPE_TESTDATA_DIR) / "png/good/type0-16bit.png").string();
    const std::string broken = (fs::path(DOTSCAPE_TESTDATA_DIR) / "png/malformed/bad-idat-crc.png").string();
    const std::string grey12 = (fs::path(DOTSCAPE_TESTDATA_DIR) / "pnm/good/pgm-maxval4095.pgm").string();
    Outcome r = run("info '" + grey16 + "' '" + broken + "' '" + grey12 + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("type0-16bit.png: PNG 13 x 11, 8 bits per pixel, 16 bits per sample, 256 colours"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("pgm-maxval4095.pgm: PNM 29 x 13, 8 bits per pixel, 12 bits per sample, 256 colours"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("bad-idat-crc.png: PNG, cannot be read: Error reading PNG file: invalid chunk checksum."),
              std::string::npos)
        << r.out;
}

TEST_F(CommandLine, ConvertRefusesToOverwriteWithoutForce)
{
    const std::string source = (kImages / "gif/good/giflib-fire.gif").string();
    {
        std::ofstream(path("old.bmp")) << "keep me";
    }
    Outcome refused = run("convert '" + source + "' '" + path("old.bmp") + "'");
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(slurp(path("old.bmp")), "keep me");
    EXPECT_EQ(run("convert --force '" + source + "' '" + path("old.bmp") + "'").status, 0);
    EXPECT_TRUE(readPicture(path("old.bmp")).bitmap);
}

TEST_F(CommandLine, ConvertReportsUnreadableInputAndUnwritableOutput)
{
    {
        std::ofstream(path("text.gif")) << "not a picture at all";
    }
    Outcome unknown = run("convert '" + path("text.gif") + "' '" + path("x.bmp") + "'");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Error: File Format is not supported."), std::string::npos);
    EXPECT_FALSE(fs::exists(path("x.bmp")));
    EXPECT_EQ(run("convert '" + path("missing.bmp") + "' '" + path("x.bmp") + "'").status, 2);
    const std::string source = (kImages / "gif/good/giflib-fire.gif").string();
    EXPECT_EQ(run("convert '" + source + "' '" + path("no/such/folder/x.bmp") + "'").status, 3);
    // A 16-colour picture cannot be a JPEG (it needs a 256-colour palette).
    Outcome jpeg = run("convert '" + (kImages / "bmp/good/bmpsuite-g-pal4.bmp").string() + "' '" + path("x.jpg") + "'");
    EXPECT_EQ(jpeg.status, 3);
    EXPECT_NE(jpeg.err.find("JPG Error: Palettes with less than 256 colors are not supported."), std::string::npos);
    EXPECT_FALSE(fs::exists(path("x.jpg")));
}

TEST_F(CommandLine, InfoDescribesPicturesAndDepthMaps)
{
    depthmap::TMapDocument map("m", 120, 80);
    ASSERT_TRUE(map.WriteFile(path("map.rds")));
    {
        std::ofstream(path("junk.bin")) << "junk";
    }
    Outcome r = run("info '" + (kImages / "gif/good/giflib-fire.gif").string() + "' '" + path("map.rds") + "' '" +
                path("junk.bin") + "'");
    EXPECT_EQ(r.status, 2); // one file could not be read
    EXPECT_NE(r.out.find("giflib-fire.gif: GIF 30 x 60, 8 bits per pixel, 256 colours"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("120"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("junk.bin: cannot be read"), std::string::npos) << r.out;
}

TEST_F(CommandLine, MakeRefusesSettingsOutsideTheirRangesNamingTheOption)
{
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"--gap 40", "--gap"},
        {"--gap 151", "--gap"},
        {"--width 150", "--width"},
        {"--width 16385", "--width"},
        {"--height 0", "--height"},
        {"--dx 201", "--dx"},
        {"--dy -201", "--dy"},
        {"--da 181", "--da"},
        {"--zmin 10 --zmax 10", "--zmin"},
        {"--method sideways", "--method"},
        {"--figure 24", "--figure"},
        {"--figure 'No Such Figure'", "--figure"},
        {"--width abc", "--width"},
    };
    for (const auto& c : cases) {
        Outcome r = run(std::string("make ") + c.args + " -o '" + path("out.bmp") + "'");
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(fs::exists(path("out.bmp"))) << c.args;
    }
}

TEST_F(CommandLine, MakeBuildsAFigureStereogramOfTheAskedSize)
{
    Outcome r = run("make --figure 'Pyramids' --width 300 --height 220 --gap 80 --method feucht -o '" + path("p.gif") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    Picture p = readPicture(path("p.gif"));
    ASSERT_TRUE(p.bitmap);
    EXPECT_EQ(p.bitmap->width(), 300);
    EXPECT_EQ(p.bitmap->height(), 220);
    EXPECT_EQ(p.bitmap->bitsPerPixel(), 8);
    EXPECT_EQ(p.palette->size(), 256u);
}

TEST_F(CommandLine, MakeTakesSettingsFromTheConfigurationFile)
{
    {
        std::ofstream(path("my.ini")) << "[DEMO]\nw=260\nh=130\ngapValue=90\nMarker=0\n";
    }
    ASSERT_EQ(run("make --config '" + path("my.ini") + "' -o '" + path("c.bmp") + "'").status, 0);
    Picture p = readPicture(path("c.bmp"));
    ASSERT_TRUE(p.bitmap);
    EXPECT_EQ(p.bitmap->width(), 260);
    EXPECT_EQ(p.bitmap->height(), 130);
    // Options win over the file.
    ASSERT_EQ(run("make --config '" + path("my.ini") + "' --height 140 -o '" + path("d.bmp") + "'").status, 0);
    EXPECT_EQ(readPicture(path("d.bmp")).bitmap->height(), 140);
    // make never writes the configuration.
    EXPECT_EQ(slurp(path("my.ini")), "[DEMO]\nw=260\nh=130\ngapValue=90\nMarker=0\n");
    EXPECT_FALSE(fs::exists(dir_ / "config/dotscape/DOTSCAPE.INI"));
}

TEST_F(CommandLine, ATrueColourPictureByColourIsMadeByBrightnessAndSaysSoOnce)
{
    const std::string rgb = (kImages / "bmp/good/bmpsuite-g-rgb24.bmp").string();
    const std::string pal = (kImages / "bmp/good/bmpsuite-g-pal8.bmp").string();
    const std::string note = "dotscape: " + std::string(engine::kTrueColourDepthNote) + "\n";
    struct Case {
        std::string args;
        std::string output;
        int notes;
    } cases[] = {
        {"--picture '" + rgb + "' --depth-by color", "rgb-color.bmp", 1},
        {"--picture '" + rgb + "' --depth-by brightness", "rgb-brightness.bmp", 0},
        {"--picture '" + pal + "' --depth-by color", "pal-color.bmp", 0},
        {"--picture '" + rgb + "' --depth-by color --frames 3 --z-step 1", "frames.gif", 1},
    };
    for (const Case& c : cases) {
        Outcome r = run("make " + c.args + " -o '" + path(c.output) + "'");
        ASSERT_EQ(r.status, 0) << c.args << ": " << r.err;
        int found = 0;
        for (auto at = r.err.find(note); at != std::string::npos; at = r.err.find(note, at + 1))
            ++found;
        EXPECT_EQ(found, c.notes) << c.args << ": " << r.err;
    }
    EXPECT_EQ(slurp(path("rgb-color.bmp")), slurp(path("rgb-brightness.bmp")));
}

TEST_F(CommandLine, MakeFromPicturesAndDepthMapsCropsTheStrip)
{
    const std::string picture = (kImages / "gif/good/giflib-porsche.gif").string();
    Picture source = readPicture(picture);
    ASSERT_TRUE(source.bitmap);
    for (const char* method : {"left-to-right", "mcmahon", "feucht"}) {
        for (const char* by : {"color", "brightness"}) {
            const std::string out = path(std::string("pic-") + method + by + ".bmp");
            Outcome r = run("make --picture '" + picture + "' --method " + method + " --depth-by " + by + " -o '" + out + "'");
            ASSERT_EQ(r.status, 0) << method << ' ' << r.err;
            Picture p = readPicture(out);
            ASSERT_TRUE(p.bitmap);
            EXPECT_EQ(p.bitmap->width(), source.bitmap->width()) << method;
            EXPECT_EQ(p.bitmap->height(), source.bitmap->height()) << method;
        }
    }
    depthmap::TMapDocument map("m", 333, 150);
    ASSERT_TRUE(map.WriteFile(path("m.rds")));
    ASSERT_EQ(run("make --depthmap '" + path("m.rds") + "' -o '" + path("m.pcx") + "'").status, 0);
    Picture m = readPicture(path("m.pcx"));
    ASSERT_TRUE(m.bitmap);
    EXPECT_EQ(m.bitmap->width(), 333);
    EXPECT_EQ(m.bitmap->height(), 150);
    {
        std::ofstream(path("bad.rds")) << "DEPTHMAPX";
    }
    Outcome bad = run("make --depthmap '" + path("bad.rds") + "' -o '" + path("bad.bmp") + "'");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("Invalid Depth Map file"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("bad.bmp")));
}

TEST_F(CommandLine, MakeWithoutPatternsFailsWithAMessageAndNoFile)
{
    fs::create_directories(dir_ / "empty");
    Outcome r = run("make --pattern-dir '" + (dir_ / "empty").string() + "' -o '" + path("out.bmp") + "'");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("pattern"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("out.bmp")));
}

TEST_F(CommandLine, PatternNumbersChooseTheTile)
{
    ASSERT_EQ(run("make --width 240 --height 60 --no-markers --pattern 0 -o '" + path("p0.bmp") + "'").status, 0);
    ASSERT_EQ(run("make --width 240 --height 60 --no-markers --pattern 7 -o '" + path("p7.bmp") + "'").status, 0);
    ASSERT_EQ(run("make --width 240 --height 60 --no-markers --pattern 99 -o '" + path("p99.bmp") + "'").status, 0);
    EXPECT_NE(colours(readPicture(path("p0.bmp"))), colours(readPicture(path("p7.bmp"))));
    // Out of range: the first pattern.
    EXPECT_EQ(colours(readPicture(path("p0.bmp"))), colours(readPicture(path("p99.bmp"))));
}

// The caption of a math stereogram is real text: a navy line with a
// one-pixel yellow shadow above and to the left, in the rows just above the
// bottom edge, drawn in the palette's nearest colours.
TEST_F(CommandLine, MathStereogramsCarryTheirCaption)
{
    ASSERT_EQ(run("make --figure 1 --width 500 --height 200 -o '" + path("cap.bmp") + "'").status, 0);
    Picture p = readPicture(path("cap.bmp"));
    ASSERT_TRUE(p.bitmap);
    const auto navy = p.palette->nearest(0, 0, 128);
    const auto yellow = p.palette->nearest(255, 255, 0);
    const int h = p.bitmap->height();
    int navyInBand = 0, shadowPairs = 0, navyAbove = 0;
    for (int top = 0; top < h; ++top) {
        const int y = h - 1 - top; // rows from the top
        for (int x = 1; x < p.bitmap->width(); ++x) {
            bool isNavy = p.bitmap->pixel(x, y) == navy;
            if (top >= h - 21 && top < h - 3) {
                navyInBand += isNavy;
                shadowPairs += isNavy && top > 0 && p.bitmap->pixel(x - 1, y + 1) == yellow;
            } else if (top >= 40 && top < 58) {
                navyAbove += isNavy;
            }
        }
    }
    EXPECT_GT(navyInBand, 300);
    EXPECT_GT(shadowPairs, 20);
    EXPECT_GT(navyInBand, 4 * navyAbove + 100); // far more than the pattern has by chance
}

TEST_F(CommandLine, PatternFoldersMayBeGivenRelativeToTheCurrentFolder)
{
    fs::create_directories(dir_ / "work/tiles");
    fs::copy_file(fs::path(DOTSCAPE_BIN_DIR) / "sirdspat/pat03.gif", dir_ / "work/tiles/pat00.gif");
    Outcome r = run("make --pattern-dir tiles --width 240 --height 60 -o out.bmp", dir_ / "work");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir_ / "work/out.bmp"));
}

// --quality reaches the lossy writers of a single stereogram: a lower
// quality gives a smaller file of each, and a quality out of range is refused.
TEST_F(CommandLine, QualityOfASinglePictureReachesTheLossyWriters)
{
    const std::string size = "--width 300 --height 200 --method hidden-surface --random-dots colour ";
    for (const std::string ext : {".jpg", ".webp"}) {
        ASSERT_EQ(run("make " + size + "--quality 10 -o '" + path("low" + ext) + "'").status, 0) << ext;
        ASSERT_EQ(run("make " + size + "--quality 95 -o '" + path("high" + ext) + "'").status, 0) << ext;
        EXPECT_LT(fs::file_size(path("low" + ext)), fs::file_size(path("high" + ext))) << ext;
    }
    Outcome bad = run("make " + size + "--quality 0 -o '" + path("zero.jpg") + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("--quality"), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(path("zero.jpg")));
}

// -o - writes the picture to standard output, BMP unless --format says
// otherwise, byte for byte what a file of that format gets.
TEST_F(CommandLine, StandardOutputTakesThePictureForPipelines)
{
    const std::string size = "--width 230 --height 90 --no-markers ";
    // Small and large, 8-bit and true colour: a BMP on standard output is
    // sent from the picture's own rows, and a picture's stereogram (no
    // caption) band by band as it is made, its headers first.
    const std::string picture = "--picture '" + (kImages / "bmp/good/wuffs-hippopotamus.bmp").string() + "' ";
    const std::string colourTile = "--pattern-file '" + (kImages / "bmp/good/bmpsuite-g-rgb24.bmp").string() + "' ";
    for (const std::string& options :
         {size, std::string("--width 1501 --height 803 "),
          std::string("--width 1203 --height 611 --method hidden-surface --oversample 4 "), picture,
          picture + "--depth-by brightness --method feucht --no-markers ", picture + colourTile,
          picture + colourTile + "--method hidden-surface --oversample 3 "}) {
        ASSERT_EQ(run("make " + options + "--force -o '" + path("file.bmp") + "'").status, 0) << options;
        Outcome bmp = run("make " + options + "-o -");
        ASSERT_EQ(bmp.status, 0) << bmp.err;
        EXPECT_TRUE(bmp.out == slurp(path("file.bmp"))) << options;
        // The same through a file made as it streams, new or replaced.
        const std::string fresh = path("fresh.bmp");
        fs::remove(fresh);
        ASSERT_EQ(run("make " + options + "-o '" + fresh + "'").status, 0) << options;
        EXPECT_TRUE(slurp(fresh) == bmp.out) << options;
        ASSERT_EQ(run("make " + options + "--force -o '" + fresh + "'").status, 0) << options;
        EXPECT_TRUE(slurp(fresh) == bmp.out) << options;
    }
    ASSERT_EQ(run("make " + size + "-o '" + path("file.gif") + "'").status, 0);
    Outcome gif = run("make " + size + "--format gif -o -");
    ASSERT_EQ(gif.status, 0) << gif.err;
    EXPECT_EQ(gif.out, slurp(path("file.gif")));
    // --format wins over the name, and convert takes it too.
    ASSERT_EQ(run("make " + size + "--format pcx -o '" + path("named.bmp") + "'").status, 0);
    EXPECT_EQ(slurp(path("named.bmp")).substr(0, 1), "\x0A");
    Outcome converted = run("convert --format pcx '" + path("file.gif") + "' -");
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(converted.out.substr(0, 1), "\x0A");
    Outcome bad = run("make --format xcf -o -");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("--format"), std::string::npos);
    EXPECT_TRUE(bad.out.empty());
}

// Names that are no regular file: a folder or a pipe as output is refused
// at once with the reason; a pipe as configuration reads as no file.
TEST_F(CommandLine, OutputsAndConfigurationsThatAreNoRegularFile)
{
    fs::create_directories(dir_ / "folder");
    Outcome folder = run("make --force -o '" + path("folder") + "'");
    EXPECT_EQ(folder.status, 3);
    EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
    EXPECT_EQ(folder.err.find("Header"), std::string::npos) << folder.err;
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);
    // timeout turns a save or a read that waits on the pipe into a failure.
    Outcome pipe = run("make --force -o '" + path("pipe") + "'", {}, "timeout 20 ");
    EXPECT_EQ(pipe.status, 3) << pipe.err;
    EXPECT_NE(pipe.err.find("not a regular file"), std::string::npos) << pipe.err;
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
    Outcome config = run("make --config '" + path("pipe") + "' --width 200 -o '" + path("c.bmp") + "'", {}, "timeout 20 ");
    EXPECT_EQ(config.status, 0) << config.err;
    Outcome info = run("info '" + path("pipe") + "'", {}, "timeout 20 ");
    EXPECT_EQ(info.status, 2);
}

// A depth map over the size limit is refused with the reason.
TEST_F(CommandLine, OversizedDepthMapsAreRefusedSayingWhy)
{
    {
        std::ofstream big(path("big.rds"), std::ios::binary);
        big.write("DEPTHMAP", 9);
        big.seekp((std::streamoff{64} << 20) + 100);
        big.put('\0');
    }
    Outcome info = run("info '" + path("big.rds") + "'");
    EXPECT_EQ(info.status, 2);
    EXPECT_NE(info.out.find("larger than 64 MiB"), std::string::npos) << info.out;
    Outcome make = run("make --depthmap '" + path("big.rds") + "' -o '" + path("x.bmp") + "'");
    EXPECT_EQ(make.status, 2);
    EXPECT_NE(make.err.find("larger than 64 MiB"), std::string::npos) << make.err;
}
