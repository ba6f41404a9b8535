#pragma once
// The full-screen view of a picture: a borderless topmost window over the
// whole screen, black, with the picture unscaled in its centre. Releasing
// the left mouse button or pressing any key closes it.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

namespace engine_ui {

class TScreenWnd : public QWidget {
    Q_OBJECT
public:
    // The image is shared with the picture window (Qt images share their
    // pixels until one side changes them). The view deletes itself on close.
    explicit TScreenWnd(const QImage& image, QWidget* parent = nullptr);

    // Where the picture's top-left corner goes on a screen of that size.
    static QPoint PictureOrigin(QSize screen, QSize picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage image_;
};

} // namespace engine_ui
