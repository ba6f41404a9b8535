#pragma once
// The wizard's last page (204): the scan method. Its "Make SIRDS" button
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
    // Radio buttons 103 Left-to-right, 104 McMahon, 105 Feucht.
    QRadioButton* Radio(int id) const;

protected:
    void NextHook() override;

private:
    engine::SirdsSettings settings_;
    QRadioButton* methods_[3];
};

} // namespace wizard
