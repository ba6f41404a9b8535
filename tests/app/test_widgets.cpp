// The frame's smaller windows on their own: the popup hint's timing states,
// the status bar, the welcome window and picture, the about box, the help
// pages and printing.

#include "FrameFixture.h"

#include "gui/ButtonBar.h"
#include "gui/Commands.h"
#include "gui/HelpWindow.h"
#include "gui/PopupHint.h"
#include "gui/QtWindow.h"
#include "gui/Shortcuts.h"
#include "gui/TAboutDialog.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"
#include "gui/TWelcome.h"
#include "gui/WelcomePicture.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>
#include <QHelpEvent>

using namespace gui;
using testing_frame::BoxScript;

namespace {

QString pageText(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class Widgets : public ::testing::Test {
protected:
    void SetUp() override { testing_frame::application(); }
};

} // namespace

TEST_F(Widgets, PopupHintWaitsShowsAndHides)
{
    QMainWindow frame;
    frame.setGeometry(100, 100, 600, 400);
    frame.show();
    PopupHint hint(&frame);
    hint.SetCursorSource([] { return QPoint(300, 200); });

    hint.ShowHint(CM_FILEOPEN);
    EXPECT_TRUE(hint.Pending());
    EXPECT_TRUE(hint.DelayRunning());
    EXPECT_FALSE(hint.isVisible()); // not before the delay
    hint.DelayElapsed();
    EXPECT_FALSE(hint.Pending());
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.Text(), QStringLiteral("Open an Image File (Ctrl+O)"));
    EXPECT_TRUE(hint.ShowTimerRunning());
    EXPECT_FALSE(hint.DelayRunning());
    // 8 right of and 20 below the mouse, in the frame's coordinates.
    const QPoint client = frame.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(hint.geometry().topLeft(), QPoint(300 - client.x() + 8, 200 - client.y() + 20));

    // The show time ends: hidden, and the same button does not bring it back.
    hint.ShowTimeElapsed();
    EXPECT_FALSE(hint.isVisible());
    hint.ShowHint(CM_FILEOPEN);
    EXPECT_FALSE(hint.isVisible());
    EXPECT_FALSE(hint.Pending());

    // Another button starts over.
    hint.ShowHint(CM_FILESAVE);
    EXPECT_TRUE(hint.Pending());
    hint.DelayElapsed();
    EXPECT_EQ(hint.Text(), QStringLiteral("Save Image to Disk (Ctrl+S)"));
    EXPECT_TRUE(hint.isVisible());
    // Leaving the buttons hides it and forgets the button.
    hint.ShowHint(-1);
    EXPECT_FALSE(hint.isVisible());
    EXPECT_FALSE(hint.ShowTimerRunning());
    EXPECT_EQ(hint.CurrentId(), -1);
}

TEST_F(Widgets, PopupHintStaysInsideTheFrameAndSkipsEmptyTexts)
{
    QMainWindow frame;
    frame.setGeometry(100, 100, 600, 400);
    frame.show();
    PopupHint hint(&frame);
    const QRect outer = frame.frameGeometry();
    hint.SetCursorSource([outer] { return outer.bottomRight(); });
    hint.ShowHint(CM_VIDEOINFO);
    hint.DelayElapsed();
    ASSERT_TRUE(hint.isVisible());
    const QRect onScreen(frame.mapToGlobal(hint.geometry().topLeft()), hint.size());
    EXPECT_EQ(onScreen.left() + onScreen.width(), outer.left() + outer.width());
    EXPECT_EQ(onScreen.top() + onScreen.height(), outer.top() + outer.height() - 8);

    // A command without a hint string shows nothing.
    hint.HideHint();
    hint.ShowHint(CM_FIGUREFIRST);
    hint.DelayElapsed();
    EXPECT_FALSE(hint.isVisible());
}

TEST_F(Widgets, ButtonBarReportsTheButtonUnderTheMouse)
{
    QMainWindow window;
    ButtonBar bar(QStringLiteral("Main"), 1000, 26, &window);
    QAction open(QStringLiteral("&Open"));
    open.setData(CM_FILEOPEN);
    QToolButton* button = bar.AddButton(&open);
    bar.AddSeparator(6);
    ASSERT_NE(button, nullptr);
    std::vector<int> reports;
    bar.SetHintReporter([&](int id) { reports.push_back(id); });
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(reports, (std::vector<int>{CM_FILEOPEN, -1}));
    EXPECT_EQ(bar.Layout(), (std::vector<int>{CM_FILEOPEN, 0}));
    EXPECT_EQ(bar.Button(CM_FILEOPEN), button);
    // The frame's hint replaces the tool tip.
    open.setToolTip(QStringLiteral("Open an Image File"));
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &tip);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(Widgets, StatusBarPanesAndGauge)
{
    QMainWindow window;
    auto* status = new TCStatusBar(&window);
    window.setStatusBar(status);
    window.show();
    EXPECT_FALSE(status->ProgressShown());
    status->SetProgress(40);
    EXPECT_TRUE(status->ProgressShown());
    EXPECT_EQ(status->ProgressValue(), 40);
    status->SetProgress(140);
    EXPECT_EQ(status->ProgressValue(), 100);
    auto* gauge = status->findChild<QProgressBar*>(QStringLiteral("gauge201"));
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->size(), QSize(110, 15));
    EXPECT_TRUE(gauge->isVisible());
    // A menu hint covers the message pane and the gauge.
    status->showMessage(QStringLiteral("Zoom In"));
    EXPECT_FALSE(gauge->isVisible());
    status->ClearHintText();
    EXPECT_TRUE(gauge->isVisible());
    status->SetMessageText(QStringLiteral("400 x 400 x 256"));
    status->SetImageText(QStringLiteral("Image: 160 K"));
    status->SetMemoryText(QStringLiteral("Free: 1048 K"));
    EXPECT_EQ(status->MessageText(), QStringLiteral("400 x 400 x 256"));
    EXPECT_EQ(status->ImageText(), QStringLiteral("Image: 160 K"));
    EXPECT_EQ(status->MemoryText(), QStringLiteral("Free: 1048 K"));
}

TEST_F(Widgets, WelcomeWindowIsCentredOnTheFrameRectangle)
{
    const QImage picture = WelcomePicture();
    auto* welcome = new TWelcome(QStringLiteral("Dotscape"), picture, 0, QRect(0, 0, 640, 480));
    EXPECT_EQ(welcome->geometry(), QRect(143, 85, 356, 312));
    EXPECT_EQ(welcome->DelayMs(), 0);
    // Shown and drawn before start-up goes on: the window is on the screen
    // and shows the picture inside its one-pixel border.
    welcome->ShowNow();
    ASSERT_NE(welcome->windowHandle(), nullptr);
    EXPECT_TRUE(welcome->windowHandle()->isExposed());
    const QImage shown = welcome->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(1, 1), picture.pixel(0, 0));
    EXPECT_EQ(shown.pixel(200, 150), picture.pixel(199, 149));
    QPointer<TWelcome> alive(welcome);
    welcome->CloseWelcome();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(Widgets, WelcomePictureIsOurSixteenColourImage)
{
    const QImage a = WelcomePicture();
    EXPECT_EQ(a.size(), QSize(354, 310));
    EXPECT_EQ(a.format(), QImage::Format_Indexed8);
    EXPECT_LE(a.colorCount(), 16);
    EXPECT_EQ(a, WelcomePicture());
    QSet<int> used;
    for (int y = 0; y < a.height(); y += 7)
        for (int x = 0; x < a.width(); x += 3)
            used.insert(a.pixelIndex(x, y));
    EXPECT_GE(used.size(), 5);
}

TEST_F(Widgets, AboutBoxNamesThisBuild)
{
    TAboutDialog about(nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_TRUE(about.VersionText().contains(QStringLiteral(" Version ")));
    EXPECT_FALSE(about.VersionText().contains(QStringLiteral("Win32")));
    EXPECT_TRUE(about.VersionText().contains(QStringLiteral("1.0.0")));
}

TEST_F(Widgets, HelpManualCoversEveryCommand)
{
    HelpWindow help;
    help.ShowIndex();
    EXPECT_EQ(help.CurrentPage(), HelpIndexUrl());
    help.ShowKeyword(QString::fromLatin1(kOverviewKeyword));
    EXPECT_EQ(help.DocumentTitle(), QStringLiteral("Dotscape Overview"));
    // Unknown keywords land on the index rather than nowhere.
    EXPECT_EQ(HelpTopicUrl(QStringLiteral("No such topic")), HelpIndexUrl());

    const QString index = pageText(QStringLiteral(":/help/index.html"));
    ASSERT_FALSE(index.isEmpty());
    // Every page the index links to exists.
    const QRegularExpression link(QStringLiteral("href=\"([a-z]+\\.html)"));
    for (auto it = link.globalMatch(index); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_FALSE(pageText(QStringLiteral(":/help/") + target).isEmpty()) << target.toStdString();
    }
    const QString overview = pageText(QStringLiteral(":/help/overview.html"));
    EXPECT_TRUE(overview.contains(QStringLiteral("How a SIRDS is made")));
    const QString commands = pageText(QStringLiteral(":/help/commands.html"));
    for (const char* name : {"New", "Open", "Save", "Save As...", "Print", "Printer Setup", "Exit", "Copy", "Paste",
                             "Video Information", "Zoom In", "Full Screen", "SIRDS Wizard", "Make SIRDS",
                             "Gray Image", "SIRDS Settings", "SIRDS Patterns", "Color Table", "Version", "Cascade",
                             "Tile", "Arrange Icons", "Close All", "Index", "Graphics Lib", "About",
                             "Relocate Button Bar", "Stop Current Process"})
        EXPECT_TRUE(commands.contains(QString::fromLatin1(name))) << name;
    // Every key the frame answers to is in the manual.
    for (int id : CommandsWithShortcuts()) {
        const std::string_view key = ShortcutText(id);
        EXPECT_TRUE(commands.contains(QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())))) << key;
    }
}

TEST_F(Widgets, PrintingFitsTallAndLargePicturesOnThePage)
{
    BoxScript boxes;
    QTemporaryDir dir;
    TPrinterInt printer(nullptr);
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    printer.SetPdfOutput(pdf);
    EXPECT_TRUE(printer.SetupDone());

    QImage tall(100, 400, QImage::Format_RGB32);
    tall.fill(Qt::red);
    EXPECT_TRUE(PrintPicture(printer, tall, QStringLiteral("tall.bmp"), nullptr, nullptr));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(printer.Printing());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("%PDF"));
    file.close();

    QImage huge(20000, 300, QImage::Format_RGB32);
    huge.fill(Qt::blue);
    EXPECT_TRUE(PrintPicture(printer, huge, QStringLiteral("huge.bmp"), nullptr, nullptr));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Image does not fit on the page.  Adjusting to fit."));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Printing"));
}

TEST_F(Widgets, PrintingToAnUnwritableFileReportsTheFailure)
{
    BoxScript boxes;
    TPrinterInt printer(nullptr);
    printer.SetPdfOutput(QStringLiteral("/nonexistent-folder/x/y.pdf"));
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::green);
    EXPECT_FALSE(PrintPicture(printer, picture, QStringLiteral("p"), nullptr, nullptr));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Printer initialization failed."));
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Printer is not responding.  Please Check Printer Setup"));
    EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("Driver Error"));
}

TEST_F(Widgets, QtWindowRoutesBoxesAndMessages)
{
    BoxScript boxes;
    boxes.answers = {platform::IDYES};
    QWidget widget;
    std::vector<unsigned> received;
    QtWindow window(&widget, [&](unsigned message, std::uintptr_t wParam, std::intptr_t) {
        received.push_back(message);
        return static_cast<std::intptr_t>(wParam * 2);
    });
    EXPECT_EQ(window.messageBox("Overwrite x?", "Confirm", platform::MB_YESNO | platform::MB_ICONQUESTION),
              platform::IDYES);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(boxes.shown[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(window.sendMessage(0x46C, 21, 0), 42);
    EXPECT_EQ(received, (std::vector<unsigned>{0x46Cu}));
    QtWindow silent(&widget);
    EXPECT_EQ(silent.sendMessage(0x46C, 1, 0), 0);
}
