#pragma once
// A window that plays an animated stereogram: the frames, kept in memory,
// shown one after the other for the delay the file will store (the delay
// rounded to hundredths of a second), looping for ever. Play/Pause and a
// frame slider control it; Save writes the animated GIF.

#include "engine/Generation.h"

#include "platform/Window.h"

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QSlider;

namespace engine_ui {

class TAnimPlayer : public QWidget {
    Q_OBJECT
public:
    // Asks for the name to save under; empty for Cancel.
    using SaveNameChooser = std::function<QString()>;

    // frames: at least one, all of one size and palette. owner shows the
    // graphics library's questions and errors when saving (may be null).
    TAnimPlayer(const QString& title, std::vector<engine::Stereogram> frames, int delayMs, platform::Window* owner,
                QWidget* parent = nullptr);

    int FrameCount() const { return static_cast<int>(frames_.size()); }
    int CurrentFrame() const { return current_; }
    bool IsPlaying() const { return timer_.isActive(); }
    // Milliseconds between frames while playing.
    int Interval() const { return timer_.interval(); }
    int DelayMs() const { return delayMs_; }
    const engine::Stereogram& Frame(int k) const { return frames_[static_cast<std::size_t>(k)]; }
    // What is on the screen now.
    QImage ShownImage() const { return shown_; }

    void Play();
    void Pause();
    // Shows frame k (wrapped into range) without changing play or pause.
    void ShowFrame(int k);

    void SetSaveNameChooser(SaveNameChooser chooser) { chooseName_ = std::move(chooser); }
    // Writes the animation (.webp: animated WebP, else GIF); true when written.
    bool SaveAs(const QString& fileName);
    // Asks for a name, then saves; false when cancelled or not written.
    bool Save();
    bool Saved() const { return saved_; }
    // Before frames that were never saved are dropped: "Save ... before
    // closing?" Yes saves (false when that is cancelled), No drops them,
    // Cancel keeps the window.
    bool CanClose();

    QPushButton* PlayButton() const { return play_; }
    QPushButton* SaveButton() const { return save_; }
    QSlider* FrameSlider() const { return slider_; }

signals:
    void frameShown(int k);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateButtons();

    std::vector<engine::Stereogram> frames_;
    int delayMs_;
    platform::Window* owner_;
    int current_ = 0;
    bool saved_ = false;
    QImage shown_;
    QTimer timer_;
    QLabel* view_;
    QLabel* counter_;
    QPushButton* play_;
    QPushButton* save_;
    QSlider* slider_;
    SaveNameChooser chooseName_;
};

} // namespace engine_ui
