// The PCX header, its run-length codec and the PCX reader and writer.

#include "RecordingWindow.h"
#include "pictrans/PcxCodec.h"
#include "pictrans/PcxHeader.h"
#include "pictrans/TPcxIntf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

PCXHEADER header(int w, int h, int bits, int planes, int bplin)
{
    PCXHEADER hd;
    hd.bitpx = static_cast<std::uint8_t>(bits);
    hd.nplanes = static_cast<std::uint8_t>(planes);
    hd.x1 = 0;
    hd.y1 = 0;
    hd.x2 = static_cast<std::uint16_t>(w - 1);
    hd.y2 = static_cast<std::uint16_t>(h - 1);
    hd.bplin = static_cast<std::uint16_t>(bplin);
    return hd;
}

Bytes headerBytes(const PCXHEADER& h)
{
    Bytes b(128);
    h.store(b.data());
    return b;
}

// Run-length encodes one plane line with the library's encoder.
Bytes encodeLine(const Bytes& line)
{
    MemoryOutStream out;
    PCXHEADER h = header(static_cast<int>(line.size()), 1, 8, 1, static_cast<int>(line.size()));
    PcxEncoder enc(out, h);
    EXPECT_EQ(enc.init(), CODEC_OK);
    EXPECT_EQ(enc.encode(line.data(), static_cast<int>(line.size())), CODEC_OK);
    EXPECT_EQ(enc.term(), CODEC_OK);
    return out.data();
}

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("pictrans-pcx-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(file(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                            static_cast<std::streamsize>(bytes.size()));
        return file(name);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct ReadResult {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
    RecordingWindow window;
};

std::unique_ptr<ReadResult> readPcx(const Bytes& bytes)
{
    auto r = std::make_unique<ReadResult>();
    TPcxIntf pcx(&r->window, &r->window);
    InStream in(bytes);
    r->bitmap = pcx.ReadStream(in);
    r->palette = pcx.TakePalette();
    return r;
}

Bytes pixelsOf(const platform::Bitmap& bm)
{
    Bytes out;
    for (int y = bm.height() - 1; y >= 0; --y)
        for (int x = 0; x < bm.width(); ++x)
            out.push_back(static_cast<std::uint8_t>(bm.pixel(x, y)));
    return out;
}

Bytes vgaPalette()
{
    Bytes p = {12};
    for (int i = 0; i < 256; ++i)
        p = p + Bytes{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2)};
    return p;
}

} // namespace

// ---------------------------------------------------------------------------
// Header

TEST(PcxHeader, StoresTheFieldsAtTheirOffsets)
{
    PCXHEADER h;
    EXPECT_EQ(h.format, 10);
    EXPECT_EQ(h.version, 5);
    EXPECT_EQ(h.rleflag, 1);
    EXPECT_EQ(h.paltype, 1);
    h.bitpx = 1;
    h.x1 = 0x0102;
    h.y2 = 0x0304;
    h.palette[0] = 0xAA;
    h.palette[47] = 0xBB;
    h.nplanes = 4;
    h.bplin = 0x0506;
    h.scrnh = 480;
    Bytes b = headerBytes(h);
    EXPECT_EQ(b[0], 10);
    EXPECT_EQ(b[1], 5);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(b[4], 0x02);
    EXPECT_EQ(b[5], 0x01);
    EXPECT_EQ(b[10], 0x04);
    EXPECT_EQ(b[16], 0xAA);
    EXPECT_EQ(b[63], 0xBB);
    EXPECT_EQ(b[65], 4);
    EXPECT_EQ(b[66], 0x06);
    EXPECT_EQ(b[68], 1);
    EXPECT_EQ(b[72], 480 & 0xFF);
    EXPECT_EQ(Bytes(b.begin() + 74, b.end()), Bytes(54, 0));

    InStream in(b);
    PCXHEADER back;
    ASSERT_EQ(back.get(in), 0);
    Bytes again = headerBytes(back);
    EXPECT_EQ(again, b);

    InStream shortIn(Bytes(127, 10));
    EXPECT_EQ(PCXHEADER{}.get(shortIn), -1);
    MemoryOutStream out;
    out.failAfter(100);
    EXPECT_EQ(h.put(out), -1);
}

TEST(PcxHeader, ListNamesVersionAndPaletteType)
{
    auto listed = [](const PCXHEADER& h) {
        std::FILE* f = std::tmpfile();
        h.list(f);
        std::rewind(f);
        std::string s;
        for (int c; (c = std::fgetc(f)) != EOF;)
            s.push_back(static_cast<char>(c));
        std::fclose(f);
        return s;
    };
    PCXHEADER h;
    std::string s = listed(h);
    EXPECT_NE(s.find("PCXHEADER::format  = 10\n"), std::string::npos) << s;
    EXPECT_NE(s.find("PCXHEADER::version = 5,version 3.0 or later\n"), std::string::npos) << s;
    EXPECT_NE(s.find("color image\n"), std::string::npos);
    h.version = 4;
    h.paltype = 2;
    s = listed(h);
    EXPECT_NE(s.find("unknown version\n"), std::string::npos);
    EXPECT_NE(s.find("grayscale image\n"), std::string::npos);
    h.paltype = 7;
    EXPECT_NE(listed(h).find("unknown image type\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Codec

TEST(PcxCodec, RunsAreSplitAtSixtyThreeAndHighBytesEscaped)
{
    // 100 equal bytes: 63 + 37.
    EXPECT_EQ(encodeLine(Bytes(100, 7)), (Bytes{0xFF, 7, 0xE5, 7}));
    // A single byte that looks like a count needs one.
    EXPECT_EQ(encodeLine(Bytes{0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(encodeLine(Bytes{0x41}), (Bytes{0x41}));
    EXPECT_EQ(encodeLine(Bytes{0xBF, 0xC0}), (Bytes{0xBF, 0xC1, 0xC0}));
    EXPECT_EQ(encodeLine(Bytes(63, 0)), (Bytes{0xFF, 0}));
    EXPECT_EQ(encodeLine(Bytes(64, 0)), (Bytes{0xFF, 0, 0}));
    EXPECT_EQ(encodeLine(Bytes(126, 200)), (Bytes{0xFF, 200, 0xFF, 200}));
    EXPECT_EQ(encodeLine(Bytes{1, 1, 2}), (Bytes{0xC2, 1, 2}));
}

TEST(PcxCodec, RunsStopAtPlaneLinesWhenWritingAndFlowOnWhenReading)
{
    // 1-bit x 4 planes, 16 pixels of colour 15: every plane is 0xFF 0xFF,
    // written as its own run.
    PCXHEADER h = header(16, 1, 1, 4, 2);
    MemoryOutStream out;
    PcxEncoder enc(out, h);
    enc.init();
    Bytes px(16, 15);
    enc.encode(px.data(), 16);
    EXPECT_EQ(out.data(), (Bytes{0xC2, 0xFF, 0xC2, 0xFF, 0xC2, 0xFF, 0xC2, 0xFF}));

    // A reader takes a run across planes, and drops what lies past the last.
    Bytes file = headerBytes(h) + Bytes{0xCA, 0xFF, 0x0F, 0x0F};
    InStream in(file);
    PcxDecoder dec(in, h);
    dec.init();
    Bytes line(16, 0xEE);
    EXPECT_EQ(dec.decode(line.data(), 16), CODEC_OK);
    EXPECT_EQ(line, Bytes(16, 15));
    // The next line starts after the run, with the bytes 0x0F 0x0F.
    Bytes next(16);
    dec.decode(next.data(), 16);
    EXPECT_EQ(next[4], 1);
    EXPECT_EQ(next[0], 0);
}

TEST(PcxCodec, FourBitPixelsComeFromFourPlanes)
{
    // 8 pixels, one byte per plane: plane i gives bit i.
    //   plane 0: 1010 1010 -> pixels 0, 2, 4, 6 get bit 0
    //   plane 1: 1100 1100 -> pixels 0, 1, 4, 5 get bit 1 (0xCC needs a count)
    //   plane 2: 1111 0000 -> pixels 0..3 get bit 2 (so does 0xF0)
    //   plane 3: 0000 0001 -> pixel 7 gets bit 3
    PCXHEADER h = header(8, 1, 1, 4, 2);
    Bytes data = {0xAA, 0x00, 0xC1, 0xCC, 0x00, 0xC1, 0xF0, 0x00, 0x01, 0x00};
    InStream in(headerBytes(h) + data);
    PcxDecoder dec(in, h);
    dec.init();
    Bytes line(8);
    ASSERT_EQ(dec.decode(line.data(), 8), CODEC_OK);
    EXPECT_EQ(line, (Bytes{7, 6, 5, 4, 3, 2, 1, 8}));

    // And the encoder splits them back into the same planes.
    MemoryOutStream out;
    PcxEncoder enc(out, h);
    enc.init();
    enc.encode(line.data(), 8);
    EXPECT_EQ(out.data(), data);
}

TEST(PcxCodec, PackedAndInterleavedLayouts)
{
    // 2 bits in one plane: 00 01 10 11 | 11 00 -> pixels 0 1 2 3 3 0.
    PCXHEADER h2 = header(6, 1, 2, 1, 2);
    InStream in2(headerBytes(h2) + Bytes{0x1B, 0xC0 | 1, 0xC0});
    PcxDecoder d2(in2, h2);
    d2.init();
    Bytes line(6);
    d2.decode(line.data(), 6);
    EXPECT_EQ(line, (Bytes{0, 1, 2, 3, 3, 0}));

    // 8 bits in three planes interleave pixel by pixel.
    PCXHEADER h3 = header(2, 1, 8, 3, 2);
    InStream in3(headerBytes(h3) + Bytes{1, 2, 3, 4, 5, 6});
    PcxDecoder d3(in3, h3);
    d3.init();
    Bytes rgb(6);
    d3.decode(rgb.data(), 2);
    EXPECT_EQ(rgb, (Bytes{1, 3, 5, 2, 4, 6}));

    // Cut data: the line ends, the status says so.
    PCXHEADER h8 = header(4, 2, 8, 1, 4);
    InStream in8(headerBytes(h8) + Bytes{9, 9});
    PcxDecoder d8(in8, h8);
    d8.init();
    Bytes l8(4, 0xEE);
    EXPECT_EQ(d8.decode(l8.data(), 4), CODEC_EOF);
    EXPECT_EQ(l8, (Bytes{9, 9, 0, 0}));
}

// ---------------------------------------------------------------------------
// Reading

TEST(PcxRead, EightBitFileWithItsColourTable)
{
    // 3 x 2, bplin 4 (one pad byte per line).
    PCXHEADER h = header(3, 2, 8, 1, 4);
    Bytes data = {0x01, 0xC2, 0x02, 0x00, /* row 2 */ 0xC3, 0xC9, 0x00};
    auto r = readPcx(headerBytes(h) + data + vgaPalette());
    ASSERT_TRUE(r->bitmap) << (r->window.boxes.empty() ? "" : r->window.boxes[0].text);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 8);
    EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{1, 2, 2, 0xC9, 0xC9, 0xC9}));
    ASSERT_EQ(r->palette->size(), 256u);
    EXPECT_EQ((*r->palette)[200], (platform::PALETTEENTRY{200, 55, 100, platform::PC_NOCOLLAPSE}));
    EXPECT_TRUE(r->window.boxes.empty());
    EXPECT_EQ(r->window.statuses.front().text, "Reading PCX Image");
    EXPECT_EQ(r->window.statuses.back().kind, static_cast<std::uintptr_t>(GSTATUS_DONE));
}

TEST(PcxRead, EightBitFileWithoutColourTableIsGrey)
{
    PCXHEADER h = header(2, 1, 8, 1, 2);
    auto r = readPcx(headerBytes(h) + Bytes{0x10, 0x20});
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{0x10, 0x20}));
    EXPECT_EQ((*r->palette)[0x20], (platform::PALETTEENTRY{0x20, 0x20, 0x20, platform::PC_NOCOLLAPSE}));
}

TEST(PcxRead, TwentyFourBitFileBecomesATrueColourBitmap)
{
    // 2 x 1: red plane 10 20, green 30 40, blue 50 60.
    PCXHEADER h = header(2, 1, 8, 3, 2);
    auto r = readPcx(headerBytes(h) + Bytes{10, 20, 30, 40, 50, 60});
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 24);
    EXPECT_EQ(r->bitmap->pixel(0, 0), 0x0A1E32u);
    EXPECT_EQ(r->bitmap->pixel(1, 0), 0x14283Cu);
    EXPECT_FALSE(r->palette);
}

TEST(PcxRead, FewPlanesAndPackedPixelsMakeFourBitBitmaps)
{
    // 1 bit x 2 planes, 8 pixels: plane 0 = 0x0F, plane 1 = 0x33.
    PCXHEADER h = header(8, 1, 1, 2, 2);
    for (int i = 0; i < 4; ++i) {
        h.palette[3 * i] = static_cast<std::uint8_t>(10 * (i + 1));
    }
    auto r = readPcx(headerBytes(h) + Bytes{0x0F, 0x00, 0x33, 0x00});
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 4);
    EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{0, 0, 2, 2, 1, 1, 3, 3}));
    ASSERT_EQ(r->palette->size(), 16u);
    EXPECT_EQ((*r->palette)[3].peRed, 40);
    EXPECT_EQ((*r->palette)[4].peRed, 0);

    // 1 bit x 1 plane with a blank header table reads as black and white.
    PCXHEADER h1 = header(8, 1, 1, 1, 2);
    auto one = readPcx(headerBytes(h1) + Bytes{0xA5, 0x00});
    ASSERT_TRUE(one->bitmap);
    EXPECT_EQ(one->bitmap->bitsPerPixel(), 1);
    EXPECT_EQ(pixelsOf(*one->bitmap), (Bytes{1, 0, 1, 0, 0, 1, 0, 1}));
    EXPECT_EQ((*one->palette)[1], (platform::PALETTEENTRY{255, 255, 255, platform::PC_NOCOLLAPSE}));
}

TEST(PcxRead, PictureWindowNeedNotStartAtZero)
{
    PCXHEADER h = header(3, 1, 8, 1, 2);
    h.x1 = 100;
    h.x2 = 101;
    h.y1 = 7;
    h.y2 = 8;
    auto r = readPcx(headerBytes(h) + Bytes{1, 2, 3, 4});
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(r->bitmap->width(), 2);
    EXPECT_EQ(r->bitmap->height(), 2);
    EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{1, 2, 3, 4}));
}

TEST(PcxRead, EveryFaultHasItsMessage)
{
    struct Case {
        Bytes file;
        std::string message;
    };
    PCXHEADER ok = header(4, 2, 8, 1, 4);
    PCXHEADER narrow = header(88, 2, 8, 1, 12);
    PCXHEADER zero = header(4, 2, 1, 1, 0);
    PCXHEADER backwards = ok;
    backwards.x1 = 5;
    PCXHEADER deep = header(4, 2, 8, 2, 4);
    PCXHEADER threeBits = header(4, 2, 3, 1, 4);
    PCXHEADER huge = header(40000, 40000, 8, 1, 40000);
    PCXHEADER tall = header(1000, 1000, 8, 1, 1000);
    Bytes notPcx = headerBytes(ok);
    notPcx[0] = 11;
    const std::vector<Case> cases = {
        {Bytes{0x0A, 0x05, 0x01}, "Not a valid .PCX file"},
        {notPcx + Bytes(8, 0), "Not a valid .PCX file"},
        {headerBytes(narrow) + Bytes(200, 0), "Not a valid .PCX file"},
        {headerBytes(zero) + Bytes(8, 0), "Not a valid .PCX file"},
        {headerBytes(backwards) + Bytes(8, 0), "Not a valid .PCX file"},
        {headerBytes(deep) + Bytes(16, 0), "Number of bits is not supported."},
        {headerBytes(threeBits) + Bytes(8, 0), "Number of bits is not supported."},
        {headerBytes(huge) + Bytes(8, 0), "Insufficient memory to read image"},
        {headerBytes(tall) + Bytes(300, 0), "Not a valid .PCX file"},
        // Data for one and a half lines of two.
        {headerBytes(ok) + Bytes{1, 2, 3, 4, 5, 6}, "Not a valid .PCX file"},
    };
    for (const auto& c : cases) {
        auto r = readPcx(c.file);
        EXPECT_FALSE(r->bitmap) << c.message;
        ASSERT_FALSE(r->window.boxes.empty()) << c.message;
        EXPECT_EQ(r->window.boxes[0].text, c.message);
        EXPECT_EQ(r->window.boxes[0].caption, "PCX Error");
    }

    RecordingWindow w;
    TPcxIntf pcx(&w, &w);
    EXPECT_FALSE(pcx.ReadFile("/nonexistent/x.pcx"));
    EXPECT_EQ(w.texts(), std::vector<std::string>{"Unable to open /nonexistent/x.pcx!"});
    EXPECT_FALSE(pcx.ReadFile(""));
    EXPECT_EQ(w.boxes.size(), 1u);
    pcx.quiet = 1;
    EXPECT_FALSE(pcx.ReadFile("/nonexistent/x.pcx"));
    EXPECT_EQ(w.boxes.size(), 1u);
}

TEST(PcxRead, MalformedFilesAreRefusedWithAMessage)
{
    const fs::path dir = fs::path(DOTSCAPE_TESTDATA_DIR) / "pcx" / "malformed";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".pcx")
            continue;
        ++seen;
        RecordingWindow w;
        TPcxIntf pcx(&w, &w);
        EXPECT_FALSE(pcx.ReadFile(entry.path().string())) << entry.path();
        EXPECT_FALSE(w.boxes.empty()) << entry.path();
        for (const auto& b : w.boxes)
            EXPECT_EQ(b.caption, "PCX Error") << entry.path();
    }
    EXPECT_GE(seen, 8);
}

// ---------------------------------------------------------------------------
// Writing

namespace {

struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;
};

Picture makePicture(int w, int h, int depth, unsigned seed, std::size_t colors = 0)
{
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, depth);
    const std::uint32_t mask = (1u << depth) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bitmap->setPixel(x, y, ((x / 3) * 5 + y * 11 + seed + (x * y % 7)) & mask);
    std::vector<platform::PALETTEENTRY> e;
    const std::size_t n = colors ? colors : std::size_t{mask} + 1;
    for (std::size_t i = 0; i < n; ++i)
        e.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 5), static_cast<std::uint8_t>(~i), 0});
    p.palette = platform::Palette(e);
    return p;
}

} // namespace

TEST(PcxWrite, HeaderAndTrailerForEachDepth)
{
    TempDir dir;
    struct Case {
        int depth, bitpx, nplanes, bplin;
        bool trailer;
    };
    for (Case c : {Case{1, 1, 1, 2, false}, Case{4, 1, 4, 2, false}, Case{8, 8, 1, 10, true}}) {
        Picture p = makePicture(10, 3, c.depth, 1);
        RecordingWindow w;
        TPcxIntf pcx(&w, &w);
        const std::string name = dir.file("d" + std::to_string(c.depth) + ".pcx");
        ASSERT_EQ(pcx.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
        EXPECT_TRUE(w.boxes.empty());
        Bytes b = readFile(name);
        ASSERT_GT(b.size(), 128u);
        PCXHEADER h;
        h.load(b.data());
        EXPECT_EQ(h.format, 10);
        EXPECT_EQ(h.version, 5);
        EXPECT_EQ(h.bitpx, c.bitpx);
        EXPECT_EQ(h.nplanes, c.nplanes);
        EXPECT_EQ(h.bplin, c.bplin);
        EXPECT_EQ(h.x2, 9);
        EXPECT_EQ(h.y2, 2);
        EXPECT_EQ(h.hres, 100);
        EXPECT_EQ(h.scrnw, 640);
        EXPECT_EQ(h.scrnh, 480);
        if (c.depth < 8) {
            EXPECT_EQ(h.palette[3], p.palette[1].peRed);
            EXPECT_EQ(h.palette[5], p.palette[1].peBlue);
        }
        if (c.trailer) {
            ASSERT_GT(b.size(), 128u + 769u);
            EXPECT_EQ(b[b.size() - 769], 12);
            EXPECT_EQ(b[b.size() - 768 + 3 * 7 + 1], p.palette[7].peGreen);
        }
    }
}

TEST(PcxWrite, PicturesRoundTripLosslesslyAtEveryDepth)
{
    TempDir dir;
    for (int depth : {1, 4, 8}) {
        for (auto [w, h] : {std::pair{1, 1}, std::pair{17, 9}, std::pair{333, 120}}) {
            Picture p = makePicture(w, h, depth, static_cast<unsigned>(w * depth));
            RecordingWindow win;
            TPcxIntf writer(&win, &win);
            const std::string name = dir.file("rt" + std::to_string(depth) + "-" + std::to_string(w) + ".pcx");
            ASSERT_EQ(writer.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
            TPcxIntf reader(&win, &win);
            auto back = reader.ReadFile(name);
            ASSERT_TRUE(back) << depth << " " << w;
            EXPECT_EQ(*back, *p.bitmap) << "depth " << depth << " size " << w << "x" << h;
            auto pal = reader.TakePalette();
            ASSERT_TRUE(pal);
            for (std::size_t i = 0; i < p.palette.size(); ++i)
                EXPECT_EQ((*pal)[i].peGreen, p.palette[i].peGreen) << i;
            EXPECT_TRUE(win.boxes.empty());
        }
    }
}

TEST(PcxWrite, EightBitPictureKeepsAShortPalette)
{
    TempDir dir;
    Picture p = makePicture(6, 6, 8, 3, 20);
    RecordingWindow w;
    TPcxIntf pcx(&w, &w);
    ASSERT_EQ(pcx.WriteFile(dir.file("s.pcx"), p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    TPcxIntf reader(nullptr, nullptr);
    auto back = reader.ReadFile(dir.file("s.pcx"));
    ASSERT_TRUE(back);
    auto pal = reader.TakePalette();
    EXPECT_EQ((*pal)[19].peGreen, p.palette[19].peGreen);
    EXPECT_EQ((*pal)[20], (platform::PALETTEENTRY{0, 0, 0, platform::PC_NOCOLLAPSE}));
}

TEST(PcxWrite, RefusalsAndFailuresKeepTheOldFile)
{
    TempDir dir;
    const Bytes old = {'o', 'l', 'd'};
    const std::string name = dir.write("old.pcx", old);
    Picture p = makePicture(8, 8, 8, 4);

    RecordingWindow no;
    no.answer = platform::IDNO;
    TPcxIntf p1(&no, &no);
    EXPECT_EQ(p1.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 0);
    EXPECT_EQ(readFile(name), old);

    RecordingWindow w;
    TPcxIntf p2(&w, &w);
    auto rgb = platform::Bitmap::create(4, 4, 24);
    EXPECT_EQ(p2.WriteFile(name, rgb->description(), rgb.get(), nullptr), 0);
    EXPECT_EQ(w.texts().back(), "Number of bits is not supported.");
    EXPECT_EQ(w.boxes.back().caption, "PCX Error");
    EXPECT_EQ(readFile(name), old);

    RecordingWindow w2;
    TPcxIntf p3(&w2, &w2);
    EXPECT_EQ(p3.WriteFile(dir.file("missing/x.pcx"), p.bitmap->description(), p.bitmap.get(), &p.palette), 0);
    EXPECT_EQ(w2.texts().back(), "Unable to write PCX file.");
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(PcxWrite, WithoutPaletteItWarnsAndReportsProgress)
{
    TempDir dir;
    Picture p = makePicture(5, 21, 4, 5);
    RecordingWindow w;
    TPcxIntf pcx(&w, &w);
    ASSERT_EQ(pcx.WriteFile(dir.file("n.pcx"), p.bitmap->description(), p.bitmap.get(), nullptr), 1);
    EXPECT_EQ(w.texts(), std::vector<std::string>{"Warning: Palette information unavailable."});
    std::vector<std::pair<std::uintptr_t, int>> seen;
    for (const auto& s : w.statuses)
        seen.push_back({s.kind, s.done});
    const std::vector<std::pair<std::uintptr_t, int>> want = {
        {GSTATUS_TEXT, 0}, {GSTATUS_PROGRESS, 10}, {GSTATUS_PROGRESS, 20}, {GSTATUS_DONE, 0}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(w.statuses[0].text, "Writing PCX Image");

    TPcxIntf reader(nullptr, nullptr);
    auto back = reader.ReadFile(dir.file("n.pcx"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *p.bitmap);
    EXPECT_EQ((*reader.TakePalette())[1], (platform::PALETTEENTRY{192, 192, 192, platform::PC_NOCOLLAPSE}));
}

TEST(PcxWrite, FailuresPartWayAreReportedAndOddInputsRefused)
{
    Picture p = makePicture(64, 64, 8, 7);
    MemoryOutStream whole;
    {
        TPcxIntf pcx(nullptr, nullptr);
        ASSERT_EQ(pcx.WriteStream(whole, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    }
    for (std::size_t n : {std::size_t{3}, std::size_t{128}, std::size_t{500}, whole.data().size() - 1}) {
        RecordingWindow w;
        TPcxIntf pcx(&w, &w);
        MemoryOutStream out;
        out.failAfter(n);
        EXPECT_EQ(pcx.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 0) << n;
        EXPECT_EQ(w.texts(), std::vector<std::string>{"Unable to write PCX file."}) << n;
    }

    RecordingWindow w;
    TPcxIntf pcx(&w, &w);
    MemoryOutStream out;
    EXPECT_EQ(pcx.WriteStream(out, p.bitmap->description(), nullptr, &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Could not access Graphics Device.");
    platform::BITMAP twoBits = p.bitmap->description();
    twoBits.bmBitsPixel = 2;
    EXPECT_EQ(pcx.WriteStream(out, twoBits, p.bitmap.get(), &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Number of bits is not supported.");
    auto wide = platform::Bitmap::create(40000, 1, 8);
    EXPECT_EQ(pcx.WriteStream(out, wide->description(), wide.get(), &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Unable to write PCX file.");
    EXPECT_TRUE(out.data().empty());
}

TEST(PcxRead, ProgressComesBandByBand)
{
    // (Not 100 rows: a report with total 100 reads as "finished".)
    Picture p = makePicture(1000, 120, 8, 9);
    TPcxIntf writer(nullptr, nullptr);
    MemoryOutStream out;
    ASSERT_EQ(writer.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    RecordingWindow w;
    TPcxIntf reader(&w, &w);
    InStream in(out.data());
    ASSERT_TRUE(reader.ReadStream(in));
    std::vector<int> done;
    for (const auto& s : w.statuses)
        if (s.kind == GSTATUS_PROGRESS) {
            done.push_back(s.done);
            EXPECT_EQ(s.total, 120);
            EXPECT_EQ(s.text, "Reading PCX Image");
        }
    EXPECT_EQ(done, (std::vector<int>{30, 60, 90, 120}));
    EXPECT_EQ(w.statuses.back().kind, static_cast<std::uintptr_t>(GSTATUS_DONE));
}

// Pixel rows that end before the picture does, with the 256-colour table
// at the end of the file: the table's bytes are no pixels, so the file is
// refused saying so (and the same rows complete are read).
TEST(PcxRead, RowsEndingEarlyBeforeTheColourTableAreRefused)
{
    PCXHEADER h = header(3, 4, 8, 1, 4);
    const Bytes rows = {0x01, 0xC2, 0x02, 0x00, /* row 2 */ 0xC3, 0xC9, 0x00};
    auto shortFile = readPcx(headerBytes(h) + rows + vgaPalette());
    EXPECT_FALSE(shortFile->bitmap);
    ASSERT_EQ(shortFile->window.boxes.size(), 1u);
    EXPECT_NE(shortFile->window.boxes[0].text.find("end early"), std::string::npos)
        << shortFile->window.boxes[0].text;
    auto whole = readPcx(headerBytes(h) + rows + rows + vgaPalette());
    ASSERT_TRUE(whole->bitmap);
    EXPECT_EQ(pixelsOf(*whole->bitmap), (Bytes{1, 2, 2, 0xC9, 0xC9, 0xC9, 1, 2, 2, 0xC9, 0xC9, 0xC9}));
    EXPECT_TRUE(whole->window.boxes.empty());
}
