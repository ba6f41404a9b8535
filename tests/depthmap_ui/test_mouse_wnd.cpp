// The mouse state machine of the document window base, driven by real mouse
// events sent to the window's viewport.

#include "QtTestApp.h"

#include "depthmap_ui/TMouseWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace depthmap_ui;

namespace {

// Records every call a derived window gets, with the flags it sees then.
class Recorder : public TMouseWnd {
public:
    std::vector<std::string> calls;
    std::vector<bool> activations;

    using TMouseWnd::ScrollOffset;

protected:
    void LeftDown(unsigned keys, QPoint p) override { Add("LeftDown", keys, p); }
    void LeftUp(unsigned keys, QPoint p) override
    {
        Add(LeftDragged() ? "LeftUp dragged" : "LeftUp", keys, p);
    }
    void RightDown(unsigned keys, QPoint p) override { Add("RightDown", keys, p); }
    void RightUp(unsigned keys, QPoint p) override { Add(RightDragged() ? "RightUp dragged" : "RightUp", keys, p); }
    void LeftDoubleClick(unsigned keys, QPoint p) override { Add("LeftDoubleClick", keys, p); }
    void LeftDrag(int x, int y) override
    {
        Add("LeftDrag", 0, {x, y});
        TMouseWnd::LeftDrag(x, y);
    }
    void RightDrag(int x, int y) override
    {
        Add("RightDrag", 0, {x, y});
        TMouseWnd::RightDrag(x, y);
    }
    void Hover(int x, int y) override
    {
        Add("Hover", 0, {x, y});
        TMouseWnd::Hover(x, y);
    }
    void Activated(bool active) override { activations.push_back(active); }

private:
    void Add(const char* what, unsigned keys, QPoint p)
    {
        std::string s = std::string(what) + " " + std::to_string(p.x()) + "," + std::to_string(p.y());
        if (keys)
            s += " keys=" + std::to_string(keys);
        calls.push_back(s);
    }
};

class MouseWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        wnd.resize(300, 200);
    }

    void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(wnd.viewport()->mapToGlobal(pos)), button, buttons, modifiers);
        QCoreApplication::sendEvent(wnd.viewport(), &event);
    }
    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { Send(QEvent::MouseButtonPress, p, b, b); }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) { Send(QEvent::MouseButtonRelease, p, b, Qt::NoButton); }
    void Move(QPoint p, Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, held, mods);
    }

    QApplication& app = TestApp(); // before any widget
    Recorder wnd;
};

TEST_F(MouseWndTest, StartsWithEverythingCleared)
{
    EXPECT_EQ(wnd.GetDocKind(), DocNone);
    EXPECT_EQ(wnd.Anchor(), QPoint(0, 0));
    EXPECT_EQ(wnd.DragPoint(), QPoint(0, 0));
    EXPECT_FALSE(wnd.LeftPressed());
    EXPECT_FALSE(wnd.RightPressed());
    wnd.SetDocKind(DocDepthMap);
    EXPECT_EQ(wnd.GetDocKind(), DocDepthMap);
}

TEST_F(MouseWndTest, ClickWithoutMovementIsDownAndUpWithoutDrag)
{
    Press({10, 20});
    EXPECT_TRUE(wnd.LeftPressed());
    EXPECT_EQ(wnd.Anchor(), QPoint(10, 20));
    EXPECT_EQ(wnd.DragPoint(), QPoint(10, 20));
    EXPECT_EQ(wnd.RightPoint(), QPoint(10, 20));
    EXPECT_EQ(wnd.LastPoint(), QPoint(10, 20));
    Release({10, 20});
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"LeftDown 10,20 keys=1", "LeftUp 10,20"}));
    EXPECT_FALSE(wnd.LeftPressed());
    EXPECT_FALSE(wnd.LeftDragged());
}

TEST_F(MouseWndTest, LeftDragMovesTheDragPointAndEndsAtTheRelease)
{
    Press({5, 5});
    Move({30, 40}, Qt::LeftButton);
    EXPECT_TRUE(wnd.LeftDragged());
    EXPECT_EQ(wnd.DragPoint(), QPoint(30, 40));
    EXPECT_EQ(wnd.Anchor(), QPoint(5, 5));
    Release({35, 45});
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"LeftDown 5,5 keys=1", "LeftDrag 30,40", "LeftUp dragged 35,45"}));
    EXPECT_EQ(wnd.DragPoint(), QPoint(35, 45));
    EXPECT_FALSE(wnd.LeftPressed());
    EXPECT_FALSE(wnd.LeftDragged());
}

TEST_F(MouseWndTest, DragWithShiftOrCtrlOrBothButtonsDoesNothing)
{
    Press({5, 5});
    Move({30, 40}, Qt::LeftButton, Qt::ShiftModifier);
    Move({31, 41}, Qt::LeftButton, Qt::ControlModifier);
    Move({32, 42}, Qt::LeftButton | Qt::RightButton);
    EXPECT_FALSE(wnd.LeftDragged());
    EXPECT_EQ(wnd.DragPoint(), QPoint(5, 5));
    Release({32, 42});
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"LeftDown 5,5 keys=1", "LeftUp 32,42"}));
}

TEST_F(MouseWndTest, ReleaseWithoutPressIsIgnored)
{
    Release({10, 10});
    Release({10, 10}, Qt::RightButton);
    EXPECT_TRUE(wnd.calls.empty());
    EXPECT_EQ(wnd.DragPoint(), QPoint(0, 0));
}

TEST_F(MouseWndTest, MovingWithoutButtonsHovers)
{
    Move({7, 8}, Qt::NoButton);
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"Hover 7,8"}));
    EXPECT_EQ(wnd.LastPoint(), QPoint(7, 8));
    EXPECT_FALSE(wnd.LeftDragged());
}

TEST_F(MouseWndTest, RightButtonGesture)
{
    Press({40, 50}, Qt::RightButton);
    EXPECT_TRUE(wnd.RightPressed());
    EXPECT_EQ(wnd.RightPoint(), QPoint(40, 50));
    EXPECT_EQ(wnd.Anchor(), QPoint(0, 0)); // only the left press sets the anchor
    Move({60, 70}, Qt::RightButton);
    EXPECT_TRUE(wnd.RightDragged());
    Release({60, 70}, Qt::RightButton);
    EXPECT_EQ(wnd.calls,
              (std::vector<std::string>{"RightDown 40,50 keys=2", "RightDrag 60,70", "RightUp dragged 60,70"}));
    EXPECT_FALSE(wnd.RightPressed());
    EXPECT_FALSE(wnd.RightDragged());
    // The default right drag moves the drag point too.
    EXPECT_EQ(wnd.DragPoint(), QPoint(60, 70));
}

TEST_F(MouseWndTest, DoubleClickArrivesAsDownUpDoubleClick)
{
    Press({12, 13});
    Release({12, 13});
    Send(QEvent::MouseButtonDblClick, {12, 13}, Qt::LeftButton, Qt::LeftButton);
    Release({12, 13});
    // The release after the double click has no press of its own.
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"LeftDown 12,13 keys=1", "LeftUp 12,13",
                                                   "LeftDoubleClick 12,13 keys=1"}));
}

TEST_F(MouseWndTest, PointsIncludeTheScrollOffsets)
{
    wnd.horizontalScrollBar()->setRange(0, 500);
    wnd.verticalScrollBar()->setRange(0, 500);
    wnd.horizontalScrollBar()->setValue(30);
    wnd.verticalScrollBar()->setValue(100);
    Press({10, 10});
    EXPECT_EQ(wnd.Anchor(), QPoint(40, 110));
    Move({20, 20}, Qt::LeftButton);
    EXPECT_EQ(wnd.DragPoint(), QPoint(50, 120));
}

TEST(KeyFlags, ButtonsAndModifiers)
{
    EXPECT_EQ(KeyFlags(Qt::LeftButton, Qt::NoModifier), MK_LBUTTON);
    EXPECT_EQ(KeyFlags(Qt::LeftButton, Qt::ShiftModifier), MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(KeyFlags(Qt::RightButton | Qt::MiddleButton, Qt::ControlModifier), MK_RBUTTON | MK_MBUTTON | MK_CONTROL);
    EXPECT_EQ(KeyFlags(Qt::NoButton, Qt::AltModifier), 0u);
}

TEST(MouseWndActivation, FollowsTheActiveSubWindow)
{
    TestApp();
    QMdiArea area;
    area.resize(600, 400);
    auto* first = new Recorder;
    auto* second = new Recorder;
    QMdiSubWindow* sub1 = area.addSubWindow(first);
    QMdiSubWindow* sub2 = area.addSubWindow(second);
    area.show();
    sub1->show();
    sub2->show();
    area.setActiveSubWindow(sub1);
    area.setActiveSubWindow(sub2);
    ASSERT_FALSE(first->activations.empty());
    ASSERT_FALSE(second->activations.empty());
    EXPECT_FALSE(first->activations.back());
    EXPECT_TRUE(second->activations.back());
    area.setActiveSubWindow(sub1);
    EXPECT_TRUE(first->activations.back());
    EXPECT_FALSE(second->activations.back());
}

} // namespace
