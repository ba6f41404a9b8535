// The frame's depth map commands as a user runs them: a new map drawn with
// the mouse and the tool keys, saved, opened again, made into a stereogram
// that must equal the command line's for the same file byte for byte;
// undo and redo from the Edit menu; the colour table window and its Copy.

#include "FrameFixture.h"
#include "MapMouse.h"

#include "gui/Commands.h"
#include "gui/TCStatusBar.h"

#include "depthmap_ui/TColorWnd.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine_ui/TSirdsWnd.h"

#include <QActionGroup>
#include <QClipboard>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTest>
#include <QUndoStack>

using namespace gui;
using depthmap_ui::TMapWindow;
using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DepthMapCommands : public FrameTest {
protected:
    void startActive(const std::string& config = "[DEMO]\nw=300\nh=200\n")
    {
        writeConfig(config);
        start();
        frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    }
    bool enabled(int id) const
    {
        frame()->UpdateMenus();
        return frame()->Action(id)->isEnabled();
    }
    int windows() const
    {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(frame()->Client()->subWindowList().size());
    }
    void key(int keyCode, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(frame(), static_cast<Qt::Key>(keyCode), mods);
        QApplication::processEvents();
    }
    // Draws a scene with the tool keys and the mouse: a box, a circle on
    // it, a polygon, and a level set through the level dialog.
    void drawScene(TMapWindow* map)
    {
        MapMouse mouse(map->viewport());
        map->SetCurrentLevel(60);
        key(Qt::Key_B);
        mouse.drag({20, 20}, {150, 120});
        map->SetCurrentLevel(140);
        key(Qt::Key_C);
        mouse.drag({60, 40}, {130, 110});
        map->SetCurrentLevel(220);
        key(Qt::Key_P);
        mouse.click({200, 30});
        mouse.click({280, 60});
        mouse.click({260, 180});
        mouse.doubleClick({180, 150});
    }
};

TEST_F(DepthMapCommands, NewMakesAnUntitledMapOfTheSettingsSize)
{
    startActive();
    EXPECT_TRUE(enabled(CM_FILENEW));
    key(Qt::Key_N, Qt::ControlModifier);
    TMapWindow* map = frame()->ActiveMap();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(frame()->ActiveKind(), kKindDepthMap);
    EXPECT_EQ(map->windowTitle(), QStringLiteral("untitled[*]"));
    EXPECT_EQ(map->MapWidth(), 300);
    EXPECT_EQ(map->MapHeight(), 200);
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("300 x 200 x 256"));
    EXPECT_EQ(frame()->Status()->ImageText(), QStringLiteral("Image: 60 K"));
    // The palette's tools and commands now work; the text tool and the font command never do.
    for (int id : {1251, 1252, 1253, 1254, 1256, 1257, 1258, 1259, 1260, 1261, 1262, 1263, 1264, 1265})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(1255));
    EXPECT_FALSE(enabled(1266));
    EXPECT_TRUE(enabled(CM_FILESAVE));
    EXPECT_TRUE(enabled(CM_MAKESIRDS));
    EXPECT_FALSE(enabled(CM_EDITUNDO));
    EXPECT_TRUE(frame()->Action(1251)->isChecked());
}

TEST_F(DepthMapCommands, ToolKeysAndButtonsChooseTheActiveMapsTool)
{
    startActive();
    frame()->Command(CM_FILENEW);
    TMapWindow* first = frame()->ActiveMap();
    key(Qt::Key_R);
    EXPECT_EQ(first->CurrentTool(), 1259);
    EXPECT_TRUE(frame()->Action(1259)->isChecked());
    frame()->Action(1257)->trigger(); // the palette button
    EXPECT_EQ(first->CurrentTool(), 1257);

    frame()->Command(CM_FILENEW);
    TMapWindow* second = frame()->ActiveMap();
    ASSERT_NE(second, first);
    EXPECT_TRUE(frame()->Action(1251)->isChecked()) << "a new map starts with the Select tool";
    key(Qt::Key_G);
    EXPECT_EQ(second->CurrentTool(), 1253);
    EXPECT_EQ(first->CurrentTool(), 1257);
    frame()->Client()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    QApplication::processEvents();
    EXPECT_TRUE(frame()->Action(1257)->isChecked()) << "activation presses the map's own tool";
}

TEST_F(DepthMapCommands, StackKeysRaiseLowerAndDelete)
{
    startActive();
    frame()->Command(CM_FILENEW);
    TMapWindow* map = frame()->ActiveMap();
    MapMouse mouse(map->viewport());
    key(Qt::Key_B);
    map->SetCurrentLevel(1);
    mouse.drag({10, 10}, {100, 100});
    map->SetCurrentLevel(2);
    mouse.drag({50, 50}, {150, 150});
    key(Qt::Key_S);
    mouse.click({20, 20});
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(map->LevelAt(70, 70), 1);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(map->LevelAt(70, 70), 2);
    key(Qt::Key_Delete);
    EXPECT_EQ(map->LevelAt(20, 20), 0);
    EXPECT_EQ(map->Document().ObjectCount(), 2);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(map->LevelAt(20, 20), 1) << "Ctrl+Z takes the deletion back";
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(map->LevelAt(20, 20), 0) << "Ctrl+Shift+Z makes it again";
}

TEST_F(DepthMapCommands, UndoFromTheEditMenuBackToTheSavedMap)
{
    startActive();
    frame()->Command(CM_FILENEW);
    TMapWindow* map = frame()->ActiveMap();
    drawScene(map);
    nextFileName = dir.filePath(QStringLiteral("scene.rds"));
    key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(map->IsSaved());
    EXPECT_EQ(map->windowTitle(), QStringLiteral("scene.rds[*]"));
    EXPECT_FALSE(enabled(CM_FILESAVE)) << "nothing new to save";
    EXPECT_TRUE(enabled(CM_FILESAVEAS));
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatDepthMap);

    MapMouse mouse(map->viewport());
    key(Qt::Key_L);
    mouse.drag({5, 190}, {290, 190});
    EXPECT_TRUE(enabled(CM_FILESAVE));
    EXPECT_EQ(frame()->Action(CM_EDITUNDO)->text(), QStringLiteral("&Undo"));
    ASSERT_TRUE(enabled(CM_EDITUNDO));
    EXPECT_FALSE(enabled(CM_EDITREDO));
    frame()->Command(CM_EDITUNDO);
    EXPECT_TRUE(map->IsSaved());
    EXPECT_FALSE(enabled(CM_FILESAVE)) << "back at the saved map";
    EXPECT_TRUE(enabled(CM_EDITREDO));
    frame()->Command(CM_EDITREDO);
    EXPECT_FALSE(map->IsSaved());

    // Closing asks; Yes saves through the frame's dialog and closes.
    boxes.answers = {platform::IDYES};
    nextFileName = dir.filePath(QStringLiteral("second.rds"));
    key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(windows(), 0);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Save scene.rds before closing?"));
    EXPECT_FALSE(ReadAll(dir.filePath(QStringLiteral("second.rds"))).isEmpty());
}

TEST_F(DepthMapCommands, ADrawnMapSavedReopenedAndMadeIntoAStereogramEqualsTheCommandLines)
{
    startActive("[DEMO]\nw=300\nh=200\ngapValue=90\nShiftDir=2\n");
    frame()->Command(CM_FILENEW);
    TMapWindow* map = frame()->ActiveMap();
    drawScene(map);
    const std::vector<std::uint8_t> drawn = map->Document().Serialise();
    const QString rds = dir.filePath(QStringLiteral("Scene.rds"));
    nextFileName = rds;
    frame()->Command(CM_FILESAVE);
    const QByteArray file = ReadAll(rds);
    ASSERT_EQ(std::vector<std::uint8_t>(file.begin(), file.end()), drawn) << "the file is the drawn map";
    map->parentWidget()->close();

    frame()->OpenFile(rds);
    TMapWindow* reopened = frame()->ActiveMap();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->windowTitle(), QStringLiteral("scene.rds[*]"));
    EXPECT_TRUE(reopened->IsSaved());
    EXPECT_EQ(reopened->Document().Serialise(), drawn);
    EXPECT_EQ(reopened->Document().ObjectCount(), 4);
    // An opened map has the frame and the palette like a new one.
    key(Qt::Key_M);
    EXPECT_EQ(reopened->CurrentTool(), 1252);

    key(Qt::Key_M, Qt::ControlModifier);
    engine_ui::TSirdsWnd* made = frame()->ActivePicture();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsSird());
    const QString gui = dir.filePath(QStringLiteral("gui.bmp"));
    nextFileName = gui;
    frame()->Command(CM_FILESAVE);

    const QString cli = dir.filePath(QStringLiteral("cli.bmp"));
    QProcess make;
    make.start(QStringLiteral(DOTSCAPE_BIN_DIR "/dotscape"),
               {QStringLiteral("make"), QStringLiteral("--depthmap"), rds, QStringLiteral("--config"),
                QString::fromStdString(configPath), QStringLiteral("-o"), cli});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    const QByteArray mine = ReadAll(gui);
    const QByteArray theirs = ReadAll(cli);
    ASSERT_GT(mine.size(), 1000);
    ASSERT_EQ(mine.size(), theirs.size());
    for (qsizetype i = 0; i < mine.size(); ++i)
        ASSERT_EQ(mine[i], theirs[i]) << "first difference at byte " << i;
}

TEST_F(DepthMapCommands, AFileThatIsNoDepthMapLeavesNoWindowAndIsNeverWritten)
{
    startActive();
    const QString bad = dir.filePath(QStringLiteral("bad.rds"));
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("DEPTHMAPS and the rest");
    }
    boxes.answers = {platform::IDOK, platform::IDOK};
    frame()->OpenFile(bad);
    EXPECT_EQ(windows(), 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Invalid Depth Map file"));
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Error Opening the Depth Map file"));
    EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("Error"));
    EXPECT_EQ(ReadAll(bad), QByteArray("DEPTHMAPS and the rest"));
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatDepthMap);

    boxes.shown.clear();
    frame()->OpenFile(dir.filePath(QStringLiteral("missing.rds")));
    EXPECT_EQ(windows(), 0);
    ASSERT_EQ(boxes.shown.size(), 1u) << "a file that cannot be read has no message of its own";
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Error Opening the Depth Map file"));
}

TEST_F(DepthMapCommands, AMapSavedUnderAnyNameIsADepthMapFile)
{
    startActive();
    frame()->Command(CM_FILENEW);
    TMapWindow* map = frame()->ActiveMap();
    drawScene(map);
    nextFileName = dir.filePath(QStringLiteral("picture.bmp"));
    frame()->Command(CM_FILESAVEAS);
    const QByteArray file = ReadAll(nextFileName);
    ASSERT_GE(file.size(), 16);
    EXPECT_EQ(file.left(9), QByteArray("DEPTHMAP\0", 9));
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatBmp) << "the format code follows the name";
    EXPECT_TRUE(map->IsSaved());

    // A save that fails says so and leaves the map unsaved.
    map->Document().MarkChanged();
    nextFileName = dir.filePath(QStringLiteral("no/such/folder/x.rds"));
    boxes.shown.clear();
    frame()->Command(CM_FILESAVE);
    EXPECT_FALSE(map->IsSaved());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Error"));
}

TEST_F(DepthMapCommands, SaveDialogsOfferTheDepthMapFilterForMapsOnly)
{
    // The last format was BMP: a map's dialog still offers depth maps, so a
    // bare name typed there becomes NAME.rds.
    startActive("[DEMO]\nw=300\nh=200\n[GRAPHICS]\nFormat=1\n");
    frame()->Command(CM_FILENEW);
    TMapWindow* map = frame()->ActiveMap();
    ASSERT_NE(map, nullptr);
    drawScene(map);
    nextFileName = dir.filePath(QStringLiteral("scene.rds"));
    frame()->Command(CM_FILESAVE);
    ASSERT_EQ(chooserCalls.size(), 1u);
    ASSERT_LT(chooserCalls[0].selected, chooserCalls[0].filters.size());
    EXPECT_EQ(chooserCalls[0].filters[chooserCalls[0].selected], QStringLiteral("Depth Map File (*.rds)"));
    EXPECT_EQ(chooserCalls[0].defaultSuffix, QStringLiteral("rds"));
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatDepthMap);

    // The stereogram made from it, saved next, is offered a picture format.
    key(Qt::Key_M, Qt::ControlModifier);
    ASSERT_NE(frame()->ActivePicture(), nullptr);
    nextFileName = dir.filePath(QStringLiteral("scene.bmp"));
    frame()->Command(CM_FILESAVE);
    ASSERT_EQ(chooserCalls.size(), 2u);
    ASSERT_LT(chooserCalls[1].selected, chooserCalls[1].filters.size());
    EXPECT_EQ(chooserCalls[1].filters[chooserCalls[1].selected], QStringLiteral("Bitmap Files (*.bmp *.dib)"));
    // A picture's extension comes from the filter chosen, not from a fixed suffix.
    EXPECT_TRUE(chooserCalls[1].defaultSuffix.isEmpty());
    EXPECT_EQ(ReadAll(nextFileName).left(2), QByteArray("BM"));
}

TEST_F(DepthMapCommands, CloseAllAsksEveryMapBeforeAnyCloses)
{
    startActive();
    frame()->Command(CM_FILENEW);
    frame()->Command(CM_FILENEW);
    ASSERT_EQ(windows(), 2);
    // No for the first, Cancel for the second: both stay.
    boxes.answers = {platform::IDNO, platform::IDCANCEL};
    frame()->Command(CM_CLOSEALL);
    EXPECT_EQ(windows(), 2);
    EXPECT_EQ(boxes.shown.size(), 2u);
    // Both are asked again; No twice closes both.
    boxes.shown.clear();
    boxes.answers = {platform::IDNO, platform::IDNO};
    frame()->Command(CM_CLOSEALL);
    EXPECT_EQ(windows(), 0);
    EXPECT_EQ(boxes.shown.size(), 2u) << "each is asked once";
}

TEST_F(DepthMapCommands, TheColourTableWindowShowsThePictureAndCopiesIt)
{
    startActive();
    auto* picture = new engine_ui::TSirdsWnd(nullptr, "grey.bmp", frame()->FrameWindow(), gradient(64, 32),
                                             grayPalette(), 64, 32, engine_ui::SourcePicture, &frame()->Settings());
    picture->SetNoSaveQuestion(true);
    frame()->AddDocument(picture);
    ASSERT_TRUE(enabled(CM_COLORTABLE));
    frame()->Command(CM_COLORTABLE);
    depthmap_ui::TColorWnd* table = frame()->ColorTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(frame()->ActiveKind(), kKindColorTable);
    EXPECT_EQ(table->windowTitle(), QStringLiteral("Color Table"));
    EXPECT_EQ(table->ColorCount(), 256);
    EXPECT_EQ(table->GetPalette(), *picture->GetPalette());
    EXPECT_EQ(frame()->Status()->ImageText(), QString());

    frame()->Command(CM_EDITCOPY);
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(384, 384));
    const platform::PALETTEENTRY e = (*picture->GetPalette())[37];
    EXPECT_EQ(copied.pixelColor(24 * (37 % 16) + 3, 24 * (37 / 16) + 20), QColor(e.peRed, e.peGreen, e.peBlue));

    // A second Color Table keeps the one window.
    frame()->Client()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(picture->parentWidget()));
    picture->GrayPalette();
    frame()->Command(CM_COLORTABLE);
    EXPECT_EQ(frame()->ColorTable(), table);
    EXPECT_EQ(windows(), 2);
    EXPECT_EQ(table->GetPalette(), *picture->GetPalette()) << "the palette as it is now";

    // Closing it: the frame forgets it, and the next Color Table makes a new one.
    table->parentWidget()->close();
    EXPECT_EQ(windows(), 1);
    EXPECT_EQ(frame()->ColorTable(), nullptr);
    frame()->Command(CM_COLORTABLE);
    EXPECT_NE(frame()->ColorTable(), nullptr);
    EXPECT_EQ(windows(), 2);
}
