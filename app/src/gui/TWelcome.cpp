#include "gui/TWelcome.h"

#include "gui/FrameRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>
#include <QWindow>

namespace gui {

namespace {

// Long enough for any window manager to map the window, short enough not to
// hold up a start-up without one.
constexpr int kExposeWaitMs = 1000;

} // namespace

TWelcome::TWelcome(const QString& title, const QImage& picture, int delayUnits, const QRect& centreOn)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture), delayMs_(delayUnits * 2000)
{
    setObjectName(QStringLiteral("TWelcome"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    const IntPoint at = WelcomePosition(centreOn.x(), centreOn.y(), centreOn.width(), centreOn.height(),
                                        picture_.width(), picture_.height());
    setGeometry(at.x, at.y, picture_.width() + 2, picture_.height() + 2);
}

void TWelcome::ShowNow()
{
    show();
    raise();
    // A window system draws only into a window it has mapped and exposed;
    // painting before that leaves the window black until start-up is over.
    QElapsedTimer timer;
    timer.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && timer.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    repaint();
    QCoreApplication::processEvents();
}

void TWelcome::CloseWelcome()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < delayMs_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    close();
}

void TWelcome::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawImage(QPoint(1, 1), picture_);
}

} // namespace gui
