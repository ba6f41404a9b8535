// "Reveal Depth": the depth hidden in the active picture or stereogram,
// recovered by the engine's revealer and opened as a grey picture in a new
// window ("<title> depth"). A picture with no repeat is refused with the
// revealer's message.

#include "gui/TDotscapeWnd.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

#include "engine/Generation.h"
#include "engine/Reveal.h"
#include "engine_ui/TSirdsWnd.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <memory>

namespace gui {

void TDotscapeWnd::ConnectRevealCommands()
{
    OnCommand(CM_REVEALDEPTH, [this] { CmRevealDepth(); });
}

void TDotscapeWnd::CmRevealDepth()
{
    engine_ui::TSirdsWnd* source = ActivePicture();
    if (!source || !source->GetPicture())
        return;
    engine::ProgressRecord record;
    record.setText("Revealing Depth");
    record.done = 0;
    ProgressReport(engine::kProgressStart, reinterpret_cast<std::intptr_t>(&record));

    engine::RevealOptions options;
    options.progress = [this, &record](int done, int total) {
        record.done = done;
        record.total = total;
        ProgressReport(engine::kProgressStep, reinterpret_cast<std::intptr_t>(&record));
        // Paint the gauge; no input is taken while the revealer runs.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    };
    engine::RevealResult result = engine::revealDepth(*source->GetPicture(), source->GetPalette(), options);
    ProgressReport(engine::kProgressEnd, reinterpret_cast<std::intptr_t>(&record));
    if (!result.done()) {
        MessageBox(this, fromStd(result.error), QStringLiteral("Note"),
                   platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    const int width = result.depth->width();
    const int height = result.depth->height();
    auto* depth = new engine_ui::TSirdsWnd(nullptr, source->GetTitle() + " depth", FrameWindow(),
                                           std::move(result.depth),
                                           std::make_unique<platform::Palette>(result.palette), width, height,
                                           engine_ui::SourcePicture, &settings_);
    depth->SetPattLib(patterns_.get());
    AddDocument(depth);
    StatusRefresh();
}

} // namespace gui
