#include "wizard/WizardDriver.h"

#include "wizard/AlgoWizDlg.h"
#include "wizard/PattWizDlg.h"
#include "wizard/SettWizDlg.h"

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
    return runDialog_ ? runDialog_(page) : page.exec();
}

WizardResult WizardDriver::Run()
{
    shown_.clear();
    chosen_.reset();
    const engine::SirdsSettings savedSettings = settings_;
    const int savedPattern = patterns_ ? patterns_->GetSelection() : 0;
    WizardResult result;
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
            SettWizDlg dialog(parent_, settings_);
            const int answer = RunPage(dialog);
            if (answer == kResultNext) {
                settings_ = CorrectedSettings(dialog.Settings());
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
            AlgoWizDlg dialog(parent_, settings_);
            const int answer = RunPage(dialog);
            if (answer == kResultNext) {
                settings_ = dialog.Settings();
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
    result.finished = true;
    return result;
}

} // namespace wizard
