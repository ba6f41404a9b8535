#include "wizard/WizardDriver.h"

#include "wizard/AlgoWizDlg.h"
#include "wizard/PattWizDlg.h"

#include "depthmap_ui/ModalRun.h"

#include "engine/TSirdPatt.h"

namespace wizard {

engine::SirdsSettings CorrectedSettings(const engine::SirdsSettings& typed)
{
    engine::SirdsSettings result = typed;
    engine::applyDialogState(engine::dialogStateFrom(typed), result);
    if (result.zmin == result.zmax) {
        const engine::SirdsSettings defaults;
        result.zmin = defaults.zmin;
        result.zmax = defaults.zmax;
    }
    if (result.ShiftDir < engine::LeftToRight || result.ShiftDir > engine::HiddenSurface)
        result.ShiftDir = engine::McMahon;
    return result;
}

WizardDriver::WizardDriver(QWidget* parent, engine::SirdsSettings& settings, engine::TSirdPatt* patterns,
                           SourceChoice lastSource)
    : parent_(parent), settings_(settings), patterns_(patterns), lastSource_(std::move(lastSource))
{
}

int WizardDriver::RunPage(WizardDlg& page)
{
    shown_.push_back(page.TemplateId());
    return runDialog_ ? runDialog_(page) : depthmap_ui::RunModal(page);
}

WizardResult WizardDriver::Run()
{
    shown_.clear();
    chosen_.reset();
    const engine::SirdsSettings savedSettings = settings_;
    const int savedPattern = patterns_ ? patterns_->GetSelection() : 0;
    WizardResult result;
    // The settings the stereogram is made with: the program's, then what the
    // dimensions page was left with (shown again when it comes back), then
    // the scan method.
    engine::SirdsSettings work = settings_;
    bool typed = false;
    bool keep = false;
    enum Page { Source, Dimensions, Pattern, Method, Finished, Cancelled };
    Page page = Source;
    while (page != Finished && page != Cancelled) {
        switch (page) {
        case Source: {
            SourceWizDlg dialog(parent_, chosen_ ? *chosen_ : lastSource_, modelFilter_);
            dialog.SetFileChooser(chooseFile_);
            dialog.SetDialogRunner(runDialog_);
            dialog.SetStartFolder(startFolder_);
            if (RunPage(dialog) == kResultNext) {
                result.sourceType = dialog.SourceType();
                result.sourceName = dialog.SourceName();
                result.figureIndex = dialog.FigureIndex();
                chosen_ = dialog.Choice();
                page = Dimensions;
            } else {
                page = Cancelled;
            }
            break;
        }
        case Dimensions: {
            const std::optional<SourceSize> size =
                sizeOf_ && result.sourceType != kSourceMath ? sizeOf_(result.sourceType, result.sourceName)
                                                            : std::nullopt;
            SettWizDlg dialog(parent_, typed ? work : settings_, size, keep);
            const int answer = RunPage(dialog);
            if (answer == kResultNext) {
                work = CorrectedSettings(dialog.Settings());
                typed = true;
                keep = dialog.KeepAsDefault();
                page = Pattern;
            } else {
                page = answer == kResultBack ? Source : Cancelled;
            }
            break;
        }
        case Pattern: {
            PattWizDlg dialog(parent_, patterns_);
            const int answer = RunPage(dialog);
            if (answer == kResultNext) {
                if (patterns_)
                    patterns_->Select(dialog.PatternIndex());
                page = Method;
            } else {
                page = answer == kResultBack ? Dimensions : Cancelled;
            }
            break;
        }
        case Method: {
            AlgoWizDlg dialog(parent_, work);
            const int answer = RunPage(dialog);
            if (answer == kResultNext) {
                work = dialog.Settings();
                // The scan method is the wizard's choice, kept like the pattern.
                settings_.ShiftDir = work.ShiftDir;
                page = Finished;
            } else {
                page = answer == kResultBack ? Pattern : Cancelled;
            }
            break;
        }
        case Finished:
        case Cancelled:
            break;
        }
    }
    if (page == Cancelled) {
        settings_ = savedSettings;
        if (patterns_)
            patterns_->Select(savedPattern);
        return WizardResult{};
    }
    result.made = work;
    if (keep)
        settings_ = work;
    result.keptAsDefault = keep;
    result.finished = true;
    return result;
}

} // namespace wizard
