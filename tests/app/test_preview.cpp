// The live preview dock: shown while a depth map window is active (unless
// turned off), showing that map's stereogram with the frame's settings and
// pattern, and following the edits made with the mouse.

#include "FrameFixture.h"

#include "gui/Commands.h"

#include "MapMouse.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine/Preview.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/TPreviewPane.h"

#include <QAction>
#include <QDockWidget>
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
