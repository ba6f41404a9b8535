#pragma once
// The picture window shown while the program starts: no caption, a thin
// border, above other windows, centred on the rectangle the frame will take.

#include <QImage>
#include <QWidget>

namespace gui {

class TWelcome : public QWidget {
    Q_OBJECT
public:
    // delayUnits: how long Close waits, in units of two seconds.
    TWelcome(const QString& title, const QImage& picture, int delayUnits, const QRect& centreOn);

    // Shows the window and draws the picture before returning: the start-up
    // that follows keeps the event loop from painting it later.
    void ShowNow();
    // Waits out the delay (events keep flowing), then closes the window.
    void CloseWelcome();
    int DelayMs() const { return delayMs_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    int delayMs_;
};

} // namespace gui
