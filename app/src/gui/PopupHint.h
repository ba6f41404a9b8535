#pragma once
// The small green window that shows a tool bar button's hint text a moment
// after the mouse comes to rest on it, and hides it again after a while.

#include <QTimer>
#include <QWidget>

#include <functional>

namespace gui {

class PopupHint : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 250;   // timer 101: until the hint shows
    static constexpr int kShowMs = 1500;   // timer 100: how long it stays

    // The frame is the parent; the hint is placed in its client coordinates.
    explicit PopupHint(QWidget* frame);

    // The show request of the frame's hint message: an id below 1 or the id
    // already shown hides the hint; another id starts the delay.
    void ShowHint(int id);
    void HideHint();

    bool Visible() const { return visible_; }
    bool Pending() const { return pending_; }
    int CurrentId() const { return currentId_; }
    QString Text() const { return text_; }
    bool DelayRunning() const { return delay_.isActive(); }
    bool ShowTimerRunning() const { return showTimer_.isActive(); }

    // Where the mouse is, on the screen (tests put it where they like).
    void SetCursorSource(std::function<QPoint()> source) { cursor_ = std::move(source); }

    // What the timers do when they fire (called by the timers; tests call them too).
    void DelayElapsed();
    void ShowTimeElapsed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* frame_;
    bool visible_ = false;
    int currentId_ = -1;
    bool pending_ = false;
    QString text_;
    QTimer delay_;
    QTimer showTimer_;
    std::function<QPoint()> cursor_;
};

} // namespace gui
