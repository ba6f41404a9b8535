// dotscape make --model and info as a user runs them: a model's stereogram is
// the stereogram of its depth saved as a 16-bit grey PNG (written here, not
// by the program), for every scan method; info describes models; a model the
// importer cannot read is refused with the reason.

#include "ProgramRun.h"

#include "ModelShapes.h"
#include "Png16.h"

#include "models/Rasteriser.h"

#include <gtest/gtest.h>

using namespace model_test;

namespace {

class ModelCommand : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        mesh = torus();
        append(mesh, box({-0.3, -0.3, -0.3}, {0.3, 0.9, 0.3}));
        save(path("m.stl"), stlBinary(mesh));
    }
    models::Mesh mesh;
};

} // namespace

TEST_F(ModelCommand, TheStereogramIsThatOfItsDepthAsA16BitPicture)
{
    struct Case {
        const char* method;
        const char* camera;
        models::Camera same;
    };
    models::Camera turned, perspective;
    turned.yaw = 30, turned.pitch = -20, turned.roll = 5, turned.modelDepth = 0.6;
    perspective.pitch = 50, perspective.fov = 45, perspective.zoom = 1.2;
    const Case cases[] = {
        {"left-to-right", "--yaw 30 --pitch -20 --roll 5 --model-depth 0.6", turned},
        {"mcmahon", "--yaw 30 --pitch -20 --roll 5 --model-depth 0.6", turned},
        {"feucht", "--pitch 50 --perspective 45 --zoom 1.2", perspective},
        {"hidden-surface", "--yaw 30 --pitch -20 --roll 5 --model-depth 0.6", turned},
        {"hidden-surface --oversample 2", "--pitch 50 --perspective 45 --zoom 1.2", perspective},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        models::Camera camera = c.same;
        camera.up = models::UpAxis::Y;
        save(path("depth.png"), pngGrey16(models::renderDepth(mesh, camera, 240, 160)));
        const std::string common = std::string(" --method ") + c.method + " --pattern 3 -f -o ";
        const ProgramOutcome a = run("make --model '" + path("m.stl") + "' --up y " + c.camera +
                                     " --width 240 --height 160" + common + "'" + path("a.bmp") + "'");
        ASSERT_EQ(a.status, 0) << a.err;
        const ProgramOutcome b = run("make --picture '" + path("depth.png") + "' --depth-by brightness" + common + "'" +
                                     path("b.bmp") + "'");
        ASSERT_EQ(b.status, 0) << b.err;
        const std::string sa = slurp(path("a.bmp")), sb = slurp(path("b.bmp"));
        EXPECT_GT(sa.size(), 240u * 160u);
        EXPECT_TRUE(sa == sb) << "the model's stereogram differs from its depth picture's";
    }
}

TEST_F(ModelCommand, DepthWritesTheDepthItsStereogramIsMadeFrom)
{
    // The same camera options to both commands; the first row leaves the
    // size and the up axis (Z, for STL) to their defaults, and fits the
    // depth (0 to 255) onto the settings' Zmin to Zmax as a picture's is.
    struct Case {
        const char* camera;
        const char* method;
    };
    const Case cases[] = {
        {"", "mcmahon --fit-depth"},
        {"--up y --yaw 30 --pitch -20 --roll 5 --model-depth 0.6 --width 240 --height 160", "left-to-right"},
        {"--pitch 50 --perspective 45 --zoom 1.2 --up y --width 200 --height 210", "hidden-surface"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.camera);
        const std::string model = " --model '" + path("m.stl") + "' " + c.camera;
        const ProgramOutcome d = run("depth" + model + " -f -o '" + path("depth.png") + "'");
        ASSERT_EQ(d.status, 0) << d.err;
        const std::string common = std::string(" --method ") + c.method + " --pattern 3 -f -o ";
        const ProgramOutcome a = run("make" + model + common + "'" + path("a.bmp") + "'");
        ASSERT_EQ(a.status, 0) << a.err;
        // Depth beyond the default Zmax is warned of unless it is fitted.
        const bool fitted = std::string(c.method).find("--fit-depth") != std::string::npos;
        EXPECT_EQ(a.err.find("beyond Zmax") == std::string::npos, fitted) << a.err;
        const ProgramOutcome b = run("make --picture '" + path("depth.png") + "' --depth-by brightness" + common + "'" +
                                     path("b.bmp") + "'");
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(b.err.find("goes up to 255, beyond Zmax 63") == std::string::npos, fitted) << b.err;
        const std::string sa = slurp(path("a.bmp")), sb = slurp(path("b.bmp"));
        EXPECT_GT(sa.size(), 200u * 160u);
        EXPECT_TRUE(sa == sb) << "the model's stereogram differs from that of the depth written for it";
    }
}

TEST_F(ModelCommand, InfoDescribesAModelAndRefusalsSayWhy)
{
    const ProgramOutcome info = run("info '" + path("m.stl") + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    const models::Box box = mesh.bounds();
    char expected[200];
    std::snprintf(expected, sizeof expected, ": 3-D model (STL (binary)), %zu triangles, box %g x %g x %g", mesh.triangles(),
                  box.size().x, box.size().y, box.size().z);
    EXPECT_NE(info.out.find(expected), std::string::npos) << info.out;

    save(path("junk.stl"), std::string(300, '\x01'));
    for (const std::string& command : {"make --model '" + path("junk.stl") + "' -o '" + path("x.bmp") + "'",
                                       "depth --model '" + path("junk.stl") + "' -o '" + path("x.png") + "'",
                                       "info '" + path("junk.stl") + "'"}) {
        const ProgramOutcome r = run(command);
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE((r.out + r.err).find("The model could not be read: "), std::string::npos) << r.out << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(path("x.bmp")));
    EXPECT_FALSE(std::filesystem::exists(path("x.png")));
    const ProgramOutcome bad = run("make --model '" + path("m.stl") + "' --zoom 50 -o '" + path("x.bmp") + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("--zoom must lie from 0.1 to 20"), std::string::npos) << bad.err;
}
