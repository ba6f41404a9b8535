#pragma once
// The "Set Level" dialog: the current level of a depth map window as text,
// two buttons that step it down and up (wrapping around at 0 and 255), and
// OK, which takes only a level from 0 to 255.
//
// Its controls carry their numbers as object names: "101" the edit field,
// "102" the range text, "311" one step down, "312" one step up, "1" OK,
// "2" Cancel.

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;

namespace depthmap_ui {

class TLevelDialog : public QDialog {
    Q_OBJECT
public:
    // level: the caller's level, shown at the start and written only by OK.
    TLevelDialog(QWidget* parent, std::int32_t* level);

    QLineEdit* Edit() const { return edit_; }
    QLabel* RangeText() const { return range_; }

    void StepUp();
    void StepDown();
    // OK: the level is taken and the dialog closes, or the refusal is shown
    // and it stays open.
    void accept() override;

private:
    std::int32_t ReadLevel() const;
    void ShowLevel(std::int32_t level);

    std::int32_t value_;
    std::int32_t* target_;
    QLineEdit* edit_ = nullptr;
    QLabel* range_ = nullptr;
};

} // namespace depthmap_ui
