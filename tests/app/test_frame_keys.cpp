// The frame driven from the keyboard, and the document windows' place: the
// commands' keys as a user presses them, keys that must not reach the frame
// from a dialog, windows that never open past the MDI area, and the Window
// menu's list of open windows.

#include "FrameFixture.h"

#include "gui/Commands.h"
#include "gui/Shortcuts.h"

#include "engine_ui/TSirdsWnd.h"

#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QVBoxLayout>

using namespace gui;
using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

class FrameKeys : public FrameTest {
protected:
    void startActive()
    {
        start();
        frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    }
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }
    // The sub window's rectangle in the MDI area's viewport.
    static QRect placeOf(QMdiSubWindow* sub) { return sub->geometry(); }
    QRect area() const { return frame()->Client()->viewport()->rect(); }
};

TEST_F(FrameKeys, EveryKeyedCommandCarriesItsKeysAndNamesThemInItsHints)
{
    start();
    for (int id : CommandsWithShortcuts()) {
        QAction* action = frame()->Action(id);
        ASSERT_NE(action, nullptr) << id;
        const auto keys = ShortcutKeys(id);
        ASSERT_EQ(action->shortcuts().size(), static_cast<qsizetype>(keys.size())) << id;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const QKeySequence expected(QString::fromLatin1(keys[i].data(), static_cast<qsizetype>(keys[i].size())),
                                        QKeySequence::PortableText);
            EXPECT_FALSE(expected.isEmpty()) << keys[i];
            EXPECT_EQ(action->shortcuts()[static_cast<qsizetype>(i)], expected) << id;
        }
        EXPECT_EQ(action->shortcutContext(), Qt::WindowShortcut) << id;
        const QString shown = QStringLiteral("(%1)").arg(QString::fromLatin1(keys[0].data(),
                                                                             static_cast<qsizetype>(keys[0].size())));
        EXPECT_TRUE(action->statusTip().endsWith(shown)) << id;
        EXPECT_TRUE(action->toolTip().endsWith(shown)) << id;
    }
    EXPECT_EQ(frame()->Action(CM_FILESAVEAS)->statusTip(), QStringLiteral("Save Under new file name (Ctrl+Shift+S)"));
}

TEST_F(FrameKeys, FileAndViewKeysRunTheirCommands)
{
    startActive();
    engine_ui::TSirdsWnd* picture = addPicture(64, 48, /*loaded=*/false, "made");
    nextFileName = dir.filePath(QStringLiteral("keyed.gif"));

    QTest::keyClick(frame(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_TRUE(chooserCalls[0].save);
    EXPECT_TRUE(picture->GetNoSaveQuestion());
    // Saved: Ctrl+S is not offered again, Ctrl+Shift+S is.
    QTest::keyClick(frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(chooserCalls.size(), 1u);
    nextFileName = dir.filePath(QStringLiteral("keyed.pcx"));
    QTest::keyClick(frame(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(chooserCalls.size(), 2u);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatPcx);

    // Zoom: Ctrl++ (with or without Shift) and Ctrl+= in, Ctrl+- out.
    QTest::keyClick(frame(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(picture->GetZoom(), 2.0);
    QTest::keyClick(frame(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(picture->GetZoom(), 4.0);
    QTest::keyClick(frame(), Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(frame(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(picture->GetZoom(), 1.0);

    // Ctrl+O asks for a file to open.
    nextFileName.clear();
    QTest::keyClick(frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(chooserCalls.size(), 3u);
    EXPECT_FALSE(chooserCalls[2].save);

    // Ctrl+W closes the active window (it has been saved: no question).
    QTest::keyClick(frame(), Qt::Key_W, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrameKeys, CloseKeyAsksBeforeClosingAnUnsavedPicture)
{
    startActive();
    addPicture(32, 32, /*loaded=*/false, "made");
    boxes.answers = {platform::IDCANCEL};
    QTest::keyClick(frame(), Qt::Key_W, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Confirm"));
}

TEST_F(FrameKeys, MakeSirdsKeyMakesTheStereogram)
{
    startActive();
    addPicture(120, 60, /*loaded=*/true, "moon.gif");
    QTest::keyClick(frame(), Qt::Key_M, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    ASSERT_NE(frame()->ActivePicture(), nullptr);
    EXPECT_TRUE(frame()->ActivePicture()->IsSird());
}

TEST_F(FrameKeys, ToolLettersNeverReachTheFrameFromADialogOrWithoutAMap)
{
    startActive();
    addPicture(32, 32, /*loaded=*/true, "pic.bmp");
    QAction* box = frame()->Action(1258);
    int fired = 0;
    QObject::connect(box, &QAction::triggered, [&fired] { ++fired; });

    // No depth map window is active: the tool is disabled and B does nothing.
    EXPECT_FALSE(box->isEnabled());
    QTest::keyClick(frame(), Qt::Key_B);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(frame()->Action(CM_TOOLSELECT)->isChecked());

    // Enabled as it is with a map window active, B reaches it in the frame...
    box->setEnabled(true);
    QTest::keyClick(frame(), Qt::Key_B);
    EXPECT_EQ(fired, 1);

    // ...but not from a text field of a dialog the frame owns.
    QDialog dialog(frame());
    auto* field = new QLineEdit(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(field);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("bscm"));
    EXPECT_EQ(field->text(), QStringLiteral("bscm"));
    EXPECT_EQ(fired, 1);
    dialog.close();
}

TEST_F(FrameKeys, ALargePictureOpensInsideTheAreaAndScrolls)
{
    startActive();
    ASSERT_LT(frame()->width(), 1200);
    ASSERT_LT(frame()->height(), 1200);
    engine_ui::TSirdsWnd* picture = addPicture(1200, 1200, /*loaded=*/true, "big.bmp");
    QMdiSubWindow* sub = frame()->Client()->currentSubWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(area().contains(placeOf(sub))) << placeOf(sub).width() << "x" << placeOf(sub).height();
    EXPECT_GT(picture->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(picture->verticalScrollBar()->maximum(), 0);

    // The close button of the title bar is inside the area and closes the
    // window when clicked.
    QStyleOptionTitleBar option;
    option.initFrom(sub);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = sub->windowFlags();
    option.titleBarState = static_cast<int>(sub->windowState());
    option.rect = QRect(0, 0, sub->width(), sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub));
    const QRect closeButton =
        sub->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarCloseButton, sub);
    ASSERT_TRUE(closeButton.isValid());
    EXPECT_TRUE(area().contains(closeButton.translated(sub->pos())));
    QTest::mouseMove(sub, closeButton.center());
    QTest::mouseClick(sub, Qt::LeftButton, {}, closeButton.center());
    QApplication::processEvents();
    EXPECT_EQ(windows(), 0);
}

TEST_F(FrameKeys, AStereogramThatGrowsStaysInsideTheArea)
{
    // The window opens empty and takes the picture's size when the
    // generation ends.
    startActive();
    frame()->Settings().w = 1200;
    frame()->Settings().h = 1200;
    frame()->Command(CM_FIGUREFIRST);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 1);
    QMdiSubWindow* sub = frame()->Client()->currentSubWindow();
    ASSERT_NE(frame()->ActivePicture()->GetPicture(), nullptr);
    EXPECT_TRUE(area().contains(placeOf(sub)));
    EXPECT_GT(frame()->ActivePicture()->verticalScrollBar()->maximum(), 0);

    // A small window near the bottom-right corner that grows past it is
    // moved back in, so its close button stays reachable.
    engine_ui::TSirdsWnd* small = addPicture(50, 40, /*loaded=*/true, "small.bmp");
    QMdiSubWindow* smallSub = frame()->Client()->currentSubWindow();
    smallSub->move(area().width() - smallSub->width() - 2, area().height() - smallSub->height() - 2);
    small->SetPicture(gradient(300, 200), grayPalette());
    QApplication::processEvents();
    EXPECT_TRUE(area().contains(placeOf(smallSub)));
    EXPECT_GE(smallSub->width(), 300);
}

TEST_F(FrameKeys, WindowMenuListsTheOpenWindowsAndActivatesTheChosenOne)
{
    start();
    addPicture(20, 20, true, "first.bmp");
    addPicture(20, 20, true, "second & third.gif");
    QMenu* menu = frame()->WindowMenu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QList<QAction*> entries;
    for (QAction* action : menu->actions())
        if (action->isCheckable())
            entries << action;
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&1 first.bmp"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&2 second && third.gif"));
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->isChecked());
    entries[0]->trigger();
    EXPECT_EQ(frame()->ActivePicture()->GetTitle(), "first.bmp");

    // Shown again, the list follows: one window closed, one entry left, and
    // the commands of the menu are still there.
    frame()->Client()->closeActiveSubWindow();
    QApplication::processEvents();
    emit menu->aboutToShow();
    int checkable = 0;
    for (QAction* action : menu->actions())
        checkable += action->isCheckable();
    EXPECT_EQ(checkable, 1);
    EXPECT_TRUE(menu->actions().contains(frame()->Action(CM_CASCADE)));
    EXPECT_TRUE(menu->actions().contains(frame()->Action(CM_CLOSEALL)));
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    emit menu->aboutToShow();
    EXPECT_EQ(menu->actions().size(), 4);
}
