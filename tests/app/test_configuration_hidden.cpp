// Section "Hidden Surface" of the configuration file: read and written with
// the rest, absent in older files, garbled values, and a file of an older
// program that knows nothing of it.

#include "app/Configuration.h"
#include "app/HiddenSurfaceSection.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

} // namespace

TEST(HiddenSurfaceSection, RoundTripsEveryKeyBesideTheClassicSettings)
{
    TempDir dir;
    const std::string path = dir.file("DOTSCAPE.INI");
    app::Configuration c;
    c.demo.ShiftDir = engine::HiddenSurface;
    c.demo.gapValue = 90;
    c.demo.hidden.Oversample = 7;
    c.demo.hidden.DepthOfField = 0.1 + 0.2; // not a short decimal
    c.demo.hidden.Dpi = 300;
    c.demo.hidden.EyeSepMm = 63.5;
    c.demo.hidden.CrossEyed = 1;
    c.demo.hidden.RandomDots = engine::GreyDots;
    c.demo.hidden.Seed = -12345;
    c.demo.hidden.NoiseBeta = 1.7 + 0.1; // not a short decimal either
    c.demo.hidden.NoiseColour = 0;
    c.demo.hidden.Tileable = 1;
    c.demo.hidden.FreshFill = 1;
    ASSERT_TRUE(c.save(path));

    app::Configuration back;
    back.load(path);
    EXPECT_EQ(back.demo, c.demo);

    const std::string text = readText(path);
    EXPECT_NE(text.find("[Hidden Surface]"), std::string::npos) << text;
    EXPECT_NE(text.find("ShiftDir=4"), std::string::npos) << text;
    EXPECT_NE(text.find("EyeSepMm=63.5"), std::string::npos) << text;
    // The classic section holds its twelve keys and nothing of the method.
    const auto demo = text.find("[DEMO]");
    const auto next = text.find('[', demo + 1);
    EXPECT_EQ(text.substr(demo, next - demo).find("Oversample"), std::string::npos);
}

TEST(HiddenSurfaceSection, MissingOrGarbledKeysGiveTheirDefaults)
{
    TempDir dir;
    const std::string path = dir.file("DOTSCAPE.INI");
    // A file of a program without the method.
    writeText(path, "[DEMO]\nShiftDir=2\ngapValue=120\n");
    app::Configuration c;
    c.load(path);
    EXPECT_EQ(c.demo.hidden, engine::HiddenSurfaceSettings{});
    EXPECT_EQ(c.demo.gapValue, 120);

    writeText(path, "[Hidden Surface]\nOversample=two\nDepthOfField=0,25\nEyeSepMm=inf\nSeed=42\nCrossEyed=1\n");
    c.load(path);
    const engine::HiddenSurfaceSettings d;
    EXPECT_EQ(c.demo.hidden.Oversample, d.Oversample);
    EXPECT_DOUBLE_EQ(c.demo.hidden.DepthOfField, d.DepthOfField);
    EXPECT_DOUBLE_EQ(c.demo.hidden.EyeSepMm, d.EyeSepMm);
    EXPECT_EQ(c.demo.hidden.Seed, 42);
    EXPECT_EQ(c.demo.hidden.CrossEyed, 1);
}

TEST(HiddenSurfaceSection, SavingKeepsWhatElseTheFileHolds)
{
    TempDir dir;
    const std::string path = dir.file("DOTSCAPE.INI");
    writeText(path, "; notes\n[Hidden Surface]\nOversample=2\nFuture=yes\n[wizard]\nfigure=5\n");
    app::Configuration c;
    c.load(path);
    EXPECT_EQ(c.demo.hidden.Oversample, 2);
    c.demo.hidden.Oversample = 3;
    ASSERT_TRUE(c.save(path));
    const std::string text = readText(path);
    EXPECT_NE(text.find("Future=yes"), std::string::npos);
    EXPECT_NE(text.find("figure=5"), std::string::npos);
    EXPECT_NE(text.find("Oversample=3"), std::string::npos);
    EXPECT_EQ(text.find("Oversample=2"), std::string::npos);
}
