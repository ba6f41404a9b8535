// dotscape depth run as a user runs it: the 16-bit depth picture of every
// source, read back by another decoder (Qt's), against a reference made
// without the engine: the math library's own levels, the depth map's
// LevelAt, a 16-bit picture's samples, a palette's colours.

#include "QtGuiTestApp.h"
#include "ProgramRun.h"

#include "ModelFiles.h"
#include "ModelShapes.h"

#include "depthmap/TMapDocument.h"
#include "terrakit/terrakit.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = DOTSCAPE_SHARED_IMAGES_DIR;
const fs::path kData = DOTSCAPE_TESTDATA_DIR;

struct Depth {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> samples; // rows from the top
    std::uint16_t at(int x, int y) const { return samples[static_cast<std::size_t>(y) * width + x]; }
};

// A 16-bit grey PNG through Qt; empty when it is anything else.
Depth qtDepth(const std::string& file)
{
    QImageReader reader(QString::fromStdString(file));
    const QImage image = reader.read();
    Depth d;
    if (image.format() != QImage::Format_Grayscale16)
        return d;
    d.width = image.width();
    d.height = image.height();
    for (int y = 0; y < d.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(image.constScanLine(y));
        d.samples.insert(d.samples.end(), row, row + d.width);
    }
    return d;
}

std::uint16_t level16(int level)
{
    return static_cast<std::uint16_t>(std::clamp(level, 0, 255) * 257);
}

// The figure's level at every pixel as the math library gives it: columns
// shifted by dx (and by half the gap for the methods that centre the
// figure), rows counted from the bottom and shifted by dy, the centre at
// (W / 2 + g / 2, H / 2).
Depth figureReference(int figure, int w, int h, int g, int dx, int dy, int da, bool centred)
{
    Depth d{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            d.samples.push_back(level16(
                GetFigureLevel(x - dx + (centred ? g / 2 : 0), (h - 1 - y) - dy, w / 2 + g / 2, h / 2, da, -figure)));
    return d;
}

// Depth from a picture Qt reads: by colour index, or by brightness.
Depth pictureReference(const std::string& file, bool byIndex)
{
    QImage image = QImageReader(QString::fromStdString(file)).read();
    if (byIndex && image.format() != QImage::Format_Indexed8)
        return {};
    Depth d{image.width(), image.height(), {}};
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            if (byIndex) {
                d.samples.push_back(level16(image.pixelIndex(x, y)));
            } else {
                const QRgb c = image.pixel(x, y);
                d.samples.push_back(level16(static_cast<int>(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c) + 0.5)));
            }
        }
    }
    return d;
}

Depth mapReference(const std::string& file)
{
    depthmap::TMapDocument map("m", 10, 10);
    EXPECT_TRUE(map.ReadFile(file));
    Depth d{map.Width(), map.Height(), {}};
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            d.samples.push_back(level16(map.LevelAt(x, y)));
    return d;
}

// Where two depth pictures first differ, or empty.
std::string firstDifference(const Depth& got, const Depth& want)
{
    std::ostringstream text;
    if (got.width != want.width || got.height != want.height) {
        text << "size " << got.width << " x " << got.height << ", not " << want.width << " x " << want.height;
        return text.str();
    }
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            if (got.at(x, y) != want.at(x, y)) {
                text << '(' << x << ", " << y << "): " << got.at(x, y) << ", not " << want.at(x, y);
                return text.str();
            }
        }
    }
    return {};
}

class DepthCommand : public ProgramTest {
protected:
    static void SetUpTestSuite() { TestGuiApp(); }
};

TEST_F(DepthCommand, EverySourceGivesTheDepthItsStereogramIsMadeFrom)
{
    InitFigureTitles();
    const std::string indexed = (kImages / "bmp/good/bmpsuite-g-pal8.bmp").string();
    const std::string rgb = (kImages / "bmp/good/bmpsuite-g-rgb24.bmp").string();
    const std::string grey16 = (kData / "png/good/type0-16bit.png").string();
    const std::string map = (kData / "rds/two-objects.rds").string();
    struct Case {
        std::string args;
        std::function<Depth()> reference;
    };
    const Case cases[] = {
        // Figures of small and of negative levels (cut to 0), moved and
        // turned, centred by the methods that centre them.
        {"--figure 10 --width 301 --height 211 --gap 90 --method feucht",
         [] { return figureReference(10, 301, 211, 90, 0, 0, 0, true); }},
        {"--figure 20 --width 260 --height 190 --gap 120 --method left-to-right --dx 17 --dy -9 --da 40",
         [] { return figureReference(20, 260, 190, 120, 17, -9, 40, false); }},
        {"--figure 'Round Crater' --width 200 --height 150 --gap 100 --method hidden-surface --da -30",
         [] { return figureReference(1, 200, 150, 100, 0, 0, -30, true); }},
        {"--picture '" + indexed + "' --depth-by color", [&] { return pictureReference(indexed, true); }},
        {"--picture '" + indexed + "' --depth-by brightness", [&] { return pictureReference(indexed, false); }},
        // A true-colour picture has no index: brightness either way.
        {"--picture '" + rgb + "' --depth-by color", [&] { return pictureReference(rgb, false); }},
        {"--picture '" + grey16 + "'", [&] { return qtDepth(grey16); }},
        {"--depthmap '" + map + "'", [&] { return mapReference(map); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ProgramOutcome r = run("depth " + c.args + " -o '" + path("depth.png") + "' --force");
        ASSERT_EQ(r.status, 0) << r.err;
        const Depth got = qtDepth(path("depth.png"));
        ASSERT_FALSE(got.samples.empty()) << "not a 16-bit grey PNG";
        const Depth want = c.reference();
        ASSERT_FALSE(want.samples.empty());
        EXPECT_EQ(firstDifference(got, want), "");
        EXPECT_GT(*std::ranges::max_element(want.samples), 0) << "a flat reference proves little";
    }
    UnloadFigureTitles();
}

TEST_F(DepthCommand, AModelsDepthIsThatOfAnIndependentRayCast)
{
    using namespace model_test;
    Mesh mesh = torus();
    append(mesh, box({-0.3, -0.3, -0.3}, {0.3, 0.9, 0.3}));
    // The same shape with Z up, as CAD programs write STL: (x, y, z) kept as (x, -z, y).
    Mesh zUp = mesh;
    for (std::size_t v = 0; v < zUp.coords.size(); v += 3) {
        zUp.coords[v + 1] = -mesh.coords[v + 2];
        zUp.coords[v + 2] = mesh.coords[v + 1];
    }
    save(path("m.stl"), stlBinary(zUp));
    save(path("m.obj"), obj(mesh));
    struct Case {
        std::string args;
        models::Camera camera;
    };
    models::Camera turned, perspective;
    turned.yaw = 35, turned.pitch = -25, turned.roll = 10, turned.modelDepth = 0.5;
    perspective.yaw = -20, perspective.pitch = 40, perspective.fov = 50, perspective.zoom = 0.8;
    const Case cases[] = {
        {"--model '" + path("m.stl") + "'", {}},
        {"--model '" + path("m.obj") + "' --yaw 35 --pitch -25 --roll 10 --model-depth 0.5", turned},
        {"--model '" + path("m.stl") + "' --perspective 50 --zoom 0.8 --yaw -20 --pitch 40", perspective},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ProgramOutcome r = run("depth " + c.args + " --width 240 --height 180 -f -o '" + path("d.png") + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const Depth got = qtDepth(path("d.png"));
        ASSERT_EQ(got.width, 240) << "not a 16-bit grey PNG of the size asked for";
        ASSERT_EQ(got.height, 180);
        const Agreement a = agreement(referenceDepth(mesh, c.camera, 240, 180), [&](int x, int y) { return got.at(x, y); });
        EXPECT_EQ(a.problem, "");
        EXPECT_GT(a.covered, 240 * 180 / 8);
        EXPECT_LT(a.disputed, a.covered / 50);
    }
}

TEST_F(DepthCommand, WritesAsConvertDoes)
{
    const std::string map = (kData / "rds/two-objects.rds").string();
    ASSERT_EQ(run("depth --depthmap '" + map + "' -o '" + path("a.png") + "'").status, 0);
    // Standard output gets the same bytes.
    const ProgramOutcome piped = run("depth --depthmap '" + map + "' -o -");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, slurp(path("a.png")));
    // An existing file stays without --force.
    { std::ofstream(path("keep.png")) << "keep me"; }
    const ProgramOutcome refused = run("depth --depthmap '" + map + "' -o '" + path("keep.png") + "'");
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(slurp(path("keep.png")), "keep me");
    // Options that play no part in the depth are refused.
    for (const char* option : {"--pattern 2", "--frames 4", "--format gif", "--zmax 40"}) {
        const ProgramOutcome r = run(std::string("depth ") + option + " -o '" + path("b.png") + "'");
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_NE(r.err.find("unknown option"), std::string::npos) << option << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(path("b.png")));
}

} // namespace
