#include "gui/TWelcome.h"

#include "gui/FrameRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>

namespace gui {

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
