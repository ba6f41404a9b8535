#include "WizardPicture.h"

#include <QPainter>
#include <QRadialGradient>

#include <cstdint>

namespace wizard {

QPixmap WizardPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    // A fixed little generator, so that the picture is the same every time.
    std::uint32_t state = 0x2545F491u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const QColor dots[4] = {QColor(20, 40, 110), QColor(40, 90, 170), QColor(230, 200, 60), QColor(250, 250, 240)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, dots[next() % 4]);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The shape that a viewer would see standing out of the dots.
    const QPointF centre(width / 2.0, height * 0.42);
    const qreal radius = width * 0.34;
    QRadialGradient glow(centre, radius * 1.3);
    glow.setColorAt(0.0, QColor(255, 255, 255, 150));
    glow.setColorAt(0.7, QColor(255, 255, 255, 60));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(centre, radius * 1.3, radius * 1.3);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(centre + QPointF(5, 6), radius, radius);
    painter.setBrush(QColor(255, 255, 255, 110));
    painter.setPen(QPen(QColor(255, 255, 255, 220), 2));
    painter.drawEllipse(centre, radius, radius);
    // The two alignment markers of a finished stereogram.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const qreal side = width * 0.08;
    painter.drawRect(QRectF(width * 0.3 - side / 2, height - 2.5 * side, side, side));
    painter.drawRect(QRectF(width * 0.7 - side / 2, height - 2.5 * side, side, side));
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace wizard
