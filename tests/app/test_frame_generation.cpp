// Making a stereogram from the frame, seen through the generation's reports:
// Stop is taken at every report up to the moment the window shows the
// result, and the busy state (with Stop offered) lasts until then.

#include "FrameFixture.h"

#include "gui/Commands.h"
#include "gui/TCStatusBar.h"

#include "engine/Generation.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <functional>

using namespace gui;
using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

namespace {

// Runs a callback at each progress report of the generations.
class ReportHook : public engine_ui::GenerationProbe {
public:
    ReportHook() { engine_ui::SetGenerationProbe(this); }
    ~ReportHook() override { engine_ui::SetGenerationProbe(nullptr); }
    void progressReported(int phase, const engine::ProgressRecord&) override { note(phase); }
    // The engine's last report, held until the window shows: a stop now
    // still counts.
    void progressHeld(const engine::ProgressRecord&) override { note(kHeld); }
    void note(int phase)
    {
        phases.push_back(phase);
        if (onReport)
            onReport(static_cast<int>(phases.size()) - 1, phase);
    }
    static constexpr int kHeld = -1;
    std::vector<int> phases;
    std::function<void(int index, int phase)> onReport;
};

// Notes whether the frame was busy, with Stop offered, when a stereogram
// window first painted its picture.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(gui::TDotscapeWnd* frame) : frame_(frame) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            auto* window = qobject_cast<engine_ui::TSirdsWnd*>(watched->parent());
            if (window && window->viewport() == watched && window->IsSird() && window->GetPicture()) {
                painted = true;
                busyWhenPainted = frame_->Busy() && frame_->Action(CM_STOP)->isEnabled();
            }
        }
        return false;
    }
    bool painted = false;
    bool busyWhenPainted = false;

private:
    gui::TDotscapeWnd* frame_;
};

} // namespace

class FrameGeneration : public FrameTest {
protected:
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }
    void addPicture(int width, int height)
    {
        auto* picture = new engine_ui::TSirdsWnd(nullptr, "moon.gif", frame()->FrameWindow(),
                                                 gradient(width, height), grayPalette(), width, height,
                                                 engine_ui::SourcePicture, &frame()->Settings());
        picture->SetNoSaveQuestion(true);
        frame()->AddDocument(picture);
        QApplication::processEvents();
    }
    // Runs the command, pressing Stop at report number stopAt (-1: never).
    // Returns the reports seen.
    std::vector<int> run(int command, int stopAt)
    {
        ReportHook hook;
        hook.onReport = [this, stopAt](int index, int) {
            if (index == stopAt)
                frame()->Command(CM_STOP);
        };
        frame()->Command(command);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        return hook.phases;
    }
};

TEST_F(FrameGeneration, TheWindowShowsItsPictureWhileStopIsStillOffered)
{
    start();
    frame()->Settings().w = 300;
    frame()->Settings().h = 200;
    {
        PaintWatch watch(frame());
        const std::vector<int> phases = run(CM_FIGUREFIRST, -1);
        ASSERT_FALSE(phases.empty());
        EXPECT_EQ(phases.front(), engine::kProgressStart);
        // The closing report is held back, then sent when the window shows.
        ASSERT_GE(phases.size(), 3u);
        EXPECT_EQ(phases[phases.size() - 2], ReportHook::kHeld);
        EXPECT_EQ(phases.back(), engine::kProgressEnd);
        EXPECT_TRUE(watch.painted);
        EXPECT_TRUE(watch.busyWhenPainted);
    }
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_FALSE(frame()->Action(CM_STOP)->isEnabled());
    // The status bar describes the new picture once the work is over.
    EXPECT_EQ(frame()->Status()->MessageText(), QStringLiteral("300 x 200 x 256"));

    addPicture(120, 90);
    PaintWatch watch(frame());
    run(CM_MAKESIRDS, -1);
    EXPECT_TRUE(watch.painted);
    EXPECT_TRUE(watch.busyWhenPainted);
    EXPECT_EQ(windows(), 3);
    EXPECT_FALSE(frame()->Busy());
}

TEST_F(FrameGeneration, StopAtAnyReportUpToTheWindowLeavesNoWindow)
{
    start();
    frame()->Settings().w = 240;
    frame()->Settings().h = 160;
    const std::size_t reports = run(CM_FIGUREFIRST, -1).size();
    ASSERT_GE(reports, 3u);
    frame()->Client()->closeAllSubWindows(); // asks to save the made picture
    QApplication::processEvents();
    boxes.shown.clear();
    // The last two are the held closing report (the picture is made, the
    // window not yet shown) and the closing report itself, after which the
    // window is there and Stop no longer offered.
    for (int stopAt = 0; stopAt + 1 < static_cast<int>(reports); ++stopAt) {
        run(CM_FIGUREFIRST, stopAt);
        EXPECT_EQ(windows(), 0) << stopAt;
        EXPECT_FALSE(frame()->Busy()) << stopAt;
        EXPECT_TRUE(boxes.shown.empty()) << stopAt;
    }

    addPicture(100, 80);
    const std::size_t pictureReports = run(CM_MAKESIRDS, -1).size();
    ASSERT_GE(pictureReports, 3u);
    ASSERT_EQ(windows(), 2);
    frame()->Client()->closeActiveSubWindow();
    QApplication::processEvents();
    boxes.shown.clear();
    for (int stopAt = 0; stopAt + 1 < static_cast<int>(pictureReports); ++stopAt) {
        run(CM_MAKESIRDS, stopAt);
        EXPECT_EQ(windows(), 1) << stopAt;
        EXPECT_FALSE(frame()->Busy()) << stopAt;
    }
    EXPECT_TRUE(boxes.shown.empty());
    // Unstopped, it still works afterwards.
    run(CM_MAKESIRDS, -1);
    EXPECT_EQ(windows(), 2);
}
