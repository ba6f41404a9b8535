// "Reveal Depth" and "Reveal Depth as Anaglyph": the depth hidden in the
// active picture or stereogram, recovered by the engine's revealer and
// opened in a new window, as a grey picture ("<title> depth") or as a
// red/cyan anaglyph of the scene ("<title> anaglyph"). A picture with no
// repeat is refused with the revealer's message. The gauge shows the rows
// done; Stop (or Esc) ends the work and leaves no window behind.

#include "gui/TDotscapeWnd.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

#include "depthmap_ui/TMouseWnd.h"
#include "engine/Generation.h"
#include "engine/Reveal.h"
#include "engine/RevealViews.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <memory>

namespace gui {

void TDotscapeWnd::ConnectRevealCommands()
{
    OnCommand(CM_REVEALDEPTH, [this] { CmRevealDepth(false); });
    OnCommand(CM_REVEALANAGLYPH, [this] { CmRevealDepth(true); });
}

void TDotscapeWnd::CmRevealDepth(bool asAnaglyph)
{
    engine_ui::TSirdsWnd* source = ActivePicture();
    if (!source || !source->GetPicture())
        return;
    engine::ProgressRecord record;
    record.setText("Revealing Depth");
    record.done = 0;
    engine::RevealResult result;
    std::unique_ptr<platform::Bitmap> shown;
    {
        // Stop requests count from here; the source window stays open
        // while its picture is read.
        engine_ui::GenerationSession session;
        depthmap_ui::TMouseWnd::SetDocumentsBusy(true);
        ProgressReport(engine::kProgressStart, reinterpret_cast<std::intptr_t>(&record));
        engine::RevealOptions options;
        options.progress = [this, &record](int done, int total) {
            record.done = done;
            record.total = total;
            ProgressReport(engine::kProgressStep, reinterpret_cast<std::intptr_t>(&record));
            // Paints the gauge and takes Stop; the other commands are
            // disabled while the frame is busy.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            return !engine_ui::GenerationStopRequested();
        };
        result = engine::revealDepth(*source->GetPicture(), source->GetPalette(), options);
        if (result.done() && asAnaglyph)
            shown = engine::anaglyph(
                engine::eyeViews(engine::rgbPlanes(*source->GetPicture(), source->GetPalette()), result));
        depthmap_ui::TMouseWnd::SetDocumentsBusy(false);
        ProgressReport(engine::kProgressEnd, reinterpret_cast<std::intptr_t>(&record));
    }
    if (result.status == engine::RevealStatus::Stopped) {
        StatusRefresh();
        return;
    }
    if (!result.done() || (asAnaglyph && !shown)) {
        const std::string why = result.done() ? std::string(engine::kRevealNoMemoryMessage) : result.error;
        MessageBox(this, fromStd(why), QStringLiteral("Note"), platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    std::unique_ptr<platform::Palette> palette;
    if (!asAnaglyph) {
        shown = std::move(result.depth);
        palette = std::make_unique<platform::Palette>(result.palette);
    }
    const int width = shown->width();
    const int height = shown->height();
    auto* window = new engine_ui::TSirdsWnd(nullptr, source->GetTitle() + (asAnaglyph ? " anaglyph" : " depth"),
                                            FrameWindow(), std::move(shown), std::move(palette), width, height,
                                            engine_ui::SourcePicture, &settings_);
    window->SetPattLib(patterns_.get());
    AddDocument(window);
    StatusRefresh();
}

} // namespace gui
