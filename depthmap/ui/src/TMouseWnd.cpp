#include "depthmap_ui/TMouseWnd.h"

#include "resources/Resources.h"

#include <QCloseEvent>
#include <QEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>

namespace depthmap_ui {

unsigned KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    unsigned keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

namespace {

int& BusyCount()
{
    static int count = 0;
    return count;
}

} // namespace

void TMouseWnd::SetDocumentsBusy(bool busy)
{
    BusyCount() += busy ? 1 : -1;
    if (BusyCount() < 0)
        BusyCount() = 0;
}

bool TMouseWnd::DocumentsBusy()
{
    return BusyCount() > 0;
}

void TMouseWnd::closeEvent(QCloseEvent* event)
{
    if (DocumentsBusy()) {
        event->ignore();
        return;
    }
    QAbstractScrollArea::closeEvent(event);
}

TMouseWnd::TMouseWnd(QWidget* parent) : QAbstractScrollArea(parent)
{
    // Hover calls need move events without a button held.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

TMouseWnd::~TMouseWnd() = default;

void TMouseWnd::SetCursor(int resourceId)
{
    viewport()->setCursor(resources::Cursor(resourceId));
}

QPoint TMouseWnd::ScrollOffset() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TMouseWnd::EvMouseMove(unsigned keys, QPoint point)
{
    if (!leftPressed_ && !rightPressed_) {
        Hover(point.x(), point.y());
        return;
    }
    // Only a plain drag counts: a button with Shift or Ctrl held, or two
    // buttons at once, is left alone.
    if (keys == MK_LBUTTON) {
        leftDragged_ = true;
        LeftDrag(point.x(), point.y());
    } else if (keys == MK_RBUTTON) {
        rightDragged_ = true;
        RightDrag(point.x(), point.y());
    }
}

void TMouseWnd::EvLButtonDown(unsigned keys, QPoint point)
{
    anchorX_ = dragX_ = rightX_ = lastX_ = point.x();
    anchorY_ = dragY_ = rightY_ = lastY_ = point.y();
    leftPressed_ = true;
    // The viewport holds the mouse from here on (Qt grabs it on a press).
    LeftDown(keys, point);
}

void TMouseWnd::EvLButtonUp(unsigned keys, QPoint point)
{
    if (!leftPressed_)
        return;
    SetDragPoint(point.x(), point.y());
    LeftUp(keys, point);
    EndLeftDrag();
}

void TMouseWnd::EvRButtonDown(unsigned keys, QPoint point)
{
    rightPressed_ = true;
    rightX_ = point.x();
    rightY_ = point.y();
    RightDown(keys, point);
}

void TMouseWnd::EvRButtonUp(unsigned keys, QPoint point)
{
    if (!rightPressed_)
        return;
    RightUp(keys, point);
    EndRightDrag();
}

void TMouseWnd::EvLButtonDblClk(unsigned keys, QPoint point)
{
    LeftDoubleClick(keys, point);
}

void TMouseWnd::EndLeftDrag()
{
    leftPressed_ = false;
    leftDragged_ = false;
}

void TMouseWnd::EndRightDrag()
{
    rightPressed_ = false;
    rightDragged_ = false;
}

void TMouseWnd::SetDragPoint(int x, int y)
{
    dragX_ = x;
    dragY_ = y;
}

void TMouseWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint() + ScrollOffset();
    const unsigned keys = KeyFlags(event->buttons(), event->modifiers());
    if (event->button() == Qt::LeftButton)
        EvLButtonDown(keys, point);
    else if (event->button() == Qt::RightButton)
        EvRButtonDown(keys, point);
    event->accept();
}

void TMouseWnd::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint() + ScrollOffset();
    const unsigned keys = KeyFlags(event->buttons(), event->modifiers());
    if (event->button() == Qt::LeftButton)
        EvLButtonUp(keys, point);
    else if (event->button() == Qt::RightButton)
        EvRButtonUp(keys, point);
    event->accept();
}

void TMouseWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint() + ScrollOffset();
    const unsigned keys = KeyFlags(event->buttons(), event->modifiers());
    if (event->button() == Qt::LeftButton)
        EvLButtonDblClk(keys, point);
    else if (event->button() == Qt::RightButton)
        EvRButtonDown(keys, point); // a fast second right click is still a press
    event->accept();
}

void TMouseWnd::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint() + ScrollOffset();
    EvMouseMove(KeyFlags(event->buttons(), event->modifiers()), point);
    event->accept();
}

void TMouseWnd::WatchSubWindow()
{
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub == watched_)
        return;
    if (watched_)
        disconnect(watched_, nullptr, this, nullptr);
    watched_ = sub;
    if (!sub)
        return;
    connect(sub, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates, Qt::WindowStates now) {
                const bool active = now.testFlag(Qt::WindowActive);
                if (active == active_)
                    return;
                active_ = active;
                Activated(active);
                emit activationChanged(active);
            });
    connect(sub, &QObject::destroyed, this, [this] { watched_ = nullptr; });
}

bool TMouseWnd::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        WatchSubWindow();
    return QAbstractScrollArea::event(event);
}

} // namespace depthmap_ui
