#include "engine_ui/PictureView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine_ui {

QImage ToQImage(const platform::Bitmap& bitmap, const platform::Palette* palette)
{
    return ToQImage(bitmap, palette, QRect(0, 0, bitmap.width(), bitmap.height()));
}

QImage ToQImage(const platform::Bitmap& bitmap, const platform::Palette* palette, QRect part)
{
    part = part.normalized() & QRect(0, 0, bitmap.width(), bitmap.height());
    if (part.isEmpty())
        return {};
    const int left = part.left();
    const int width = part.width();
    const int height = part.height();
    if (bitmap.bitsPerPixel() == 24) {
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull())
            return {};
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* in = bitmap.rowFromTop(part.top() + y) + 3 * static_cast<std::size_t>(left);
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            // Device-independent 24-bit rows hold blue, green, red.
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        }
        return image;
    }
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    QList<QRgb> table(256, qRgb(0, 0, 0));
    if (palette) {
        for (std::size_t i = 0; i < palette->size() && i < 256; ++i) {
            const auto& e = (*palette)[i];
            table[static_cast<qsizetype>(i)] = qRgb(e.peRed, e.peGreen, e.peBlue);
        }
    }
    image.setColorTable(table);
    const int bits = bitmap.bitsPerPixel();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = bitmap.rowFromTop(part.top() + y);
        std::uint8_t* out = image.scanLine(y);
        if (bits == 8) {
            std::memcpy(out, in + left, static_cast<std::size_t>(width));
        } else if (bits == 4) {
            for (int x = 0; x < width; ++x) {
                const int i = left + x;
                out[x] = (i & 1) ? (in[i / 2] & 0x0F) : (in[i / 2] >> 4);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const int i = left + x;
                out[x] = (in[i / 8] >> (7 - i % 8)) & 1;
            }
        }
    }
    return image;
}

QRect PaintSource(QRect exposed, double zoom, QSize picture)
{
    exposed = exposed.normalized();
    if (exposed.isEmpty() || !(zoom > 0))
        return {};
    // Painted pixel p shows picture pixels from p / zoom up to (p + 1) / zoom;
    // a first pixel at floor(p / zoom) starts on a whole painted pixel for
    // every zoom step (powers of two).
    const auto first = [zoom](int p) { return static_cast<int>(std::floor(p / zoom)); };
    const auto past = [zoom](int p) { return static_cast<int>(std::ceil(p / zoom)); };
    const QRect source(QPoint(first(exposed.left()), first(exposed.top())),
                       QPoint(past(exposed.right() + 1) - 1, past(exposed.bottom() + 1) - 1));
    return source & QRect(QPoint(0, 0), picture);
}

std::unique_ptr<platform::Bitmap> FromQImage(const QImage& source, platform::Palette& palette)
{
    palette = platform::Palette();
    if (source.isNull())
        return nullptr;
    const bool indexed = source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono ||
                         source.format() == QImage::Format_MonoLSB;
    if (indexed) {
        const QImage image = source.convertToFormat(QImage::Format_Indexed8);
        auto bitmap = platform::Bitmap::create(image.width(), image.height(), 8);
        if (!bitmap)
            return nullptr;
        std::vector<platform::PALETTEENTRY> entries;
        for (QRgb c : image.colorTable())
            entries.push_back({static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                               static_cast<std::uint8_t>(qBlue(c)), 0});
        palette = platform::Palette(entries);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(bitmap->rowFromTop(y), image.constScanLine(y), static_cast<std::size_t>(image.width()));
        return bitmap;
    }
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    auto bitmap = platform::Bitmap::create(image.width(), image.height(), 24);
    if (!bitmap)
        return nullptr;
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* out = bitmap->rowFromTop(y);
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = static_cast<std::uint8_t>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
    }
    return bitmap;
}

platform::Palette GrayPalette(const platform::Palette& palette)
{
    std::vector<platform::PALETTEENTRY> entries(palette.entries().begin(), palette.entries().end());
    for (auto& e : entries) {
        const auto gray = static_cast<std::uint8_t>(0.299 * e.peRed + 0.587 * e.peGreen + 0.114 * e.peBlue);
        e = {gray, gray, gray, platform::PC_RESERVED};
    }
    return platform::Palette(entries);
}

double ZoomStep(double zoom, int code)
{
    if (code == 2 && zoom < kMaxZoom)
        return zoom * 2.0;
    if (code == 1 && zoom > kMinZoom)
        return zoom / 2.0;
    return zoom;
}

int ScrollRange(int size, double zoom, int client)
{
    const double range = std::trunc(size * zoom - client);
    return range > 0 ? static_cast<int>(range) : 0;
}

QPoint CentredOrigin(QSize client, QSize picture, double zoom)
{
    const int x = static_cast<int>(client.width() / 2 - picture.width() * zoom * 0.5);
    const int y = static_cast<int>(client.height() / 2 - picture.height() * zoom * 0.5);
    return {std::max(0, x), std::max(0, y)};
}

QSize ZoomedSize(QSize picture, double zoom)
{
    return {static_cast<int>(picture.width() * zoom), static_cast<int>(picture.height() * zoom)};
}

int PaletteBits(std::size_t entries)
{
    for (int bits : {1, 2, 4})
        if ((std::size_t{1} << bits) >= entries)
            return bits;
    return 8;
}

std::unique_ptr<platform::Bitmap> CopyRegion(const platform::Bitmap& bitmap, QRect rect)
{
    rect = rect.normalized() & QRect(0, 0, bitmap.width(), bitmap.height());
    if (rect.isEmpty())
        return nullptr;
    auto copy = platform::Bitmap::create(rect.width(), rect.height(), bitmap.bitsPerPixel());
    if (!copy)
        return nullptr;
    if (bitmap.bitsPerPixel() >= 8) {
        const std::size_t bytes = static_cast<std::size_t>(bitmap.bitsPerPixel() / 8);
        for (int y = 0; y < rect.height(); ++y)
            std::memcpy(copy->rowFromTop(y), bitmap.rowFromTop(rect.top() + y) + static_cast<std::size_t>(rect.left()) * bytes,
                        static_cast<std::size_t>(rect.width()) * bytes);
        return copy;
    }
    const int top = bitmap.height() - 1;
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x)
            copy->setPixel(x, rect.height() - 1 - y, bitmap.pixel(rect.left() + x, top - (rect.top() + y)));
    return copy;
}

} // namespace engine_ui
