// Every byte `dotscape make` writes stays the same: each scan method from
// every kind of source (math figures, pictures of every depth by colour and
// by brightness, depth maps of every shape kind), written in each format.
// The table holds the SHA-256 of each output as the program made it; a
// change of speed or memory use must never change a byte.
//
// DOTSCAPE_PRINT_CHECKSUMS=1 prints the table as the program makes it now.

#include "depthmap/TMapDocument.h"

#include "Sha256.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(DOTSCAPE_BIN_DIR) + "/dotscape";
const std::string kPatterns = std::string(DOTSCAPE_BIN_DIR) + "/sirdspat";
const fs::path kImages = DOTSCAPE_SHARED_IMAGES_DIR;
const fs::path kData = DOTSCAPE_TESTDATA_DIR;

// name → the first 16 hex digits of the output's SHA-256.
const std::map<std::string, std::string> kExpected = {
#include "OutputChecksums.inc"
};

std::vector<std::uint8_t> slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class OutputIdentity : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("dotscape-identity-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
        // Fixed settings, whatever the user's configuration says.
        std::ofstream(dir_ / "settings.ini") << "[DEMO]\nw=360\nh=200\ngapValue=90\nzmin=0\nzmax=63\n"
                                                "dx=0\ndy=0\nda=0\nMarker=1\nUseBMP=0\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs make with the source and options, checks the output's checksum
    // under name, and returns false when the program failed.
    void check(const std::string& name, const std::string& args, const std::string& extension)
    {
        const fs::path out = dir_ / ("out." + extension);
        fs::remove(out);
        const std::string command = "XDG_CONFIG_HOME='" + (dir_ / "config").string() + "' '" + kProgram +
                                    "' make --config '" + (dir_ / "settings.ini").string() + "' --pattern-dir '" +
                                    kPatterns + "' " + args + " -o '" + out.string() + "' --force </dev/null 2>'" +
                                    (dir_ / "err").string() + "'";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << name << ": " << command;
        const std::string sum = sha256Hex(slurp(out)).substr(0, 16);
        seen_[name] = sum;
        if (std::getenv("DOTSCAPE_PRINT_CHECKSUMS")) {
            std::cout << "    {\"" << name << "\", \"" << sum << "\"},\n";
            return;
        }
        auto it = kExpected.find(name);
        ASSERT_NE(it, kExpected.end()) << name << " has no checksum in the table";
        EXPECT_EQ(sum, it->second) << name << " changed: " << args;
    }

    // Shapes of every kind, overlapping, some reaching past the edges.
    fs::path depthMap()
    {
        depthmap::TMapDocument map("shapes", 301, 187);
        using depthmap::DepthKind;
        using depthmap::TDepthObj;
        auto add = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, DepthKind kind,
                       std::int32_t level) {
            map.AddOnTop(std::make_unique<TDepthObj>(nullptr, x1, y1, x2, y2, kind, level));
        };
        add(10, 10, 140, 120, DepthKind::SquareBox, 20);
        add(60, 30, 250, 170, DepthKind::Circle, 35);
        add(200, -20, 330, 90, DepthKind::RoundBox, 50);
        add(5, 150, 290, 60, DepthKind::Line, 60);
        add(120, 100, 180, 180, DepthKind::Curve, 15);
        add(30, 160, 90, 186, DepthKind::Text, 40);
        auto poly = std::make_unique<TDepthObj>(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 63);
        const std::vector<platform::Point> star = {{150, 20}, {170, 80}, {230, 85}, {180, 115}, {200, 175},
                                                   {150, 135}, {100, 175}, {120, 115}, {70, 85}, {130, 80}};
        poly->SetVertices(star);
        map.AddOnTop(std::move(poly));
        const fs::path file = dir_ / "shapes.rds";
        EXPECT_TRUE(map.WriteFile(file.string()));
        return file;
    }

    fs::path dir_;
    std::map<std::string, std::string> seen_;
};

const char* const kMethods[] = {"left-to-right", "mcmahon", "feucht"};

TEST_F(OutputIdentity, MathFiguresByEveryMethodAndFormat)
{
    for (int figure = 1; figure <= 23; ++figure) {
        for (const char* method : kMethods) {
            const std::string name = "figure" + std::to_string(figure) + "-" + method;
            check(name, "--figure " + std::to_string(figure) + " --method " + method, "bmp");
        }
    }
    // The caption, markers and the other formats and sizes.
    check("figure5-pcx", "--figure 5 --width 333 --height 121 --pattern 3", "pcx");
    check("figure7-gif", "--figure 7 --width 1200 --height 1200 --gap 150 --pattern 11", "gif");
    check("figure9-jpg", "--figure 9 --no-markers --dx 40 --dy -30 --da 45", "jpg");
    check("figure2-zrange", "--figure 2 --zmin 10 --zmax 20 --method mcmahon --width 1199 --height 7", "bmp");
}

TEST_F(OutputIdentity, PicturesOfEveryDepthByColourAndBrightness)
{
    const char* const pictures[] = {
        "bmp/good/bmpsuite-g-pal1.bmp",      "bmp/good/bmpsuite-g-pal4.bmp",      "bmp/good/bmpsuite-g-pal8.bmp",
        "bmp/good/bmpsuite-g-pal8topdown.bmp", "bmp/good/bmpsuite-g-pal4rle.bmp", "bmp/good/bmpsuite-g-rgb16.bmp",
        "bmp/good/bmpsuite-g-rgb24.bmp",     "bmp/good/bmpsuite-g-rgb32bf.bmp",   "bmp/good/wuffs-hippopotamus.bmp",
        "gif/good/giflib-porsche.gif",       "gif/good/giflib-treescap-interlaced.gif",
        "gif/good/wuffs-bricks-gray.gif",    "pcx/good/im-1bit-hat-90x112.pcx",   "pcx/good/im-24bit-hippo-36x28.pcx",
        "pcx/good/im-8bit-gray-61x45.pcx",   "pcx/good/npbm-4plane-16col-33x21.pcx",
        "pcx/good/npbm-packed-2bit-33x21.pcx"};
    for (const char* picture : pictures) {
        const std::string file = (kImages / picture).string();
        ASSERT_TRUE(fs::exists(file)) << file;
        const std::string stem = fs::path(picture).stem().string();
        for (const char* by : {"color", "brightness"}) {
            for (const char* method : kMethods) {
                check(stem + "-" + by + "-" + method,
                      "--picture '" + file + "' --depth-by " + by + " --method " + method + " --gap 60", "bmp");
            }
        }
    }
    const std::string hippo = (kImages / "bmp/good/wuffs-hippopotamus.bmp").string();
    check("hippo-gif", "--picture '" + hippo + "' --depth-by brightness --gap 51 --pattern 5", "gif");
    check("hippo-pcx", "--picture '" + hippo + "' --method feucht --gap 150 --no-markers", "pcx");
}

TEST_F(OutputIdentity, DepthMapsOfEveryShapeKind)
{
    const fs::path shapes = depthMap();
    const fs::path files[] = {shapes, kData / "rds/two-objects.rds", kData / "rds/moved-background.rds"};
    for (const fs::path& file : files) {
        for (const char* method : kMethods) {
            check(file.stem().string() + "-" + method,
                  "--depthmap '" + file.string() + "' --method " + method + " --gap 70", "bmp");
        }
    }
    check("shapes-gif", "--depthmap '" + shapes.string() + "' --zmin 5 --zmax 40 --pattern 9", "gif");
    check("shapes-pcx", "--depthmap '" + shapes.string() + "' --method feucht --no-markers", "pcx");
}

} // namespace
