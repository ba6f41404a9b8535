// Renders the program's SVG icon as the PNG sizes of the icon theme:
//   iconpng ICON.svg OUTDIR SIZE...
// writes OUTDIR/SIZExSIZE/apps/dotscape.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "Usage: iconpng ICON.svg OUTDIR SIZE...\n");
        return 1;
    }
    // The renderer needs no screen; the offscreen platform keeps it so.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "iconpng: %s is not a picture it can draw\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "iconpng: %s is not a size\n", argv[i]);
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/dotscape.png"))) {
            std::fprintf(stderr, "iconpng: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
