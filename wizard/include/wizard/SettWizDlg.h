#pragma once
// The wizard's second page (202): the width and height of a stereogram
// made from a math figure and the depth resolution (Zmin, Zmax). "Next >"
// reads the edits into the page's copy of the settings as plain numbers;
// the driver corrects them as the settings dialog would before they reach
// the program's settings.

#include "wizard/WizardDlg.h"

#include "engine/SirdsSettings.h"

class QLineEdit;

namespace wizard {

class SettWizDlg : public WizardDlg {
    Q_OBJECT
public:
    SettWizDlg(QWidget* parent, const engine::SirdsSettings& settings);

    // The page's copy (final after "Next >").
    const engine::SirdsSettings& Settings() const { return settings_; }
    // Edits 104 Width, 105 Height, 103 Zmin, 114 Zmax.
    QLineEdit* Edit(int id) const;

protected:
    void NextHook() override;

private:
    engine::SirdsSettings settings_;
    QLineEdit* width_;
    QLineEdit* height_;
    QLineEdit* zmin_;
    QLineEdit* zmax_;
};

// The page's reading of an edit (at most 64 characters): optional blanks
// and sign, then decimal digits up to the first other character; no digits
// gives 0, and numbers beyond the 32-bit range stop at its ends.
std::int32_t PageInteger(const QString& text);

} // namespace wizard
