#pragma once
// A frame in a private configuration and data folder, with message boxes
// answered by the test and a pattern library that is never empty.

#include "gui/MessageBoxes.h"
#include "gui/TDotscapeApp.h"
#include "gui/TDotscapeWnd.h"

#include "engine_ui/TSirdsWnd.h"

#include "engine/TSirdPatt.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace testing_frame {

struct ShownBox {
    QString text;
    QString caption;
    unsigned style = 0;
};

// Answers boxes from a queue (OK, or No for questions, when it is empty)
// and remembers every box shown.
class BoxScript {
public:
    BoxScript()
    {
        previous_ = gui::SetMessageBoxProvider([this](QWidget*, const QString& text, const QString& caption,
                                                      unsigned style) {
            shown.push_back({text, caption, style});
            if (!answers.empty()) {
                int answer = answers.front();
                answers.pop_front();
                return answer;
            }
            const unsigned type = style & platform::MB_TYPEMASK;
            return type == platform::MB_OK ? platform::IDOK : platform::IDNO;
        });
    }
    ~BoxScript() { gui::SetMessageBoxProvider(previous_); }

    bool sawText(const QString& text) const
    {
        for (const ShownBox& box : shown)
            if (box.text == text)
                return true;
        return false;
    }

    std::vector<ShownBox> shown;
    std::deque<int> answers;

private:
    gui::MessageBoxProvider previous_;
};

inline QApplication& application()
{
    static int argc = 1;
    static char name[] = "dotscape-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* created = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Dotscape"));
        QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
        return created;
    }();
    return *app;
}

// An 8-bit picture with a gradient of indices and a gray palette.
inline std::unique_ptr<platform::Bitmap> gradient(int width, int height)
{
    auto bitmap = platform::Bitmap::create(width, height, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->setPixel(x, y, static_cast<std::uint32_t>((x + 3 * y) & 0xFF));
    return bitmap;
}

inline std::unique_ptr<platform::Palette> grayPalette()
{
    std::vector<platform::PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(255 - i), 0};
    return std::make_unique<platform::Palette>(entries);
}

// The first n bytes of a file (empty when it cannot be read).
inline QByteArray head(const QString& path, int n)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(n);
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        application();
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        configPath = dir.filePath(QStringLiteral("config/dotscape/DOTSCAPE.INI")).toStdString();
    }
    void TearDown() override
    {
        if (program && frame()) {
            frame()->SetBusy(false);
            // Leave without questions: the windows' state is the tests' business.
            boxes.answers.clear();
        }
        program.reset();
        QApplication::processEvents();
    }

    // Writes the configuration file before the frame starts.
    void writeConfig(const std::string& text)
    {
        QDir().mkpath(dir.filePath(QStringLiteral("config/dotscape")));
        QFile file(QString::fromStdString(configPath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    void start()
    {
        program = std::make_unique<gui::TDotscapeApp>(configPath, false);
        program->InitMainWindow();
        ASSERT_NE(frame(), nullptr);
        if (frame()->Patterns() && frame()->Patterns()->GetCount() == 0) {
            auto tile = gradient(100, 100);
            frame()->Patterns()->Append(std::move(tile), grayPalette());
            frame()->Patterns()->Select(0);
        }
        frame()->SetFileChooser([this](const gui::TDotscapeWnd::FileRequest& request) {
            chooserCalls.push_back(request);
            request.chosen = chosenFilter;
            return nextFileName;
        });
        QApplication::processEvents();
    }

    gui::TDotscapeWnd* frame() const { return program ? program->Frame() : nullptr; }

    // A loaded picture (no save question) or a new one, made active.
    engine_ui::TSirdsWnd* addPicture(int width, int height, bool loaded = true, const std::string& title = "pic.bmp")
    {
        auto* picture = new engine_ui::TSirdsWnd(nullptr, title, frame()->FrameWindow(), gradient(width, height),
                                                 grayPalette(), width, height, engine_ui::SourcePicture,
                                                 &frame()->Settings());
        picture->SetNoSaveQuestion(loaded);
        frame()->AddDocument(picture);
        QApplication::processEvents();
        return picture;
    }

    QTemporaryDir dir;
    std::string configPath;
    BoxScript boxes;
    std::unique_ptr<gui::TDotscapeApp> program;
    std::vector<gui::TDotscapeWnd::FileRequest> chooserCalls;
    QString nextFileName;
    // The filter the chooser reports as chosen (-1: none).
    int chosenFilter = -1;
};

} // namespace testing_frame
