// BMP reading and writing: layout of written files, lossless round trips,
// run-length decoding, the band walk, progress, every refusal and its
// message, and the safety of the file being replaced.

#include "BmpBytes.h"
#include "RecordingWindow.h"
#include "pictrans/BmpDecoder.h"
#include "pictrans/BmpEncoder.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

platform::Palette greyPalette(std::size_t n)
{
    std::vector<platform::PALETTEENTRY> e(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto v = static_cast<std::uint8_t>(i * 255 / (n > 1 ? n - 1 : 1));
        e[i] = {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(i), 0};
    }
    return platform::Palette(e);
}

std::unique_ptr<platform::Bitmap> noisyBitmap(int w, int h, int bpp, unsigned seed)
{
    auto bmp = platform::Bitmap::create(w, h, bpp);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->setPixel(x, y, rng() & ((1u << bpp) - 1));
    return bmp;
}

struct ReadResult {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
    std::vector<std::string> messages;
    std::vector<RecordedBox> boxes;
    std::vector<RecordedStatus> statuses;
};

ReadResult readBytes(const std::vector<std::uint8_t>& bytes)
{
    RecordingWindow owner, status;
    TBmpIntf intf(&status, &owner);
    InStream in(bytes);
    ReadResult r;
    r.bitmap = intf.ReadStream(in);
    r.palette = intf.TakePalette();
    r.messages = owner.texts();
    r.boxes = owner.boxes;
    r.statuses = status.statuses;
    return r;
}

std::vector<std::uint8_t> writeBytes(const platform::Bitmap& bmp, const platform::Palette* pal,
                                     RecordingWindow* owner = nullptr, RecordingWindow* status = nullptr)
{
    TBmpIntf intf(status, owner);
    MemoryOutStream out;
    EXPECT_EQ(intf.WriteStream(out, bmp.description(), &bmp, pal), 1);
    return out.data();
}

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("graphio-bmp-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const char* name) const { return (path_ / name).string(); }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {})); }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    auto d = platform::readWholeFile(path);
    return d ? *d : std::vector<std::uint8_t>{};
}

// ---------------------------------------------------------------- writing

TEST(BmpWrite, RowLengthsAndHeaderFields)
{
    struct Case {
        int bpp;
        std::size_t row;
    };
    for (Case c : {Case{1, 4}, Case{4, 8}, Case{8, 12}}) {
        auto bmp = noisyBitmap(10, 3, c.bpp, 7);
        auto pal = greyPalette(std::size_t{1} << c.bpp);
        auto bytes = writeBytes(*bmp, &pal);
        const std::size_t colors = std::size_t{1} << c.bpp;
        const std::size_t offset = 54 + 4 * colors;
        ASSERT_EQ(bytes.size(), offset + 3 * c.row) << c.bpp << " bits";
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(le32(bytes, 2), bytes.size());
        EXPECT_EQ(le32(bytes, 6), 0u);
        EXPECT_EQ(le32(bytes, 10), offset);
        auto info = platform::BITMAPINFOHEADER::load(bytes.data() + 14);
        EXPECT_EQ(info.biSize, 40u);
        EXPECT_EQ(info.biWidth, 10);
        EXPECT_EQ(info.biHeight, 3);
        EXPECT_EQ(info.biPlanes, 1);
        EXPECT_EQ(info.biBitCount, c.bpp);
        EXPECT_EQ(info.biCompression, 0u);
        EXPECT_EQ(info.biSizeImage, 3 * c.row);
        EXPECT_EQ(info.biXPelsPerMeter, 0);
        EXPECT_EQ(info.biClrUsed, 0u);
        EXPECT_EQ(info.biClrImportant, 0u);
        // Colour table entries are blue, green, red, 0.
        const auto& last = pal[colors - 1];
        EXPECT_EQ(bytes[54 + 4 * (colors - 1)], last.peBlue);
        EXPECT_EQ(bytes[54 + 4 * (colors - 1) + 1], last.peGreen);
        EXPECT_EQ(bytes[54 + 4 * (colors - 1) + 2], last.peRed);
        EXPECT_EQ(bytes[54 + 4 * (colors - 1) + 3], 0);
        // Rows go bottom row first, exactly as the device holds them.
        for (int y = 0; y < 3; ++y)
            EXPECT_TRUE(std::equal(bmp->row(y), bmp->row(y) + c.row, bytes.begin() + static_cast<long>(offset + y * c.row)));
    }
}

TEST(BmpWrite, ShortPaletteSetsTableAndPixelOffset)
{
    auto bmp = noisyBitmap(5, 2, 8, 3);
    auto pal = greyPalette(20);
    auto bytes = writeBytes(*bmp, &pal);
    EXPECT_EQ(le32(bytes, 10), 134u);
    EXPECT_EQ(bytes.size(), 134u + 2 * 8);
    EXPECT_EQ(le32(bytes, 2), bytes.size());

    // And it reads back, table and all.
    auto r = readBytes(bytes);
    ASSERT_TRUE(r.bitmap) << (r.messages.empty() ? "" : r.messages[0]);
    EXPECT_EQ(*r.bitmap, *bmp);
    ASSERT_EQ(r.palette->size(), 20u);
    EXPECT_EQ((*r.palette)[19].peRed, pal[19].peRed);
    EXPECT_EQ((*r.palette)[19].peFlags, platform::PC_NOCOLLAPSE);
}

TEST(BmpWrite, TwentyFourBitPicturesCarryNoColourTableEvenWithAPalette)
{
    auto bmp = platform::Bitmap::create(2, 2, 24);
    bmp->setPixel(1, 1, 0x10FF80);
    auto pal = greyPalette(256);
    RecordingWindow owner;
    auto bytes = writeBytes(*bmp, &pal, &owner);
    EXPECT_TRUE(owner.texts().empty());
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(bytes.size(), 54u + 2 * 8);
    auto r = readBytes(bytes);
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(*r.bitmap, *bmp);
}

TEST(BmpWrite, TwentyFourBitRowsAreBlueGreenRed)
{
    auto bmp = platform::Bitmap::create(3, 1, 24);
    bmp->setPixel(0, 0, 0x112233);
    bmp->setPixel(2, 0, 0xA0B0C0);
    RecordingWindow owner;
    auto bytes = writeBytes(*bmp, nullptr, &owner);
    EXPECT_TRUE(owner.texts().empty()); // true colour needs no palette
    EXPECT_EQ(le32(bytes, 10), 54u);
    ASSERT_EQ(bytes.size(), 54u + 12);
    EXPECT_EQ(bytes[54], 0x33);
    EXPECT_EQ(bytes[55], 0x22);
    EXPECT_EQ(bytes[56], 0x11);
    EXPECT_EQ(bytes[60], 0xC0);
    EXPECT_EQ(bytes[62], 0xA0);
    EXPECT_EQ(bytes[63], 0); // padding
}

TEST(BmpWrite, WithoutPaletteWarnsAndUsesDeviceColours)
{
    auto bmp = noisyBitmap(4, 4, 8, 5);
    RecordingWindow owner;
    auto bytes = writeBytes(*bmp, nullptr, &owner);
    ASSERT_EQ(owner.boxes.size(), 1u);
    EXPECT_EQ(owner.boxes[0].text, "Warning: Palette information unavailable.");
    EXPECT_EQ(owner.boxes[0].caption, "BMP Error");
    EXPECT_EQ(le32(bytes, 10), 54u + 1024);
    const auto& sys = platform::Palette::system();
    EXPECT_EQ(bytes[54 + 4 * 255 + 2], sys[255].peRed);
}

TEST(BmpWrite, ProgressEveryTenRows)
{
    auto bmp = noisyBitmap(3, 25, 8, 1);
    auto pal = greyPalette(256);
    RecordingWindow status;
    writeBytes(*bmp, &pal, nullptr, &status);
    ASSERT_EQ(status.statuses.size(), 4u);
    EXPECT_EQ(status.statuses[0].kind, 1u);
    EXPECT_EQ(status.statuses[0].text, "Writing Bitmap");
    EXPECT_EQ(status.statuses[1].kind, 3u);
    EXPECT_EQ(status.statuses[1].done, 10);
    EXPECT_EQ(status.statuses[1].total, 25);
    EXPECT_EQ(status.statuses[2].done, 20);
    EXPECT_EQ(status.statuses[3].kind, 2u);
}

TEST(BmpWrite, RefusalsAndStreamFailures)
{
    auto bmp = noisyBitmap(10, 3, 8, 2);
    auto pal = greyPalette(256);
    struct Case {
        std::size_t failAfter;
        const char* message;
    };
    for (Case c : {Case{0, "Error Writing Bitmap Header"}, Case{14, "Error writing Bitmap Info Header."},
                   Case{60, "Error writing Palette information."}, Case{54 + 1024 + 12, "Error writing Bitmap image."}}) {
        RecordingWindow owner;
        TBmpIntf intf(nullptr, &owner);
        MemoryOutStream out;
        out.failAfter(c.failAfter);
        EXPECT_EQ(intf.WriteStream(out, bmp->description(), bmp.get(), &pal), 0) << c.message;
        EXPECT_EQ(owner.texts(), std::vector<std::string>{c.message});
    }

    RecordingWindow owner;
    TBmpIntf intf(nullptr, &owner);
    MemoryOutStream out;
    platform::BITMAP bm = bmp->description();
    bm.bmBitsPixel = 16;
    EXPECT_EQ(intf.WriteStream(out, bm, bmp.get(), &pal), 0);
    EXPECT_EQ(intf.WriteStream(out, bmp->description(), nullptr, &pal), 0);
    EXPECT_EQ(owner.texts(), (std::vector<std::string>{"Number of bits is not supported.",
                                                       "Could not access Graphics Device."}));
}

// --------------------------------------------------------------- round trips

TEST(BmpRoundTrip, LosslessAtOneFourAndEightBits)
{
    for (int bpp : {1, 4, 8}) {
        for (int w : {1, 7, 10, 33, 64}) {
            auto bmp = noisyBitmap(w, 5, bpp, static_cast<unsigned>(w * 13 + bpp));
            auto pal = greyPalette(std::size_t{1} << bpp);
            auto r = readBytes(writeBytes(*bmp, &pal));
            ASSERT_TRUE(r.bitmap) << bpp << " bits, width " << w;
            EXPECT_EQ(r.bitmap->bitsPerPixel(), bpp);
            EXPECT_EQ(*r.bitmap, *bmp) << bpp << " bits, width " << w;
            ASSERT_TRUE(r.palette);
            EXPECT_EQ(r.palette->size(), pal.size());
            for (std::size_t i = 0; i < pal.size(); ++i) {
                EXPECT_EQ((*r.palette)[i].peRed, pal[i].peRed);
                EXPECT_EQ((*r.palette)[i].peGreen, pal[i].peGreen);
                EXPECT_EQ((*r.palette)[i].peBlue, pal[i].peBlue);
            }
        }
    }
}

TEST(BmpRoundTrip, ThroughFilesAndTheFacade)
{
    TempDir dir;
    const std::string path = dir.file("picture.bmp");
    auto bmp = noisyBitmap(37, 21, 4, 99);
    auto pal = greyPalette(16);
    RecordingWindow owner, status;
    TGraphIO out(&status, &owner);
    EXPECT_EQ(out.SetGraphicFormat(GFORMAT_BMP), GFORMAT_UNKNOWN);
    ASSERT_EQ(out.Write_File(path, bmp->description(), bmp.get(), &pal), 1);
    EXPECT_EQ(dir.entries(), 1u) << "a temporary was left behind";

    TGraphIO in(&status, &owner);
    EXPECT_EQ(in.GetGraphicFormat(path), GFORMAT_BMP);
    auto back = in.Read_File(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *bmp);
    auto backPal = in.GetPalette();
    ASSERT_TRUE(backPal);
    EXPECT_EQ(backPal->size(), 16u);
    EXPECT_TRUE(owner.boxes.empty());
}

// ------------------------------------------------------------- reading

TEST(BmpRead, TopDownRowsLandTheRightWayUp)
{
    // Two rows of four 8-bit pixels, stored top row first.
    BmpSpec s;
    s.height = -2;
    auto r = readBytes(makeBmp(s, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(r.bitmap->height(), 2);
    EXPECT_EQ(r.bitmap->pixel(0, 1), 1u); // top row
    EXPECT_EQ(r.bitmap->pixel(3, 0), 8u); // bottom row
}

TEST(BmpRead, ColourTableSizeFollowsColoursUsedAndPixelOffset)
{
    {
        BmpSpec s;
        s.colorsUsed = 3;
        auto r = readBytes(makeBmp(s, std::vector<std::uint8_t>(8, 2)));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.palette->size(), 3u);
        EXPECT_EQ(r.bitmap->pixel(0, 0), 2u);
    }
    {
        // Colours used says nothing, but only 5 entries fit before the pixels.
        BmpSpec s;
        s.tableEntries = 5;
        auto r = readBytes(makeBmp(s, std::vector<std::uint8_t>(8, 4)));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.palette->size(), 5u);
        EXPECT_EQ((*r.palette)[4].peRed, 4);
        EXPECT_EQ(r.bitmap->pixel(3, 1), 4u);
    }
    {
        // More colours claimed than the depth allows: the depth wins.
        BmpSpec s;
        s.bpp = 1;
        s.colorsUsed = 300;
        s.tableEntries = 2;
        auto r = readBytes(makeBmp(s, {0x50, 0, 0, 0, 0xA0, 0, 0, 0}));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.palette->size(), 2u);
        EXPECT_EQ(r.bitmap->pixel(1, 0), 1u);
        EXPECT_EQ(r.bitmap->pixel(0, 1), 1u);
    }
    {
        // Gap between table and pixels is skipped.
        BmpSpec s;
        s.pixelOffset = 14 + 40 + 1024 + 10;
        auto r = readBytes(makeBmp(s, std::vector<std::uint8_t>(8, 9)));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.bitmap->pixel(2, 1), 9u);
    }
}

TEST(BmpRead, LongerWindowsHeadersAndTheOldCoreHeader)
{
    BmpSpec s;
    s.headerSize = 124;
    auto r = readBytes(makeBmp(s, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(r.bitmap->pixel(0, 0), 1u);

    // 12-byte header: 16-bit width and height, 3-byte colour entries.
    BmpBytes b;
    b.raw({'B', 'M'});
    b.u32(0);
    b.u32(0);
    b.u32(14 + 12 + 2 * 3);
    b.u32(12);
    b.u16(3);
    b.u16(1);
    b.u16(1);
    b.u16(1);
    b.raw({0, 0, 0, 10, 20, 30}); // black, then red 30 green 20 blue 10
    b.raw({0xA0, 0, 0, 0});
    auto core = readBytes(b.bytes);
    ASSERT_TRUE(core.bitmap) << (core.messages.empty() ? "" : core.messages[0]);
    EXPECT_EQ(core.bitmap->width(), 3);
    EXPECT_EQ(core.bitmap->pixel(0, 0), 1u);
    EXPECT_EQ(core.bitmap->pixel(1, 0), 0u);
    EXPECT_EQ(core.bitmap->pixel(2, 0), 1u);
    ASSERT_EQ(core.palette->size(), 2u);
    EXPECT_EQ((*core.palette)[1].peRed, 30);
    EXPECT_EQ((*core.palette)[1].peBlue, 10);
}

TEST(BmpRead, LastRowMayLackItsPadding)
{
    BmpSpec s;
    s.width = 3;
    auto bytes = makeBmp(s, {1, 2, 3, 0, 4, 5, 6});
    auto r = readBytes(bytes);
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(r.bitmap->pixel(2, 1), 6u);
    bytes.pop_back(); // now a pixel is missing
    r = readBytes(bytes);
    EXPECT_FALSE(r.bitmap);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Error reading BMP file"});
}

TEST(BmpRead, BandsAndProgress)
{
    {
        // 100 rows of 100 bytes: one band.
        BmpSpec s;
        s.width = 100;
        s.height = 100;
        auto r = readBytes(makeBmp(s, std::vector<std::uint8_t>(100 * 100, 1)));
        ASSERT_TRUE(r.bitmap);
        ASSERT_EQ(r.statuses.size(), 3u);
        EXPECT_EQ(r.statuses[0].kind, 1u);
        EXPECT_EQ(r.statuses[0].text, "Reading Bitmap");
        // The one band's report has a total of 100 rows, which the status
        // window takes for "finished"; the Done follows anyway.
        EXPECT_EQ(r.statuses[1].kind, 2u);
        EXPECT_EQ(r.statuses[2].kind, 2u);
    }
    {
        // Rows of 40000 bytes: one row per band.
        BmpSpec s;
        s.width = 40000;
        s.height = 3;
        std::vector<std::uint8_t> px(40000 * 3);
        for (std::size_t i = 0; i < px.size(); ++i)
            px[i] = static_cast<std::uint8_t>(i / 40000 + 1);
        auto r = readBytes(makeBmp(s, px));
        ASSERT_TRUE(r.bitmap);
        ASSERT_EQ(r.statuses.size(), 5u);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(r.statuses[static_cast<std::size_t>(i)].kind, 3u);
            EXPECT_EQ(r.statuses[static_cast<std::size_t>(i)].done, i);
            EXPECT_EQ(r.statuses[static_cast<std::size_t>(i)].total, 3);
        }
        EXPECT_EQ(r.bitmap->pixel(39999, 0), 1u);
        EXPECT_EQ(r.bitmap->pixel(0, 2), 3u);
    }
    {
        // 1200 rows of 1200 bytes: bands of 19 rows, rows placed in order.
        BmpSpec s;
        s.width = 1200;
        s.height = 1200;
        std::vector<std::uint8_t> px(1200 * 1200);
        for (std::size_t i = 0; i < px.size(); ++i)
            px[i] = static_cast<std::uint8_t>(i / 1200);
        auto r = readBytes(makeBmp(s, px));
        ASSERT_TRUE(r.bitmap);
        ASSERT_GT(r.statuses.size(), 3u);
        EXPECT_EQ(r.statuses[1].done, 19);
        EXPECT_EQ(r.statuses[r.statuses.size() - 2].done, 1200);
        for (int y : {0, 18, 19, 1000, 1199})
            EXPECT_EQ(r.bitmap->pixel(5, y), static_cast<std::uint32_t>(y & 0xFF)) << "row " << y;
    }
}

TEST(BmpRead, TrueColourBecomesTwentyFourBits)
{
    {
        // 24 bits: blue, green, red per pixel, rows padded to 4 bytes.
        BmpSpec s;
        s.width = 2;
        s.height = 1;
        s.bpp = 24;
        auto r = readBytes(makeBmp(s, {0x33, 0x22, 0x11, 0xC0, 0xB0, 0xA0, 0, 0}));
        ASSERT_TRUE(r.bitmap) << (r.messages.empty() ? "" : r.messages[0]);
        EXPECT_EQ(r.bitmap->bitsPerPixel(), 24);
        EXPECT_EQ(r.bitmap->pixel(0, 0), 0x112233u);
        EXPECT_EQ(r.bitmap->pixel(1, 0), 0xA0B0C0u);
        ASSERT_TRUE(r.palette);
        EXPECT_TRUE(r.palette->empty());
    }
    {
        // 32 bits: the fourth byte is not part of the colour.
        BmpSpec s;
        s.width = 1;
        s.height = 2;
        s.bpp = 32;
        auto r = readBytes(makeBmp(s, {1, 2, 3, 0xFF, 4, 5, 6, 0x80}));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.bitmap->pixel(0, 0), 0x030201u);
        EXPECT_EQ(r.bitmap->pixel(0, 1), 0x060504u);
    }
    {
        // 16 bits, 5-5-5: full channels stay full.
        BmpSpec s;
        s.width = 2;
        s.height = 1;
        s.bpp = 16;
        auto r = readBytes(makeBmp(s, {0xFF, 0x7F, 0x1F, 0x00}));
        ASSERT_TRUE(r.bitmap);
        EXPECT_EQ(r.bitmap->pixel(0, 0), 0xFFFFFFu);
        EXPECT_EQ(r.bitmap->pixel(1, 0), 0x0000FFu);
    }
    {
        // 16 bits with 5-6-5 masks after the 40-byte header.
        BmpSpec s;
        s.width = 2;
        s.height = 1;
        s.bpp = 16;
        s.compression = BI_BITFIELDS;
        BmpBytes masks;
        masks.u32(0xF800);
        masks.u32(0x07E0);
        masks.u32(0x001F);
        auto bytes = makeBmp(s, {});
        bytes.resize(54);
        bytes.insert(bytes.end(), masks.bytes.begin(), masks.bytes.end());
        bytes.insert(bytes.end(), {0x00, 0xF8, 0xE0, 0x07});
        BmpBytes fix{bytes};
        fix.patch32(10, 66);
        auto r = readBytes(fix.bytes);
        ASSERT_TRUE(r.bitmap) << (r.messages.empty() ? "" : r.messages[0]);
        EXPECT_EQ(r.bitmap->pixel(0, 0), 0xFF0000u);
        EXPECT_EQ(r.bitmap->pixel(1, 0), 0x00FF00u);

        // A mask of scattered bits is refused.
        fix.patch32(54, 0xF00F);
        r = readBytes(fix.bytes);
        EXPECT_FALSE(r.bitmap);
        EXPECT_EQ(r.messages, std::vector<std::string>{"Format error or file is not a BMP file"});
    }
}

TEST(BmpRoundTrip, TwentyFourBitsWithoutPalette)
{
    auto bmp = platform::Bitmap::create(5, 3, 24);
    std::mt19937 rng(8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bmp->setPixel(x, y, rng() & 0xFFFFFF);
    RecordingWindow owner;
    auto bytes = writeBytes(*bmp, nullptr, &owner);
    auto r = readBytes(bytes);
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(*r.bitmap, *bmp);
}

// ------------------------------------------------------------ run lengths

std::vector<std::uint8_t> decodeRle(std::uint32_t compression, int bpp, int width, int height,
                                    const std::vector<std::uint8_t>& data, int* finalStatus = nullptr)
{
    InStream in(data);
    BmpDecoder dec(in, compression, bpp, width, height);
    EXPECT_EQ(dec.init(), 0);
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        dec.decode(row.data(), width);
        out.insert(out.end(), row.begin(), row.end());
    }
    const int st = dec.term();
    if (finalStatus)
        *finalStatus = st;
    return out;
}

TEST(BmpRle, EightBitRunsAbsoluteRunsAndEscapes)
{
    int st = -1;
    auto px = decodeRle(platform::BI_RLE8, 8, 6, 3,
                        {
                            3, 7,          // run of three 7s
                            0, 3, 1, 2, 3, 0, // absolute run of 3, padded to 4 bytes
                            0, 0,          // end of line
                            0, 4, 9, 8, 7, 6, // absolute run of 4, no pad
                            9, 5,          // run past the row end: cut at the width
                            0, 0,
                            0, 1,          // end of picture: the last row stays 0
                        },
                        &st);
    EXPECT_EQ(px, (std::vector<std::uint8_t>{7, 7, 7, 1, 2, 3, 9, 8, 7, 6, 5, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(st, BMPDEC_ENDOFPICTURE);
}

TEST(BmpRle, FourBitNibblesAlternateHighFirst)
{
    auto px = decodeRle(platform::BI_RLE4, 4, 8, 1,
                        {
                            5, 0x12,          // 1 2 1 2 1
                            0, 3, 0xAB, 0xC0, // absolute: A B C, two bytes, no pad
                            0, 1,
                        });
    EXPECT_EQ(px, (std::vector<std::uint8_t>{1, 2, 1, 2, 1, 0xA, 0xB, 0xC}));

    auto padded = decodeRle(platform::BI_RLE4, 4, 6, 1, {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x70, 0, 1});
    // 5 pixels take 3 bytes, so one pad byte follows before the run of one 7.
    EXPECT_EQ(padded, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 7}));
}

TEST(BmpRle, DeltaSkipsPixelsAndRows)
{
    int st = -1;
    auto px = decodeRle(platform::BI_RLE8, 8, 4, 4,
                        {
                            1, 9,
                            0, 2, 2, 0, // right by 2 on the same row
                            1, 8,
                            0, 0,
                            1, 5,
                            0, 2, 1, 2, // right 1, up 2: row 2 stays blank, row 3 goes on at column 2
                            2, 6,
                            0, 1,
                        },
                        &st);
    EXPECT_EQ(px, (std::vector<std::uint8_t>{9, 0, 0, 8, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 6}));
    EXPECT_EQ(st, BMPDEC_ENDOFPICTURE);
}

TEST(BmpRle, DamagedStreamsAreReported)
{
    int st = 0;
    // A delta that leaves the picture.
    decodeRle(platform::BI_RLE8, 8, 4, 2, {0, 2, 5, 0, 0, 1}, &st);
    EXPECT_EQ(st, CODEC_BADCODE);
    decodeRle(platform::BI_RLE8, 8, 4, 2, {0, 2, 0, 2, 0, 1}, &st);
    EXPECT_EQ(st, CODEC_BADCODE);
    // Data for rows beyond the last one.
    decodeRle(platform::BI_RLE8, 8, 2, 1, {2, 1, 0, 0, 2, 1, 0, 0}, &st);
    EXPECT_EQ(st, CODEC_BADCODE);
    // Extra end-of-line escapes before the end of picture are fine, so is plain end of data.
    decodeRle(platform::BI_RLE8, 8, 2, 1, {2, 1, 0, 0, 0, 0, 0, 1}, &st);
    EXPECT_EQ(st, BMPDEC_ENDOFPICTURE);
    decodeRle(platform::BI_RLE8, 8, 2, 1, {2, 1, 0, 0}, &st);
    EXPECT_EQ(st, CODEC_OK);
    // An absolute run cut off by the end of the data.
    decodeRle(platform::BI_RLE8, 8, 8, 1, {0, 6, 1, 2}, &st);
    EXPECT_EQ(st, CODEC_EOF);
}

TEST(BmpRle, WholeFilesThroughTheReader)
{
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.compression = platform::BI_RLE8;
    auto r = readBytes(makeBmp(s, {3, 5, 0, 0, 2, 6, 0, 1}));
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(r.bitmap->pixel(2, 0), 5u);
    EXPECT_EQ(r.bitmap->pixel(1, 1), 6u);
    EXPECT_EQ(r.bitmap->pixel(2, 1), 0u);

    s.bpp = 4;
    s.compression = platform::BI_RLE4;
    r = readBytes(makeBmp(s, {3, 0x5A, 0, 0, 2, 0x66, 0, 1}));
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(r.bitmap->bitsPerPixel(), 4);
    EXPECT_EQ(r.bitmap->pixel(1, 0), 0xAu);
    EXPECT_EQ(r.bitmap->pixel(2, 0), 5u);

    // Data that runs on past the last row is refused.
    s.bpp = 8;
    s.compression = platform::BI_RLE8;
    r = readBytes(makeBmp(s, {3, 5, 0, 0, 3, 6, 0, 0, 3, 7, 0, 0, 0, 1}));
    EXPECT_FALSE(r.bitmap);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Format error or file is not a BMP file"});
}

// ------------------------------------------------------------ refusals

TEST(BmpRefusals, EveryReaderMessage)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than a file header", {'B', 'M', 0, 0}, "Error reading BMP file"});
    {
        auto b = makeBmp(BmpSpec{}, std::vector<std::uint8_t>(8));
        b[0] = 'X';
        cases.push_back({"wrong file type", b, "File is not a valid BMP file"});
    }
    {
        auto b = makeBmp(BmpSpec{}, std::vector<std::uint8_t>(8));
        b.resize(16);
        cases.push_back({"header size cut off", b, "Error reading Bitmap Info Header."});
        b = makeBmp(BmpSpec{}, std::vector<std::uint8_t>(8));
        b.resize(40);
        cases.push_back({"information header cut off", b, "Error reading Bitmap Info Header."});
    }
    {
        BmpSpec s;
        s.headerSize = 66;
        cases.push_back({"unknown header size", makeBmp(s, std::vector<std::uint8_t>(8)),
                         "Format error or file is not a BMP file"});
        s.headerSize = 64;
        s.compression = 3; // Huffman in an OS/2 2.x header
        s.bpp = 1;
        cases.push_back({"OS/2 compression", makeBmp(s, std::vector<std::uint8_t>(8)),
                         "Only Windows Compatible Bitmaps are supported."});
    }
    for (std::uint16_t bpp : {2, 64}) {
        BmpSpec s;
        s.bpp = bpp;
        s.tableEntries = bpp == 2 ? 4 : 0;
        cases.push_back({"depth the device cannot hold", makeBmp(s, std::vector<std::uint8_t>(64)),
                         "Only bitmaps of 1, 4, 8, 16, 24 or 32 bits per pixel are supported."});
    }
    {
        BmpSpec s;
        s.bpp = 0;
        s.tableEntries = 0;
        cases.push_back({"no depth at all", makeBmp(s, std::vector<std::uint8_t>(8)),
                         "Format error or file is not a BMP file"});
        s = {};
        s.bpp = 24;
        s.compression = BI_BITFIELDS; // masks only exist for 16 and 32 bits
        cases.push_back({"masks at 24 bits", makeBmp(s, std::vector<std::uint8_t>(64)),
                         "Format error or file is not a BMP file"});
        s = {};
        s.width = -4;
        cases.push_back({"negative width", makeBmp(s, std::vector<std::uint8_t>(8)),
                         "Format error or file is not a BMP file"});
        s = {};
        s.height = 0;
        cases.push_back({"no rows", makeBmp(s, {}), "Format error or file is not a BMP file"});
        s = {};
        s.compression = platform::BI_RLE4; // at 8 bits
        cases.push_back({"compression not matching the depth", makeBmp(s, {0, 1}),
                         "Format error or file is not a BMP file"});
        s = {};
        s.compression = platform::BI_RLE8;
        s.height = -2;
        cases.push_back({"top-down run lengths", makeBmp(s, {0, 1}), "Format error or file is not a BMP file"});
        s = {};
        s.pixelOffset = 54;
        cases.push_back({"pixel offset inside the headers", makeBmp(s, std::vector<std::uint8_t>(8)),
                         "Format error or file is not a BMP file"});
    }
    {
        BmpSpec s;
        s.width = 1 << 15;
        s.height = (1 << 13) + 1; // just over 2^28 pixels
        cases.push_back({"too many pixels", makeBmp(s, {}), "Insufficient memory to write image"});
        s.height = 1 << 13;
        cases.push_back({"larger than the file holds", makeBmp(s, std::vector<std::uint8_t>(64)),
                         "Error reading BMP file"});
        s.compression = platform::BI_RLE8;
        cases.push_back({"run lengths that cannot fill the picture", makeBmp(s, std::vector<std::uint8_t>(64)),
                         "Error reading BMP file"});
    }
    {
        auto b = makeBmp(BmpSpec{}, {});
        b.resize(14 + 40 + 4 * 100 + 2);
        cases.push_back({"colour table cut off", b, "Error reading RGB QUAD"});
        b.resize(14 + 40 + 4 * 256);
        cases.push_back({"nothing after the colour table", b, "Error reading RGB color table"});
    }
    {
        BmpSpec s;
        s.compression = platform::BI_RLE8;
        s.height = 3;
        s.width = 2;
        cases.push_back({"run-length data ending early", makeBmp(s, {2, 1, 0, 0, 2, 1}), "Error reading BMP file"});
    }

    for (const auto& c : cases) {
        auto r = readBytes(c.bytes);
        EXPECT_FALSE(r.bitmap) << c.what;
        EXPECT_EQ(r.messages, std::vector<std::string>{c.message}) << c.what;
        for (const auto& box : r.boxes) {
            EXPECT_EQ(box.caption, "BMP Error");
            EXPECT_EQ(box.style, platform::MB_ICONQUESTION | platform::MB_OK);
        }
        // A refused picture hands over no palette.
        EXPECT_FALSE(r.palette) << c.what;
    }
}

TEST(BmpRefusals, MissingFileAndQuietFlag)
{
    RecordingWindow owner;
    TBmpIntf intf(nullptr, &owner);
    EXPECT_FALSE(intf.ReadFile("/nonexistent/dir/picture.bmp"));
    EXPECT_EQ(owner.texts(), std::vector<std::string>{"BMP file not found"});

    intf.quiet = 1;
    EXPECT_FALSE(intf.ReadFile("/nonexistent/dir/picture.bmp"));
    InStream in(std::vector<std::uint8_t>{'B', 'M'});
    EXPECT_FALSE(intf.ReadStream(in));
    EXPECT_EQ(owner.boxes.size(), 1u);
}

// The malformed corpus (tests/data/bmp/malformed and its expected.tsv) is
// walked with every other format's by test_formats.cpp.

TEST(BmpRefusals, DamagedCopiesAreReadOrRefusedWithOneMessage)
{
    // Valid pictures at every coding, then thousands of copies with bytes
    // changed or cut off: each must come back as a picture of the size its
    // header claims, or be refused with exactly one message.
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int bpp : {1, 4, 8}) {
        auto bmp = noisyBitmap(13, 7, bpp, static_cast<unsigned>(bpp));
        auto pal = greyPalette(std::size_t{1} << bpp);
        seeds.push_back(writeBytes(*bmp, &pal));
    }
    BmpSpec rle;
    rle.width = 9;
    rle.height = 3;
    rle.compression = platform::BI_RLE8;
    seeds.push_back(makeBmp(rle, {4, 1, 0, 3, 1, 2, 3, 0, 0, 0, 9, 5, 0, 0, 0, 2, 3, 0, 2, 7, 0, 1}));
    rle.bpp = 4;
    rle.compression = platform::BI_RLE4;
    seeds.push_back(makeBmp(rle, {4, 0x12, 0, 3, 0x12, 0x30, 0, 0, 9, 0x56, 0, 0, 0, 2, 3, 0, 2, 0x77, 0, 1}));

    std::mt19937 rng(2024);
    int decoded = 0, refused = 0;
    for (int round = 0; round < 4000; ++round) {
        auto bytes = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % bytes.size();
            // Header fields are where damage does the most; aim there half the time.
            const std::size_t pos = (rng() & 1) ? at % 64 : at;
            bytes[pos] = static_cast<std::uint8_t>(rng());
        }
        if (rng() % 8 == 0)
            bytes.resize(rng() % bytes.size());
        auto r = readBytes(bytes);
        if (r.bitmap) {
            ++decoded;
            EXPECT_TRUE(r.messages.empty()) << "round " << round << ": " << r.messages[0];
            EXPECT_LE(static_cast<std::int64_t>(r.bitmap->width()) * r.bitmap->height(),
                      platform::Bitmap::kMaxPixels);
            ASSERT_TRUE(r.palette);
        } else {
            ++refused;
            EXPECT_EQ(r.messages.size(), 1u) << "round " << round;
        }
    }
    // Both outcomes must actually occur, or the damage is not reaching the reader.
    EXPECT_GT(decoded, 100);
    EXPECT_GT(refused, 100);
}

// -------------------------------------------------------- replacing files

TEST(BmpFiles, OverwriteQuestionAndSafeReplacement)
{
    TempDir dir;
    const std::string path = dir.file("old.bmp");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd', ' ', 'd', 'a', 't', 'a'};
    { std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 8); }
    auto bmp = noisyBitmap(9, 9, 8, 4);
    auto pal = greyPalette(256);

    RecordingWindow owner;
    TBmpIntf intf(nullptr, &owner);
    owner.answer = platform::IDNO;
    EXPECT_EQ(intf.WriteFile(path, bmp->description(), bmp.get(), &pal), 0);
    ASSERT_EQ(owner.boxes.size(), 1u);
    EXPECT_EQ(owner.boxes[0].text, "Overwrite " + path + "?");
    EXPECT_EQ(fileBytes(path), old);

    // A write that fails part way leaves the old file byte for byte, and no temporary.
    owner.answer = platform::IDYES;
    platform::BITMAP bad = bmp->description();
    bad.bmBitsPixel = 2;
    EXPECT_EQ(intf.WriteFile(path, bad, bmp.get(), &pal), 0);
    EXPECT_EQ(owner.boxes.back().text, "Number of bits is not supported.");
    EXPECT_EQ(fileBytes(path), old);
    EXPECT_EQ(dir.entries(), 1u);

    // Yes replaces it.
    EXPECT_EQ(intf.WriteFile(path, bmp->description(), bmp.get(), &pal), 1);
    EXPECT_EQ(fileBytes(path).size(), 54u + 1024 + 81 + 9 * 3);
    EXPECT_EQ(dir.entries(), 1u);

    // A folder that does not exist.
    EXPECT_EQ(intf.WriteFile(dir.file("no/such/folder.bmp"), bmp->description(), bmp.get(), &pal), 0);
    EXPECT_EQ(owner.boxes.back().text, "Could not open file.");
}

} // namespace

// Rows are written straight from the bitmap; whatever its bytes past the
// width hold, the file's padding and unused bits are clear, and a file with
// dirty padding reads back into clean rows.
TEST(BmpRoundTrip, BitsPastTheWidthAreClearedBothWays)
{
    for (int bpp : {1, 4, 8, 24}) {
        for (int w : {1, 5, 8, 13}) {
            auto bmp = platform::Bitmap::create(w, 9, bpp);
            ASSERT_TRUE(bmp);
            std::fill(bmp->bits().begin(), bmp->bits().end(), std::uint8_t{0xFF});
            auto pal = greyPalette(bpp == 24 ? 0 : std::size_t{1} << bpp);
            auto bytes = writeBytes(*bmp, bpp == 24 ? nullptr : &pal);
            const std::size_t stride = bmp->stride();
            const std::size_t offset = le32(bytes, 10);
            ASSERT_EQ(bytes.size(), offset + stride * 9) << bpp << ' ' << w;
            const std::size_t usedBits = static_cast<std::size_t>(w) * static_cast<std::size_t>(bpp);
            for (int y = 0; y < 9; ++y) {
                const std::uint8_t* row = bytes.data() + offset + static_cast<std::size_t>(y) * stride;
                for (std::size_t bit = 0; bit < stride * 8; ++bit) {
                    const bool set = (row[bit / 8] >> (7 - bit % 8)) & 1;
                    ASSERT_EQ(set, bit < usedBits) << bpp << " bits, width " << w << ", row " << y << ", bit " << bit;
                }
            }
            // The same bytes with dirty padding read back as clean rows.
            for (int y = 0; y < 9; ++y)
                for (std::size_t i = (usedBits + 7) / 8; i < stride; ++i)
                    bytes[offset + static_cast<std::size_t>(y) * stride + i] = 0xA5;
            auto r = readBytes(bytes);
            ASSERT_TRUE(r.bitmap);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(r.bitmap->pixel(x, y), bpp == 24 ? 0xFFFFFFu : (1u << bpp) - 1);
            for (std::size_t i = 0; i < r.bitmap->bits().size(); ++i) {
                if ((i % stride) * 8 >= usedBits) {
                    ASSERT_EQ(r.bitmap->bits()[i], 0) << bpp << " bits, width " << w << ", byte " << i;
                }
            }
        }
    }
}

// A true-colour picture has no palette to miss: writing it says nothing.
TEST(BmpWrite, TrueColourWithoutPaletteIsWrittenWithoutWarning)
{
    auto bmp = platform::Bitmap::create(6, 4, 24);
    ASSERT_TRUE(bmp);
    bmp->setPixel(2, 1, 0x123456);
    RecordingWindow owner;
    auto bytes = writeBytes(*bmp, nullptr, &owner);
    EXPECT_TRUE(owner.boxes.empty()) << owner.boxes[0].text;
    EXPECT_EQ(le32(bytes, 10), 54u);
    auto r = readBytes(bytes);
    ASSERT_TRUE(r.bitmap);
    EXPECT_EQ(*r.bitmap, *bmp);
}
