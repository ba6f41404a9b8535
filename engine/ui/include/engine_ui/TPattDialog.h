#pragma once
// "Select Pattern": browses the pattern library with Next and Prev, shows
// the current pattern, and asks the frame to add a pattern cut from the
// active picture, showing beforehand the tile Add will take. Cancel selects
// the pattern that was current at opening and takes back every pattern
// added since, files and all.

#include "platform/Window.h"

#include <QDialog>
#include <QWidget>

class QLabel;
class QPushButton;

namespace platform {
class Bitmap;
class Palette;
}

namespace engine {
class TSirdPatt;
}

namespace engine_ui {

// The preview: white, with the pattern copied unscaled to the top-left
// corner. Holds the pattern, does not own it.
class PatternSample : public QWidget {
    Q_OBJECT
public:
    explicit PatternSample(QWidget* parent = nullptr);
    void SetPattern(const platform::Bitmap* bitmap, const platform::Palette* palette);
    const platform::Bitmap* GetBitmap() const { return bitmap_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const platform::Bitmap* bitmap_ = nullptr;
    const platform::Palette* palette_ = nullptr;
};

class TPattDialog : public QDialog {
    Q_OBJECT
public:
    // frame receives the add pattern request (WM_ADDPATTERN, wParam = the
    // pattern count) and answers 0 when it could not add one. pictureActive:
    // the active document is a picture window (else adding is disabled).
    TPattDialog(QWidget* parent, engine::TSirdPatt* library, platform::Window* frame, bool pictureActive);

    QPushButton* NextButton() const { return next_; }
    QPushButton* PrevButton() const { return prev_; }
    QPushButton* AddButton() const { return add_; }
    QString PatternLabel() const;
    PatternSample* Sample() const { return sample_; }
    // The tile Add takes, shown beside the button (null hides it); not owned.
    void SetCandidate(const platform::Bitmap* bitmap, const platform::Palette* palette);
    PatternSample* Candidate() const { return candidate_; }

    void accept() override;
    void reject() override;

private:
    void Show();
    void Next();
    void Prev();
    void Add();

    engine::TSirdPatt* library_;
    platform::Window* frame_;
    int openingIndex_;
    int openingCount_;
    int index_;
    PatternSample* sample_;
    PatternSample* candidate_;
    QLabel* label_;
    QPushButton* next_;
    QPushButton* prev_;
    QPushButton* add_;
};

} // namespace engine_ui
