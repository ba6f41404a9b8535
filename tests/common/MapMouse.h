#pragma once
// Drives a document window with the mouse through QTest, in viewport
// coordinates, as a person would: presses, drags with the button held,
// releases, double clicks (press, release, double click, release) and moves
// without a button (QTest has no such move for widgets, so that event is
// sent as the window system would).

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

class MapMouse {
public:
    explicit MapMouse(QWidget* viewport) : viewport_(viewport) {}

    void press(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mousePress(viewport_, Qt::LeftButton, mods, p);
    }
    // A move with the left button held (after press).
    void moveHeld(QPoint p) { QTest::mouseMove(viewport_, p); }
    // The same with keys held (QTest moves carry none).
    void moveHeld(QPoint p, Qt::KeyboardModifiers mods)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(p), QPointF(viewport_->mapToGlobal(p)), Qt::NoButton,
                          Qt::LeftButton, mods);
        QApplication::sendEvent(viewport_, &event);
    }
    void release(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mouseRelease(viewport_, Qt::LeftButton, mods, p);
    }
    void click(QPoint p)
    {
        press(p);
        release(p);
    }
    void doubleClick(QPoint p)
    {
        click(p);
        QTest::mouseDClick(viewport_, Qt::LeftButton, Qt::NoModifier, p);
        release(p);
    }
    // Press, two steps on the way, release.
    void drag(QPoint from, QPoint to)
    {
        press(from);
        moveHeld((from + to) / 2);
        moveHeld(to);
        release(to);
    }
    void hover(QPoint p)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(p), QPointF(viewport_->mapToGlobal(p)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport_, &event);
    }

private:
    QWidget* viewport_;
};
