#pragma once
// The wizard's second page (202): the width and height of the stereogram
// and the depth resolution (Zmin, Zmax). A picture or a depth map is made
// at its own size: the page shows that size and it cannot be changed here.
// "Next >" reads the edits into the page's copy of the settings as plain
// numbers; the driver corrects them as the settings dialog would. They make
// this one stereogram, and become the program's settings only when "Keep as
// default size" is checked.

#include "wizard/WizardDlg.h"

#include "engine/SirdsSettings.h"

#include <optional>

class QCheckBox;
class QLineEdit;

namespace wizard {

// The size of the picture or depth map the stereogram is made from.
struct SourceSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const SourceSize&, const SourceSize&) = default;
};

class SettWizDlg : public WizardDlg {
    Q_OBJECT
public:
    // source: the size of a picture or map source, none for a figure.
    SettWizDlg(QWidget* parent, const engine::SirdsSettings& settings, std::optional<SourceSize> source = {},
               bool keep = false);

    // "Keep as default size" is checked.
    bool KeepAsDefault() const;
    QCheckBox* KeepBox() const { return keep_; }

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
    QCheckBox* keep_;
};

// The page's reading of an edit (at most 64 characters): optional blanks
// and sign, then decimal digits up to the first other character; no digits
// gives 0, and numbers beyond the 32-bit range stop at its ends.
std::int32_t PageInteger(const QString& text);

} // namespace wizard
