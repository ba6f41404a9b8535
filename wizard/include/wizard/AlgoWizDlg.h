#pragma once
// The wizard's last page (204): the scan method, one of the three classic
// ones or the hidden-surface method (ShiftDir 4). Its "Make SIRDS" button
// (101, the default) ends the wizard.

#include "wizard/WizardDlg.h"

#include "engine/SirdsSettings.h"

class QRadioButton;

namespace wizard {

class AlgoWizDlg : public WizardDlg {
    Q_OBJECT
public:
    AlgoWizDlg(QWidget* parent, const engine::SirdsSettings& settings);

    // The page's copy (final after "Make SIRDS").
    const engine::SirdsSettings& Settings() const { return settings_; }
    // Radio buttons 103 Left-to-right, 104 McMahon, 105 Feucht, 106 Hidden
    // Surface.
    QRadioButton* Radio(int id) const;

protected:
    void NextHook() override;

private:
    engine::SirdsSettings settings_;
    static constexpr int kMethods = 4;
    QRadioButton* methods_[kMethods];
};

} // namespace wizard
