// The main frame as a user meets it: start-up, the tool bars, which commands
// are offered when, math figures, stopping, saving, opening, the status
// panes, the boxes the commands show, and the configuration at exit.

#include "FrameFixture.h"

#include "gui/ButtonBar.h"
#include "gui/Commands.h"
#include "gui/FileFilters.h"
#include "gui/FrameRules.h"
#include "gui/PopupHint.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"

#include "app/Configuration.h"
#include "engine/Generation.h"
#include "engine/PatternDirs.h"
#include "engine_ui/TPattDialog.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGIntf.h"
#include "platform/Messages.h"

#include <QClipboard>
#include <QDir>
#include <cstdio>

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

using namespace gui;
using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

namespace {

using testing_frame::head;

} // namespace

class Frame : public FrameTest {
protected:
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }
    bool enabled(int id) const { return frame()->Action(id)->isEnabled(); }
};

TEST_F(Frame, StartsWithDefaultsWhenThereIsNoConfigurationFile)
{
    start();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(configPath)));
    EXPECT_EQ(frame()->windowTitle(), QStringLiteral("Dotscape"));
    // A first run: the frame suits the screen.
    const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
    const FrameRect r = FirstRunFrameRect({a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
    EXPECT_EQ(frame()->pos(), QPoint(r.left, r.top));
    EXPECT_EQ(frame()->size(), QSize(r.right - r.left, r.bottom - r.top));
    EXPECT_GE(frame()->width(), std::min(640, a.width()));
    EXPECT_EQ(frame()->MainToolBarPosition(), kBarTop);
    EXPECT_EQ(frame()->toolBarArea(frame()->MainToolBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame()->MainToolBar()->orientation(), Qt::Horizontal);
    EXPECT_EQ(frame()->toolBarArea(frame()->ToolPalette()), Qt::LeftToolBarArea);
    EXPECT_EQ(frame()->ToolPalette()->orientation(), Qt::Vertical);
    EXPECT_EQ(frame()->Settings(), engine::SirdsSettings{});
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatBmp);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Frame, ReadsTheConfigurationFile)
{
    writeConfig("[WinSize]\nX1=20\nY1=30\nX2=820\nY2=630\n[Tools]\nCntlBar=2\n[GRAPHICS]\nFormat=3\n"
                "[DEMO]\ndx=5\nzmax=40\nw=300\nh=200\nShiftDir=3\n");
    start();
    EXPECT_EQ(frame()->pos(), QPoint(20, 30));
    EXPECT_EQ(frame()->size(), QSize(800, 600));
    EXPECT_EQ(frame()->toolBarArea(frame()->MainToolBar()), Qt::RightToolBarArea);
    EXPECT_EQ(frame()->MainToolBar()->orientation(), Qt::Vertical);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatGif);
    EXPECT_EQ(frame()->Settings().dx, 5);
    EXPECT_EQ(frame()->Settings().zmax, 40);
    EXPECT_EQ(frame()->Settings().w, 300);
    EXPECT_EQ(frame()->Settings().h, 200);
    EXPECT_EQ(frame()->Settings().ShiftDir, 3);
    EXPECT_EQ(frame()->Settings().gapValue, 100);
}

TEST_F(Frame, RelocateButtonBarCyclesTopLeftRightTop)
{
    writeConfig("[Tools]\nCntlBar=5\n");
    start();
    EXPECT_EQ(frame()->toolBarArea(frame()->MainToolBar()), Qt::TopToolBarArea);
    const std::vector<int> layout = frame()->MainToolBar()->Layout();
    const std::vector<Qt::ToolBarArea> areas{Qt::LeftToolBarArea, Qt::RightToolBarArea, Qt::TopToolBarArea};
    for (Qt::ToolBarArea area : areas) {
        frame()->Command(CM_RELOCATE);
        EXPECT_EQ(frame()->toolBarArea(frame()->MainToolBar()), area);
        EXPECT_EQ(frame()->MainToolBar()->orientation(),
                  area == Qt::TopToolBarArea ? Qt::Horizontal : Qt::Vertical);
        EXPECT_TRUE(frame()->MainToolBar()->isVisible());
        // The palette stays at the left edge, the buttons stay as they were.
        EXPECT_EQ(frame()->toolBarArea(frame()->ToolPalette()), Qt::LeftToolBarArea);
        EXPECT_TRUE(frame()->ToolPalette()->isVisible());
        EXPECT_EQ(frame()->MainToolBar()->Layout(), layout);
    }
    EXPECT_EQ(program->ToolBarPosition(), kBarTop);
}

TEST_F(Frame, ToolBarsHoldTheirButtonsAndThePaletteIsDisabled)
{
    start();
    const std::vector<int> layout = frame()->MainToolBar()->Layout();
    EXPECT_EQ(std::count_if(layout.begin(), layout.end(), [](int id) { return id != 0; }), 18);
    EXPECT_EQ(std::count(layout.begin(), layout.end(), 0), 4);
    EXPECT_EQ(layout.front(), CM_RELOCATE);
    EXPECT_EQ(layout.back(), CM_EXIT);
    const std::vector<int> tools = frame()->ToolPalette()->Layout();
    EXPECT_EQ(tools.size(), 16u);
    for (int id : tools) {
        QToolButton* button = frame()->ToolPalette()->Button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_FALSE(button->isEnabled()) << id;
    }
    // The pattern button shows the current pattern instead of its own face.
    EXPECT_FALSE(frame()->Action(CM_PATTERNS)->icon().isNull());
    // Menu and tool bar share one action per command.
    EXPECT_EQ(frame()->MainToolBar()->Button(CM_FILEOPEN)->defaultAction(), frame()->Action(CM_FILEOPEN));
}

TEST_F(Frame, MathMenuListsTheVersionThenEveryFigure)
{
    start();
    QMenu* math = frame()->MathMenu();
    ASSERT_NE(math, nullptr);
    const QList<QAction*> items = math->actions();
    ASSERT_EQ(items.size(), 2 + 23);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Version"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("Round Crater"));
    EXPECT_EQ(items[2]->data().toInt(), 301);
    EXPECT_EQ(items[24]->text(), QStringLiteral("Spiral Lanes 4"));
    EXPECT_EQ(items[24]->data().toInt(), 323);
    for (qsizetype i = 2; i < items.size(); ++i)
        EXPECT_TRUE(items[i]->isEnabled());
}

TEST_F(Frame, CommandsFollowTheActiveWindowAndTheBusyState)
{
    start();
    for (int id : {CM_FILESAVE, CM_FILEPRINT, CM_ZOOMIN, CM_ZOOMOUT, CM_MAKESIRDS, CM_EDITCOPY, CM_STOP,
                   CM_FILESAVEAS, CM_FILECLOSE, CM_EDITUNDO, CM_EDITREDO, CM_COLORTABLE})
        EXPECT_FALSE(enabled(id)) << id;
    for (int id : {CM_FILEOPEN, CM_EXIT, CM_SETTINGS, CM_PATTERNS, CM_ABOUT, CM_RELOCATE, CM_WIZARD, CM_FILENEW})
        EXPECT_TRUE(enabled(id)) << id;

    engine_ui::TSirdsWnd* picture = addPicture(120, 80, /*loaded=*/false);
    for (int id : {CM_FILESAVE, CM_FILEPRINT, CM_ZOOMIN, CM_ZOOMOUT, CM_MAKESIRDS, CM_EDITCOPY, CM_FULLSCREEN})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CM_FILESAVEAS));
    EXPECT_TRUE(enabled(CM_COLORTABLE));

    // Zoom In from 1 goes to 2 and 4 and is then disabled.
    frame()->Command(CM_ZOOMIN);
    frame()->Command(CM_ZOOMIN);
    EXPECT_DOUBLE_EQ(picture->GetZoom(), 4.0);
    EXPECT_FALSE(enabled(CM_ZOOMIN));
    frame()->Command(CM_ZOOMIN);
    EXPECT_DOUBLE_EQ(picture->GetZoom(), 4.0);

    // A generation's first progress report makes the frame busy.
    engine::ProgressRecord record;
    record.setText("Generating Dots");
    frame()->HandleMessage(platform::WM_PROGRESSREPORT, engine::kProgressStart,
                           reinterpret_cast<std::intptr_t>(&record));
    EXPECT_TRUE(frame()->Busy());
    EXPECT_FALSE(frame()->FileMenu()->menuAction()->isEnabled());
    for (int id : {CM_FILEOPEN, CM_FILESAVE, CM_FILESAVEAS, CM_FILECLOSE, CM_FILEPRINT, CM_EDITCOPY, CM_ZOOMOUT,
                   CM_MAKESIRDS, CM_EXIT})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CM_STOP));
    EXPECT_TRUE(frame()->MainToolBar()->Button(CM_STOP)->isEnabled());
    EXPECT_FALSE(frame()->MainToolBar()->Button(CM_FILEOPEN)->isEnabled());
    EXPECT_TRUE(enabled(CM_SETTINGS));
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("Generating Dots"));

    // Busy, the frame refuses to close.
    EXPECT_FALSE(frame()->close());
    EXPECT_TRUE(frame()->isVisible());

    // Stop leaves the busy state at once.
    frame()->Command(CM_STOP);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_TRUE(frame()->FileMenu()->menuAction()->isEnabled());
    EXPECT_FALSE(enabled(CM_STOP));
    EXPECT_TRUE(enabled(CM_FILEOPEN));
}

TEST_F(Frame, ProgressReportsDriveTheGauge)
{
    start();
    engine::ProgressRecord record;
    record.setText("Shifting Dots");
    record.done = 30;
    record.total = 120;
    frame()->HandleMessage(platform::WM_PROGRESSREPORT, engine::kProgressStart,
                           reinterpret_cast<std::intptr_t>(&record));
    EXPECT_TRUE(frame()->Status()->ProgressShown());
    EXPECT_EQ(frame()->Status()->ProgressValue(), 0);
    frame()->HandleMessage(platform::WM_PROGRESSREPORT, engine::kProgressText,
                           reinterpret_cast<std::intptr_t>(&record));
    EXPECT_EQ(frame()->Status()->ProgressValue(), 25);
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("Shifting Dots"));
    // A record with a bad total shows 0 instead of failing.
    record.total = 0;
    frame()->HandleMessage(platform::WM_PROGRESSREPORT, engine::kProgressStep,
                           reinterpret_cast<std::intptr_t>(&record));
    EXPECT_EQ(frame()->Status()->ProgressValue(), 0);
    frame()->HandleMessage(platform::WM_PROGRESSREPORT, engine::kProgressEnd,
                           reinterpret_cast<std::intptr_t>(&record));
    EXPECT_FALSE(frame()->Busy());
    EXPECT_FALSE(frame()->Status()->ProgressShown());
    EXPECT_TRUE(frame()->Status()->MessageText().isEmpty());
}

TEST_F(Frame, MathFigureMakesOneStereogramWindow)
{
    start();
    frame()->Settings().w = 160;
    frame()->Settings().h = 120;
    frame()->Command(301);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 1);
    engine_ui::TSirdsWnd* made = frame()->ActivePicture();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsSird());
    EXPECT_EQ(made->GetTitle(), "round crater");
    ASSERT_NE(made->GetPicture(), nullptr);
    EXPECT_EQ(made->GetPicture()->width(), 160);
    EXPECT_EQ(made->GetPicture()->height(), 120);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("160 x 120 x 256"));
    // Make SIRDS refuses a stereogram.
    frame()->Command(CM_MAKESIRDS);
    EXPECT_TRUE(boxes.sawText(QStringLiteral("The active window is already a SIRD.")));
    EXPECT_EQ(windows(), 1);
}

TEST_F(Frame, UseOpenBitmapDrawsTheFigureOverTheActivePicture)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(150, 100);
    frame()->Settings().UseBMP = 1;
    frame()->Command(303);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 1);
    EXPECT_EQ(frame()->ActivePicture(), picture);
    EXPECT_TRUE(picture->IsSird());
    // Without a picture window a new one is made even with the flag set.
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    frame()->Settings().w = 120;
    frame()->Settings().h = 90;
    frame()->Command(303);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 1);
    EXPECT_NE(frame()->ActivePicture(), nullptr);
}

TEST_F(Frame, StopDuringGenerationClosesTheNewWindowWithoutAQuestion)
{
    start();
    frame()->Settings().w = 1200;
    frame()->Settings().h = 1200;
    bool stopWasOffered = false;
    // The stop arrives while the generation pumps the event queue.
    QTimer::singleShot(0, frame(), [&] {
        stopWasOffered = frame()->Action(CM_STOP)->isEnabled() && frame()->Busy();
        frame()->Command(CM_STOP);
    });
    frame()->Command(305);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_TRUE(stopWasOffered);
    EXPECT_EQ(windows(), 0);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text.toStdString();
}

TEST_F(Frame, SaveChoosesTheFormatFromTheName)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(64, 48, /*loaded=*/false, "untitled");
    struct Case {
        const char* name;
        QByteArray magic;
        int format;
    } cases[] = {
        {"one.gif", "GIF8", kFormatGif},
        {"two.PCX", QByteArray("\x0A", 1), kFormatPcx},
        {"three.jpg", QByteArray("\xFF\xD8", 2), kFormatJpeg},
        {"four.bmp", "BM", kFormatBmp},
        {"five.png", "\x89PNG", kFormatPng},
        {"five.xcf", "BM", kFormatBmp},
        {"six.gif.pcx", "GIF8", kFormatGif},
        {"seven.pcx.jpg", QByteArray("\x0A", 1), kFormatPcx},
        {"eight.rds", "BM", 5},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        picture->SetNoSaveQuestion(false);
        EXPECT_TRUE(frame()->SaveActiveAs(path)) << c.name;
        EXPECT_EQ(head(path, static_cast<int>(c.magic.size())), c.magic) << c.name;
        EXPECT_EQ(frame()->GraphicsFormat(), c.format) << c.name;
        EXPECT_TRUE(picture->GetNoSaveQuestion()) << c.name;
        EXPECT_EQ(picture->GetTitle(), QString::fromLatin1(c.name).toLower().toStdString());
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Frame, SaveAndSaveAsOfferTheFiltersOfTheLastFormatInTheLastFolder)
{
    writeConfig("[GRAPHICS]\nFormat=4\n");
    start();
    addPicture(32, 32, /*loaded=*/false);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("pictures")));
    const QString folder = dir.filePath(QStringLiteral("pictures"));
    nextFileName = folder + QStringLiteral("/chosen.gif");
    frame()->Command(CM_FILESAVE);
    ASSERT_EQ(chooserCalls.size(), 1u);
    const auto& first = chooserCalls[0];
    EXPECT_TRUE(first.save);
    ASSERT_LT(first.selected, first.filters.size());
    EXPECT_TRUE(first.filters[first.selected].startsWith(QStringLiteral("JPEG Files (*.jpg")));
    // A picture's name gets the extension of the type chosen, not a fixed one.
    EXPECT_TRUE(first.defaultSuffix.isEmpty());
    EXPECT_TRUE(first.folder.isEmpty());
    EXPECT_EQ(head(nextFileName, 4), QByteArray("GIF8"));

    // Saved, Save is no longer offered, but Save As is, and writes the
    // picture again in another format, starting where the last file went.
    EXPECT_FALSE(enabled(CM_FILESAVE));
    EXPECT_TRUE(enabled(CM_FILESAVEAS));
    EXPECT_TRUE(frame()->FileMenu()->actions().contains(frame()->Action(CM_FILESAVEAS)));
    nextFileName = folder + QStringLiteral("/again.pcx");
    frame()->Command(CM_FILESAVEAS);
    ASSERT_EQ(chooserCalls.size(), 2u);
    const auto& second = chooserCalls[1];
    EXPECT_EQ(second.filters[second.selected], QStringLiteral("GIF Files (*.gif)"));
    EXPECT_EQ(QDir(second.folder), QDir(folder));
    EXPECT_EQ(head(nextFileName, 1), QByteArray("\x0A", 1));
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatPcx);
    EXPECT_EQ(frame()->ActivePicture()->GetTitle(), "again.pcx");

    // Cancel writes nothing and keeps the format.
    nextFileName.clear();
    frame()->Command(CM_FILESAVEAS);
    EXPECT_EQ(chooserCalls.size(), 3u);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatPcx);
    EXPECT_EQ(frame()->ActivePicture()->GetTitle(), "again.pcx");

    // No picture, nothing to save again.
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    EXPECT_FALSE(enabled(CM_FILESAVEAS));
}

TEST_F(Frame, OpenOffersAllSupportedFilesUnlessTheLastFormatHasItsOwn)
{
    // After a JPEG (which is only written) the Open dialog used to show
    // nothing but depth maps.
    writeConfig("[GRAPHICS]\nFormat=4\n");
    start();
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_FALSE(chooserCalls[0].save);
    // JPEG opens now, so its own filter is chosen; everything is first.
    EXPECT_TRUE(chooserCalls[0].filters.value(chooserCalls[0].selected).startsWith(QStringLiteral("JPEG Files")));
    EXPECT_EQ(chooserCalls[0].filters.value(0).toStdString(), gui::OpenFileFilters(0).filters.at(0));
    EXPECT_TRUE(chooserCalls[0].filters.value(0).startsWith(QStringLiteral("All supported files (*.bmp")));

    // The folder chosen is used next time, and after a restart.
    addPicture(16, 16, /*loaded=*/false);
    nextFileName = dir.filePath(QStringLiteral("kept.pcx"));
    frame()->Command(CM_FILESAVE);
    nextFileName.clear();
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 3u);
    EXPECT_EQ(chooserCalls[2].filters.value(chooserCalls[2].selected), QStringLiteral("PCX Files (*.pcx)"));
    EXPECT_EQ(QDir(chooserCalls[2].folder), QDir(dir.path()));
    frame()->ActivePicture()->SetNoSaveQuestion(true);
    ASSERT_TRUE(frame()->close());
    program.reset();
    chooserCalls.clear();
    start();
    EXPECT_EQ(QDir(frame()->LastFolder()), QDir(dir.path()));
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_EQ(QDir(chooserCalls[0].folder), QDir(dir.path()));
}

TEST_F(Frame, APngPictureIsSavedAndOpenedAgain)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(40, 30, /*loaded=*/false);
    const std::vector<std::uint8_t> pixels(picture->GetPicture()->bits().begin(), picture->GetPicture()->bits().end());
    const QString path = dir.filePath(QStringLiteral("Moon.png"));
    ASSERT_TRUE(frame()->SaveActiveAs(path));
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();

    nextFileName = path;
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 1u);
    ASSERT_EQ(windows(), 1);
    engine_ui::TSirdsWnd* opened = frame()->ActivePicture();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatPng);
    EXPECT_EQ(opened->GetPicture()->width(), 40);
    EXPECT_TRUE(std::ranges::equal(opened->GetPicture()->bits(), pixels));
    // The next Open dialog preselects PNG.
    nextFileName.clear();
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 2u);
    EXPECT_EQ(chooserCalls[1].filters.value(chooserCalls[1].selected), QStringLiteral("PNG Files (*.png)"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Frame, OpenShowsAPictureOrTellsWhyNot)
{
    start();
    // Make a file to open.
    addPicture(40, 30, /*loaded=*/false);
    const QString path = dir.filePath(QStringLiteral("Moon.GIF"));
    ASSERT_TRUE(frame()->SaveActiveAs(path));
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_EQ(windows(), 0);

    nextFileName = dir.filePath(QStringLiteral("Moon.GIF"));
    frame()->Command(CM_FILEOPEN);
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_FALSE(chooserCalls[0].save);
    EXPECT_EQ(chooserCalls[0].filters.value(chooserCalls[0].selected), QStringLiteral("GIF Files (*.gif)"));
    ASSERT_EQ(windows(), 1);
    engine_ui::TSirdsWnd* opened = frame()->ActivePicture();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->GetTitle(), "moon.gif");
    EXPECT_TRUE(opened->GetNoSaveQuestion());
    EXPECT_FALSE(opened->IsSird());
    EXPECT_EQ(opened->GetPicture()->width(), 40);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatGif);
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("40 x 30 x 256"));
    EXPECT_EQ(frame()->Status()->ImageText(), QStringLiteral("Image: 1 K"));

    // A file that is not there: one box, ours, with the file and the
    // library's reason as its detail; no window.
    boxes.shown.clear();
    frame()->OpenFile(dir.filePath(QStringLiteral("missing.bmp")));
    EXPECT_EQ(windows(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown.back().text.startsWith(QStringLiteral("Error Opening the Bitmap file\n\n") +
                                                   dir.filePath(QStringLiteral("missing.bmp")) + QStringLiteral(": ")))
        << boxes.shown.back().text.toStdString();
    EXPECT_EQ(boxes.shown.back().caption, QStringLiteral("Error"));
    EXPECT_EQ(frame()->GraphicsFormat(), -1);

    // A depth map file that is not there: our message only; no window.
    boxes.shown.clear();
    frame()->OpenFile(dir.filePath(QStringLiteral("Shape.RDS")));
    EXPECT_EQ(windows(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Error Opening the Depth Map file"));
    EXPECT_EQ(frame()->GraphicsFormat(), 5);
}

TEST_F(Frame, MakeSirdsFromAPictureOpensTheStereogram)
{
    start();
    addPicture(200, 100, /*loaded=*/true, "moon.gif");
    frame()->Command(CM_MAKESIRDS);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    engine_ui::TSirdsWnd* made = frame()->ActivePicture();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsSird());
    EXPECT_EQ(made->GetTitle(), "moon.gif{sird}");
    EXPECT_FALSE(frame()->Busy());
}

TEST_F(Frame, StatusPanesDescribeTheActiveWindow)
{
    start();
    addPicture(400, 300);
    frame()->StatusRefresh();
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("400 x 300 x 256"));
    EXPECT_EQ(frame()->Status()->ImageText(), QStringLiteral("Image: 120 K"));
    const QString memory = frame()->Status()->MemoryText();
    ASSERT_TRUE(memory.startsWith(QStringLiteral("Free: "))) << memory.toStdString();
    EXPECT_GT(memory.mid(6).chopped(2).toLongLong(), 0);
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    frame()->StatusRefresh();
    EXPECT_TRUE(frame()->Status()->MessageText().isEmpty());
    EXPECT_TRUE(frame()->Status()->ImageText().isEmpty());
}

TEST_F(Frame, VersionAndInformationBoxes)
{
    start();
    frame()->Command(CM_GRAPHICSLIB);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("PICTRANS v2.0"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Graphics Library"));
    EXPECT_EQ(boxes.shown[0].style & platform::MB_ICONMASK, platform::MB_ICONINFORMATION);
    frame()->Command(CM_MATHVERSION);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Math Library Version 3.40"));
    EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("Dotscape"));
    frame()->Command(CM_VIDEOINFO);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].caption, QStringLiteral("Video Information"));
    EXPECT_TRUE(boxes.shown[2].text.startsWith(QStringLiteral("The current video driver is\nset for ")));
}

TEST_F(Frame, HelpOpensAtTheIndexAndAtTheOverview)
{
    start();
    frame()->Command(CM_HELPINDEX);
    ASSERT_NE(frame()->Help(), nullptr);
    EXPECT_TRUE(frame()->Help()->isVisible());
    EXPECT_EQ(frame()->Help()->DocumentTitle(), QStringLiteral("Dotscape Help Index"));
    frame()->Command(CM_HELPSIRDS);
    EXPECT_EQ(frame()->Help()->DocumentTitle(), QStringLiteral("Dotscape Overview"));
    // Closing the frame closes help.
    frame()->close();
    EXPECT_FALSE(frame()->Help()->isVisible());
}

TEST_F(Frame, PrintsThePictureToAPdfFile)
{
    start();
    addPicture(100, 400);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    frame()->Printer()->SetPdfOutput(pdf);
    frame()->Command(CM_FILEPRINT);
    EXPECT_EQ(head(pdf, 4), QByteArray("%PDF"));
    // The tall picture fits the page as it is enlarged: no adjustment message.
    EXPECT_FALSE(boxes.sawText(QStringLiteral("Image does not fit on the page.  Adjusting to fit.")));
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("Dotscape"));
}

TEST_F(Frame, SaveRequestOfAClosingWindowSavesItFirst)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(30, 20, /*loaded=*/false, "made");
    nextFileName = dir.filePath(QStringLiteral("kept.bmp"));
    boxes.answers = {platform::IDYES};
    QMdiSubWindow* sub = frame()->Client()->currentSubWindow();
    ASSERT_EQ(sub->widget(), picture);
    sub->close();
    QApplication::processEvents();
    EXPECT_EQ(head(nextFileName, 2), QByteArray("BM"));
    EXPECT_EQ(windows(), 0);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Confirm"));
}

TEST_F(Frame, ConfigurationIsWrittenAtExit)
{
    start();
    frame()->Command(CM_RELOCATE);
    frame()->Settings().gapValue = 77;
    frame()->Settings().dx = -12;
    frame()->Settings().ShiftDir = 1;
    frame()->move(10, 20);
    frame()->resize(700, 500);
    QApplication::processEvents();
    ASSERT_TRUE(frame()->close());
    app::Configuration written;
    written.load(configPath);
    EXPECT_EQ(written.CntlBar, kBarLeft);
    EXPECT_EQ(written.Format, kFormatBmp);
    EXPECT_EQ(written.demo.gapValue, 77);
    EXPECT_EQ(written.demo.dx, -12);
    EXPECT_EQ(written.demo.ShiftDir, 1);
    EXPECT_EQ(written.demo.zmax, 63);
    EXPECT_EQ(written.Count, frame()->Patterns()->GetCount());
    EXPECT_EQ(written.Select, frame()->Patterns()->GetSelection());
    EXPECT_EQ(written.X1, 10);
    EXPECT_EQ(written.Y1, 20);
    EXPECT_EQ(written.X2 - written.X1, 700);
    EXPECT_EQ(written.Y2 - written.Y1, 500);
    EXPECT_EQ(written.MX, 0);
}

TEST_F(Frame, ARefusedWindowKeepsTheFrameOpenAndTheFileUntouched)
{
    start();
    addPicture(30, 20, /*loaded=*/false, "unsaved");
    boxes.answers = {platform::IDCANCEL};
    EXPECT_FALSE(frame()->close());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(configPath)));
}

TEST_F(Frame, CancelAtAnyQuestionKeepsEveryWindow)
{
    start();
    addPicture(30, 20, /*loaded=*/false, "first");
    addPicture(30, 20, /*loaded=*/false, "second");
    addPicture(30, 20, /*loaded=*/true, "loaded");
    addPicture(30, 20, /*loaded=*/false, "third");
    // No, No, then Cancel: nothing closes, neither by Exit nor by Close All.
    boxes.answers = {platform::IDNO, platform::IDNO, platform::IDCANCEL};
    EXPECT_FALSE(frame()->close());
    QApplication::processEvents();
    EXPECT_EQ(windows(), 4);
    EXPECT_EQ(boxes.shown.size(), 3u);
    boxes.answers = {platform::IDNO, platform::IDCANCEL};
    frame()->Command(CM_CLOSEALL);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 4);
    // The windows answered No still ask the next time, and only once each.
    boxes.shown.clear();
    boxes.answers = {platform::IDNO, platform::IDNO, platform::IDNO};
    frame()->Command(CM_CLOSEALL);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 0);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("first")));
    EXPECT_TRUE(boxes.shown[2].text.contains(QStringLiteral("third")));
}

TEST_F(Frame, CopyAndPasteGoThroughTheClipboard)
{
    start();
    QGuiApplication::clipboard()->clear();
    QApplication::processEvents();
    EXPECT_FALSE(enabled(CM_EDITPASTE));
    // Paste with an empty clipboard does nothing.
    frame()->Command(CM_EDITPASTE);
    EXPECT_EQ(windows(), 0);

    engine_ui::TSirdsWnd* picture = addPicture(50, 40);
    frame()->Command(CM_EDITCOPY);
    QApplication::processEvents();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), QSize(50, 40));
    EXPECT_EQ(copied.pixel(3, 0), picture->GetImage().pixel(3, 0));
    EXPECT_TRUE(enabled(CM_EDITPASTE));

    frame()->Command(CM_EDITPASTE);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    engine_ui::TSirdsWnd* pasted = frame()->ActivePicture();
    ASSERT_NE(pasted, picture);
    EXPECT_EQ(pasted->GetTitle(), "untitled");
    ASSERT_NE(pasted->GetPicture(), nullptr);
    EXPECT_EQ(pasted->GetPicture()->width(), 50);
    EXPECT_EQ(pasted->GetPicture()->height(), 40);
    EXPECT_EQ(pasted->GetImage().pixel(7, 5), picture->GetImage().pixel(7, 5));
    // A pasted picture has not been saved anywhere.
    EXPECT_FALSE(pasted->GetNoSaveQuestion());
}

TEST_F(Frame, GrayImageTurnsThePaletteGray)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(20, 20);
    frame()->Command(CM_GRAYIMAGE);
    const platform::Palette* palette = picture->GetPalette();
    ASSERT_NE(palette, nullptr);
    for (std::size_t i = 0; i < palette->size(); i += 17) {
        const platform::PALETTEENTRY& e = (*palette)[i];
        EXPECT_EQ(e.peRed, e.peGreen);
        EXPECT_EQ(e.peGreen, e.peBlue);
    }
    // With no picture window the command does nothing and shows nothing.
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    frame()->Command(CM_GRAYIMAGE);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Frame, AddPatternRequestSavesTheCornerOfThePicture)
{
    start();
    const int before = frame()->Patterns()->GetCount();
    // Without a picture window nothing can be added.
    EXPECT_EQ(frame()->HandleMessage(platform::WM_ADDPATTERN, 25, 0), 0);
    addPicture(150, 120);
    EXPECT_EQ(frame()->HandleMessage(platform::WM_ADDPATTERN, 25, 0), 1);
    EXPECT_EQ(frame()->Patterns()->GetCount(), before + 1);
    const QString file = QString::fromStdString(frame()->Patterns()->GetDirectory()) + QStringLiteral("/pat25.gif");
    EXPECT_EQ(head(file, 4), QByteArray("GIF8"));
    const platform::Bitmap* added = frame()->Patterns()->GetPattern(before)->GetBitmap();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->width(), 100);
    EXPECT_EQ(added->height(), 100);
    // The user's data folder holds it, not the program's.
    EXPECT_TRUE(file.startsWith(dir.path()));
    // The writer's own status text goes when it is done.
    EXPECT_EQ(frame()->Status()->MessageText(), QString());
}

TEST_F(Frame, AddPatternTakesTrueColourAndCancelTakesItBack)
{
    start();
    const int before = frame()->Patterns()->GetCount();
    // A true-colour picture with a colourful top-left corner.
    auto colour = platform::Bitmap::create(130, 110, 24);
    for (int y = 0; y < 110; ++y)
        for (int x = 0; x < 130; ++x)
            colour->setPixel(x, y, static_cast<std::uint32_t>((x * 2) << 16 | (y * 2) << 8 | 77));
    auto* picture = new engine_ui::TSirdsWnd(nullptr, "colour.png", frame()->FrameWindow(), std::move(colour),
                                             nullptr, 130, 110, engine_ui::SourcePicture, &frame()->Settings());
    picture->SetNoSaveQuestion(true);
    frame()->AddDocument(picture);
    QApplication::processEvents();

    engine_ui::TPattDialog dialog(frame(), frame()->Patterns(), frame()->FrameWindow(), true);
    dialog.AddButton()->click();
    // No box: the pattern is kept as PNG, in true colour, and becomes current.
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(frame()->Patterns()->GetCount(), before + 1);
    const std::string file =
        engine::JoinPath(frame()->Patterns()->GetDirectory(), engine::PatternFileName(before, true));
    EXPECT_EQ(head(QString::fromStdString(file), 4), QByteArray("\x89PNG"));
    const platform::Bitmap* added = frame()->Patterns()->GetBitmap();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->bitsPerPixel(), 24);
    EXPECT_EQ(added->pixel(99, 0), picture->GetPicture()->pixel(99, 10)); // the corner's bottom-right
    // Cancel undoes the Add: the library and the user's folder as before.
    dialog.reject();
    EXPECT_EQ(frame()->Patterns()->GetCount(), before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
}

TEST_F(Frame, HintAndGraphicsStatusMessages)
{
    start();
    frame()->HandleMessage(platform::WM_HINTREQUEST, CM_FILEOPEN, 0);
    EXPECT_TRUE(frame()->Hint()->Pending());
    EXPECT_EQ(frame()->Hint()->CurrentId(), CM_FILEOPEN);
    // The same button again changes nothing; leaving the buttons hides it.
    frame()->HandleMessage(platform::WM_HINTREQUEST, CM_FILEOPEN, 0);
    EXPECT_TRUE(frame()->Hint()->Pending());
    frame()->HandleMessage(platform::WM_HINTREQUEST, static_cast<std::uintptr_t>(-1), 0);
    EXPECT_FALSE(frame()->Hint()->Pending());
    EXPECT_FALSE(frame()->Hint()->isVisible());
    EXPECT_EQ(frame()->Hint()->CurrentId(), -1);

    GRAPHSTATUS record{};
    std::snprintf(record.text, sizeof record.text, "Reading GIF File");
    record.done = 50;
    record.total = 200;
    platform::Window* window = frame()->FrameWindow();
    window->sendMessage(platform::WM_GRAPHSTATUS, GSTATUS_PROGRESS, reinterpret_cast<std::intptr_t>(&record));
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("Reading GIF File"));
    EXPECT_EQ(frame()->Status()->ProgressValue(), 25);
    EXPECT_TRUE(frame()->Status()->ProgressShown());
    window->sendMessage(platform::WM_GRAPHSTATUS, GSTATUS_DONE, reinterpret_cast<std::intptr_t>(&record));
    EXPECT_FALSE(frame()->Status()->ProgressShown());
    EXPECT_EQ(frame()->Status()->MessageText(), QString());
    // A null record is ignored.
    window->sendMessage(platform::WM_GRAPHSTATUS, GSTATUS_TEXT, 0);
}

TEST_F(Frame, PatternLibraryRequestHandsOutTheLibrary)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(20, 20);
    const std::intptr_t answer = frame()->HandleMessage(platform::WM_PATTLIBREQUEST,
                                                        reinterpret_cast<std::uintptr_t>(picture->AsWindow()), 0);
    EXPECT_EQ(reinterpret_cast<engine::TSirdPatt*>(answer), frame()->Patterns());
}

TEST_F(Frame, ArrangeIconsLinesUpMinimisedWindowsAlongTheBottom)
{
    start();
    std::vector<QMdiSubWindow*> subs;
    for (int i = 0; i < 3; ++i) {
        addPicture(40, 30);
        subs.push_back(frame()->Client()->currentSubWindow());
    }
    for (QMdiSubWindow* sub : subs)
        sub->showMinimized();
    subs[1]->move(200, 10);
    frame()->Command(CM_ARRANGEICONS);
    const int bottom = frame()->Client()->viewport()->height();
    int x = 0;
    for (QMdiSubWindow* sub : subs) {
        EXPECT_EQ(sub->pos(), QPoint(x, bottom - sub->height()));
        x += sub->width();
    }
}
