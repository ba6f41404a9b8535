// The JPEG writer: its refusals, that its output is a JPEG libjpeg reads
// back at the right size and close to the picture's colours, and that a
// failure inside libjpeg is reported instead of ending the process.

#include "RecordingWindow.h"
#include "pictrans/PictureBuild.h"
#include "pictrans/TJpgIntf.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> rgb; // top row first
};

Decoded decodeJpeg(const std::string& path)
{
    Decoded d;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return d;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.components = cinfo.output_components;
    d.rgb.resize(static_cast<std::size_t>(d.width) * d.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * d.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return d;
}

platform::Palette rampPalette()
{
    std::vector<platform::PALETTEENTRY> e(256);
    for (int i = 0; i < 256; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                          static_cast<std::uint8_t>(i / 2), 0};
    return platform::Palette(e);
}

class JpegFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("graphio-jpeg-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path dir_;
};

TEST_F(JpegFiles, TwoColourPictureKeepsItsColours)
{
    // 3 x 2: the left column uses entry 0, the rest entry 255.
    std::vector<platform::PALETTEENTRY> e(256);
    e[0] = {200, 30, 40, 0};
    e[255] = {20, 60, 220, 0};
    platform::Palette pal(e);
    auto bmp = platform::Bitmap::create(3, 2, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bmp->setPixel(x, y, x == 0 ? 0 : 255);

    RecordingWindow owner, status;
    TJpgIntf intf(&status, &owner);
    ASSERT_EQ(intf.WriteFile(path("two.jpg"), bmp->description(), bmp.get(), &pal), 1);
    EXPECT_TRUE(owner.boxes.empty());
    ASSERT_FALSE(status.statuses.empty());
    EXPECT_EQ(status.statuses.back().kind, 2u);

    Decoded d = decodeJpeg(path("two.jpg"));
    ASSERT_EQ(d.width, 3);
    ASSERT_EQ(d.height, 2);
    ASSERT_EQ(d.components, 3);
    // Chroma is shared by 2 x 2 blocks, so on so small a picture the hues mix;
    // brightness stays per pixel, and the mean colour is that of the entries.
    auto luma = [](double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; };
    const double lumaLeft = luma(200, 30, 40), lumaRight = luma(20, 60, 220);
    double mean[3] = {0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        const std::uint8_t* p = &d.rgb[static_cast<std::size_t>(i) * 3];
        const double want = (i % 3 == 0) ? lumaLeft : lumaRight;
        EXPECT_NEAR(luma(p[0], p[1], p[2]), want, 12) << "pixel " << i % 3 << "," << i / 3;
        for (int c = 0; c < 3; ++c)
            mean[c] += p[c] / 6.0;
    }
    EXPECT_NEAR(mean[0], (200 + 2 * 20) / 3.0, 12);
    EXPECT_NEAR(mean[1], (30 + 2 * 60) / 3.0, 12);
    EXPECT_NEAR(mean[2], (40 + 2 * 220) / 3.0, 12);
}

TEST_F(JpegFiles, SmoothPictureDecodesCloseAndTheRightWayUp)
{
    const int w = 64, h = 48;
    auto pal = rampPalette();
    auto bmp = platform::Bitmap::create(w, h, 8);
    // Index grows toward the top of the picture (row h - 1 from the bottom).
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->setPixel(x, y, static_cast<std::uint32_t>(y * 5));
    RecordingWindow status;
    TJpgIntf intf(&status, nullptr);
    ASSERT_EQ(intf.WriteFile(path("ramp.jpg"), bmp->description(), bmp.get(), &pal), 1);

    Decoded d = decodeJpeg(path("ramp.jpg"));
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    double err = 0;
    for (int row = 0; row < h; ++row) {
        const auto& want = pal[static_cast<std::size_t>((h - 1 - row) * 5)];
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &d.rgb[(static_cast<std::size_t>(row) * w + x) * 3];
            err += std::abs(p[0] - want.peRed) + std::abs(p[1] - want.peGreen) + std::abs(p[2] - want.peBlue);
        }
    }
    EXPECT_LT(err / (w * h * 3), 4.0);

    // Progress every 10 rows: 10, 20, 30, 40, then finished.
    std::vector<int> done;
    for (const auto& s : status.statuses)
        if (s.kind == 3u) {
            done.push_back(s.done);
            EXPECT_EQ(s.text, "Writing JPEG Image");
            EXPECT_EQ(s.total, h);
        }
    EXPECT_EQ(done, (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(status.statuses.back().kind, 2u);
}

TEST_F(JpegFiles, TrueColourPicturesKeepTheirColoursWithoutAPalette)
{
    // Smooth colours no 256-entry palette could hold, blue across, red down.
    const int w = 64, h = 32;
    auto bmp = platform::Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->setPixel(x, y, static_cast<std::uint32_t>((y * 8) << 16 | 0x60 << 8 | x * 4));
    RecordingWindow owner;
    TJpgIntf intf(nullptr, &owner);
    ASSERT_EQ(intf.WriteFile(path("rgb.jpg"), bmp->description(), bmp.get(), nullptr), 1);
    EXPECT_TRUE(owner.boxes.empty());
    Decoded d = decodeJpeg(path("rgb.jpg"));
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    double err = 0;
    for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t want = bmp->pixel(x, h - 1 - row);
            const std::uint8_t* p = &d.rgb[(static_cast<std::size_t>(row) * w + x) * 3];
            err += std::abs(p[0] - static_cast<int>(want >> 16)) + std::abs(p[1] - static_cast<int>((want >> 8) & 255)) +
                   std::abs(p[2] - static_cast<int>(want & 255));
        }
    }
    EXPECT_LT(err / (w * h * 3), 3.0);
}

TEST_F(JpegFiles, LowDepthPicturesUseTheirIndices)
{
    auto pal = rampPalette();
    auto bmp = platform::Bitmap::create(16, 16, 4);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            bmp->setPixel(x, y, 9);
    TJpgIntf intf(nullptr, nullptr);
    ASSERT_EQ(intf.WriteFile(path("four.jpg"), bmp->description(), bmp.get(), &pal), 1);
    Decoded d = decodeJpeg(path("four.jpg"));
    ASSERT_EQ(d.width, 16);
    EXPECT_NEAR(d.rgb[0], pal[9].peRed, 6);
    EXPECT_NEAR(d.rgb[1], pal[9].peGreen, 6);
}

TEST_F(JpegFiles, RefusesPicturesWithoutFullPalette)
{
    auto bmp = platform::Bitmap::create(4, 4, 8);
    std::vector<platform::PALETTEENTRY> e16(16);
    platform::Palette pal16(e16);
    RecordingWindow owner;
    TJpgIntf intf(nullptr, &owner);
    EXPECT_EQ(intf.WriteFile(path("a.jpg"), bmp->description(), bmp.get(), &pal16), 0);
    EXPECT_EQ(intf.WriteFile(path("b.jpg"), bmp->description(), bmp.get(), nullptr), 0);
    ASSERT_EQ(owner.boxes.size(), 2u);
    EXPECT_EQ(owner.boxes[0].text, "Palettes with less than 256 colors are not supported.");
    EXPECT_EQ(owner.boxes[1].text, "Palette information is missing.");
    EXPECT_EQ(owner.boxes[0].caption, "JPG Error");
    EXPECT_EQ(entries(), 0u) << "a refused write left a file";

    intf.quiet = 1;
    EXPECT_EQ(intf.WriteFile(path("c.jpg"), bmp->description(), bmp.get(), nullptr), 0);
    EXPECT_EQ(owner.boxes.size(), 2u);
    EXPECT_FALSE(intf.ReadFile(path("a.jpg")));
}

TEST_F(JpegFiles, LibraryErrorIsReportedAndOldFileKept)
{
    const std::string p = path("big.jpg");
    { std::ofstream(p) << "precious"; }
    // Wider than any JPEG may be: libjpeg fails inside the compressor.
    auto bmp = platform::Bitmap::create(70000, 1, 8);
    ASSERT_TRUE(bmp);
    auto pal = rampPalette();
    RecordingWindow owner;
    TJpgIntf intf(nullptr, &owner);
    EXPECT_EQ(intf.WriteFile(p, bmp->description(), bmp.get(), &pal), 0);
    ASSERT_EQ(owner.boxes.size(), 2u); // the overwrite question, then the error
    EXPECT_EQ(owner.boxes[0].text, "Overwrite " + p + "?");
    EXPECT_NE(owner.boxes[1].text.find("65500"), std::string::npos) << owner.boxes[1].text;
    EXPECT_EQ(owner.boxes[1].caption, "JPG Error");
    auto kept = platform::readWholeFile(p);
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::string(kept->begin(), kept->end()), "precious");
    EXPECT_EQ(entries(), 1u) << "the temporary was left behind";

    // Answering No leaves it too.
    owner.answer = platform::IDNO;
    auto small = platform::Bitmap::create(4, 4, 8);
    EXPECT_EQ(intf.WriteFile(p, small->description(), small.get(), &pal), 0);
    kept = platform::readWholeFile(p);
    EXPECT_EQ(std::string(kept->begin(), kept->end()), "precious");
}

TEST_F(JpegFiles, UnwritableFolder)
{
    auto bmp = platform::Bitmap::create(4, 4, 8);
    auto pal = rampPalette();
    RecordingWindow owner;
    TJpgIntf intf(nullptr, &owner);
    const std::string p = path("missing/x.jpg");
    EXPECT_EQ(intf.WriteFile(p, bmp->description(), bmp.get(), &pal), 0);
    EXPECT_EQ(owner.texts(), std::vector<std::string>{"Unable to open file: " + p + "."});
}

} // namespace

// Every orientation, placed a row at a time in bands of every kind (one
// row, bands that do not divide the height, one band for the whole
// picture), lands each stored pixel where the orientation's map says.
TEST(OrientedRows, EveryPixelLandsWhereTheOrientationMapsIt)
{
    const int w = 37, h = 23;
    for (int bytes : {1, 3}) {
        std::vector<std::uint8_t> stored(static_cast<std::size_t>(w * h * bytes));
        for (std::size_t i = 0; i < stored.size(); ++i)
            stored[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        for (int tag = 1; tag <= 8; ++tag) {
            for (int band : {1, 7, 64}) {
                SCOPED_TRACE("orientation " + std::to_string(tag) + ", " + std::to_string(bytes) +
                             " bytes a pixel, bands of " + std::to_string(band));
                const pictrans::Orientation o(tag, w, h);
                auto bitmap = platform::Bitmap::create(o.width(), o.height(), bytes * 8);
                pictrans::OrientedRows rows(*bitmap, o, bytes, band);
                for (int y = 0; y < h; ++y)
                    rows.add(stored.data() + static_cast<std::size_t>(y * w * bytes));
                rows.flush();
                int wrong = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        int ox, oy;
                        o.map(x, y, ox, oy);
                        const std::uint8_t* got = bitmap->rowFromTop(oy) + ox * bytes;
                        wrong += std::memcmp(got, stored.data() + (y * w + x) * bytes, static_cast<std::size_t>(bytes)) != 0;
                    }
                EXPECT_EQ(wrong, 0);
            }
        }
    }
}
