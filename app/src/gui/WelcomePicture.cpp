#include "gui/WelcomePicture.h"

#include <QFont>
#include <QPainter>

#include <cstdint>
#include <vector>

namespace gui {

namespace {

// The 16 colours of the classic display adapters.
const QRgb kColors[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

// Dots in blues and cyans so that the text panel stands out.
const int kDotColors[] = {4, 6, 12, 14, 8, 7};

std::uint32_t nextRandom(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

} // namespace

QImage WelcomePicture()
{
    constexpr int period = 48;
    QImage image(kWelcomeWidth, kWelcomeHeight, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(std::begin(kColors), std::end(kColors)));
    std::uint32_t seed = 0x5eed1234u;
    const int cx = kWelcomeWidth / 2;
    const int cy = kWelcomeHeight / 2 + 30;
    // Each row repeats its dots every period pixels; where the disc lies the
    // repeat is shorter, so crossed or relaxed eyes see the disc float.
    for (int y = 0; y < kWelcomeHeight; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kWelcomeWidth; ++x) {
            const int dx = x - cx;
            const int dy = y - cy;
            const int shift = (dx * dx + dy * dy < 70 * 70) ? 8 : 0;
            if (x < period)
                row[x] = static_cast<uchar>(kDotColors[nextRandom(seed) % 6]);
            else
                row[x] = row[x - period + shift];
        }
    }
    // The name panel is painted in colour indices through a 32-bit copy and
    // mapped back to the 16 colours.
    QImage canvas = image.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        const QRect panel(22, 18, kWelcomeWidth - 44, 74);
        painter.fillRect(panel.translated(4, 4), QColor(kColors[0]));
        painter.fillRect(panel, QColor(kColors[7]));
        painter.setPen(QColor(kColors[15]));
        painter.drawLine(panel.topLeft(), panel.topRight());
        painter.drawLine(panel.topLeft(), panel.bottomLeft());
        painter.setPen(QColor(kColors[8]));
        painter.drawLine(panel.bottomLeft(), panel.bottomRight());
        painter.drawLine(panel.topRight(), panel.bottomRight());
        QFont title(QStringLiteral("Sans Serif"));
        title.setPixelSize(34);
        title.setBold(true);
        title.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(title);
        painter.setPen(QColor(kColors[4]));
        painter.drawText(panel.adjusted(0, 4, 0, -26), Qt::AlignCenter, QStringLiteral("Dotscape"));
        QFont line(QStringLiteral("Sans Serif"));
        line.setPixelSize(12);
        line.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(line);
        painter.setPen(QColor(kColors[0]));
        painter.drawText(panel.adjusted(0, 46, 0, -6), Qt::AlignCenter,
                         QStringLiteral("Single-image random-dot stereograms"));
        const QRect footer(22, kWelcomeHeight - 34, kWelcomeWidth - 44, 20);
        painter.fillRect(footer, QColor(kColors[0]));
        painter.setPen(QColor(kColors[11]));
        painter.drawText(footer, Qt::AlignCenter, QStringLiteral("Look through the picture to see the disc"));
    }
    return canvas.convertToFormat(QImage::Format_Indexed8, image.colorTable(), Qt::ThresholdDither);
}

} // namespace gui
