// The live preview dock: shown while a depth map window is active (unless
// turned off), showing that map's stereogram with the frame's settings and
// pattern, and following the edits made with the mouse.

#include "FrameFixture.h"

#include "gui/Commands.h"

#include "MapMouse.h"
#include "ModelFiles.h"
#include "ModelShapes.h"
#include "engine/ModelGeneration.h"
#include "engine_ui/TSirdsWnd.h"
#include "models_ui/TModelWindow.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine/Preview.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/TPreviewPane.h"

#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QUndoStack>

#include <atomic>

using namespace gui;
using testing_frame::FrameTest;

namespace {

class Preview : public FrameTest {
protected:
    depthmap_ui::TMapWindow* addMap(int width, int height)
    {
        auto* map = new depthmap_ui::TMapWindow(nullptr, "untitled", width, height, frame()->FrameWindow(),
                                                frame()->Action(CM_TOOLSELECT)->actionGroup());
        QMdiSubWindow* sub = frame()->AddDocument(map);
        frame()->Client()->setActiveSubWindow(sub);
        QApplication::processEvents();
        return map;
    }

    QImage expected(const depthmap_ui::TMapWindow& map) const
    {
        engine::TSirdPatt* patterns = frame()->Patterns();
        const std::atomic<bool> keepGoing{false};
        engine::GenerationResult r = engine::makePreview(
            engine::snapshotPreview(map.Document(), frame()->Settings(),
                                    {patterns->GetBitmap(), patterns->GetPalette()}),
            keepGoing);
        return r.finished() ? engine_ui::ToQImage(*r.picture.bitmap, &r.picture.palette) : QImage();
    }

    // Lets the worker finish and its result arrive, until the pane shows want.
    bool shows(const QImage& want)
    {
        engine_ui::TPreviewPane* pane = frame()->Preview();
        for (int i = 0; i < 400; ++i) {
            if (pane->Image() == want)
                return true;
            pane->WaitForWorker();
            QTest::qWait(5);
        }
        return pane->Image() == want;
    }
};

} // namespace

TEST_F(Preview, DockFollowsTheActiveMapWindowAndTheMenuSwitch)
{
    start();
    QDockWidget* dock = frame()->PreviewDock();
    ASSERT_NE(dock, nullptr);
    EXPECT_FALSE(dock->isVisible()) << "no map, no preview";

    depthmap_ui::TMapWindow* map = addMap(240, 160);
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(shows(expected(*map)));

    QAction* toggle = frame()->Action(CM_PREVIEW);
    ASSERT_TRUE(toggle->isEnabled());
    toggle->trigger();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(dock->isVisible());
    toggle->trigger();
    EXPECT_TRUE(dock->isVisible());

    // Closing the dock with its own button turns the preview off.
    dock->close();
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(dock->isVisible());

    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    EXPECT_FALSE(dock->isVisible());
    EXPECT_TRUE(toggle->isChecked()) << "hidden for want of a map, still wanted";
}

TEST_F(Preview, FollowsShapesDrawnWithTheMouse)
{
    start();
    depthmap_ui::TMapWindow* map = addMap(300, 200);
    ASSERT_TRUE(shows(expected(*map)));
    const QImage flat = frame()->Preview()->Image();

    ASSERT_TRUE(map->Command(depthmap::kSquareBoxTool));
    ASSERT_EQ(map->CurrentTool(), depthmap::kSquareBoxTool);
    map->SetCurrentLevel(200);
    MapMouse mouse(map->viewport());
    mouse.drag({40, 30}, {160, 150});
    ASSERT_EQ(map->Document().LevelAt(100, 100), 200) << "the box was drawn";
    const QImage boxed = expected(*map);
    EXPECT_NE(boxed, flat);
    EXPECT_TRUE(shows(boxed)) << "the preview shows the new box";

    map->UndoStack()->undo();
    EXPECT_TRUE(shows(flat)) << "and follows the change taken back";
}

// A model window's depth reaches level 255, far beyond Zmax 63: Make SIRDS
// offers the fit as a picture's does (Cancel makes nothing, the answer is
// remembered), and the preview fits unless the answer was No.
TEST_F(Preview, AModelWindowIsOfferedTheDepthFitAndThePreviewFollowsTheAnswer)
{
    struct Case {
        int answer;
        bool made;
        bool fitted;
    };
    QByteArray made[2];
    for (const Case c : {Case{platform::IDCANCEL, false, true}, Case{platform::IDNO, true, false},
                         Case{platform::IDYES, true, true}}) {
        start();
        frame()->Settings().w = 160;
        frame()->Settings().h = 120;
        const QString path = dir.filePath(QStringLiteral("ring.obj"));
        model_test::save(path.toStdString(), model_test::obj(model_test::torus()));
        frame()->OpenFile(path);
        QApplication::processEvents();
        auto* model = qobject_cast<models_ui::TModelWindow*>(frame()->Client()->activeSubWindow()->widget());
        ASSERT_NE(model, nullptr);
        boxes.shown.clear();
        boxes.answers = {c.answer};
        frame()->Command(CM_MAKESIRDS);
        QApplication::processEvents();
        ASSERT_EQ(boxes.shown.size(), 1u) << c.answer;
        EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Depth Beyond Zmax"));
        EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("ring.obj goes up to 255, beyond Zmax 63")))
            << boxes.shown[0].text.toStdString();
        EXPECT_EQ(frame()->Client()->subWindowList().size(), c.made ? 2 : 1) << c.answer;
        EXPECT_EQ(frame()->Action(CM_FITDEPTH)->isChecked(), c.made && c.fitted);
        if (c.made) {
            const auto bits = frame()->ActivePicture()->GetPicture()->bits();
            made[c.fitted] = QByteArray(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
            // The stereogram of a picture holding the model's depth, made
            // with the same answer.
            frame()->Client()->setActiveSubWindow(frame()->Client()->subWindowList().front());
            const engine::ModelPicture depth = model->Picture(160, 120);
            engine_ui::TSirdsWnd source(nullptr, "depth", frame()->FrameWindow(), nullptr, nullptr, 160, 120,
                                        engine_ui::SourcePicture, &frame()->Settings());
            source.SetPattLib(frame()->Patterns());
            source.SetPicture(std::make_unique<platform::Bitmap>(*depth.levels),
                              std::make_unique<platform::Palette>(depth.greys));
            source.SetDepth16(std::make_unique<platform::Grey16Image>(depth.depth));
            source.SetNoSaveQuestion(true);
            const std::int32_t depthBy = frame()->Settings().DepthSel;
            frame()->Settings().DepthSel = engine::ByBrightness;
            engine::GenerationOptions options;
            if (c.fitted)
                options.fit.emplace(engine::DepthRange{0, 255, false}, frame()->Settings().zmin,
                                    frame()->Settings().zmax);
            engine_ui::TSirdsWnd::PictJob job;
            ASSERT_TRUE(source.MakeSirdsFromPicture(job, options) && job.bitmap);
            frame()->Settings().DepthSel = depthBy;
            const auto want = job.bitmap->bits();
            EXPECT_EQ(made[c.fitted],
                      QByteArray(reinterpret_cast<const char*>(want.data()), static_cast<qsizetype>(want.size())));
        }
        // The preview of the model, fitted or not as the answer says.
        if (!frame()->Action(CM_PREVIEW)->isChecked())
            frame()->Action(CM_PREVIEW)->trigger();
        QApplication::processEvents();
        engine::TSirdPatt* patterns = frame()->Patterns();
        const std::atomic<bool> keepGoing{false};
        QImage previews[2];
        for (const bool fit : {false, true}) {
            engine::GenerationResult r = engine::makePreview(
                engine::snapshotModelPreview(model->Mesh(), model->Camera(), frame()->Settings(),
                                             {patterns->GetBitmap(), patterns->GetPalette()}, fit),
                keepGoing);
            ASSERT_TRUE(r.finished());
            previews[fit] = engine_ui::ToQImage(*r.picture.bitmap, &r.picture.palette);
        }
        EXPECT_NE(previews[0], previews[1]) << "fitting changed nothing";
        EXPECT_TRUE(shows(previews[c.fitted])) << c.answer;
        program.reset();
        QFile::remove(QString::fromStdString(configPath));
    }
    EXPECT_NE(made[0], made[1]);
}
