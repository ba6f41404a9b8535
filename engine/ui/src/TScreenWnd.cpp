#include "engine_ui/TScreenWnd.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace engine_ui {

TScreenWnd::TScreenWnd(const QImage& image, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), image_(image)
{
    setWindowTitle(QStringLiteral("Full Screen"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QPoint TScreenWnd::PictureOrigin(QSize screen, QSize picture)
{
    return {std::max(0, screen.width() / 2 - picture.width() / 2),
            std::max(0, screen.height() / 2 - picture.height() / 2)};
}

void TScreenWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!image_.isNull())
        painter.drawImage(PictureOrigin(size(), image_.size()), image_);
}

void TScreenWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TScreenWnd::keyPressEvent(QKeyEvent*)
{
    QTimer::singleShot(0, this, &QWidget::close);
}

} // namespace engine_ui
