// The depth map window in an MDI area, driven with real mouse events: the
// tools make the objects they should, the rubber bands show and go, the
// stack commands keep the stack whole, every change can be taken back, and
// the window asks before it closes.

#include "MapMouse.h"
#include "QtTestApp.h"
#include "TempDir.h"

#include "depthmap_ui/TMapWindow.h"
#include "depthmap_ui/UiMessageBox.h"

#include "platform/Messages.h"

#include <QAction>
#include <QActionGroup>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QUndoStack>

#include "depthmap_ui/TLevelDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using depthmap::DepthKind;
using depthmap::TDepthObj;
using depthmap_ui::TMapWindow;
using platform::Point;
using platform::Rect;

namespace {

// The frame as the window sees it: records messages, and answers the save
// request with a configurable action.
class FrameRecorder : public platform::Window {
public:
    int messageBox(std::string_view, std::string_view, unsigned) override { return platform::IDOK; }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        messages.push_back(message);
        if (message == platform::WM_SAVEREQUEST) {
            saveHandle = wParam;
            if (onSave)
                onSave();
        }
        return 0;
    }
    int count(unsigned message) const
    {
        return static_cast<int>(std::count(messages.begin(), messages.end(), message));
    }
    std::vector<unsigned> messages;
    std::uintptr_t saveHandle = 0;
    std::function<void()> onSave;
};

struct Box {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

class MapWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        previous_ = depthmap_ui::SetUiMessageBoxProvider(
            [this](QWidget*, const QString& text, const QString& caption, unsigned style) {
                boxes.push_back({text.toStdString(), caption.toStdString(), style});
                return answer;
            });
        area.resize(900, 700);
        area.show();
        palette = new QActionGroup(&area);
        for (int id = 1251; id <= 1261; ++id) {
            auto* action = new QAction(QString::number(id), palette);
            action->setCheckable(true);
            action->setData(id);
        }
    }
    void TearDown() override { depthmap_ui::SetUiMessageBoxProvider(previous_); }

    TMapWindow* Open(int width = 300, int height = 200, const std::string& title = "untitled")
    {
        auto* map = new TMapWindow(nullptr, title, width, height, &frame, palette);
        QMdiSubWindow* sub = area.addSubWindow(map);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        area.setActiveSubWindow(sub);
        QApplication::processEvents();
        return map;
    }
    static std::vector<std::uint8_t> Bytes(TMapWindow* map) { return map->Document().Serialise(); }
    static QImage Shot(TMapWindow* map) { return map->viewport()->grab().toImage(); }
    static bool Black(const QImage& image, int x, int y) { return image.pixelColor(x, y) == QColor(Qt::black); }
    static bool White(const QImage& image, int x, int y) { return image.pixelColor(x, y) == QColor(Qt::white); }
    QAction* Checked() const { return palette->checkedAction(); }

    QApplication& app = TestApp(); // before any widget
    QMdiArea area;
    QActionGroup* palette = nullptr;
    FrameRecorder frame;
    std::vector<Box> boxes;
    int answer = platform::IDNO;
    depthmap_ui::UiMessageBoxProvider previous_;
};

} // namespace

TEST_F(MapWindowTest, ANewWindowIsAnUnsavedMapWithItsBackground)
{
    TMapWindow* map = Open(300, 200);
    EXPECT_EQ(map->GetDocKind(), depthmap_ui::DocDepthMap);
    EXPECT_EQ(map->windowTitle(), QStringLiteral("untitled[*]"));
    EXPECT_EQ(map->Document().ObjectCount(), 1);
    EXPECT_FALSE(map->IsSaved());
    EXPECT_EQ(map->CurrentTool(), 1251);
    EXPECT_EQ(map->CurrentLevel(), 0);
    EXPECT_FALSE(map->windowIcon().isNull()) << "icon I3";
    const platform::BITMAP info = map->GetMapInfo();
    EXPECT_EQ(info.bmWidth, 300);
    EXPECT_EQ(info.bmHeight, 200);
    EXPECT_EQ(info.bmBitsPixel, 8);
    EXPECT_EQ(map->ImageSize(), 300 * 200);
    // Fitted: the viewport shows exactly the map.
    EXPECT_EQ(map->viewport()->size(), QSize(300, 200));
    ASSERT_NE(Checked(), nullptr);
    EXPECT_EQ(Checked()->data().toInt(), 1251) << "the current tool's button is pressed";
}

TEST_F(MapWindowTest, EachDrawingToolDragsOutItsObject)
{
    TMapWindow* map = Open(300, 200);
    MapMouse mouse(map->viewport());
    map->SetCurrentLevel(42);
    const struct {
        int tool;
        DepthKind kind;
    } tools[] = {{1256, DepthKind::Line},     {1257, DepthKind::Curve},   {1258, DepthKind::SquareBox},
                 {1259, DepthKind::RoundBox}, {1261, DepthKind::Circle}};
    int count = 1;
    for (const auto& t : tools) {
        ASSERT_TRUE(map->Command(t.tool));
        EXPECT_EQ(Checked()->data().toInt(), t.tool);
        EXPECT_EQ(map->viewport()->cursor().shape(), Qt::BitmapCursor) << "the tool's cursor";
        mouse.drag({20, 20}, {120, 90});
        ASSERT_EQ(map->Document().ObjectCount(), ++count) << t.tool;
        const TDepthObj* top = map->Document().Top();
        EXPECT_EQ(top->GetKind(), t.kind);
        EXPECT_EQ(top->GetCorners(), (Rect{20, 20, 120, 90}));
        EXPECT_EQ(top->GetLevel(), 42);
        EXPECT_EQ(map->Document().Selected(), top);
    }
    EXPECT_EQ(map->LevelAt(70, 55), 42);
    EXPECT_EQ(map->LevelAt(200, 150), 0);
}

TEST_F(MapWindowTest, ABoxDraggedRightToLeftKeepsItsCornersAndACleanClickMakesNothing)
{
    TMapWindow* map = Open(200, 200);
    MapMouse mouse(map->viewport());
    map->Command(1258);
    map->SetCurrentLevel(9);
    mouse.drag({50, 30}, {10, 10});
    ASSERT_EQ(map->Document().ObjectCount(), 2);
    EXPECT_EQ(map->Document().Top()->GetCorners(), (Rect{50, 30, 10, 10}));
    EXPECT_EQ(map->LevelAt(10, 10), 9);
    EXPECT_EQ(map->LevelAt(49, 29), 9);
    EXPECT_EQ(map->LevelAt(50, 30), 0);

    mouse.click({150, 150});
    EXPECT_EQ(map->Document().ObjectCount(), 2) << "a click without a drag makes nothing";
    EXPECT_EQ(map->UndoStack()->count(), 1);

    // Dragging with Shift held is no drag either.
    mouse.press({100, 100});
    mouse.moveHeld({150, 150}, Qt::ShiftModifier);
    mouse.release({150, 150}, Qt::ShiftModifier);
    EXPECT_EQ(map->Document().ObjectCount(), 2);
}

TEST_F(MapWindowTest, TheRubberBandShowsWhileDraggingAndGoes)
{
    TMapWindow* map = Open(300, 200);
    MapMouse mouse(map->viewport());
    map->Command(1258);
    mouse.press({20, 20});
    mouse.moveHeld({80, 60});
    QImage shot = Shot(map);
    EXPECT_TRUE(Black(shot, 50, 20)) << "the band's top edge";
    EXPECT_TRUE(Black(shot, 20, 40)) << "its left edge";
    EXPECT_TRUE(Black(shot, 79, 40)) << "its right edge";
    EXPECT_TRUE(White(shot, 50, 45)) << "nothing inside";
    mouse.moveHeld({150, 120});
    shot = Shot(map);
    EXPECT_TRUE(White(shot, 79, 40)) << "the earlier band is wiped by the repaint";
    EXPECT_TRUE(Black(shot, 149, 100));
    mouse.release({150, 120});
    shot = Shot(map);
    // The finished box: outline from (20, 20) to (149, 119), handles at its corners.
    EXPECT_TRUE(Black(shot, 100, 20));
    EXPECT_TRUE(Black(shot, 149, 70));
    EXPECT_TRUE(White(shot, 100, 100));
    EXPECT_TRUE(Black(shot, 150, 121)) << "selection handle";
    EXPECT_TRUE(White(shot, 200, 150)) << "the background";
}

TEST_F(MapWindowTest, APolygonOfFourClicksWithARubberLineWhileHovering)
{
    TMapWindow* map = Open(300, 200);
    MapMouse mouse(map->viewport());
    map->Command(1260);
    map->SetCurrentLevel(77);
    mouse.click({10, 10});
    mouse.hover({60, 12});
    mouse.click({100, 10});
    mouse.hover({100, 100});
    QImage shot = Shot(map);
    EXPECT_TRUE(Black(shot, 55, 10)) << "the polyline of the vertices so far";
    EXPECT_TRUE(Black(shot, 100, 55)) << "the rubber line to the mouse";
    mouse.hover({10, 100});
    shot = Shot(map);
    EXPECT_TRUE(White(shot, 100, 55)) << "the earlier rubber line is gone";
    EXPECT_TRUE(Black(shot, 55, 55));
    mouse.click({100, 100});
    EXPECT_EQ(map->Document().ObjectCount(), 1) << "nothing added before the double click";
    mouse.doubleClick({10, 100});
    ASSERT_EQ(map->Document().ObjectCount(), 2);
    const TDepthObj* p = map->Document().Top();
    ASSERT_EQ(p->GetKind(), DepthKind::Polygon);
    const auto v = p->GetVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], (Point{10, 10}));
    EXPECT_EQ(v[1], (Point{100, 10}));
    EXPECT_EQ(v[2], (Point{100, 100}));
    EXPECT_EQ(v[3], (Point{10, 100}));
    EXPECT_EQ(p->GetLevel(), 77);
    EXPECT_EQ(map->LevelAt(50, 50), 77);
    EXPECT_EQ(map->Document().Selected(), nullptr);
    EXPECT_EQ(map->Document().InProgress(), nullptr);
    shot = Shot(map);
    EXPECT_TRUE(White(shot, 150, 150)) << "no rubber line is left";
}

TEST_F(MapWindowTest, TheSixtyFifthVertexIsDropped)
{
    TMapWindow* map = Open(400, 300);
    MapMouse mouse(map->viewport());
    map->Command(1260);
    for (int i = 0; i < 64; ++i)
        mouse.click({5 + i * 5, (i % 2) ? 150 : 20});
    mouse.doubleClick({390, 290}); // the 65th
    ASSERT_EQ(map->Document().ObjectCount(), 2);
    const auto v = map->Document().Top()->GetVertices();
    ASSERT_EQ(v.size(), 64u);
    EXPECT_EQ(v.back(), (Point{5 + 63 * 5, 150}));
}

TEST_F(MapWindowTest, MovingTheBackgroundLeavesLevelZero)
{
    TMapWindow* map = Open(200, 150);
    MapMouse mouse(map->viewport());
    map->Command(1251);
    mouse.click({100, 100});
    ASSERT_EQ(map->Document().Selected(), map->Document().Background());
    map->SetCurrentLevel(30);
    map->Command(1254);
    mouse.click({100, 100});
    EXPECT_EQ(map->LevelAt(5, 5), 30);
    map->Command(1252);
    mouse.drag({100, 100}, {140, 120});
    EXPECT_EQ(map->Document().Background()->GetCorners(), (Rect{40, 20, 240, 170}));
    EXPECT_EQ(map->LevelAt(5, 5), 0) << "where the background no longer covers the map";
    EXPECT_EQ(map->LevelAt(39, 100), 0);
    EXPECT_EQ(map->LevelAt(40, 20), 30);
    EXPECT_EQ(map->Document().ObjectCount(), 1);
}

TEST_F(MapWindowTest, GetThenApplyObjectLevelCopiesALevel)
{
    TMapWindow* map = Open(200, 150);
    MapMouse mouse(map->viewport());
    map->Command(1258);
    map->SetCurrentLevel(90);
    mouse.drag({10, 10}, {60, 60});
    map->SetCurrentLevel(4);
    map->Command(1261);
    mouse.drag({100, 50}, {180, 130});
    map->Command(1253);
    mouse.click({30, 30});
    EXPECT_EQ(map->CurrentLevel(), 90);
    map->Command(1254);
    mouse.click({140, 90});
    EXPECT_EQ(map->LevelAt(140, 90), 90);
}

TEST_F(MapWindowTest, RaiseLowerAndDeleteKeepTheStackWhole)
{
    TMapWindow* map = Open(200, 200);
    MapMouse mouse(map->viewport());
    map->Command(1258);
    // R, Q, P from the bottom; all overlap at (50, 50).
    for (int level : {1, 2, 3}) {
        map->SetCurrentLevel(level);
        mouse.drag({10 * level, 10 * level}, {100 + level, 100 + level});
    }
    auto levels = [map] {
        std::vector<int> out;
        for (const TDepthObj* o = map->Document().Top(); o; o = o->Next()) {
            out.push_back(o->GetLevel());
            if (o->Next()) {
                EXPECT_EQ(o->Next()->Prev(), o) << "links agree";
            }
        }
        return out;
    };
    EXPECT_EQ(levels(), (std::vector<int>{3, 2, 1, 0}));
    map->Command(1251);
    mouse.click({15, 15}); // only R (level 1) is there
    ASSERT_EQ(map->Document().Selected()->GetLevel(), 1);
    map->Command(1263);
    EXPECT_EQ(levels(), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_EQ(map->LevelAt(50, 50), 3);
    map->Command(1263);
    EXPECT_EQ(levels(), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(map->LevelAt(50, 50), 1) << "the raised object is now the top";
    map->Command(1263);
    EXPECT_EQ(levels(), (std::vector<int>{1, 3, 2, 0})) << "the top stays";
    map->Command(1264);
    map->Command(1264);
    EXPECT_EQ(levels(), (std::vector<int>{3, 2, 1, 0}));
    map->Command(1264);
    EXPECT_EQ(levels(), (std::vector<int>{3, 2, 1, 0})) << "nothing goes beneath the background";

    mouse.click({190, 190});
    ASSERT_EQ(map->Document().Selected(), map->Document().Background());
    map->Command(1263);
    map->Command(1265);
    EXPECT_EQ(levels(), (std::vector<int>{3, 2, 1, 0})) << "the background is neither raised nor deleted";

    mouse.click({50, 50});
    map->Command(1265);
    EXPECT_EQ(levels(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(map->Document().Selected(), nullptr);
    EXPECT_EQ(map->LevelAt(50, 50), 2);
    EXPECT_FALSE(map->Command(1255)) << "the text tool has no behaviour";
    EXPECT_FALSE(map->Command(1266));
    EXPECT_EQ(map->CurrentTool(), 1251);
}

TEST_F(MapWindowTest, UndoAndRedoRestoreTheStackAndTheSavedFlag)
{
    TempDir dir;
    TMapWindow* map = Open(200, 200);
    MapMouse mouse(map->viewport());
    QUndoStack* undo = map->UndoStack();
    std::vector<std::vector<std::uint8_t>> states{Bytes(map)};
    map->Command(1258);
    map->SetCurrentLevel(10);
    mouse.drag({10, 10}, {80, 80});
    states.push_back(Bytes(map));
    map->Command(1261);
    map->SetCurrentLevel(20);
    mouse.drag({50, 50}, {150, 150});
    states.push_back(Bytes(map));
    map->Command(1252);
    mouse.drag({100, 100}, {120, 90});
    states.push_back(Bytes(map));
    map->Command(1254);
    map->SetCurrentLevel(99);
    mouse.click({20, 20});
    states.push_back(Bytes(map));
    map->Command(1263);
    states.push_back(Bytes(map));
    map->Command(1264);
    states.push_back(Bytes(map));
    map->Command(1265);
    states.push_back(Bytes(map));
    ASSERT_EQ(undo->count(), 7);
    EXPECT_EQ(undo->undoText(), QStringLiteral("Delete"));

    for (int i = 6; i >= 0; --i) {
        undo->undo();
        ASSERT_EQ(Bytes(map), states[static_cast<std::size_t>(i)]) << "undo to state " << i;
        EXPECT_FALSE(map->IsSaved()) << "a new map was never saved";
    }
    for (int i = 1; i <= 7; ++i) {
        undo->redo();
        ASSERT_EQ(Bytes(map), states[static_cast<std::size_t>(i)]) << "redo to state " << i;
    }

    // Saved: changes and their undoing go away from and back to the saved state.
    ASSERT_TRUE(map->WriteFile(dir.file("scene.rds")));
    EXPECT_TRUE(map->IsSaved());
    EXPECT_EQ(map->windowTitle(), QStringLiteral("scene.rds[*]"));
    map->Command(1258);
    mouse.drag({150, 10}, {190, 40});
    EXPECT_FALSE(map->IsSaved());
    undo->undo();
    EXPECT_TRUE(map->IsSaved()) << "all changes since the save taken back";
    undo->undo();
    EXPECT_FALSE(map->IsSaved()) << "before the saved state";
    undo->redo();
    EXPECT_TRUE(map->IsSaved());
    map->Command(1251);
    mouse.click({170, 20}); // selects what is there now (the background)
    map->Command(1265);     // refused for the background: no change
    EXPECT_TRUE(map->IsSaved());

    // A file read starts a new history at a saved state.
    TMapWindow* reread = Open(400, 400, dir.file("scene.rds"));
    ASSERT_TRUE(reread->ReadFile(dir.file("scene.rds")));
    EXPECT_TRUE(reread->IsSaved());
    EXPECT_EQ(reread->UndoStack()->count(), 0);
    EXPECT_EQ(Bytes(reread), Bytes(map));
    EXPECT_EQ(reread->viewport()->size(), QSize(200, 200)) << "fitted to the map read";
}

TEST_F(MapWindowTest, TheMapChangedSignalFollowsEveryChange)
{
    TMapWindow* map = Open(200, 200);
    MapMouse mouse(map->viewport());
    QSignalSpy changed(map, &TMapWindow::mapChanged);
    map->Command(1258);
    mouse.drag({10, 10}, {50, 50});
    EXPECT_EQ(changed.count(), 1);
    map->Command(1252);
    mouse.drag({20, 20}, {40, 40}); // two steps, one edit
    EXPECT_EQ(changed.count(), 4);
    map->UndoStack()->undo();
    EXPECT_EQ(changed.count(), 5);
    map->Command(1251);
    mouse.click({30, 30});
    EXPECT_EQ(changed.count(), 5) << "selecting changes nothing";
}

TEST_F(MapWindowTest, TheLevelDialogSetsTheCurrentLevel)
{
    TMapWindow* map = Open(200, 200);
    map->SetCurrentLevel(17);
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<depthmap_ui::TLevelDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->Edit()->text();
        dialog->Edit()->clear();
        QTest::keyClicks(dialog->Edit(), QStringLiteral("201"));
        QTest::keyClick(dialog->Edit(), Qt::Key_Return);
    });
    ASSERT_TRUE(map->Command(1262));
    EXPECT_EQ(shown, QStringLiteral("17"));
    EXPECT_EQ(map->CurrentLevel(), 201);
}

TEST_F(MapWindowTest, TheCloseQuestion)
{
    TMapWindow* map = Open(100, 100);
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow*>(map->parentWidget());
    answer = platform::IDCANCEL;
    EXPECT_FALSE(sub->close()) << "an untouched new map still asks";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Save untitled before closing?");
    EXPECT_EQ(boxes[0].caption, "Confirm");
    EXPECT_EQ(boxes[0].style, platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);

    // Yes asks the frame to save this window; a save that did not happen keeps it.
    answer = platform::IDYES;
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(frame.count(platform::WM_SAVEREQUEST), 1);
    EXPECT_EQ(TMapWindow::FromWindow(reinterpret_cast<platform::Window*>(frame.saveHandle)), map);

    TempDir dir;
    frame.onSave = [&] { map->WriteFile(dir.file("kept.rds")); };
    EXPECT_TRUE(sub->close());
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sub.isNull());
    EXPECT_GE(frame.count(platform::WM_STATUSREFRESH), 1) << "the frame refreshes its panes";
    EXPECT_FALSE(dir.read("kept.rds").empty());

    // Saved maps close without a question; No closes unsaved.
    boxes.clear();
    TMapWindow* saved = Open(100, 100);
    ASSERT_TRUE(saved->WriteFile(dir.file("saved.rds")));
    EXPECT_TRUE(saved->parentWidget()->close());
    EXPECT_TRUE(boxes.empty());
    TMapWindow* dropped = Open(100, 100);
    answer = platform::IDNO;
    EXPECT_TRUE(dropped->parentWidget()->close());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(MapWindowTest, AFailedReadClosesWithoutEverSavingOverTheFile)
{
    TempDir dir;
    dir.write("bad.rds", "DEPTHMAPX and more");
    const std::string before = dir.read("bad.rds");
    TMapWindow* map = Open(400, 400, dir.file("bad.rds"));
    EXPECT_FALSE(map->ReadFile(dir.file("bad.rds")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Invalid Depth Map file");
    EXPECT_EQ(boxes[0].caption, "Error");
    answer = platform::IDYES;
    frame.onSave = [&] { map->WriteFile(dir.file("bad.rds")); };
    EXPECT_TRUE(map->parentWidget()->close());
    EXPECT_EQ(boxes.size(), 1u) << "no question after a failed read";
    EXPECT_EQ(frame.count(platform::WM_SAVEREQUEST), 0);
    EXPECT_EQ(dir.read("bad.rds"), before);
}

TEST_F(MapWindowTest, ActivationPressesTheToolAndRefreshesTheStatus)
{
    TMapWindow* first = Open(100, 100);
    first->Command(1260);
    TMapWindow* second = Open(120, 100);
    second->Command(1258);
    QApplication::processEvents();
    EXPECT_EQ(Checked()->data().toInt(), 1258);
    frame.messages.clear();
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    QApplication::processEvents();
    EXPECT_EQ(Checked()->data().toInt(), 1260);
    EXPECT_GE(frame.count(platform::WM_STATUSREFRESH), 1);
    EXPECT_EQ(first->viewport()->cursor().shape(), Qt::BitmapCursor) << "the tool's own cursor";
}

TEST_F(MapWindowTest, AMapLargerThanTheAreaScrolls)
{
    TMapWindow* map = Open(2000, 1500);
    QWidget* sub = map->parentWidget();
    EXPECT_LE(sub->width(), area.viewport()->width());
    EXPECT_LE(sub->height(), area.viewport()->height());
    EXPECT_EQ(map->horizontalScrollBar()->maximum(), 2000 - map->viewport()->width());
    EXPECT_EQ(map->verticalScrollBar()->maximum(), 1500 - map->viewport()->height());
    // Points are map pixels whatever the scroll position.
    map->horizontalScrollBar()->setValue(1000);
    map->verticalScrollBar()->setValue(700);
    MapMouse mouse(map->viewport());
    map->Command(1258);
    mouse.drag({10, 10}, {60, 60});
    EXPECT_EQ(map->Document().Top()->GetCorners(), (Rect{1010, 710, 1060, 760}));
}
