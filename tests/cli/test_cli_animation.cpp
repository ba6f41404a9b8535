// dotscape make --frames as a user runs it: every frame of the animated GIF,
// read back by the GIF reader, is the stereogram a single make gives with
// that frame's settings, for each source and parameter; refusals name the
// option and write nothing.

#include "ProgramRun.h"

#include "ModelFiles.h"
#include "ModelShapes.h"

#include "depthmap/TMapDocument.h"
#include "pictrans/TGifIntf.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Frame {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
};

// Image k of a GIF file; no bitmap when the file has no such image.
Frame readImage(const std::string& file, int k)
{
    Frame f;
    auto bytes = platform::readWholeFile(file);
    if (!bytes)
        return f;
    InStream in(std::move(*bytes));
    TGifIntf reader(nullptr, nullptr);
    reader.quiet = 1;
    f.bitmap = reader.ReadStream(in, k);
    f.palette = reader.TakePalette();
    return f;
}

int imageCount(const std::string& file)
{
    int n = 0;
    while (n < 400 && readImage(file, n).bitmap)
        ++n;
    return n;
}

class Animation : public ProgramTest {
protected:
    // Makes the animation, then for every frame k the single stereogram
    // with singleOptions(k), and compares them pixel for pixel.
    void expectFramesAreSingles(const std::string& common, const std::string& animation, int frames,
                                const std::function<std::string(int)>& singleOptions)
    {
        const std::string out = path("anim.gif");
        const ProgramOutcome r = run("make " + common + " " + animation + " -f -o '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(imageCount(out), frames) << animation;
        Frame previous;
        for (int k = 0; k < frames; ++k) {
            const std::string one = path("single.gif");
            const ProgramOutcome s = run("make " + common + " " + singleOptions(k) + " -f -o '" + one + "'");
            ASSERT_EQ(s.status, 0) << s.err;
            Frame expected = readImage(one, 0);
            Frame got = readImage(out, k);
            ASSERT_TRUE(expected.bitmap && got.bitmap);
            ASSERT_EQ(got.bitmap->width(), expected.bitmap->width());
            ASSERT_EQ(got.bitmap->height(), expected.bitmap->height());
            EXPECT_EQ(*got.palette, *expected.palette) << "frame " << k;
            for (int y = 0; y < got.bitmap->height(); ++y) {
                for (int x = 0; x < got.bitmap->width(); ++x) {
                    if (got.bitmap->pixel(x, y) != expected.bitmap->pixel(x, y)) {
                        ADD_FAILURE() << animation << ": frame " << k << " differs first at (" << x << ", " << y
                                      << ")";
                        y = got.bitmap->height();
                        break;
                    }
                }
            }
            if (previous.bitmap) {
                EXPECT_FALSE(*previous.bitmap == *got.bitmap) << animation << ": frame " << k << " did not move";
            }
            previous = std::move(got);
        }
    }
};

} // namespace

TEST_F(Animation, AModelOnATurntable)
{
    models::Mesh mesh = model_test::torus();
    model_test::append(mesh, model_test::box({-0.3, -0.3, -0.3}, {0.3, 0.9, 0.3}));
    model_test::save(path("m.stl"), model_test::stlBinary(mesh));
    expectFramesAreSingles("--model '" + path("m.stl") + "' --width 240 --height 160 --pitch 10",
                           "--frames 4 --yaw-step 30 --pitch-step 15", 4, [](int k) {
                               return "--yaw " + std::to_string(30 * k) + " --pitch " + std::to_string(10 + 15 * k);
                           });
}

TEST_F(Animation, AFigureTurningAFullCircleInTwelveSteps)
{
    const int angles[12] = {0, 30, 60, 90, 120, 150, 180, -150, -120, -90, -60, -30};
    expectFramesAreSingles("--figure 'Wind Mill 1' --width 240 --height 160", "--frames 12 --da-step 30", 12,
                           [&](int k) { return "--da " + std::to_string(angles[k]); });
}

TEST_F(Animation, AFigureMovingAcrossAndUpAndItsDepthBreathing)
{
    for (const char* method : {"left-to-right", "feucht"}) {
        const std::string common = std::string("--figure 3 --width 220 --height 150 --method ") + method;
        expectFramesAreSingles(common + " --dx -40", "--frames 4 --dx-step 25", 4,
                               [](int k) { return "--dx " + std::to_string(-40 + 25 * k); });
        expectFramesAreSingles(common, "--frames 3 --dy-step -30 --delay 200", 3,
                               [](int k) { return "--dy " + std::to_string(-30 * k); });
        expectFramesAreSingles(common + " --zmin 5 --zmax 90", "--frames 3 --z-step -40", 3,
                               [](int k) { return "--zmax " + std::to_string(90 - 40 * k); });
    }
}

TEST_F(Animation, TrueColourStereogramsOfTheHiddenSurfaceMethod)
{
    // Oversampled frames are true colour; the file holds them in the
    // pattern's nearest colours, as a single GIF does.
    expectFramesAreSingles("--figure 'Spiral Lanes 1' --width 200 --height 120 --method hidden-surface --oversample 3",
                           "--frames 3 --da-step 45", 3, [](int k) { return "--da " + std::to_string(45 * k); });
}

TEST_F(Animation, DepthMapsAndPicturesBreatheToo)
{
    const std::string map = std::string(DOTSCAPE_TESTDATA_DIR) + "/rds/two-objects.rds";
    for (const char* method : {"mcmahon", "left-to-right"}) {
        expectFramesAreSingles(std::string("--depthmap '") + map + "' --method " + method, "--frames 3 --z-step 40",
                               3, [](int k) { return "--zmax " + std::to_string(63 + 40 * k); });
    }
    const std::string picture = std::string(DOTSCAPE_SHARED_IMAGES_DIR) + "/gif/good/giflib-porsche.gif";
    expectFramesAreSingles("--picture '" + picture + "' --method feucht --depth-by brightness", "--frames 2 --z-step 200",
                           2, [](int k) { return "--zmax " + std::to_string(63 + 200 * k); });
}

TEST_F(Animation, RefusalsNameTheOptionAndWriteNothing)
{
    const std::string map = std::string(DOTSCAPE_TESTDATA_DIR) + "/rds/two-objects.rds";
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"--frames 12 --da-step 30 -o '" + path("a.bmp") + "'", "output name ending in .gif"},
        {"--frames 1 --da-step 30 -o '" + path("a.gif") + "'", "--frames must be between 2 and 360"},
        {"--frames 361 --da-step 30 -o '" + path("a.gif") + "'", "--frames must be between 2 and 360"},
        {"--frames many --da-step 30 -o '" + path("a.gif") + "'", "--frames takes a whole number"},
        {"--da-step 30 -o '" + path("a.gif") + "'", "an animation needs --frames N"},
        {"--delay 100 -o '" + path("a.gif") + "'", "an animation needs --frames N"},
        {"--frames 5 -o '" + path("a.gif") + "'", "--frames needs one parameter to change"},
        {"--frames 5 --da-step 10 --z-step 5 -o '" + path("a.gif") + "'",
         "give one of --da-step, --dx-step, --dy-step and --z-step, not --da-step and --z-step"},
        {"--frames 5 --da-step 10 --delay 10 -o '" + path("a.gif") + "'", "--delay must be between 20 and 655350"},
        {"--frames 6 --dx-step 50 -o '" + path("a.gif") + "'",
         "--dx-step 50 takes --dx to 250 at frame 6 of 6: --dx must be between -200 and 200"},
        {"--frames 70 --z-step -1 -o '" + path("a.gif") + "'",
         "--z-step -1 takes --zmax to 0 at frame 64 of 70: --zmin must be less than --zmax"},
        {"--depthmap '" + map + "' --frames 3 --dy-step 10 -o '" + path("a.gif") + "'",
         "--dy-step moves a math figure"},
        {"--gap 20 --frames 3 --da-step 10 -o '" + path("a.gif") + "'", "--gap must be between 51 and 150"},
    };
    for (const auto& c : cases) {
        const ProgramOutcome r = run("make " + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_FALSE(fs::exists(path("a.gif")) || fs::exists(path("a.bmp"))) << c.args;
    }

    // An existing file is kept unless --force says otherwise.
    {
        std::ofstream(path("old.gif")) << "keep me";
    }
    const ProgramOutcome kept = run("make --width 220 --height 50 --frames 2 --da-step 5 -o '" + path("old.gif") + "'");
    EXPECT_EQ(kept.status, 3);
    EXPECT_NE(kept.err.find("not overwritten"), std::string::npos) << kept.err;
    EXPECT_EQ(slurp(path("old.gif")), "keep me");
    for (const auto& e : fs::directory_iterator(dir_))
        EXPECT_FALSE(e.path().filename().string().starts_with(".dotscape-")) << e.path();

    // Print-sized math stereograms animate too: the size is checked once.
    const ProgramOutcome wide =
        run("make --figure 16 --width 1300 --height 40 --frames 2 --da-step 10 -f -o '" + path("wide.gif") + "'");
    EXPECT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(imageCount(path("wide.gif")), 2);

    const ProgramOutcome help = run("make --help");
    EXPECT_NE(help.err.find("--frames N"), std::string::npos);
    EXPECT_NE(help.err.find("--delay MS"), std::string::npos);
}
