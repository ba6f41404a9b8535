#pragma once
// The wizard's third page (203): the background pattern. "Next" and "Prev"
// step through the pattern library, wrapping at both ends, and select each
// pattern in the library at once; the preview (501) shows it.

#include "wizard/WizardDlg.h"

class QLabel;
class QPushButton;

namespace engine {
class TSirdPatt;
}
namespace engine_ui {
class PatternSample;
}

namespace wizard {

class PattWizDlg : public WizardDlg {
    Q_OBJECT
public:
    // library: not owned; may be null (nothing to browse).
    PattWizDlg(QWidget* parent, engine::TSirdPatt* library);

    // The pattern index shown, for the driver.
    int PatternIndex() const { return index_; }

    QPushButton* NextPattern() const { return nextPattern_; } // 301
    QPushButton* PrevPattern() const { return prevPattern_; } // 302
    QString PatternLabel() const;                            // 311
    engine_ui::PatternSample* Sample() const { return sample_; } // 501

private:
    void Show();
    void Step(int delta);

    engine::TSirdPatt* library_;
    int index_ = 0;
    engine_ui::PatternSample* sample_;
    QLabel* label_;
    QPushButton* nextPattern_;
    QPushButton* prevPattern_;
};

} // namespace wizard
