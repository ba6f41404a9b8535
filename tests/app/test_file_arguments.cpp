// Files given on the command line: which arguments open the desktop
// program, each file opened in a window of its own as Open opens it, and
// the desktop entry and file type that hand files to the program.

#include "FrameFixture.h"

#include "app/CommandLine.h"
#include "depthmap/TMapDocument.h"
#include "engine_ui/TSirdsWnd.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QXmlStreamReader>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

namespace {

class FileArguments : public FrameTest {
protected:
    QString savePicture(const QString& name, int width, int height)
    {
        auto* picture = new engine_ui::TSirdsWnd(nullptr, "pic", frame()->FrameWindow(), gradient(width, height),
                                                 grayPalette(), width, height, engine_ui::SourcePicture,
                                                 &frame()->Settings());
        frame()->AddDocument(picture);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(frame()->SaveActiveAs(path));
        frame()->Client()->closeAllSubWindows();
        QApplication::processEvents();
        return path;
    }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> out;
        for (QMdiSubWindow* sub : frame()->Client()->subWindowList(QMdiArea::CreationOrder))
            if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget()))
                out.push_back(picture->GetTitle());
        return out;
    }
};

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(DesktopArguments, SubCommandsAndOptionsSelectTheCommandLineAndFilesTheDesktop)
{
    using app::isCommandLine;
    EXPECT_FALSE(isCommandLine({}));
    for (const char* command : {"make", "convert", "reveal", "info", "figures", "help"}) {
        EXPECT_TRUE(isCommandLine({command})) << command;
        EXPECT_TRUE(isCommandLine({command, "picture.bmp"})) << command;
    }
    EXPECT_TRUE(isCommandLine({"--help"}));
    EXPECT_TRUE(isCommandLine({"--version"}));
    EXPECT_TRUE(isCommandLine({"-x", "picture.bmp"}));
    // A word that is no file and no path is an unknown command.
    EXPECT_TRUE(isCommandLine({"frobnicate"}));
    EXPECT_FALSE(isCommandLine({"picture.bmp"}));
    EXPECT_FALSE(isCommandLine({"/tmp/scene.rds", "make"}));
    EXPECT_FALSE(isCommandLine({"./make"}));
    EXPECT_FALSE(isCommandLine({"--", "make", "-odd.gif"}));
    EXPECT_EQ(app::desktopFiles({"--", "make", "-odd.gif"}), (std::vector<std::string>{"make", "-odd.gif"}));
    EXPECT_EQ(app::desktopFiles({"a.bmp", "--"}), (std::vector<std::string>{"a.bmp", "--"}));

    // A file without a dot opens when it is there.
    char folder[] = "/tmp/dotscape-args-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
    EXPECT_TRUE(isCommandLine({"README"}));
    { std::ofstream("README") << "x"; }
    EXPECT_FALSE(isCommandLine({"README"}));
    { std::ofstream("figures") << "x"; }
    EXPECT_TRUE(isCommandLine({"figures"}));
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

TEST_F(FileArguments, EachFileOpensInItsOwnWindowAsOpenOpensIt)
{
    start();
    const QString moon = savePicture(QStringLiteral("Moon.GIF"), 40, 30);
    const QString sun = savePicture(QStringLiteral("sun.pcx"), 20, 10);
    boxes.shown.clear();
    program->OpenFiles({moon, dir.filePath(QStringLiteral("missing.bmp")), sun});
    // Nothing happens before the event loop runs: the frame is up first.
    EXPECT_EQ(frame()->Client()->subWindowList().size(), 0);
    QApplication::processEvents();
    EXPECT_EQ(titles(), (std::vector<std::string>{"moon.gif", "sun.pcx"}));
    // One box for the missing file, with its name and the reason below the text.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Error Opening the Bitmap file\n\n")));
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("missing.bmp: File Access Failed.")));
    EXPECT_EQ(frame()->GraphicsFormat(), gui::kFormatPcx);
    for (QMdiSubWindow* sub : frame()->Client()->subWindowList()) {
        auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget());
        ASSERT_NE(picture, nullptr);
        EXPECT_TRUE(picture->GetNoSaveQuestion());
        EXPECT_FALSE(picture->IsSird());
    }

    // A depth map opens in a map window, as Open opens one.
    const QString map = QStringLiteral(DOTSCAPE_TESTDATA_DIR "/rds/two-objects.rds");
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    boxes.shown.clear();
    frame()->OpenFile(map);
    QApplication::processEvents();
    const auto openBoxes = boxes.shown;
    const auto openWindows = frame()->Client()->subWindowList().size();
    frame()->Client()->closeAllSubWindows();
    QApplication::processEvents();
    boxes.shown.clear();
    program->OpenFiles({map});
    QApplication::processEvents();
    EXPECT_EQ(openWindows, 1);
    EXPECT_EQ(frame()->Client()->subWindowList().size(), openWindows);
    EXPECT_EQ(frame()->ActiveKind(), gui::kKindDepthMap);
    ASSERT_EQ(boxes.shown.size(), openBoxes.size());
    for (std::size_t i = 0; i < openBoxes.size(); ++i)
        EXPECT_EQ(boxes.shown[i].text, openBoxes[i].text);
    EXPECT_EQ(frame()->GraphicsFormat(), gui::kFormatDepthMap);
}

TEST_F(FileArguments, OpenGoesByContentWhateverTheName)
{
    start();
    // A picture under a depth map's name, a depth map under a picture's.
    const QString picture = savePicture(QStringLiteral("picture.rds"), 30, 20);
    depthmap::TMapDocument map("m", 60, 50);
    const QString mapFile = dir.filePath(QStringLiteral("map.bmp"));
    ASSERT_TRUE(map.WriteFile(mapFile.toStdString()));
    boxes.shown.clear();
    frame()->OpenFile(picture);
    QApplication::processEvents();
    EXPECT_EQ(frame()->ActiveKind(), gui::kKindPicture);
    ASSERT_NE(frame()->ActivePicture(), nullptr);
    EXPECT_EQ(frame()->ActivePicture()->GetPicture()->width(), 30);
    frame()->OpenFile(mapFile);
    QApplication::processEvents();
    EXPECT_EQ(frame()->ActiveKind(), gui::kKindDepthMap);
    EXPECT_EQ(frame()->GraphicsFormat(), gui::kFormatDepthMap);
    EXPECT_TRUE(boxes.shown.empty());
    // A file that cannot be read goes by its name, and its reader says why.
    frame()->OpenFile(dir.filePath(QStringLiteral("gone.rds")));
    QApplication::processEvents();
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Error Opening the Depth Map file"));
}

TEST(DesktopEntry, HandsPicturesAndDepthMapsToTheProgram)
{
    const QString entry = readFile(QStringLiteral(DOTSCAPE_SOURCE_DIR "/resources/dotscape.desktop"));
    ASSERT_FALSE(entry.isEmpty());
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=dotscape %F\n")));
    QStringList types;
    for (const QString& line : entry.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("MimeType=")))
            types = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* type : {"image/bmp", "image/gif", "image/x-pcx", "image/png", "application/x-dotscape-depthmap"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;

    // The depth map type is declared, by name and by content, in a
    // well-formed package.
    QXmlStreamReader xml(readFile(QStringLiteral(DOTSCAPE_SOURCE_DIR "/resources/dotscape-mime.xml")));
    QString declared, glob, magic;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("mime-type"))
            declared = xml.attributes().value(QLatin1String("type")).toString();
        else if (xml.name() == QLatin1String("glob"))
            glob = xml.attributes().value(QLatin1String("pattern")).toString();
        else if (xml.name() == QLatin1String("match"))
            magic = xml.attributes().value(QLatin1String("value")).toString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(declared, QStringLiteral("application/x-dotscape-depthmap"));
    EXPECT_EQ(glob, QStringLiteral("*.rds"));
    EXPECT_TRUE(magic.startsWith(QStringLiteral("DEPTHMAP")));
}
