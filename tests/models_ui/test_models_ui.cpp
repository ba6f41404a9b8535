// The model window driven with the mouse: a drag turns the model the way
// the camera's definition says, the wheel zooms, and what the window shows
// and hands to Make SIRDS is the rasteriser's depth for its camera.

#include "ModelShapes.h"
#include "QtTestApp.h"

#include "models/Rasteriser.h"
#include "models_ui/TModelWindow.h"

#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace model_test;

namespace {

struct Gesture {
    const char* name;
    QPoint from, to;
    double yaw, pitch; // the camera after the drag
};

} // namespace

TEST(ModelWindow, DraggingTurnsYawAndPitchHalfADegreeAPixel)
{
    TestApp();
    const Gesture gestures[] = {
        {"right: the front moves right", {100, 100}, {160, 100}, 30, 0},
        {"left", {100, 100}, {40, 100}, -30, 0},
        {"down: the top comes nearer", {100, 100}, {100, 140}, 0, 20},
        {"up and right", {100, 100}, {120, 80}, 10, -10},
    };
    for (const Gesture& g : gestures) {
        SCOPED_TRACE(g.name);
        models_ui::TModelWindow window(nullptr, "/tmp/knot.obj", torus());
        window.resize(320, 240);
        window.show();
        int changes = 0;
        QObject::connect(&window, &models_ui::TModelWindow::cameraChanged, [&] { ++changes; });
        QWidget* view = window.viewport();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, g.from);
        QTest::mouseMove(view, (g.from + g.to) / 2);
        QTest::mouseMove(view, g.to);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, g.to);
        EXPECT_DOUBLE_EQ(window.Camera().yaw, g.yaw);
        EXPECT_DOUBLE_EQ(window.Camera().pitch, g.pitch);
        EXPECT_GE(changes, 1);
        // The picture shown is the depth of the window's camera.
        QApplication::processEvents();
        const QImage want = models_ui::ShadedDepth(models::renderDepth(window.Mesh(), window.Camera(),
                                                                      view->width(), view->height()));
        EXPECT_TRUE(window.Shown() == want);
    }
}

TEST(ModelWindow, TheWheelZoomsAndMakeSirdsTakesTheCamerasDepth)
{
    TestApp();
    models_ui::TModelWindow window(nullptr, "box.stl", box());
    window.resize(200, 200);
    window.show();
    for (int notches : {2, -5}) {
        const double before = window.Camera().zoom;
        const QPointF at(50, 50);
        QWheelEvent wheel(at, window.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.viewport(), &wheel);
        EXPECT_NEAR(window.Camera().zoom, before * std::pow(1.1, notches), 1e-12);
    }
    models::Camera camera;
    camera.yaw = 40;
    camera.roll = 15;
    camera.fov = 30;
    window.SetCamera(camera);
    const engine::ModelPicture picture = window.Picture(123, 77);
    ASSERT_TRUE(picture.levels);
    EXPECT_EQ(picture.depth.samples, models::renderDepth(window.Mesh(), camera, 123, 77).samples);
    for (int y = 0; y < 77; ++y)
        for (int x = 0; x < 123; ++x)
            ASSERT_EQ(picture.levels->rowFromTop(y)[x], models::level8(picture.depth.at(x, y)));
    // A camera out of range is not taken.
    models::Camera wrong = camera;
    wrong.zoom = 100;
    window.SetCamera(wrong);
    EXPECT_EQ(window.Camera().zoom, 1);
}

// A large model is drawn lighter while dragged; once the button is let go,
// or the mouse rests, the window shows exactly the whole model's depth.
TEST(ModelWindow, ALargeModelIsDrawnInFullOnceTheDragEndsOrRests)
{
#if defined(DOTSCAPE_ADDRESS_SANITIZER)
    // A million instrumented triangles take longer than the rest timer.
    GTEST_SKIP() << "timing-bound: too slow under the sanitizers";
#endif
    TestApp();
    const Mesh heavy = torus(1, 0.4, 640, 256); // 327 680 triangles
    for (const bool release : {true, false}) {
        SCOPED_TRACE(release ? "released" : "resting");
        models_ui::TModelWindow window(nullptr, "ring.stl", heavy);
        window.resize(400, 300);
        window.show();
        QWidget* view = window.viewport();
        const auto full = [&] {
            return models_ui::ShadedDepth(
                models::renderDepth(window.Mesh(), window.Camera(), view->width(), view->height()));
        };
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, {100, 100});
        QTest::mouseMove(view, {130, 120});
        QApplication::processEvents();
        EXPECT_EQ(window.Camera().yaw, 15);
        EXPECT_FALSE(window.Shown() == full()) << "the drag draws the lighter model";
        if (release)
            QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, {130, 120});
        else
            QTest::qWait(400);
        QApplication::processEvents();
        EXPECT_TRUE(window.Shown() == full());
        if (!release)
            QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, {130, 120});
    }
}
