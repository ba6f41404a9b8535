// The picture window's screen-free decisions: the bitmap/QImage conversion,
// the gray palette, zoom steps, scroll ranges, centring and region copies.

#include "QtTestApp.h"

#include "engine_ui/PictureView.h"
#include "engine_ui/TScreenWnd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace engine_ui;
using platform::Bitmap;
using platform::Palette;
using platform::PALETTEENTRY;

namespace {

Palette RampPalette(int n)
{
    std::vector<PALETTEENTRY> entries;
    for (int i = 0; i < n; ++i)
        entries.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 7), 0});
    return Palette(entries);
}

TEST(BitmapToImage, EightBitKeepsIndicesAndTurnsRowsTopDown)
{
    auto bitmap = Bitmap::create(5, 3, 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bitmap->setPixel(x, y, static_cast<std::uint32_t>(10 * y + x)); // y from the bottom
    const Palette palette = RampPalette(256);
    const QImage image = ToQImage(*bitmap, &palette);
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.size(), QSize(5, 3));
    // Image row 0 is the bitmap's top row (y = 2 from the bottom).
    EXPECT_EQ(image.pixelIndex(0, 0), 20);
    EXPECT_EQ(image.pixelIndex(4, 2), 4);
    EXPECT_EQ(image.pixel(3, 1), qRgb(13, 255 - 13, 13 * 7));
}

TEST(BitmapToImage, APartConvertsAsTheSamePixelsOfTheWhole)
{
    const Palette palette = RampPalette(256);
    for (int bits : {1, 4, 8, 24}) {
        auto bitmap = Bitmap::create(37, 23, bits);
        const std::uint32_t mask = bits == 24 ? 0xFFFFFFu : (1u << bits) - 1;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                bitmap->setPixel(x, y, static_cast<std::uint32_t>(x * 2654435761u + y * 40503u) & mask);
        const QImage whole = ToQImage(*bitmap, &palette);
        // Odd offsets test the packed depths' bit positions.
        const QRect part(13, 5, 19, 11);
        const QImage piece = ToQImage(*bitmap, &palette, part);
        ASSERT_EQ(piece.size(), part.size()) << bits;
        EXPECT_EQ(piece.format(), whole.format()) << bits;
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                ASSERT_EQ(piece.pixel(x, y), whole.pixel(part.left() + x, part.top() + y)) << bits << " " << x << "," << y;
        // Clipped to the picture; nothing when it misses it.
        EXPECT_EQ(ToQImage(*bitmap, &palette, QRect(30, 20, 50, 50)).size(), QSize(7, 3)) << bits;
        EXPECT_TRUE(ToQImage(*bitmap, &palette, QRect(40, 0, 5, 5)).isNull()) << bits;
    }
}

TEST(PaintSource, CoversTheExposedPixelsAndStartsOnAWholePaintedPixel)
{
    const QSize picture(400, 300);
    EXPECT_EQ(PaintSource(QRect(10, 20, 30, 40), 1.0, picture), QRect(10, 20, 30, 40));
    // Zoom 2: painted 3..6 shows picture 1.5..3.5, so pixels 1 to 3.
    EXPECT_EQ(PaintSource(QRect(3, 5, 4, 4), 2.0, picture), QRect(1, 2, 3, 3));
    // Zoom a quarter: painted pixel 1 shows picture pixels 4 to 7.
    EXPECT_EQ(PaintSource(QRect(1, 1, 2, 2), 0.25, picture), QRect(4, 4, 8, 8));
    for (double zoom : {0.25, 0.5, 1.0, 2.0, 4.0}) {
        const QRect source = PaintSource(QRect(7, 9, 13, 11), zoom, picture);
        // The first picture pixel lands on a whole painted pixel at or before
        // the exposed corner, the last one reaches past its far corner.
        const double left = source.left() * zoom;
        EXPECT_EQ(left, std::floor(left)) << zoom;
        EXPECT_LE(left, 7) << zoom;
        EXPECT_GE((source.right() + 1) * zoom, 20) << zoom;
        EXPECT_GE((source.bottom() + 1) * zoom, 20) << zoom;
    }
    // Clipped to the picture; empty beyond it or for nothing exposed.
    EXPECT_EQ(PaintSource(QRect(390, 290, 50, 50), 1.0, picture), QRect(390, 290, 10, 10));
    EXPECT_TRUE(PaintSource(QRect(500, 0, 10, 10), 1.0, picture).isEmpty());
    EXPECT_TRUE(PaintSource(QRect(), 1.0, picture).isEmpty());
}

TEST(BitmapToImage, PackedDepthsUnpackAndMissingEntriesShowBlack)
{
    auto four = Bitmap::create(3, 1, 4);
    four->setPixel(0, 0, 0xA);
    four->setPixel(1, 0, 0x3);
    four->setPixel(2, 0, 0xF);
    const Palette small = RampPalette(4); // entries 10 and 15 do not exist
    const QImage image4 = ToQImage(*four, &small);
    EXPECT_EQ(image4.pixelIndex(0, 0), 0xA);
    EXPECT_EQ(image4.pixelIndex(1, 0), 0x3);
    EXPECT_EQ(image4.pixelIndex(2, 0), 0xF);
    EXPECT_EQ(image4.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image4.pixel(1, 0), qRgb(3, 252, 21));

    auto one = Bitmap::create(10, 2, 1);
    one->setPixel(0, 1, 1);
    one->setPixel(9, 1, 1);
    one->setPixel(4, 0, 1);
    const QImage image1 = ToQImage(*one, nullptr);
    EXPECT_EQ(image1.pixelIndex(0, 0), 1);
    EXPECT_EQ(image1.pixelIndex(9, 0), 1);
    EXPECT_EQ(image1.pixelIndex(5, 0), 0);
    EXPECT_EQ(image1.pixelIndex(4, 1), 1);
    EXPECT_EQ(image1.pixelIndex(3, 1), 0);
}

TEST(BitmapToImage, TwentyFourBitsAreBlueGreenRed)
{
    auto bitmap = Bitmap::create(2, 2, 24);
    bitmap->setPixel(0, 1, 0x102030); // top-left
    bitmap->setPixel(1, 0, 0xFF0080); // bottom-right
    const QImage image = ToQImage(*bitmap, nullptr);
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x10, 0x20, 0x30));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0xFF, 0x00, 0x80));
}

TEST(BitmapToImage, RoundTripsThroughQImage)
{
    auto bitmap = Bitmap::create(7, 4, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap->setPixel(x, y, static_cast<std::uint32_t>((x * 31 + y * 17) % 256));
    const Palette palette = RampPalette(256);
    Palette back;
    auto copy = FromQImage(ToQImage(*bitmap, &palette), back);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->bitsPerPixel(), 8);
    EXPECT_TRUE(*copy == *bitmap);
    ASSERT_EQ(back.size(), 256u);
    EXPECT_EQ(back[200], palette[200]);

    auto rgb = Bitmap::create(3, 2, 24);
    rgb->setPixel(2, 0, 0xABCDEF);
    auto rgbCopy = FromQImage(ToQImage(*rgb, nullptr), back);
    ASSERT_TRUE(rgbCopy);
    EXPECT_TRUE(*rgbCopy == *rgb);
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(FromQImage(QImage(), back), nullptr);
}

TEST(GrayPalette, LuminanceTruncatedWithReservedFlag)
{
    const std::vector<PALETTEENTRY> entries = {{255, 255, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 4}, {0, 0, 0, 0}};
    const Palette gray = GrayPalette(Palette(entries));
    ASSERT_EQ(gray.size(), 4u);
    EXPECT_EQ(gray[0], (PALETTEENTRY{255, 255, 255, platform::PC_RESERVED}));
    EXPECT_EQ(gray[1], (PALETTEENTRY{76, 76, 76, platform::PC_RESERVED}));
    EXPECT_EQ(gray[2], (PALETTEENTRY{149, 149, 149, platform::PC_RESERVED}));
    EXPECT_EQ(gray[3], (PALETTEENTRY{0, 0, 0, platform::PC_RESERVED}));
}

TEST(Zoom, StepsStopAtAQuarterAndFourTimes)
{
    double zoom = 1.0;
    const double in[] = {2.0, 4.0, 4.0};
    for (double expected : in)
        EXPECT_DOUBLE_EQ(zoom = ZoomStep(zoom, 2), expected);
    zoom = 1.0;
    const double out[] = {0.5, 0.25, 0.25};
    for (double expected : out)
        EXPECT_DOUBLE_EQ(zoom = ZoomStep(zoom, 1), expected);
    EXPECT_DOUBLE_EQ(ZoomStep(2.0, 0), 2.0);
    EXPECT_DOUBLE_EQ(ZoomStep(2.0, 3), 2.0);
    EXPECT_EQ(ZoomedSize(QSize(400, 300), 0.5), QSize(200, 150));
    EXPECT_EQ(ZoomedSize(QSize(401, 301), 0.25), QSize(100, 75));
}

TEST(ScrollRange, CoversThePictureBeyondTheClient)
{
    EXPECT_EQ(ScrollRange(400, 1.0, 300), 100);
    EXPECT_EQ(ScrollRange(400, 2.0, 300), 500);
    EXPECT_EQ(ScrollRange(400, 0.5, 300), 0);
    EXPECT_EQ(ScrollRange(401, 0.25, 100), 0);
    EXPECT_EQ(ScrollRange(333, 1.5, 100), 399); // trunc(499.5 - 100)
}

TEST(CentredOrigin, CentresSmallPicturesAndPinsLargeOnes)
{
    EXPECT_EQ(CentredOrigin(QSize(600, 400), QSize(200, 100), 1.0), QPoint(200, 150));
    EXPECT_EQ(CentredOrigin(QSize(600, 400), QSize(200, 100), 2.0), QPoint(100, 100));
    EXPECT_EQ(CentredOrigin(QSize(601, 401), QSize(201, 101), 1.0), QPoint(199, 149));
    EXPECT_EQ(CentredOrigin(QSize(600, 400), QSize(800, 100), 1.0), QPoint(0, 150));
}

TEST(ScreenWnd, PictureCentredUnscaledButNeverOffTheTopLeft)
{
    EXPECT_EQ(TScreenWnd::PictureOrigin(QSize(1024, 768), QSize(200, 100)), QPoint(412, 334));
    EXPECT_EQ(TScreenWnd::PictureOrigin(QSize(1024, 768), QSize(2000, 1000)), QPoint(0, 0));
    EXPECT_EQ(TScreenWnd::PictureOrigin(QSize(1024, 768), QSize(2000, 100)), QPoint(0, 334));
}

TEST(PaletteBits, SmallestPowerThatHoldsTheEntries)
{
    EXPECT_EQ(PaletteBits(2), 1);
    EXPECT_EQ(PaletteBits(3), 2);
    EXPECT_EQ(PaletteBits(16), 4);
    EXPECT_EQ(PaletteBits(17), 8);
    EXPECT_EQ(PaletteBits(256), 8);
}

TEST(CopyRegion, CopiesPixelsCountedFromTheTopAtEveryDepth)
{
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        auto bitmap = Bitmap::create(20, 10, bits);
        const std::uint32_t mask = bits == 24 ? 0xFFFFFF : (1u << bits) - 1;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                bitmap->setPixel(x, y, static_cast<std::uint32_t>(x * 3 + y * 5 + x * y) & mask);
        auto part = CopyRegion(*bitmap, QRect(3, 2, 9, 4));
        ASSERT_TRUE(part);
        ASSERT_EQ(part->width(), 9);
        ASSERT_EQ(part->height(), 4);
        EXPECT_EQ(part->bitsPerPixel(), bits);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(part->pixel(x, 3 - y), bitmap->pixel(3 + x, 9 - (2 + y))) << x << "," << y;
    }
}

TEST(CopyRegion, ClipsToThePictureAndRefusesRectanglesOutsideIt)
{
    auto bitmap = Bitmap::create(20, 10, 8);
    auto part = CopyRegion(*bitmap, QRect(15, 5, 100, 100));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->width(), 5);
    EXPECT_EQ(part->height(), 5);
    EXPECT_EQ(CopyRegion(*bitmap, QRect(30, 0, 5, 5)), nullptr);
    EXPECT_EQ(CopyRegion(*bitmap, QRect(-10, -10, 5, 5)), nullptr);
    // The pattern cut is 100 × 100 at most: a smaller picture gives its whole self.
    auto whole = CopyRegion(*bitmap, QRect(0, 0, 100, 100));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->width(), 20);
}

} // namespace
