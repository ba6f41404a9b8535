#include "engine_ui/QtGenerationHost.h"

#include "depthmap_ui/TMouseWnd.h"
#include "depthmap_ui/UiMessageBox.h"

#include "engine/CaptionText.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <utility>

namespace engine_ui {
namespace {

bool& StopFlag()
{
    static bool stop = false;
    return stop;
}

// Nesting depth of running generations; the stop flag is cleared when the
// outermost one starts.
int& Running()
{
    static int running = 0;
    return running;
}

GenerationProbe*& Probe()
{
    static GenerationProbe* probe = nullptr;
    return probe;
}

// The closing report held back by the open session.
struct HeldEnd {
    bool open = false;
    platform::Window* frame = nullptr;
    engine::ProgressRecord record;
};

HeldEnd& Session()
{
    static HeldEnd held;
    return held;
}

// The probe hears of a report once the frame has shown it.
void SendProgress(platform::Window* frame, int phase, const engine::ProgressRecord& record)
{
    platform::sendMessage(frame, platform::WM_PROGRESSREPORT, static_cast<std::uintptr_t>(phase),
                          reinterpret_cast<std::intptr_t>(&record));
    if (GenerationProbe* probe = Probe())
        probe->progressReported(phase, record);
}

QFont CaptionFont()
{
    QFont font(CaptionFontFamily());
    font.setBold(true);
    font.setPixelSize(14);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

QString CaptionFontFamily()
{
    static const QString family = [] {
        const QString path = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
        if (QFile::exists(path)) {
            const int id = QFontDatabase::addApplicationFont(path);
            const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
            if (!families.isEmpty())
                return families.front();
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

void DrawCaptionText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                     std::string_view text, engine::Rgb colour)
{
    if (text.empty() || image.bitsPerPixel() != 8)
        return;
    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFont font = CaptionFont();
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(qtext) + 2;
    const int height = metrics.height();
    if (width <= 0 || height <= 0)
        return;
    // The font is rendered without antialiasing, so every pixel is either
    // fully covered or not at all; half-covered ones cannot occur.
    QImage mask(width, height, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(0, metrics.ascent(), qtext);
    }
    const std::uint8_t index = palette.nearest(colour.red, colour.green, colour.blue);
    for (int my = 0; my < height; ++my) {
        const int py = y + my;
        if (py < 0 || py >= image.height())
            continue;
        std::uint8_t* row = image.rowFromTop(py);
        for (int mx = 0; mx < width; ++mx) {
            const int px = x + mx;
            if (px >= 0 && px < image.width() && qAlpha(mask.pixel(mx, my)) >= 128)
                row[px] = index;
        }
    }
}

void SetGenerationProbe(GenerationProbe* probe)
{
    Probe() = probe;
}

void RequestGenerationStop()
{
    if (Running() > 0)
        StopFlag() = true;
}

bool GenerationStopRequested()
{
    return StopFlag();
}

bool GenerationRunning()
{
    return Running() > 0;
}

GenerationSession::GenerationSession()
{
    if (Running()++ == 0)
        StopFlag() = false;
    Session() = HeldEnd{};
    Session().open = true;
}

GenerationSession::~GenerationSession()
{
    const HeldEnd held = Session();
    Session() = HeldEnd{};
    if (--Running() == 0)
        StopFlag() = false;
    if (held.frame)
        SendProgress(held.frame, engine::kProgressEnd, held.record);
}

bool GenerationSession::ShowResult()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !StopFlag();
}

QtGenerationHost::QtGenerationHost(platform::Window* frame, QWidget* owner, std::function<engine::PatternRef()> pattern)
    : frame_(frame), owner_(owner), pattern_(std::move(pattern))
{
    if (Running()++ == 0)
        StopFlag() = false;
    // The source document (a depth map window, a picture) is read between
    // message pumps: no document may close until the generation is over.
    depthmap_ui::TMouseWnd::SetDocumentsBusy(true);
}

QtGenerationHost::~QtGenerationHost()
{
    depthmap_ui::TMouseWnd::SetDocumentsBusy(false);
    if (--Running() == 0)
        StopFlag() = false;
}

void QtGenerationHost::progress(int phase, const engine::ProgressRecord& record)
{
    HeldEnd& session = Session();
    if (phase == engine::kProgressEnd && session.open) {
        session.frame = frame_;
        session.record = record;
        if (GenerationProbe* probe = Probe())
            probe->progressHeld(record);
        return;
    }
    SendProgress(frame_, phase, record);
}

engine::PatternRef QtGenerationHost::pattern()
{
    return pattern_ ? pattern_() : engine::PatternRef{};
}

void QtGenerationHost::statusRefresh()
{
    platform::sendMessage(frame_, platform::WM_STATUSREFRESH);
}

bool QtGenerationHost::pumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (GenerationProbe* probe = Probe())
        probe->messagesPumped();
    return StopFlag();
}

void QtGenerationHost::drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                                std::string_view text, engine::Rgb colour)
{
    // The engine's renderer is what the command line uses: the same figure
    // makes the same picture either way. Qt's font machinery only steps in
    // when the engine finds no font file.
    if (!engine::drawCaptionText(image, palette, x, y, text, colour))
        DrawCaptionText(image, palette, x, y, text, colour);
}

void QtGenerationHost::showError(std::string_view message)
{
    depthmap_ui::UiMessageBox(owner_, message, "Error", platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

void QtGenerationHost::beep()
{
    QApplication::beep();
}

} // namespace engine_ui
