// dotscape make --pattern-file: a pattern of every format the program reads,
// of an odd size, indexed or true colour, read back by Qt's own decoders;
// the classic methods' pictures unchanged for the library's own files; and
// magnified patterns.

#include "ProgramRun.h"
#include "QtGuiTestApp.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class PatternMake : public ProgramTest {
protected:
    void SetUp() override
    {
        TestGuiApp();
        ProgramTest::SetUp();
    }
};

constexpr int kTileW = 37, kTileH = 23;
constexpr int kWidth = 300, kHeight = 60, kGap = 100;

// An odd-sized tile: smooth colour ramps (which survive lossy formats) or,
// indexed, 40 colours.
QImage tile(bool indexed)
{
    QImage image(kTileW, kTileH, QImage::Format_RGB32);
    for (int y = 0; y < kTileH; ++y)
        for (int x = 0; x < kTileW; ++x)
            image.setPixel(x, y, qRgb(x * 255 / kTileW, y * 255 / kTileH, (x * 7 + y * 3) % 256));
    if (!indexed)
        return image;
    QVector<QRgb> colours;
    for (int i = 0; i < 40; ++i)
        colours.push_back(qRgb(i * 6, 255 - i * 5, (i * 37) % 256));
    QImage out(kTileW, kTileH, QImage::Format_Indexed8);
    out.setColorTable(colours);
    for (int y = 0; y < kTileH; ++y)
        for (int x = 0; x < kTileW; ++x)
            out.setPixel(x, y, static_cast<uint>((x / 3 + y * 5) % 40));
    return out;
}

int channelGap(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

TEST_F(PatternMake, AnyFormatAndSizeTiledAsQtReadsIt)
{
    struct Case {
        const char* ext;
        bool indexed;
        int tolerance; // lossy formats: the largest channel difference allowed
    };
    const Case cases[] = {{"png", false, 0}, {"png", true, 0}, {"bmp", false, 0}, {"bmp", true, 0},
                          {"gif", true, 0},  {"pcx", true, 0}, {"tiff", false, 0}, {"ppm", false, 0},
                          {"webp", false, 0}, {"jpg", false, 40}};
    const std::string flat = path("flat.png");
    QImage depth(kWidth, kHeight, QImage::Format_Grayscale8);
    depth.fill(0);
    ASSERT_TRUE(depth.save(QString::fromStdString(flat)));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + (c.indexed ? " indexed" : " true colour"));
        const std::string source = path("source.png");
        ASSERT_TRUE(tile(c.indexed).save(QString::fromStdString(source)));
        const std::string pattern = path(std::string("pattern.") + c.ext);
        ASSERT_EQ(run("convert --force '" + source + "' '" + pattern + "'").status, 0);
        // Qt's reading of the file the program takes the pattern from; TIFF
        // and WebP through the PNG they came from when Qt has no reader.
        QImage expected(QString::fromStdString(pattern));
        if (expected.isNull())
            expected = QImage(QString::fromStdString(source));
        ASSERT_FALSE(expected.isNull());
        const std::string out = path("out.png");
        const ProgramOutcome made = run("make --picture '" + flat + "' --depth-by brightness --zmax 255 "
                                        "--method hidden-surface --oversample 1 --no-markers --gap 100 "
                                        "--pattern-file '" + pattern + "' -f -o '" + out + "'");
        ASSERT_EQ(made.status, 0) << made.err;
        const QImage picture(QString::fromStdString(out));
        ASSERT_EQ(picture.width(), kWidth);
        // An indexed pattern keeps a 256-colour stereogram; true colour stays true colour.
        EXPECT_EQ(picture.format() == QImage::Format_Indexed8, c.indexed);
        // A flat scene's chains end in the last gap of each row, where every
        // pixel shows the tile as it was laid, centred.
        const int phase = kWidth / 2 - kTileW / 2;
        int worst = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = kWidth - kGap; x < kWidth; ++x) {
                const int tx = ((x - phase) % kTileW + kTileW) % kTileW;
                worst = std::max(worst, channelGap(picture.pixel(x, y), expected.pixel(tx, y % kTileH)));
            }
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST_F(PatternMake, ClassicMethodsMakeTheSamePictureFromTheLibrarysOwnFile)
{
    const std::string library = std::string(DOTSCAPE_BIN_DIR) + "/sirdspat/pat03.gif";
    for (const char* method : {"left-to-right", "mcmahon", "feucht"}) {
        SCOPED_TRACE(method);
        const std::string common = std::string("make --figure 2 --method ") + method + " -f ";
        ASSERT_EQ(run(common + "--pattern 3 -o '" + path("a.bmp") + "'").status, 0);
        ASSERT_EQ(run(common + "--pattern-file '" + library + "' -o '" + path("b.bmp") + "'").status, 0);
        const std::string a = slurp(path("a.bmp")), b = slurp(path("b.bmp"));
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == b);
    }
}

TEST_F(PatternMake, MagnifiedPatternsAndRefusals)
{
    const std::string source = path("tile.png");
    ASSERT_TRUE(tile(true).save(QString::fromStdString(source)));
    const std::string flat = path("flat.png");
    QImage depth(kWidth, kHeight, QImage::Format_Grayscale8);
    depth.fill(0);
    ASSERT_TRUE(depth.save(QString::fromStdString(flat)));
    const QImage expected(QString::fromStdString(source));
    for (bool nearest : {true, false}) {
        const std::string out = path("scaled.png");
        const ProgramOutcome made =
            run("make --picture '" + flat + "' --depth-by brightness --zmax 255 --method hidden-surface "
                "--oversample 1 --no-markers --gap 100 --pattern-file '" + source + "' --pattern-scale 3 " +
                (nearest ? "--pattern-scale-nearest " : "") + "-f -o '" + out + "'");
        ASSERT_EQ(made.status, 0) << made.err;
        const QImage picture(QString::fromStdString(out));
        // Blocks keep the indices; smooth magnification is true colour. The
        // middle of each 3 × 3 block is its source pixel either way.
        EXPECT_EQ(picture.format() == QImage::Format_Indexed8, nearest);
        const int phase = kWidth / 2 - 3 * kTileW / 2;
        for (int y = 1; y < kHeight; y += 3) {
            for (int x = kWidth - kGap; x < kWidth; ++x) {
                const int tx = ((x - phase) % (3 * kTileW) + 3 * kTileW) % (3 * kTileW);
                if (tx % 3 == 1) {
                    ASSERT_EQ(picture.pixel(x, y), expected.pixel(tx / 3, (y / 3) % kTileH)) << x << ", " << y;
                }
            }
        }
    }
    const struct {
        std::string args;
        std::string message;
    } refusals[] = {
        {"--pattern-scale 9", "--pattern-scale must be between 1 and 8"},
        {"--pattern-file '" + path("missing.png") + "'", "missing.png could not be read"},
        {"--tileable", "--tileable needs --method hidden-surface"},
        {"--method hidden-surface --random-dots noise --noise-beta 4", "--noise-beta must be between 0 and 3"},
        {"--method hidden-surface --random-dots noise --noise-colours plaid", "--noise-colours must be colour or grey"},
    };
    for (const auto& r : refusals) {
        const ProgramOutcome made = run("make --figure 1 " + r.args + " -f -o '" + path("x.png") + "'");
        EXPECT_NE(made.status, 0) << r.args;
        EXPECT_NE(made.err.find(r.message), std::string::npos) << r.args << ": " << made.err;
    }
}
