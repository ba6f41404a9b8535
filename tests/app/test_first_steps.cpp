// A new user's first steps in the frame: the editor's level shown and a
// shape at the background's level pointed out, a small frame (640 × 480,
// 800 × 600) holding its bars, dialogs, windows and the preview, the manual
// closing with Esc and fitting its pictures, and the keyboard handed back
// to the frame after every modal dialog and the full-screen view.

#include "FrameFixture.h"
#include "MapMouse.h"

#include "gui/ButtonBar.h"
#include "gui/Commands.h"
#include "gui/HelpWindow.h"
#include "gui/TCStatusBar.h"

#include "depthmap_ui/ModalRun.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine_ui/TScreenWnd.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QAbstractButton>
#include <QToolButton>

#include <functional>

using namespace gui;
using testing_frame::FrameTest;

namespace {

class FirstSteps : public FrameTest {
protected:
    void startAt(int width, int height)
    {
        start();
        frame()->resize(width, height);
        frame()->activateWindow();
        QApplication::processEvents();
    }

    depthmap_ui::TMapWindow* newMap()
    {
        frame()->Command(CM_FILENEW);
        QApplication::processEvents();
        return frame()->ActiveMap();
    }

    // Whether a widget lies wholly inside a rectangle of the screen.
    static bool inside(const QWidget* widget, const QRect& area)
    {
        const QRect global(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        return area.contains(global);
    }

    QRect frameArea() const { return QRect(frame()->mapToGlobal(QPoint(0, 0)), frame()->size()); }
};

// Runs the hook in place of every dialog's exec while it lives.
class ModalScript {
public:
    explicit ModalScript(depthmap_ui::ModalHook hook) : previous_(depthmap_ui::SetModalHook(std::move(hook))) {}
    ~ModalScript() { depthmap_ui::SetModalHook(previous_); }

private:
    depthmap_ui::ModalHook previous_;
};

} // namespace

TEST_F(FirstSteps, TheEditorShowsTheLevelAndPointsOutShapesAtTheBackground)
{
    startAt(1024, 768);
    depthmap_ui::TMapWindow* map = newMap();
    ASSERT_NE(map, nullptr);
    frame()->Action(1258)->trigger(); // the box tool
    MapMouse mouse(map->viewport());
    for (int level : {0, 1, 40, 255}) {
        SCOPED_TRACE(level);
        map->SetCurrentLevel(level);
        const QString pane = frame()->Status()->LevelText();
        EXPECT_TRUE(pane.contains(QString::number(level))) << pane.toStdString();
        EXPECT_EQ(pane.contains(QStringLiteral("background")), level == 0) << pane.toStdString();
        frame()->Status()->clearMessage();
        const int before = map->Document().ObjectCount();
        mouse.drag({20 + level / 4, 20}, {120 + level / 4, 90});
        QApplication::processEvents();
        ASSERT_EQ(map->Document().ObjectCount(), before + 1);
        EXPECT_EQ(map->Document().Top()->GetLevel(), level);
        EXPECT_EQ(frame()->Status()->currentMessage().isEmpty(), level != 0)
            << frame()->Status()->currentMessage().toStdString();
    }
    // The Get Object Level tool takes a shape's level into the pane.
    map->SetCurrentLevel(7);
    frame()->Action(1253)->trigger();
    mouse.click({100, 60});
    QApplication::processEvents();
    EXPECT_EQ(map->CurrentLevel(), 255);
    EXPECT_TRUE(frame()->Status()->LevelText().contains(QStringLiteral("255")));
    // A picture has no level to show.
    addPicture(100, 80);
    EXPECT_TRUE(frame()->Status()->LevelText().isEmpty());
}

TEST_F(FirstSteps, ASmallFrameHoldsItsBarsDialogsWindowsAndPreview)
{
    for (const QSize size : {QSize(640, 480), QSize(800, 600)}) {
        SCOPED_TRACE(size.width());
        startAt(size.width(), size.height());
        // Every button of both bars shows; none is behind the chevron.
        for (ButtonBar* bar : {frame()->MainToolBar(), frame()->ToolPalette()})
            for (int id : bar->Layout())
                if (id != 0) {
                    QToolButton* button = bar->Button(id);
                    ASSERT_NE(button, nullptr);
                    EXPECT_TRUE(button->isVisible()) << id;
                    EXPECT_TRUE(inside(button, frameArea())) << id;
                }

        // The settings dialog lies within the frame with its buttons showing.
        bool checked = false;
        {
            ModalScript script([&](QDialog& dialog) {
                dialog.show();
                QApplication::processEvents();
                // Window borders and all.
                const QRect shown = dialog.frameGeometry();
                const QRect area = frame()->frameGeometry();
                EXPECT_TRUE(area.contains(shown)) << shown.x() << ',' << shown.y() << ' ' << shown.width() << 'x'
                                                  << shown.height() << " in " << area.x() << ',' << area.y() << ' '
                                                  << area.width() << 'x' << area.height();
                const auto* buttons = dialog.findChild<QDialogButtonBox*>();
                EXPECT_NE(buttons, nullptr);
                if (buttons) {
                    for (const QAbstractButton* button : buttons->buttons())
                        EXPECT_TRUE(inside(button, QRect(dialog.mapToGlobal(QPoint(0, 0)), dialog.size())));
                }
                checked = true;
                dialog.hide();
                return int(QDialog::Rejected);
            });
            frame()->Command(CM_SETTINGS);
        }
        EXPECT_TRUE(checked);

        // A picture larger than the area stays inside it.
        addPicture(1200, 900);
        const QMdiSubWindow* sub = frame()->Client()->currentSubWindow();
        ASSERT_NE(sub, nullptr);
        EXPECT_TRUE(inside(sub, QRect(frame()->Client()->viewport()->mapToGlobal(QPoint(0, 0)),
                                      frame()->Client()->viewport()->size())));

        // The live preview takes about a quarter of the frame's width.
        ASSERT_NE(newMap(), nullptr);
        frame()->Action(CM_PREVIEW)->setChecked(true);
        frame()->Command(CM_PREVIEW);
        QApplication::processEvents();
        ASSERT_TRUE(frame()->PreviewDock()->isVisible());
        EXPECT_LE(frame()->PreviewDock()->width(), size.width() * 3 / 10);
        frame()->Action(CM_PREVIEW)->setChecked(false);
        frame()->Command(CM_PREVIEW);
        TearDown();
    }
}

TEST_F(FirstSteps, TheManualClosesWithEscAndFitsItsPicturesToItsWidth)
{
    startAt(1024, 768);
    frame()->Command(CM_HELPINDEX);
    HelpWindow* help = frame()->Help();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    for (const int width : {300, 700}) {
        SCOPED_TRACE(width);
        help->resize(width, 400);
        help->Browser()->setSource(QUrl(QStringLiteral("qrc:/help/methods.html")));
        QApplication::processEvents();
        const int room = help->Browser()->viewport()->width();
        int pictures = 0;
        for (QTextBlock block = help->Browser()->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    ++pictures;
                    const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
                    EXPECT_GT(format.width(), 0) << format.name().toStdString();
                    EXPECT_LE(format.width(), room) << format.name().toStdString();
                }
        EXPECT_GT(pictures, 0);
    }
    EXPECT_EQ(FittedPictureSize(400, 300, 200), QSize(200, 150));
    EXPECT_EQ(FittedPictureSize(120, 80, 200), QSize(120, 80));
    help->activateWindow();
    QTest::keyClick(help->Browser(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(help->isVisible());
    // The frame's shortcuts work again at once.
    EXPECT_EQ(QApplication::activeWindow(), frame());
}

TEST_F(FirstSteps, EveryModalDialogAndTheFullScreenViewHandTheKeyboardBack)
{
    startAt(1024, 768);
    depthmap_ui::TMapWindow* map = newMap();
    ASSERT_NE(map, nullptr);
    engine_ui::TSirdsWnd* picture = addPicture(120, 90);
    struct Case {
        int command;
        QWidget* active; // the window to make active first
    };
    const Case cases[] = {
        {CM_SETTINGS, picture}, {CM_PATTERNS, picture}, {CM_ABOUT, picture},
        {1262, map},            {CM_MAKEANIMATION, map},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        frame()->Client()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(c.active->parentWidget()));
        frame()->activateWindow();
        c.active->setFocus();
        QApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(QApplication::activeWindow(), frame());
        int runs = 0;
        {
            ModalScript script([&](QDialog& dialog) {
                ++runs;
                // The dialog takes the keyboard, as it does on the screen.
                dialog.show();
                dialog.activateWindow();
                QApplication::processEvents();
                EXPECT_EQ(QApplication::activeWindow(), static_cast<QWidget*>(&dialog));
                dialog.hide();
                return int(QDialog::Rejected);
            });
            frame()->Command(c.command);
        }
        // The window system's activation arrives as an event.
        QApplication::processEvents();
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(QApplication::activeWindow(), frame());
        EXPECT_EQ(QApplication::focusWidget(), focus);
    }

    // F11 twice: the full-screen view opens and a key closes it.
    frame()->Client()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(picture->parentWidget()));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        bool viewed = false;
        QTimer key;
        key.setInterval(10);
        int tries = 0;
        QObject::connect(&key, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* view = qobject_cast<engine_ui::TScreenWnd*>(top); view && view->isVisible()) {
                    viewed = viewed || view->isActiveWindow();
                    if (viewed || ++tries > 100) {
                        key.stop();
                        QTest::keyClick(view, Qt::Key_F11);
                        return;
                    }
                }
        });
        key.start();
        frame()->Command(CM_FULLSCREEN);
        key.stop();
        QApplication::processEvents();
        EXPECT_TRUE(viewed);
        EXPECT_EQ(QApplication::activeWindow(), frame());
    }
}

TEST_F(FirstSteps, OpeningABigPictureShowsProgressAndStopsWhenAsked)
{
    startAt(1024, 768);
    for (const char* name : {"big.bmp", "big.png", "big.gif", "big.pcx", "big.tif"}) {
        SCOPED_TRACE(name);
        addPicture(1500, 1400);
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(frame()->SaveActiveAs(path));
        frame()->Client()->closeAllSubWindows();
        QApplication::processEvents();
        for (const bool stop : {true, false}) {
            SCOPED_TRACE(stop);
            bool busyWithGauge = false;
            // Runs at the reader's first progress report, which lets events through.
            QTimer::singleShot(0, frame(), [&] {
                busyWithGauge = frame()->Busy() && frame()->Status()->ProgressShown();
                if (stop)
                    frame()->Command(CM_STOP);
            });
            frame()->OpenFile(path);
            QApplication::processEvents();
            EXPECT_TRUE(busyWithGauge);
            EXPECT_FALSE(frame()->Busy());
            EXPECT_TRUE(boxes.shown.empty());
            EXPECT_EQ(frame()->Client()->subWindowList().size(), stop ? 0 : 1);
            frame()->Client()->closeAllSubWindows();
            QApplication::processEvents();
        }
    }
}
