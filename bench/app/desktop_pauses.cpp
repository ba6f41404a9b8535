// Measures how the desktop program answers while it makes stereograms. For
// each case it runs the command as the menu would and records, with their
// times, every progress report and every message pump of the generation and
// the first paint of the window that shows the result. It prints the time
// from the command to that paint, the longest stretch without a progress
// report (a gauge that does not move) and the longest stretch without
// pumping messages (a program that does not answer), with the text the
// status bar showed when that stretch began.
//
//   desktop_pauses [--repeat N] [--only NAME] [--trace]
//
// --trace lists every report with its time and the pumps between reports.
//
// Cases: math1200 (a 1200 x 1200 figure), picture8 and picture24 (a
// 16000 x 12000 picture of 8 and of 24 bits per pixel made into a
// stereogram). The platform is QT_QPA_PLATFORM's (offscreen when unset); run
// it under a real display for the figures a user sees. Beside the time on the
// clock it prints the processor time the program used until the paint: on a
// busy machine the two differ by the time other programs held the processor.

#include "app/Configuration.h"
#include "gui/Commands.h"
#include "gui/TDotscapeApp.h"
#include "gui/TDotscapeWnd.h"

#include "engine/Generation.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

struct Mark {
    double ms;
    std::string what; // the report's text, "pump" or "paint"
    bool report;      // a progress report (the gauge or the text changes)
};

// Records the generation's reports and pumps and the first paint of a
// stereogram window that has its picture.
class Recorder : public engine_ui::GenerationProbe, public QObject {
public:
    void begin()
    {
        marks.clear();
        painted = false;
        paintCpu = -1;
        cpuStart = cpuNow();
        clock.start();
    }
    static double cpuNow()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    void progressReported(int phase, const engine::ProgressRecord& record) override
    {
        char text[64];
        const std::string_view shown = record.textView();
        if (phase == engine::kProgressEnd)
            std::snprintf(text, sizeof text, "end");
        else if (phase == engine::kProgressStep)
            std::snprintf(text, sizeof text, "%.*s %d%%", static_cast<int>(shown.size()), shown.data(),
                          static_cast<int>(record.percent()));
        else
            std::snprintf(text, sizeof text, "%.*s", static_cast<int>(shown.size()), shown.data());
        marks.push_back({now(), text, true});
    }
    void progressHeld(const engine::ProgressRecord&) override { marks.push_back({now(), "made", false}); }
    void messagesPumped() override { marks.push_back({now(), "pump", false}); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!painted && event->type() == QEvent::Paint) {
            if (auto* window = qobject_cast<engine_ui::TSirdsWnd*>(watched->parent());
                window && window->viewport() == watched && window->GetPicture() && window->IsSird()) {
                painted = true;
                paintCpu = cpuNow() - cpuStart;
                marks.push_back({now(), "paint", true});
            }
        }
        return false;
    }
    double now() const { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

    QElapsedTimer clock;
    std::vector<Mark> marks;
    bool painted = false;
    double cpuStart = 0;
    double paintCpu = -1;
};

struct Result {
    double toPaint = -1;
    double cpuToPaint = -1;
    double longestSilentGauge = 0;
    std::string gaugeStretchAfter;
    double longestUnanswered = 0;
    std::string answerStretchAfter;
};

// The longest stretch between marks that count (reports, or every mark),
// from the command (time 0) to the paint.
void longest(const std::vector<Mark>& marks, bool reportsOnly, double& length, std::string& after)
{
    double last = 0;
    std::string lastText = "command";
    for (const Mark& m : marks) {
        if (reportsOnly && !m.report)
            continue;
        if (m.ms - last > length) {
            length = m.ms - last;
            after = lastText;
        }
        last = m.ms;
        if (m.what != "pump")
            lastText = m.what;
        if (m.what == "paint")
            break;
    }
}

Result analyse(const Recorder& r)
{
    Result out;
    out.cpuToPaint = r.paintCpu;
    for (const Mark& m : r.marks)
        if (m.what == "paint")
            out.toPaint = m.ms;
    longest(r.marks, true, out.longestSilentGauge, out.gaugeStretchAfter);
    longest(r.marks, false, out.longestUnanswered, out.answerStretchAfter);
    return out;
}

// Waits for the result window's first paint (at most a few seconds).
void waitForPaint(Recorder& recorder)
{
    QElapsedTimer limit;
    limit.start();
    while (!recorder.painted && limit.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::unique_ptr<platform::Bitmap> noisePicture(int width, int height, int bits)
{
    auto bitmap = platform::Bitmap::create(width, height, bits);
    if (!bitmap)
        return nullptr;
    std::mt19937 random(7);
    const int bytes = width * (bits / 8);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bytes));
    for (auto& b : row)
        b = static_cast<std::uint8_t>(random());
    for (int y = 0; y < height; ++y) {
        // Rows differ by a rotation, cheap to make and not all alike.
        std::memcpy(bitmap->row(y), row.data() + (y * 31) % bytes, static_cast<std::size_t>(bytes - (y * 31) % bytes));
        std::memcpy(bitmap->row(y) + bytes - (y * 31) % bytes, row.data(), static_cast<std::size_t>((y * 31) % bytes));
    }
    return bitmap;
}

std::unique_ptr<platform::Palette> greyPalette()
{
    std::vector<platform::PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(i), 0};
    return std::make_unique<platform::Palette>(entries);
}

void closeAll(gui::TDotscapeWnd* frame)
{
    for (QMdiSubWindow* sub : frame->Client()->subWindowList())
        if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget()))
            picture->SetNoSaveQuestion(true);
    frame->Client()->closeAllSubWindows();
    QApplication::processEvents();
}

bool tracing = false;

void trace(const Recorder& r)
{
    if (!tracing)
        return;
    int pumps = 0;
    for (const Mark& m : r.marks) {
        if (!m.report) {
            ++pumps;
            continue;
        }
        std::printf("    %9.1f ms  %-28s (%d pumps before)\n", m.ms, m.what.c_str(), pumps);
        pumps = 0;
    }
}

void print(const char* name, int run, const Result& r)
{
    std::printf("%-10s run %d: window painted after %8.1f ms (%.1f ms processor); longest without a report %7.1f ms "
                "(after \"%s\"); longest without answering %7.1f ms (after \"%s\")\n",
                name, run, r.toPaint, r.cpuToPaint, r.longestSilentGauge, r.gaugeStretchAfter.c_str(),
                r.longestUnanswered, r.answerStretchAfter.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else if (!std::strcmp(argv[i], "--trace"))
            tracing = true;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    // Depth beyond Zmax is kept as it is, as the answer No to the program's
    // offer would keep it: the offer's box would wait for a click no one gives.
    const std::string ini = dir.filePath(QStringLiteral("config/DOTSCAPE.INI")).toStdString();
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    app::Configuration settings;
    settings.FitDepth = 2;
    if (!settings.save(ini)) {
        std::fprintf(stderr, "cannot write %s\n", ini.c_str());
        return 1;
    }
    gui::TDotscapeApp program(ini, false);
    program.InitMainWindow();
    gui::TDotscapeWnd* frame = program.Frame();
    if (!frame->Patterns() || frame->Patterns()->GetCount() == 0) {
        std::fprintf(stderr, "no pattern library: build the pattern set first\n");
        return 1;
    }
    frame->resize(1024, 768);
    QApplication::processEvents();

    Recorder recorder;
    engine_ui::SetGenerationProbe(&recorder);
    app.installEventFilter(&recorder);

    std::vector<double> mathTimes;
    std::vector<double> mathCpu;
    if (only.empty() || only == "math1200") {
        frame->Settings().w = 1200;
        frame->Settings().h = 1200;
        for (int run = 0; run < repeat + 1; ++run) {
            recorder.begin();
            frame->Command(gui::CM_FIGUREFIRST);
            waitForPaint(recorder);
            const Result r = analyse(recorder);
            // The first run loads the figure library's code and the fonts.
            if (run > 0) {
                print("math1200", run, r);
                trace(recorder);
                mathTimes.push_back(r.toPaint);
                mathCpu.push_back(r.cpuToPaint);
            }
            closeAll(frame);
        }
        std::sort(mathTimes.begin(), mathTimes.end());
        std::sort(mathCpu.begin(), mathCpu.end());
        std::printf("math1200 to the painted window: median %.1f ms, fastest %.1f ms; processor time median %.1f ms\n",
                    mathTimes[mathTimes.size() / 2], mathTimes.front(), mathCpu[mathCpu.size() / 2]);
    }

    for (int bits : {8, 24}) {
        const std::string name = "picture" + std::to_string(bits);
        if (!only.empty() && only != name)
            continue;
        for (int run = 1; run <= repeat; ++run) {
            // A true-colour file comes without colours of its own: the window
            // shows it through the system palette, as after opening it.
            auto* picture = new engine_ui::TSirdsWnd(nullptr, "large.bmp", frame->FrameWindow(),
                                                     noisePicture(16000, 12000, bits),
                                                     bits == 8 ? greyPalette() : nullptr, 16000, 12000,
                                                     engine_ui::SourcePicture, &frame->Settings());
            picture->SetNoSaveQuestion(true);
            frame->AddDocument(picture);
            QApplication::processEvents();
            recorder.begin();
            frame->Command(gui::CM_MAKESIRDS);
            waitForPaint(recorder);
            print(name.c_str(), run, analyse(recorder));
            trace(recorder);
            closeAll(frame);
        }
    }
    engine_ui::SetGenerationProbe(nullptr);
    return 0;
}
