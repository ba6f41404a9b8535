// Depth beyond Zmax. An ordinary grey picture uses levels up to 255 while
// Zmax is usually 63: levels beyond it come out as streaks instead of a
// shape. Before such a stereogram is made the user is told and may have the
// depth fitted to Zmin..Zmax; the answer is remembered, and "Fit Depth to
// Zmin..Zmax" in the SIRDS menu shows and changes it.

#include "gui/TDotscapeWnd.h"

#include "gui/MessageBoxes.h"

#include "platform/Window.h"

#include <QAction>

namespace gui {

namespace {

constexpr int kAsk = 0;
constexpr int kFit = 1;
constexpr int kKeep = 2;

} // namespace

void TDotscapeWnd::ConnectDepthFitCommands()
{
    QAction* toggle = Action(CM_FITDEPTH);
    toggle->setCheckable(true);
    toggle->setChecked(config_.FitDepth == kFit);
    OnCommand(CM_FITDEPTH, [this] { config_.FitDepth = Action(CM_FITDEPTH)->isChecked() ? kFit : kKeep; });
}

bool TDotscapeWnd::PreviewFitsDepth() const
{
    // The preview cannot ask: it fits until the user says not to.
    return config_.FitDepth != kKeep;
}

std::optional<engine::GenerationOptions> TDotscapeWnd::DepthOptions(
    const QString& name, const std::function<engine::DepthRange()>& rangeOf)
{
    engine::GenerationOptions options;
    if (config_.FitDepth == kKeep)
        return options;
    const engine::DepthRange range = rangeOf();
    if (!range.beyond(settings_.zmax))
        return options;
    if (config_.FitDepth == kAsk) {
        const QString text =
            QStringLiteral("The depth of %1 goes up to %2, beyond Zmax %3: deeper levels come out as streaks "
                           "instead of a shape.\n\nFit the depth %4..%5 to Zmin..Zmax (%6..%7)?\n\n"
                           "Yes fits it, No makes the stereogram as it is. The answer is remembered: "
                           "\"Fit Depth to Zmin..Zmax\" in the SIRDS menu changes it.")
                .arg(name)
                .arg(range.highest)
                .arg(settings_.zmax)
                .arg(range.lowest)
                .arg(range.highest)
                .arg(settings_.zmin)
                .arg(settings_.zmax);
        const int answer = MessageBox(this, text, QStringLiteral("Depth Beyond Zmax"),
                                      platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
        if (answer == platform::IDCANCEL)
            return std::nullopt;
        config_.FitDepth = answer == platform::IDYES ? kFit : kKeep;
        Action(CM_FITDEPTH)->setChecked(config_.FitDepth == kFit);
    }
    if (config_.FitDepth == kFit)
        options.fit.emplace(range, settings_.zmin, settings_.zmax);
    return options;
}

} // namespace gui
