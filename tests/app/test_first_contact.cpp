// The desktop program as a new user first meets it: depth beyond Zmax,
// Save As by the chosen file type, a save stopped midway, one box naming a
// damaged file, printing without a printer, the captions, and the start page.

#include "FrameFixture.h"

#include "gui/Commands.h"
#include "gui/StartPage.h"
#include "gui/TPrinterInt.h"

#include "engine_ui/TSirdsWnd.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

using namespace gui;
using testing_frame::FrameTest;
using testing_frame::head;

namespace {

class FirstContact : public FrameTest {
protected:
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }
    // The stereogram Make SIRDS made last (the active window), as bytes.
    QByteArray madeBits() const
    {
        const engine_ui::TSirdsWnd* made = frame()->ActivePicture();
        if (!made || !made->IsSird() || !made->GetPicture())
            return {};
        const auto bits = made->GetPicture()->bits();
        return QByteArray(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
    }
};

} // namespace

TEST_F(FirstContact, DepthBeyondZmaxIsAskedAboutOnceAndTheAnswerIsKept)
{
    // The gradient reaches level 255, far beyond Zmax 63.
    struct Case {
        int answer;
        bool made;
        int remembered;
    };
    QByteArray fitted, kept;
    for (const Case c : {Case{platform::IDCANCEL, false, 0}, Case{platform::IDNO, true, 2},
                         Case{platform::IDYES, true, 1}}) {
        start();
        engine_ui::TSirdsWnd* source = addPicture(160, 90);
        boxes.shown.clear();
        boxes.answers = {c.answer};
        frame()->Command(CM_MAKESIRDS);
        QApplication::processEvents();
        ASSERT_EQ(boxes.shown.size(), 1u) << c.answer;
        EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Depth Beyond Zmax"));
        EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("goes up to 255, beyond Zmax 63")))
            << boxes.shown[0].text.toStdString();
        EXPECT_EQ(windows(), c.made ? 2 : 1) << c.answer;
        EXPECT_EQ(frame()->Action(CM_FITDEPTH)->isChecked(), c.remembered == 1);
        if (c.made) {
            (c.remembered == 1 ? fitted : kept) = madeBits();
            // Asked once: the next stereogram follows the answer silently.
            frame()->Client()->setActiveSubWindow(frame()->Client()->subWindowList().front());
            ASSERT_EQ(frame()->ActivePicture(), source);
            frame()->Command(CM_MAKESIRDS);
            QApplication::processEvents();
            EXPECT_EQ(boxes.shown.size(), 1u) << c.answer;
            EXPECT_EQ(madeBits(), c.remembered == 1 ? fitted : kept);
        }
        ASSERT_TRUE(frame()->WriteConfiguration());
        app::Configuration written;
        written.load(configPath);
        EXPECT_EQ(written.FitDepth, c.remembered) << c.answer;
        program.reset();
        QFile::remove(QString::fromStdString(configPath));
    }
    ASSERT_FALSE(fitted.isEmpty());
    EXPECT_NE(fitted, kept) << "fitting changed nothing";
}

TEST_F(FirstContact, SaveAsWritesTheChosenTypeAndAsksWhenTheNameSaysOtherwise)
{
    start();
    addPicture(64, 48, /*loaded=*/false, "untitled");
    struct Case {
        const char* filter; // the type chosen in the dialog
        const char* typed;
        int answer;         // to the contradiction question, 0 when none is asked
        const char* written; // nullptr: nothing written
        QByteArray magic;
    } cases[] = {
        {"PNG Files", "crater", 0, "crater.png", "\x89PNG"},
        {"GIF Files", "my.scene", 0, "my.scene.gif", "GIF8"},
        {"PCX Files", "plain.pcx", 0, "plain.pcx", QByteArray("\x0A", 1)},
        {"PNG Files", "moon.bmp", platform::IDYES, "moon.bmp", "BM"},
        {"PNG Files", "sun.bmp", platform::IDNO, "sun.png", "\x89PNG"},
        {"JPEG Files", "star.gif", platform::IDCANCEL, nullptr, {}},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        boxes.answers.clear();
        if (c.answer)
            boxes.answers.push_back(c.answer);
        nextFileName = dir.filePath(QString::fromLatin1(c.typed));
        frame()->SetFileChooser([&](const TDotscapeWnd::FileRequest& request) {
            for (int i = 0; i < request.filters.size(); ++i)
                if (request.filters[i].startsWith(QString::fromLatin1(c.filter)))
                    request.chosen = i;
            return nextFileName;
        });
        frame()->Command(CM_FILESAVEAS);
        EXPECT_EQ(boxes.shown.size(), c.answer ? 1u : 0u) << c.typed;
        if (!c.written) {
            EXPECT_FALSE(QFile::exists(nextFileName)) << c.typed;
            continue;
        }
        const QString path = dir.filePath(QString::fromLatin1(c.written));
        EXPECT_EQ(head(path, static_cast<int>(c.magic.size())), c.magic) << c.typed;
        EXPECT_EQ(frame()->ActivePicture()->GetTitle(), std::string(c.written));
    }
}

TEST_F(FirstContact, ADamagedFileGivesOneBoxNamingTheFileAndTheReason)
{
    start();
    const QString path = dir.filePath(QStringLiteral("broken.bmp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("BM\x10\x00\x00\x00garbage", 13));
    file.close();
    frame()->OpenFile(path);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QStringList lines = boxes.shown[0].text.split(QStringLiteral("\n\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Error Opening the Bitmap file"));
    EXPECT_TRUE(lines[1].startsWith(path + QStringLiteral(": "))) << lines[1].toStdString();
    EXPECT_GT(lines[1].size(), path.size() + 2) << "the reason is missing";
    EXPECT_EQ(windows(), 0);
}

TEST_F(FirstContact, WithoutAPrinterPrintOffersAPdfFile)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed here";
    start();
    addPicture(120, 80);
    const QString pdf = dir.filePath(QStringLiteral("pic.pdf"));
    QString suggested;
    frame()->Printer()->SetPdfChooser([&](QWidget*, const QString& name) {
        suggested = name;
        return pdf;
    });
    // Declined: the failure is reported as before.
    boxes.answers = {platform::IDNO};
    frame()->Command(CM_FILEPRINT);
    EXPECT_TRUE(boxes.sawText(QStringLiteral("Printer initialization failed.")));
    EXPECT_TRUE(suggested.isEmpty());

    // Accepted: the picture goes to the PDF file, and later prints too.
    boxes.shown.clear();
    boxes.answers = {platform::IDYES};
    frame()->Command(CM_FILEPRINT);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("No printer is installed. Print to a PDF file instead?"));
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("/pic.pdf"))) << suggested.toStdString();
    EXPECT_EQ(head(pdf, 4), QByteArray("%PDF"));
    QFile::remove(pdf);
    frame()->Command(CM_FILEPRINT);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(head(pdf, 4), QByteArray("%PDF"));
}

TEST_F(FirstContact, SavingCanBeStoppedAndLeavesTheFileAsItWas)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(1600, 1200, /*loaded=*/false, "untitled");
    const QString target = dir.filePath(QStringLiteral("big.png"));
    ASSERT_TRUE(frame()->SaveActiveAs(target));
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);

    // Stop is pressed while the picture is written; meanwhile neither the
    // picture's window nor the frame may close under the writer.
    picture->SetNoSaveQuestion(false);
    bool windowClosed = true, frameClosed = true, stopOffered = false;
    QTimer::singleShot(0, frame(), [&] {
        windowClosed = picture->parentWidget()->close();
        frameClosed = frame()->close();
        stopOffered = frame()->CurrentState().busy;
        frame()->Command(CM_STOP);
    });
    boxes.shown.clear();
    boxes.answers = {platform::IDYES}; // to "Overwrite ...?"
    EXPECT_FALSE(frame()->SaveActiveAs(target));
    EXPECT_TRUE(stopOffered);
    EXPECT_FALSE(windowClosed);
    EXPECT_FALSE(frameClosed);
    EXPECT_EQ(boxes.shown.size(), 1u) << "only the overwrite question; a stop is no error";
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), filesBefore);
    // Still open, still unsaved, and the frame answers commands again.
    EXPECT_EQ(frame()->ActivePicture(), picture);
    EXPECT_TRUE(picture->isWindowModified());
    EXPECT_FALSE(frame()->CurrentState().busy);
}

TEST_F(FirstContact, CaptionsShowTheZoomAndUnsavedChanges)
{
    start();
    engine_ui::TSirdsWnd* picture = addPicture(100, 60, /*loaded=*/true, "moon.gif");
    // "[*]" is where the window system shows the unsaved-changes mark.
    EXPECT_FALSE(picture->isWindowModified());
    EXPECT_EQ(picture->windowTitle(), QStringLiteral("moon.gif[*]"));
    frame()->Command(CM_ZOOMIN);
    EXPECT_EQ(picture->windowTitle(), QStringLiteral("moon.gif[*] (200%)"));
    picture->SetNoSaveQuestion(false);
    EXPECT_TRUE(picture->isWindowModified());
    frame()->Command(CM_ZOOMOUT);
    frame()->Command(CM_ZOOMOUT);
    EXPECT_EQ(picture->windowTitle(), QStringLiteral("moon.gif[*] (50%)"));
    // A saved picture loses the mark.
    ASSERT_TRUE(frame()->SaveActiveAs(dir.filePath(QStringLiteral("moon.gif"))));
    EXPECT_FALSE(picture->isWindowModified());
}

TEST_F(FirstContact, TheStartPageShowsInTheEmptyAreaAndRunsItsSteps)
{
    start();
    StartPage* page = frame()->Start();
    ASSERT_NE(page, nullptr);
    QApplication::processEvents();
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(frame()->Client()->viewport()->rect().contains(page->geometry()));
    auto* newMap = page->findChild<QPushButton*>(QStringLiteral("start%1").arg(CM_FILENEW));
    ASSERT_NE(newMap, nullptr);
    newMap->click();
    QApplication::processEvents();
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(page->isVisible());
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(windows(), 0);
    EXPECT_TRUE(page->isVisible());
}
