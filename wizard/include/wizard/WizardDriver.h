#pragma once
// Runs the four wizard pages as a state machine: "Next >" goes on, "< Back"
// goes back, Cancel (or closing a page) ends the wizard and puts the
// settings and the pattern selection back exactly as they were. The values
// of the dimensions page, corrected as the settings dialog would correct
// them, make the stereogram; they reach the program's settings only when
// the page's "Keep as default size" is checked. Opening the chosen source
// and making the stereogram is the caller's work.

#include "wizard/SettWizDlg.h"
#include "wizard/SourceWizDlg.h"

#include "engine/SirdsSettings.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QDialog;
class QWidget;

namespace engine {
class TSirdPatt;
}

namespace wizard {

struct WizardResult {
    bool finished = false; // false: the wizard was cancelled
    int sourceType = kSourceMath;
    QString sourceName;
    int figureIndex = 0;
    // The settings to make the stereogram with: the program's, with the
    // dimensions page's width, height, Zmin and Zmax.
    engine::SirdsSettings made;
    // The dimensions page's values went into the program's settings too.
    bool keptAsDefault = false;
};

class WizardDriver {
public:
    // Runs a page or the figure selection modally and returns its result.
    using DialogRunner = std::function<int(QDialog& dialog)>;

    // settings and patterns (may be null) are the program's own: the pattern
    // page selects in the library at once, the scan method goes into the
    // settings when the last page is left, the dimensions only when kept;
    // lastSource is where the source page starts.
    WizardDriver(QWidget* parent, engine::SirdsSettings& settings, engine::TSirdPatt* patterns,
                 SourceChoice lastSource);

    // Replaces QDialog::exec for every page and the figure selection.
    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    // Replaces the file dialog of the source page.
    void SetFileChooser(SourceWizDlg::FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // The folder the source page's file dialog starts in.
    void SetStartFolder(const QString& folder) { startFolder_ = folder; }
    // The model files the program opens, as the source page takes them;
    // without it no model is offered.
    void SetModelFilter(const QString& filter) { modelFilter_ = filter; }
    // The size of a picture or depth map source (source type and name), or
    // none when it has no size of its own or cannot be read.
    using SourceSizer = std::function<std::optional<SourceSize>(int sourceType, const QString& name)>;
    void SetSourceSizer(SourceSizer sizer) { sizeOf_ = std::move(sizer); }

    WizardResult Run();

    // The pages shown by the last Run, by template number, in order.
    const std::vector<int>& PagesShown() const { return shown_; }
    // The source page's choice when the last Run left it with "Next >" (even
    // if a later page was cancelled): what to remember for the next run.
    const std::optional<SourceChoice>& ChosenSource() const { return chosen_; }

private:
    int RunPage(WizardDlg& page);

    QWidget* parent_;
    engine::SirdsSettings& settings_;
    engine::TSirdPatt* patterns_;
    SourceChoice lastSource_;
    std::optional<SourceChoice> chosen_;
    DialogRunner runDialog_;
    SourceWizDlg::FileChooser chooseFile_;
    SourceSizer sizeOf_;
    QString startFolder_;
    QString modelFilter_;
    std::vector<int> shown_;
};

// What the dimensions page's copy becomes in the program's settings: every
// field as the settings dialog's OK would store it had it been typed there
// (a width below twice the gap raised to it, a height of 0 made 400 ...).
// A depth range of no width, which would make a flat stereogram, becomes the
// default 0 to 63, and an unknown scan method the default McMahon.
engine::SirdsSettings CorrectedSettings(const engine::SirdsSettings& typed);

} // namespace wizard
