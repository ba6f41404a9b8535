#pragma once
// The base of the SIRDS wizard's pages: a modal dialog captioned
// "SIRDS Wizard" with the wizard picture (601) at the top left, the page's
// own controls beside it, and "< Back" (102, from the second page on),
// "Next >" (101) and "Cancel" (2) along the bottom. "Next >" first stores
// the page's controls (the next hook) and ends the dialog with 101; "< Back"
// runs the back hook and ends it with 102; Cancel and Escape end it with
// QDialog::Rejected.

#include <QDialog>

class QAbstractButton;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace wizard {

// Results of a page.
inline constexpr int kResultNext = 101;
inline constexpr int kResultBack = 102;

class WizardDlg : public QDialog {
    Q_OBJECT
public:
    // templateId: 201 source, 202 dimensions, 203 pattern, 204 scan method.
    WizardDlg(QWidget* parent, int templateId);

    int TemplateId() const { return templateId_; }
    // The push buttons by id: 2 Cancel, 101 Next (or the last page's
    // "Make SIRDS"), 102 Back (null on the first page).
    QPushButton* Button(int id) const;
    // The picture (601).
    QLabel* Picture() const { return picture_; }

protected:
    // Stores the page's controls into its data; runs before the dialog ends
    // with 101.
    virtual void NextHook() {}
    // Runs before the dialog ends with 102; no page does anything here.
    virtual void BackHook() {}

    // Where a page puts its controls.
    QVBoxLayout* PageLayout() const { return page_; }

private:
    void Next();
    void Back();

    int templateId_;
    QLabel* picture_;
    QVBoxLayout* page_;
    QPushButton* next_;
    QPushButton* back_ = nullptr;
    QPushButton* cancel_;
};

} // namespace wizard
