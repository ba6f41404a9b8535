// Files as the sub-commands meet them: inputs that are missing, unreadable
// or folders are named with the system's reason, and every picture format
// the table says is written round-trips a picture through convert (by its
// name, by --format and to standard output), read back by Qt's decoder
// where it has one and by ours otherwise.

#include "QtGuiTestApp.h"
#include "OutputPicture.h"
#include "ProgramRun.h"

#include "app/FileKinds.h"
#include "pictrans/GraphicFormats.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = DOTSCAPE_SHARED_IMAGES_DIR;

class Files : public ProgramTest {
protected:
    static void SetUpTestSuite() { TestGuiApp(); }
};

TEST_F(Files, InputsThatCannotBeReadAreNamedWithTheSystemsReason)
{
    fs::create_directories(path("folder.gif"));
    { std::ofstream(path("locked.gif")) << "GIF89a"; }
    ::chmod(path("locked.gif").c_str(), 0);
    struct Input {
        std::string file;
        std::string reason;
    };
    std::vector<Input> inputs = {{path("missing.gif"), "No such file or directory"},
                                 {path("folder.gif"), "Is a directory"}};
    // Whoever may read everything (root) is never refused a file.
    if (::geteuid() != 0)
        inputs.push_back({path("locked.gif"), "Permission denied"});
    const char* const commands[] = {
        "make --picture FILE -o out.bmp", "make --depthmap FILE -o out.bmp", "convert FILE out.bmp",
        "reveal FILE -o out.bmp",        "depth --picture FILE -o out.png",  "depth --depthmap FILE -o out.png",
        "info FILE",
    };
    for (const Input& input : inputs) {
        for (std::string command : commands) {
            command.replace(command.find("FILE"), 4, "'" + input.file + "'");
            SCOPED_TRACE(command);
            const ProgramOutcome r = run(command);
            EXPECT_EQ(r.status, 2);
            // info describes on standard output, the others complain on standard error.
            const std::string& said = command.starts_with("info") ? r.out : r.err;
            EXPECT_NE(said.find(input.file), std::string::npos) << said;
            EXPECT_NE(said.find(input.reason), std::string::npos) << said;
            EXPECT_EQ(said.find("File Access Failed."), std::string::npos) << said;
        }
    }
    EXPECT_FALSE(fs::exists(path("out.bmp")));
    EXPECT_FALSE(fs::exists(path("out.png")));
}

// Every pixel's colour, 0xRRGGBB, from Qt where it reads the file, else ours.
std::vector<QRgb> colours(const std::string& file, const std::string& ext)
{
    std::vector<QRgb> out;
    if (QImageReader::supportedImageFormats().contains(QByteArray::fromStdString(ext))) {
        const QImage image = QImageReader(QString::fromStdString(file)).read().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                out.push_back(image.pixel(x, y) & 0xFFFFFFu);
        return out;
    }
    Picture p = readPicture(file);
    if (!p.bitmap)
        return out;
    const int h = p.bitmap->height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < p.bitmap->width(); ++x) {
            if (p.bitmap->bitsPerPixel() == 24) {
                const std::uint8_t* px = p.bitmap->row(h - 1 - y) + 3 * x;
                out.push_back(qRgb(px[2], px[1], px[0]) & 0xFFFFFFu);
            } else {
                const auto& e = (*p.palette)[p.bitmap->pixel(x, h - 1 - y)];
                out.push_back(qRgb(e.peRed, e.peGreen, e.peBlue) & 0xFFFFFFu);
            }
        }
    }
    return out;
}

// The mean difference of two pictures' channels, 0 to 255.
double meanDifference(const std::vector<QRgb>& a, const std::vector<QRgb>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(qRed(a[i]) - qRed(b[i])) + std::abs(qGreen(a[i]) - qGreen(b[i])) +
               std::abs(qBlue(a[i]) - qBlue(b[i]));
    return a.empty() ? 255 : sum / (3.0 * static_cast<double>(a.size()));
}

TEST_F(Files, EveryWritableFormatRoundTripsAPictureThroughConvert)
{
    const std::string palette = (kImages / "bmp/good/bmpsuite-g-pal8.bmp").string();
    const std::string trueColour = (kImages / "bmp/good/bmpsuite-g-rgb24.bmp").string();
    int formats = 0;
    for (const app::FileKind& kind : app::fileKinds()) {
        if (!kind.picture || !kind.can(pictrans::kWrites))
            continue;
        ++formats;
        const std::string ext = kind.extensions[0];
        // Each picture the format can hold.
        std::vector<std::string> sources;
        if (kind.can(pictrans::kHoldsPalette))
            sources.push_back(palette);
        if (kind.can(pictrans::kHoldsTrueColour))
            sources.push_back(trueColour);
        for (const std::string& source : sources) {
            SCOPED_TRACE(std::string(kind.name) + " from " + source);
            const std::vector<QRgb> original = colours(source, "bmp");
            ASSERT_FALSE(original.empty());
            const std::string named = path("out." + ext);
            ProgramOutcome r = run("convert --force '" + source + "' '" + named + "'");
            ASSERT_EQ(r.status, 0) << r.err;
            const std::vector<QRgb> back = colours(named, ext);
            ASSERT_EQ(back.size(), original.size());
            if (kind.can(pictrans::kLossy))
                EXPECT_LT(meanDifference(back, original), 8.0);
            else
                EXPECT_EQ(back, original);
            // --format writes the same file whatever the name; so does "-".
            r = run("convert --force --format " + std::string(kind.name) + " '" + source + "' '" + path("out.img") + "'");
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(slurp(path("out.img")), slurp(named));
            r = run("convert --format " + ext + " '" + source + "' -");
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, slurp(named));
        }
    }
    EXPECT_GE(formats, 5);
    const ProgramOutcome bad = run("convert --format rds '" + palette + "' '" + path("x.rds") + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find(app::formatNameList()), std::string::npos) << bad.err;
}

} // namespace
