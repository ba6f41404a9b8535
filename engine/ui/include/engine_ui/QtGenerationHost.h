#pragma once
// The generation driver's host in the desktop program: progress and status
// refreshes go to the frame, the message queue is pumped with Qt's event
// loop, captions are drawn with a bold sans-serif font, errors become
// message boxes.

#include "engine/Generation.h"

#include "platform/Window.h"

#include <QString>

#include <functional>

class QWidget;

namespace engine_ui {

// The caption font: DejaVu Sans Bold when the system has it (the command
// line draws captions with the same face), else the default bold sans-serif.
QString CaptionFontFamily();

// Draws text onto an 8-bit picture with Qt's fonts: (x, y) is the top-left
// corner counted from the top; every pixel the font sets becomes the palette
// entry nearest to colour, with no blending (the font is rendered without
// antialiasing). The host draws captions with the engine's renderer, shared
// with the command line, and uses this only when that finds no font.
void DrawCaptionText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                     std::string_view text, engine::Rgb colour);

// The stop flag of the running generation; "Stop Current Process" sets it.
// Requests made while no generation runs are dropped.
void RequestGenerationStop();
bool GenerationStopRequested();
// A generation runs (its host exists).
bool GenerationRunning();

// Sees every progress report and every message pump of the running
// generations as they happen, so that a measurement can tell how long the
// desktop program goes without a moving gauge or without answering. At most
// one is installed at a time; null removes it.
class GenerationProbe {
public:
    virtual ~GenerationProbe() = default;
    // A report, once the frame has shown it.
    virtual void progressReported(int phase, const engine::ProgressRecord& record) = 0;
    // The engine's closing report, held back until the window shows the
    // result (see GenerationSession).
    virtual void progressHeld(const engine::ProgressRecord&) {}
    virtual void messagesPumped() {}
};
void SetGenerationProbe(GenerationProbe* probe);

// A command that makes a stereogram, from its start until its window shows
// the result. Stop requests are taken the whole time, not only while the
// engine works, and the closing progress report of the generations run
// inside is held back until the session ends: the gauge, the busy state and
// Stop stay until the picture is on the screen. Sessions do not nest.
class GenerationSession {
public:
    GenerationSession();
    ~GenerationSession();
    GenerationSession(const GenerationSession&) = delete;
    GenerationSession& operator=(const GenerationSession&) = delete;

    // Lets the window that got the result paint it (pumps messages once);
    // false when Stop was asked for at any time since the session began.
    bool ShowResult();
};

class QtGenerationHost : public engine::GenerationHost {
public:
    // frame receives progress reports and status refreshes; owner is the
    // window that shows errors; pattern supplies the current pattern.
    QtGenerationHost(platform::Window* frame, QWidget* owner, std::function<engine::PatternRef()> pattern);
    ~QtGenerationHost() override;

    void progress(int phase, const engine::ProgressRecord& record) override;
    engine::PatternRef pattern() override;
    void statusRefresh() override;
    bool pumpMessages() override;
    void drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y, std::string_view text,
                  engine::Rgb colour) override;
    void showError(std::string_view message) override;
    void beep() override;

private:
    platform::Window* frame_;
    QWidget* owner_;
    std::function<engine::PatternRef()> pattern_;
};

} // namespace engine_ui
