// PNG files between Dotscape's graphics library and an independent codec
// (Qt's, built on libpng): what one writes, the other reads pixel for pixel.

#include "pictrans/TGraphIO.h"
#include "pictrans/TPngIntf.h"
#include "platform/Window.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

class Quiet : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view, unsigned) override
    {
        last = std::string(text);
        return platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
    std::string last;
};

struct Read {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
    std::unique_ptr<platform::Grey16Image> grey16;
};

Read readOurs(const std::string& file)
{
    Quiet w;
    TGraphIO io(nullptr, &w);
    Read r;
    r.bitmap = io.Read_File(file);
    r.palette = io.GetPalette();
    r.grey16 = io.GetGrey16();
    EXPECT_TRUE(r.bitmap) << file << ": " << w.last;
    return r;
}

QRgb ourColour(const Read& r, int x, int yFromTop)
{
    const std::uint32_t v = r.bitmap->pixel(x, r.bitmap->height() - 1 - yFromTop);
    if (r.bitmap->bitsPerPixel() == 24)
        return qRgb(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF));
    const auto& e = (*r.palette)[v];
    return qRgb(e.peRed, e.peGreen, e.peBlue);
}

// Qt's decoding of a pixel, dropped onto black at the precision it was stored in.
QRgb qtColour(const QImage& image, int x, int y)
{
    if (image.depth() == 64 || image.format() == QImage::Format_Grayscale16) {
        const QRgba64 c = image.pixelColor(x, y).rgba64();
        const auto over = [&](unsigned v) {
            const unsigned v16 = (v * c.alpha() + 32767u) / 65535u;
            return static_cast<int>((v16 * 255u + 32767u) / 65535u);
        };
        return qRgb(over(c.red()), over(c.green()), over(c.blue()));
    }
    const QRgb c = image.pixel(x, y);
    const auto over = [&](int v) { return (v * qAlpha(c) + 127) / 255; };
    return qRgb(over(qRed(c)), over(qGreen(c)), over(qBlue(c)));
}

void expectSamePixels(const Read& ours, const QImage& qt, const std::string& what)
{
    ASSERT_TRUE(ours.bitmap) << what;
    ASSERT_FALSE(qt.isNull()) << what;
    ASSERT_EQ(ours.bitmap->width(), qt.width()) << what;
    ASSERT_EQ(ours.bitmap->height(), qt.height()) << what;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            ASSERT_EQ(ourColour(ours, x, y), qtColour(qt, x, y))
                << what << ": first difference at (" << x << ", " << y << ")";
}

} // namespace

TEST(PngInterop, OurReaderAgreesWithQtOnEveryTestFile)
{
    const fs::path dir = fs::path(DOTSCAPE_TESTDATA_DIR) / "png" / "good";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".png")
            continue;
        ++seen;
        const std::string file = entry.path().string();
        QImageReader reader(QString::fromStdString(file));
        expectSamePixels(readOurs(file), reader.read(), entry.path().filename().string());
    }
    EXPECT_EQ(seen, 30);
}

TEST(PngInterop, QtReadsWhatWeWrite)
{
    QTemporaryDir dir;
    std::mt19937 rng(17);
    for (int depth : {1, 4, 8, 24}) {
        auto bitmap = platform::Bitmap::create(45, 31, depth);
        const std::uint32_t mask = depth == 24 ? 0xFFFFFF : (1u << depth) - 1;
        for (int y = 0; y < 31; ++y)
            for (int x = 0; x < 45; ++x)
                bitmap->setPixel(x, y, rng() & mask);
        std::vector<platform::PALETTEENTRY> entries;
        for (std::uint32_t i = 0; depth != 24 && i <= mask; ++i)
            entries.push_back({static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                               static_cast<std::uint8_t>(rng()), 0});
        platform::Palette palette(entries);
        const std::string file = QDir(dir.path()).filePath(QStringLiteral("w%1.png").arg(depth)).toStdString();
        Quiet w;
        TGraphIO io(nullptr, &w);
        io.SetGraphicFormat(GFORMAT_PNG);
        ASSERT_EQ(io.Write_File(file, bitmap->description(), bitmap.get(), depth == 24 ? nullptr : &palette), 1)
            << w.last;
        QImageReader reader(QString::fromStdString(file));
        EXPECT_EQ(reader.format(), "png");
        const QImage qt = reader.read();
        Read ours;
        ours.bitmap = std::move(bitmap);
        ours.palette = std::make_unique<platform::Palette>(palette);
        expectSamePixels(ours, qt, std::to_string(depth) + " bits");
    }
}

TEST(PngInterop, WeReadWhatQtWrites)
{
    QTemporaryDir dir;
    std::mt19937 rng(5);
    QImage base(29, 19, QImage::Format_RGBA64);
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x)
            base.setPixelColor(x, y, QColor::fromRgba64(static_cast<quint16>(rng()), static_cast<quint16>(rng()),
                                                        static_cast<quint16>(rng()),
                                                        x % 3 == 0 ? 65535 : static_cast<quint16>(rng())));
    const QImage::Format formats[] = {QImage::Format_RGB32,       QImage::Format_ARGB32,
                                      QImage::Format_Grayscale8,  QImage::Format_Grayscale16,
                                      QImage::Format_RGBA64,      QImage::Format_RGBX64,
                                      QImage::Format_Indexed8,    QImage::Format_Mono};
    for (QImage::Format format : formats) {
        const QImage image = base.convertToFormat(format);
        const QString file = QDir(dir.path()).filePath(QStringLiteral("q%1.png").arg(static_cast<int>(format)));
        ASSERT_TRUE(image.save(file, "PNG")) << static_cast<int>(format);
        const Read ours = readOurs(file.toStdString());
        // Compared with what Qt itself reads back from its file.
        expectSamePixels(ours, QImage(file), "Qt format " + std::to_string(static_cast<int>(format)));
        if (format == QImage::Format_Grayscale16) {
            ASSERT_TRUE(ours.grey16);
            const QImage back(file);
            for (int y = 0; y < back.height(); ++y)
                for (int x = 0; x < back.width(); ++x)
                    ASSERT_EQ(ours.grey16->at(x, y), reinterpret_cast<const quint16*>(back.constScanLine(y))[x]);
        }
    }
}
