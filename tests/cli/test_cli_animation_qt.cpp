// Animated GIFs from dotscape make --frames read by another decoder, Qt's
// QImageReader: the frame count, the endless loop, the delay, and every
// frame's colours equal to those of the single stereogram made with that
// frame's settings.

#include "QtGuiTestApp.h"
#include "ProgramRun.h"

#include "pictrans/TGraphIO.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The colour of every pixel of a picture read by our own reader, as Qt
// gives it (0xAARRGGBB, opaque).
QImage ourColours(const std::string& file)
{
    TGraphIO io(nullptr, nullptr);
    auto bitmap = io.Read_File(file);
    auto palette = io.GetPalette();
    if (!bitmap || !palette)
        return {};
    QImage out(bitmap->width(), bitmap->height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap->height(); ++y) {
        for (int x = 0; x < bitmap->width(); ++x) {
            const auto& e = (*palette)[bitmap->pixel(x, bitmap->height() - 1 - y)];
            out.setPixel(x, y, qRgb(e.peRed, e.peGreen, e.peBlue));
        }
    }
    return out;
}

// Qt finds its image plugins through an application object; it is never
// destroyed, so nothing Qt made outlives it at exit.
class QtReadsAnimations : public ProgramTest {
protected:
    static void SetUpTestSuite() { TestGuiApp(); }
};

} // namespace

TEST_F(QtReadsAnimations, FrameByFrame)
{
    const std::string out = path("turn.gif");
    const std::string common = "--figure 'Sinusoidal Spiral' --width 200 --height 140 --method mcmahon";
    ProgramOutcome r = run("make " + common + " --da 150 --frames 5 --da-step 20 --delay 125 -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;

    QImageReader reader(QString::fromStdString(out));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.format(), "gif");
    EXPECT_TRUE(reader.supportsAnimation());
    EXPECT_EQ(reader.imageCount(), 5);
    EXPECT_EQ(reader.loopCount(), -1); // for ever
    const int angles[5] = {150, 170, -170, -150, -130};
    for (int k = 0; k < 5; ++k) {
        QImage frame = reader.read();
        ASSERT_FALSE(frame.isNull()) << "frame " << k << ": " << reader.errorString().toStdString();
        EXPECT_EQ(reader.nextImageDelay(), 130) << "125 ms is stored as 13 hundredths";
        frame = frame.convertToFormat(QImage::Format_RGB32);

        const std::string single = path("single.gif");
        r = run("make " + common + " --da " + std::to_string(angles[k]) + " -f -o '" + single + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const QImage expected = ourColours(single);
        ASSERT_EQ(frame.size(), expected.size());
        bool same = true;
        for (int y = 0; y < frame.height() && same; ++y) {
            for (int x = 0; x < frame.width() && same; ++x) {
                if (frame.pixel(x, y) != expected.pixel(x, y)) {
                    ADD_FAILURE() << "frame " << k << " differs first at (" << x << ", " << y << ")";
                    same = false;
                }
            }
        }
    }
    EXPECT_TRUE(reader.read().isNull()) << "no sixth frame";
}

