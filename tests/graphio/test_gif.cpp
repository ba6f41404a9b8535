// GIF block records and the GIF reader and writer.

#include "RecordingWindow.h"
#include "pictrans/GifCodec.h"
#include "pictrans/GifRecords.h"
#include "pictrans/TGifIntf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
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

Bytes str(const char* s)
{
    return Bytes(s, s + std::strlen(s));
}

Bytes le16(int v)
{
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
}

// Screen descriptor of w x h with the given flags, background 0, aspect 0.
Bytes screen(int w, int h, std::uint8_t flags)
{
    return le16(w) + le16(h) + Bytes{flags, 0, 0};
}

Bytes imageDesc(int x, int y, int w, int h, std::uint8_t flags)
{
    return Bytes{0x2C} + le16(x) + le16(y) + le16(w) + le16(h) + Bytes{flags};
}

// Two colours: black and white.
const Bytes kTable2 = {0, 0, 0, 255, 255, 255};
// Image data of 2 x 2 pixels 0 1 / 1 0 at minimum code size 2: codes
// clear 4, 0, 1, 1 (3 bits), 0, end 5 (4 bits, as entry 7 was made).
const Bytes kData0110 = {0x02, 0x03, 0x44, 0x02, 0x05, 0x00};

Bytes tinyGif(const Bytes& beforeImage = {})
{
    return str("GIF89a") + screen(2, 2, 0x80) + kTable2 + beforeImage + imageDesc(0, 0, 2, 2, 0) + kData0110 +
           Bytes{0x3B};
}

// LZW data (minimum code size byte, blocks, terminator) for the pixels.
Bytes lzwData(const Bytes& pixels, int m)
{
    MemoryOutStream out;
    out.putc(static_cast<std::uint8_t>(m));
    GifEncoder enc(out, m);
    enc.init();
    enc.encode(pixels.data(), static_cast<int>(pixels.size()));
    enc.term();
    out.putc(0);
    return out.data();
}

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("pictrans-gif-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
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

std::unique_ptr<ReadResult> readGif(const Bytes& bytes)
{
    auto r = std::make_unique<ReadResult>();
    TGifIntf gif(&r->window, &r->window);
    InStream in(bytes);
    r->bitmap = gif.ReadStream(in);
    r->palette = gif.TakePalette();
    return r;
}

// Pixel values of the bitmap, top row first.
Bytes pixelsOf(const platform::Bitmap& bm)
{
    Bytes out;
    for (int y = bm.height() - 1; y >= 0; --y)
        for (int x = 0; x < bm.width(); ++x)
            out.push_back(static_cast<std::uint8_t>(bm.pixel(x, y)));
    return out;
}

std::string listed(const std::function<void(std::FILE*)>& list)
{
    std::FILE* f = std::tmpfile();
    list(f);
    std::rewind(f);
    std::string s;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        s.push_back(static_cast<char>(c));
    std::fclose(f);
    return s;
}

} // namespace

// ---------------------------------------------------------------------------
// Records

TEST(GifRecords, EveryBlockWritesItsLayoutAndReadsItBack)
{
    MemoryOutStream out;
    GIFSCDESC sc;
    sc.scwidth = 0x1234;
    sc.scheight = 0x0102;
    sc.flags = 0xF7;
    sc.bgclr = 9;
    sc.pixasp = 49;
    ASSERT_EQ(sc.put(out), 0);
    EXPECT_EQ(out.data(), (Bytes{0x34, 0x12, 0x02, 0x01, 0xF7, 9, 49}));
    InStream in(out.data());
    GIFSCDESC sc2;
    ASSERT_EQ(sc2.get(in), 0);
    EXPECT_EQ(sc2.scwidth, 0x1234);
    EXPECT_EQ(sc2.scheight, 0x0102);
    EXPECT_EQ(sc2.flags, 0xF7);
    EXPECT_EQ(sc2.bgclr, 9);
    EXPECT_EQ(sc2.pixasp, 49);
    EXPECT_EQ(sc2.tableSize(), 256);

    // Blocks with introducers: put writes them, get reads only what follows.
    GIFIMDESC im;
    im.xleft = 3;
    im.ytop = 0x0405;
    im.imwidth = 640;
    im.imheight = 480;
    im.flags = 0xC2;
    MemoryOutStream o2;
    ASSERT_EQ(im.put(o2), 0);
    ASSERT_EQ(o2.data().size(), 10u);
    EXPECT_EQ(o2.data()[0], 0x2C);
    EXPECT_EQ(o2.data()[5], 0x80); // 640 low byte
    InStream i2(Bytes(o2.data().begin() + 1, o2.data().end()));
    GIFIMDESC im2;
    ASSERT_EQ(im2.get(i2), 0);
    EXPECT_EQ(im2.ytop, 0x0405);
    EXPECT_EQ(im2.imwidth, 640);
    EXPECT_EQ(im2.imheight, 480);
    EXPECT_TRUE(im2.hasLocalTable());
    EXPECT_TRUE(im2.interlaced());
    EXPECT_EQ(im2.tableSize(), 8);

    GIFCTLEXT ctl;
    ctl.flags = 0x05;
    ctl.delay = 300;
    ctl.trclr = 17;
    MemoryOutStream o3;
    ASSERT_EQ(ctl.put(o3), 0);
    EXPECT_EQ(o3.data(), (Bytes{0x21, 0xF9, 4, 0x05, 0x2C, 0x01, 17}));
    InStream i3(Bytes(o3.data().begin() + 2, o3.data().end()));
    GIFCTLEXT ctl2;
    ASSERT_EQ(ctl2.get(i3), 0);
    EXPECT_EQ(ctl2.delay, 300);
    EXPECT_EQ(ctl2.trclr, 17);
    EXPECT_EQ(i3.remaining(), 0u);

    GIFCOMEXT com;
    MemoryOutStream o4;
    ASSERT_EQ(com.put(o4), 0);
    EXPECT_EQ(o4.data(), (Bytes{0x21, 0xFE}));
    InStream empty;
    EXPECT_EQ(com.get(empty), 0);

    GIFTXTEXT txt;
    txt.xleft = 1;
    txt.ytop = 2;
    txt.txwidth = 300;
    txt.txheight = 4;
    txt.cewidth = 8;
    txt.ceheight = 16;
    txt.fgclr = 1;
    txt.bgclr = 2;
    MemoryOutStream o5;
    ASSERT_EQ(txt.put(o5), 0);
    ASSERT_EQ(o5.data().size(), 15u);
    EXPECT_EQ(o5.data()[2], 12);
    InStream i5(Bytes(o5.data().begin() + 2, o5.data().end()));
    GIFTXTEXT txt2;
    ASSERT_EQ(txt2.get(i5), 0);
    EXPECT_EQ(txt2.txwidth, 300);
    EXPECT_EQ(txt2.ceheight, 16);
    EXPECT_EQ(txt2.bgclr, 2);

    GIFAPPEXT app;
    std::memcpy(app.apname, "NETSCAPE", 8);
    app.apcode[0] = '2';
    app.apcode[1] = '.';
    app.apcode[2] = '0';
    MemoryOutStream o6;
    ASSERT_EQ(app.put(o6), 0);
    EXPECT_EQ(o6.data(), (Bytes{0x21, 0xFF, 11} + str("NETSCAPE2.0")));
    InStream i6(Bytes(o6.data().begin() + 2, o6.data().end()));
    GIFAPPEXT app2;
    ASSERT_EQ(app2.get(i6), 0);
    EXPECT_EQ(std::string(app2.apname, 8), "NETSCAPE");
    EXPECT_EQ(app2.apcode[2], '0');
}

TEST(GifRecords, ShortReadsAndFailedWritesGiveMinusOne)
{
    auto shortBy1 = [](std::size_t n) { return InStream(Bytes(n - 1, 0)); };
    InStream s1 = shortBy1(6);
    EXPECT_EQ(GIFHEADER{}.get(s1), -1);
    InStream s2 = shortBy1(7);
    EXPECT_EQ(GIFSCDESC{}.get(s2), -1);
    InStream s3 = shortBy1(9);
    EXPECT_EQ(GIFIMDESC{}.get(s3), -1);
    InStream s4 = shortBy1(5);
    EXPECT_EQ(GIFCTLEXT{}.get(s4), -1);
    InStream s5 = shortBy1(13);
    EXPECT_EQ(GIFTXTEXT{}.get(s5), -1);
    InStream s6 = shortBy1(12);
    EXPECT_EQ(GIFAPPEXT{}.get(s6), -1);

    MemoryOutStream out;
    out.failAfter(9);
    EXPECT_EQ(GIFHEADER{}.put(out), 0);
    EXPECT_EQ(GIFSCDESC{}.put(out), -1);
    EXPECT_EQ(GIFCOMEXT{}.put(out), -1);
}

TEST(GifRecords, HeaderIsValidOnlyForGif87aAnd89a)
{
    auto valid = [](const char* six) {
        InStream in(str(six));
        GIFHEADER h;
        EXPECT_EQ(h.get(in), 0);
        return h.isvalid();
    };
    EXPECT_EQ(valid("GIF87a"), 1);
    EXPECT_EQ(valid("GIF89a"), 1);
    EXPECT_EQ(valid("GIF88a"), 0);
    EXPECT_EQ(valid("GIF89b"), 0);
    EXPECT_EQ(valid("gif89a"), 0);
    EXPECT_EQ(valid("JIF89a"), 0);
}

TEST(GifRecords, ListingsAndBitStrings)
{
    GIFSCDESC sc;
    sc.scwidth = 320;
    sc.flags = 0xB3;
    std::string s = listed([&](std::FILE* f) { sc.list(f); });
    EXPECT_NE(s.find("GIFSCDESC::scwidth  = 320\n"), std::string::npos) << s;
    EXPECT_NE(s.find("GIFSCDESC::flags    = B3h\n"), std::string::npos) << s;
    EXPECT_NE(s.find("           gct?     = Y\n"), std::string::npos) << s;
    EXPECT_NE(s.find("ncolors  = 16\n"), std::string::npos) << s;
    EXPECT_NE(s.find("depth    = 4\n"), std::string::npos) << s;

    GIFHEADER h;
    EXPECT_NE(listed([&](std::FILE* f) { h.list(f); }).find("GIFHEADER::sig = GIF\n"), std::string::npos);

    GIFAPPEXT app;
    std::memcpy(app.apname, "ANIMEXTS", 8);
    app.apcode[0] = 1;
    app.apcode[1] = 2;
    app.apcode[2] = 3;
    std::string a = listed([&](std::FILE* f) { app.list(f); });
    EXPECT_NE(a.find("ANIMEXTS\n"), std::string::npos) << a;
    EXPECT_NE(a.find("1.2.3\n"), std::string::npos) << a;

    char buf[40];
    EXPECT_STREQ(BitString(buf, 5, 4), "0101");
    EXPECT_STREQ(BitString(buf, 0x1FF, 9), "111111111");
    EXPECT_STREQ(BitString(buf, 6, 2), "10");
    EXPECT_STREQ(BitString(buf, 1, 0), "");
}

// ---------------------------------------------------------------------------
// Reading

TEST(GifRead, TinyFileFromBytes)
{
    auto r = readGif(tinyGif());
    ASSERT_TRUE(r->bitmap) << (r->window.boxes.empty() ? "" : r->window.boxes[0].text);
    EXPECT_EQ(r->bitmap->width(), 2);
    EXPECT_EQ(r->bitmap->height(), 2);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 1);
    EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{0, 1, 1, 0}));
    ASSERT_TRUE(r->palette);
    ASSERT_EQ(r->palette->size(), 2u);
    EXPECT_EQ((*r->palette)[1], (platform::PALETTEENTRY{255, 255, 255, platform::PC_NOCOLLAPSE}));
    EXPECT_TRUE(r->window.boxes.empty());
    // Progress: the reading text, a band report, then "finished".
    ASSERT_GE(r->window.statuses.size(), 3u);
    EXPECT_EQ(r->window.statuses.front().kind, static_cast<std::uintptr_t>(GSTATUS_TEXT));
    EXPECT_EQ(r->window.statuses.front().text, "Reading GIF Image");
    EXPECT_EQ(r->window.statuses[1].kind, static_cast<std::uintptr_t>(GSTATUS_PROGRESS));
    EXPECT_EQ(r->window.statuses[1].total, 2);
    EXPECT_EQ(r->window.statuses.back().kind, static_cast<std::uintptr_t>(GSTATUS_DONE));
}

TEST(GifRead, EveryExtensionTypeIsSkipped)
{
    // Graphic control: 4 bytes, terminator.
    const Bytes control = {0x21, 0xF9, 0x04, 0x01, 0x0A, 0x00, 0x01, 0x00};
    // Comment: two text blocks, terminator; and one with no blocks at all.
    const Bytes comment = Bytes{0x21, 0xFE, 0x03} + str("abc") + Bytes{0x01, '!', 0x00};
    const Bytes emptyComment = {0x21, 0xFE, 0x00};
    // Application: 11 bytes of name and code, a loop-count block, terminator.
    const Bytes app = Bytes{0x21, 0xFF, 0x0B} + str("NETSCAPE2.0") + Bytes{0x03, 0x01, 0x00, 0x00, 0x00};
    // Plain text: 12 bytes of grid and colours, one text block, terminator.
    const Bytes text = Bytes{0x21, 0x01, 0x0C, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0, 0x02, 'h', 'i', 0x00};
    // An extension of a label nobody knows is skipped the same way.
    const Bytes unknown = {0x21, 0x99, 0x02, 0x55, 0x55, 0x00};
    for (const Bytes& ext : {control, comment, emptyComment, app, text, unknown, control + comment + app + text}) {
        auto r = readGif(tinyGif(ext));
        ASSERT_TRUE(r->bitmap) << (r->window.boxes.empty() ? "" : r->window.boxes[0].text);
        EXPECT_EQ(pixelsOf(*r->bitmap), (Bytes{0, 1, 1, 0}));
        EXPECT_TRUE(r->window.boxes.empty());
    }
}

TEST(GifRead, InterlacedRowsArePutInPlace)
{
    // 3 x 11 picture whose row y holds the value y; stored in pass order
    // 0 8 | 4 | 2 6 10 | 1 3 5 7 9.
    const int w = 3, h = 11;
    const int order[h] = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    Bytes stored;
    for (int y : order)
        for (int x = 0; x < w; ++x)
            stored.push_back(static_cast<std::uint8_t>(y));
    Bytes table(16 * 3, 0);
    Bytes file = str("GIF87a") + screen(w, h, 0x83) + table + imageDesc(0, 0, w, h, 0x40) + lzwData(stored, 4) +
                 Bytes{0x3B};
    auto r = readGif(file);
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(r->bitmap->pixel(x, h - 1 - y), static_cast<std::uint32_t>(y)) << "row " << y;
}

TEST(GifRead, ColourTablesOfEverySizePickTheDepthAndPad)
{
    struct Case {
        int sizeCode;
        int depth;
    };
    for (Case c : {Case{0, 1}, Case{1, 4}, Case{2, 4}, Case{3, 4}, Case{4, 8}, Case{5, 8}, Case{6, 8}, Case{7, 8}}) {
        const int n = 2 << c.sizeCode;
        Bytes table;
        for (int i = 0; i < n; ++i)
            table = table + Bytes{static_cast<std::uint8_t>(i), 7, static_cast<std::uint8_t>(255 - i)};
        Bytes pixels = {0, static_cast<std::uint8_t>(n - 1), 1, static_cast<std::uint8_t>(n / 2)};
        const int m = std::max(2, c.sizeCode + 1);
        Bytes file = str("GIF89a") + screen(2, 2, static_cast<std::uint8_t>(0x80 | c.sizeCode)) + table +
                     imageDesc(0, 0, 2, 2, 0) + lzwData(pixels, m) + Bytes{0x3B};
        auto r = readGif(file);
        ASSERT_TRUE(r->bitmap) << n;
        EXPECT_EQ(r->bitmap->bitsPerPixel(), c.depth) << n;
        EXPECT_EQ(pixelsOf(*r->bitmap), pixels) << n;
        ASSERT_EQ(r->palette->size(), std::size_t{1} << c.depth);
        EXPECT_EQ((*r->palette)[static_cast<std::size_t>(n - 1)].peBlue, 255 - (n - 1));
        if (static_cast<std::size_t>(n) < r->palette->size()) {
            EXPECT_EQ((*r->palette)[static_cast<std::size_t>(n)], (platform::PALETTEENTRY{0, 0, 0, platform::PC_NOCOLLAPSE}));
        }
    }
}

TEST(GifRead, LocalTableGivesTheColoursAndDefaultsStandIn)
{
    // Global table of 2, local table of 4 entries (size code 1).
    const Bytes local = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    Bytes pixels = {3, 2, 1, 0};
    Bytes withLocal = str("GIF89a") + screen(2, 2, 0x80) + kTable2 + imageDesc(0, 0, 2, 2, 0x81) + local +
                      lzwData(pixels, 2) + Bytes{0x3B};
    auto r = readGif(withLocal);
    ASSERT_TRUE(r->bitmap);
    EXPECT_EQ(r->bitmap->bitsPerPixel(), 4);
    EXPECT_EQ(pixelsOf(*r->bitmap), pixels);
    EXPECT_EQ((*r->palette)[3], (platform::PALETTEENTRY{100, 110, 120, platform::PC_NOCOLLAPSE}));

    // No table at all: the 16 default colours.
    Bytes none = str("GIF89a") + screen(2, 2, 0x00) + imageDesc(0, 0, 2, 2, 0) + lzwData(pixels, 2) + Bytes{0x3B};
    auto d = readGif(none);
    ASSERT_TRUE(d->bitmap);
    EXPECT_EQ(d->bitmap->bitsPerPixel(), 4);
    EXPECT_EQ(pixelsOf(*d->bitmap), pixels);
    ASSERT_EQ(d->palette->size(), 16u);
    EXPECT_EQ((*d->palette)[1], (platform::PALETTEENTRY{192, 192, 192, platform::PC_NOCOLLAPSE}));
    EXPECT_EQ((*d->palette)[15], (platform::PALETTEENTRY{255, 255, 255, platform::PC_NOCOLLAPSE}));
}

TEST(GifRead, TheBitmapTakesTheFramesOwnSize)
{
    // A 3 x 2 frame at (4, 5) on a 10 x 10 screen, and one reaching past it.
    Bytes pixels = {1, 0, 1, 0, 1, 0};
    for (int x : {4, 9}) {
        Bytes file = str("GIF89a") + screen(10, 10, 0x80) + kTable2 + imageDesc(x, 5, 3, 2, 0) + lzwData(pixels, 2) +
                     Bytes{0x3B};
        auto r = readGif(file);
        ASSERT_TRUE(r->bitmap);
        EXPECT_EQ(r->bitmap->width(), 3);
        EXPECT_EQ(r->bitmap->height(), 2);
        EXPECT_EQ(pixelsOf(*r->bitmap), pixels);
    }
}

TEST(GifRead, EveryFaultHasItsMessage)
{
    struct Case {
        Bytes file;
        std::string message;
    };
    const Bytes head = str("GIF89a") + screen(2, 2, 0x80) + kTable2;
    const std::vector<Case> cases = {
        {str("GIF8"), "Error reading GIF header"},
        {str("GIF90a") + screen(2, 2, 0), "File is not a valid GIF file"},
        {str("GIF89a") + Bytes{2, 0, 2}, "Error reading GIF screen descriptor"},
        {str("GIF89a") + screen(2, 2, 0x81) + kTable2, "Error reading global color table"},
        {head + Bytes{0x21, 0xFE, 0x05, 'a'}, "Could not read GIF Extension"},
        {head + Bytes{0x3B}, "Unexpected GIF trailer"},
        {head + Bytes{0x07}, "Unknown or invalid construct"},
        {head, "No image found in GIF file"},
        {head + Bytes{0x2C, 0, 0}, "Error reading GIF image descriptor"},
        {head + imageDesc(0, 0, 2, 0, 0) + kData0110, "Error reading GIF image descriptor"},
        {head + imageDesc(0, 0, 2, 2, 0x81) + kTable2, "Error reading global color table"},
        {head + imageDesc(0, 0, 2, 2, 0) + Bytes{0x09, 0x01, 0x00, 0x00}, "Invalid GIF code size"},
        {head + imageDesc(0, 0, 2, 2, 0) + Bytes{0x02, 0x03, 0x44}, "Error reading GIF image data"},
        {head + imageDesc(0, 0, 3, 3, 0) + kData0110, "Error reading GIF image data"},
        {head + imageDesc(0, 0, 30000, 30000, 0) + kData0110, "Insufficient memory to read image"},
        {head + imageDesc(0, 0, 3000, 3000, 0) + kData0110, "Error reading GIF image data"},
    };
    for (const auto& c : cases) {
        auto r = readGif(c.file);
        EXPECT_FALSE(r->bitmap) << c.message;
        ASSERT_FALSE(r->window.boxes.empty()) << c.message;
        EXPECT_EQ(r->window.boxes[0].text, c.message);
        EXPECT_EQ(r->window.boxes[0].caption, "GIF Error");
        EXPECT_EQ(r->window.boxes[0].style, platform::MB_ICONQUESTION | platform::MB_OK);
    }

    RecordingWindow w;
    TGifIntf gif(&w, &w);
    EXPECT_FALSE(gif.ReadFile("/nonexistent/dir/pattern.gif"));
    ASSERT_EQ(w.texts(), std::vector<std::string>{"/nonexistent/dir/pattern.gif not found"});
}

TEST(GifRead, QuietFlagSilencesTheMessages)
{
    RecordingWindow w;
    TGifIntf gif(&w, &w);
    gif.quiet = 1;
    InStream in(str("GIF89a") + screen(2, 2, 0x80) + kTable2 + Bytes{0x21, 0xF9, 0x04});
    EXPECT_FALSE(gif.ReadStream(in));
    EXPECT_TRUE(w.boxes.empty());
}

TEST(GifRead, MalformedFilesAreRefusedWithAMessage)
{
    const fs::path dir = fs::path(DOTSCAPE_TESTDATA_DIR) / "gif" / "malformed";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".gif")
            continue;
        ++seen;
        RecordingWindow w;
        TGifIntf gif(&w, &w);
        EXPECT_FALSE(gif.ReadFile(entry.path().string())) << entry.path();
        EXPECT_FALSE(w.boxes.empty()) << entry.path();
        for (const auto& b : w.boxes)
            EXPECT_EQ(b.caption, "GIF Error") << entry.path();
    }
    EXPECT_GE(seen, 15);
}

// ---------------------------------------------------------------------------
// Writing

namespace {

struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;
};

Picture makePicture(int w, int h, int depth, unsigned seed)
{
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, depth);
    const std::uint32_t mask = (1u << depth) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bitmap->setPixel(x, y, ((x * 7 + y * 13 + seed) ^ (x * y)) & mask);
    std::vector<platform::PALETTEENTRY> e;
    for (std::uint32_t i = 0; i <= mask; ++i)
        e.push_back({static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i ^ 0x55), 0});
    p.palette = platform::Palette(e);
    return p;
}

} // namespace

TEST(GifWrite, HeaderAndCodeSizeFollowTheDepth)
{
    TempDir dir;
    struct Case {
        int depth;
        std::uint8_t flags;
        int minCodeSize;
    };
    for (Case c : {Case{1, 0x80, 2}, Case{4, 0xB3, 5}, Case{8, 0xF7, 8}}) {
        Picture p = makePicture(10, 3, c.depth, 1);
        RecordingWindow w;
        TGifIntf gif(&w, &w);
        const std::string name = dir.file("d" + std::to_string(c.depth) + ".gif");
        ASSERT_EQ(gif.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
        Bytes b = readFile(name);
        ASSERT_GT(b.size(), 30u);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), str("GIF87a"));
        EXPECT_EQ(Bytes(b.begin() + 6, b.begin() + 13), screen(10, 3, c.flags));
        const std::size_t table = 3u << c.depth;
        EXPECT_EQ(b[13 + 3], p.palette[1].peRed);
        EXPECT_EQ(Bytes(b.begin() + 13 + static_cast<std::ptrdiff_t>(table), b.begin() + 23 + static_cast<std::ptrdiff_t>(table)),
                  imageDesc(0, 0, 10, 3, 0));
        EXPECT_EQ(b[23 + table], c.minCodeSize);
        EXPECT_EQ(b[b.size() - 2], 0);
        EXPECT_EQ(b.back(), 0x3B);
        EXPECT_TRUE(w.boxes.empty());
    }
}

TEST(GifWrite, PicturesRoundTripLosslesslyAtEveryDepth)
{
    TempDir dir;
    for (int depth : {1, 4, 8}) {
        for (auto [w, h] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{300, 211}}) {
            Picture p = makePicture(w, h, depth, static_cast<unsigned>(w + depth));
            RecordingWindow win;
            TGifIntf writer(&win, &win);
            const std::string name = dir.file("rt" + std::to_string(depth) + "-" + std::to_string(w) + ".gif");
            ASSERT_EQ(writer.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
            TGifIntf reader(&win, &win);
            auto back = reader.ReadFile(name);
            ASSERT_TRUE(back) << depth << " " << w;
            EXPECT_EQ(*back, *p.bitmap) << "depth " << depth << " size " << w << "x" << h;
            auto pal = reader.TakePalette();
            ASSERT_TRUE(pal);
            ASSERT_EQ(pal->size(), p.palette.size());
            for (std::size_t i = 0; i < pal->size(); ++i) {
                EXPECT_EQ((*pal)[i].peRed, p.palette[i].peRed);
                EXPECT_EQ((*pal)[i].peBlue, p.palette[i].peBlue);
            }
            EXPECT_TRUE(win.boxes.empty());
        }
    }
}

TEST(GifWrite, TableIsPaddedOrCutToTheDeclaredSize)
{
    TempDir dir;
    Picture p = makePicture(4, 4, 4, 2);
    // Three entries for a 4-bit picture: the other 13 are written black.
    platform::Palette three(std::vector<platform::PALETTEENTRY>{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}});
    RecordingWindow w;
    TGifIntf gif(&w, &w);
    ASSERT_EQ(gif.WriteFile(dir.file("a.gif"), p.bitmap->description(), p.bitmap.get(), &three), 1);
    Bytes a = readFile(dir.file("a.gif"));
    EXPECT_EQ(Bytes(a.begin() + 13, a.begin() + 22), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Bytes(a.begin() + 22, a.begin() + 61), Bytes(39, 0));
    EXPECT_EQ(a[61], 0x2C);

    // 256 entries for a 1-bit picture: two are written.
    Picture one = makePicture(4, 4, 1, 3);
    platform::Palette big = makePicture(1, 1, 8, 0).palette;
    ASSERT_EQ(gif.WriteFile(dir.file("b.gif"), one.bitmap->description(), one.bitmap.get(), &big), 1);
    Bytes b = readFile(dir.file("b.gif"));
    EXPECT_EQ(b[19], 0x2C);
}

TEST(GifWrite, RefusalsAndFailuresKeepTheOldFile)
{
    TempDir dir;
    const std::string name = dir.write("old.gif", str("old contents"));
    Picture p = makePicture(8, 8, 8, 4);

    RecordingWindow no;
    no.answer = platform::IDNO;
    TGifIntf g1(&no, &no);
    EXPECT_EQ(g1.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 0);
    ASSERT_EQ(no.boxes.size(), 1u);
    EXPECT_EQ(no.boxes[0].text, "Overwrite " + name + "?");
    EXPECT_EQ(no.boxes[0].caption, "Confirm");

    RecordingWindow w;
    TGifIntf g2(&w, &w);
    auto rgb = platform::Bitmap::create(4, 4, 24);
    EXPECT_EQ(g2.WriteFile(name, rgb->description(), rgb.get(), nullptr), 0);
    EXPECT_EQ(w.texts().back(), "Number of bits is not supported.");
    EXPECT_EQ(w.boxes.back().caption, "GIF Error");
    EXPECT_EQ(readFile(name), str("old contents"));

    // A folder that does not exist: nothing can be created.
    RecordingWindow w2;
    TGifIntf g3(&w2, &w2);
    EXPECT_EQ(g3.WriteFile(dir.file("missing/x.gif"), p.bitmap->description(), p.bitmap.get(), &p.palette), 0);
    EXPECT_EQ(w2.texts().back(), "Error Writing to File.");

    // Yes to overwriting: the old file is replaced, no temporary is left.
    RecordingWindow yes;
    TGifIntf g4(&yes, &yes);
    EXPECT_EQ(g4.WriteFile(name, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    EXPECT_EQ(readFile(name)[0], 'G');
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(GifWrite, WithoutPaletteItWarnsAndUsesTheDisplayColours)
{
    TempDir dir;
    Picture p = makePicture(5, 5, 8, 5);
    RecordingWindow w;
    TGifIntf gif(&w, &w);
    ASSERT_EQ(gif.WriteFile(dir.file("n.gif"), p.bitmap->description(), p.bitmap.get(), nullptr), 1);
    ASSERT_EQ(w.texts(), std::vector<std::string>{"Warning: Palette information unavailable."});
    TGifIntf reader(nullptr, nullptr);
    auto back = reader.ReadFile(dir.file("n.gif"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *p.bitmap);
    auto pal = reader.TakePalette();
    const auto& sys = platform::Palette::system();
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ((*pal)[i].peRed, sys[i].peRed);
}

TEST(GifWrite, ProgressIsReportedEveryTenRows)
{
    TempDir dir;
    Picture p = makePicture(6, 25, 4, 6);
    RecordingWindow w;
    TGifIntf gif(&w, &w);
    ASSERT_EQ(gif.WriteFile(dir.file("p.gif"), p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    std::vector<std::pair<std::uintptr_t, int>> seen;
    for (const auto& s : w.statuses) {
        EXPECT_EQ(s.message, platform::WM_GRAPHSTATUS);
        seen.push_back({s.kind, s.done});
    }
    const std::vector<std::pair<std::uintptr_t, int>> want = {
        {GSTATUS_TEXT, 0}, {GSTATUS_PROGRESS, 10}, {GSTATUS_PROGRESS, 20}, {GSTATUS_DONE, 0}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(w.statuses[0].text, "Writing GIF Image");
    EXPECT_EQ(w.statuses[1].total, 25);
}

TEST(GifWrite, FailuresPartWayAreReportedAndOddInputsRefused)
{
    Picture p = makePicture(64, 64, 8, 7);
    // A sink that fails after n bytes: in the header, the table, the data, the trailer.
    MemoryOutStream whole;
    {
        TGifIntf gif(nullptr, nullptr);
        ASSERT_EQ(gif.WriteStream(whole, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    }
    for (std::size_t n : {std::size_t{3}, std::size_t{10}, std::size_t{400}, std::size_t{1000}, whole.data().size() - 1}) {
        RecordingWindow w;
        TGifIntf gif(&w, &w);
        MemoryOutStream out;
        out.failAfter(n);
        EXPECT_EQ(gif.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 0) << n;
        EXPECT_EQ(w.texts(), std::vector<std::string>{"Error Writing to File."}) << n;
    }

    RecordingWindow w;
    TGifIntf gif(&w, &w);
    MemoryOutStream out;
    EXPECT_EQ(gif.WriteStream(out, p.bitmap->description(), nullptr, &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Could not access Graphics Device.");
    platform::BITMAP twoBits = p.bitmap->description();
    twoBits.bmBitsPixel = 2;
    EXPECT_EQ(gif.WriteStream(out, twoBits, p.bitmap.get(), &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Number of bits is not supported.");
    auto wide = platform::Bitmap::create(65536, 1, 8);
    EXPECT_EQ(gif.WriteStream(out, wide->description(), wide.get(), &p.palette), 0);
    EXPECT_EQ(w.texts().back(), "Picture too large for a GIF file.");
    EXPECT_TRUE(out.data().empty());
}

TEST(GifWrite, BitmapOfAnotherDepthIsConvertedToTheDescribedOne)
{
    // An 8-bit bitmap whose values fit 4 bits, described as 4 bits.
    Picture p = makePicture(9, 5, 4, 8);
    auto eight = platform::Bitmap::create(9, 5, 8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            eight->setPixel(x, y, p.bitmap->pixel(x, y));
    platform::BITMAP bm = eight->description();
    bm.bmBitsPixel = 4;
    TGifIntf gif(nullptr, nullptr);
    MemoryOutStream out;
    ASSERT_EQ(gif.WriteStream(out, bm, eight.get(), &p.palette), 1);
    EXPECT_EQ(out.data()[10], 0xB3);
    InStream in(out.data());
    auto back = gif.ReadStream(in);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *p.bitmap);
}

TEST(GifRead, ProgressComesBandByBand)
{
    // 1000 x 120 at 8 bits: bands of 30 rows keep each under 32000 bytes.
    // (Not 100 rows: a report with total 100 reads as "finished".)
    Picture p = makePicture(1000, 120, 8, 9);
    TGifIntf writer(nullptr, nullptr);
    MemoryOutStream out;
    ASSERT_EQ(writer.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    RecordingWindow w;
    TGifIntf reader(&w, &w);
    InStream in(out.data());
    ASSERT_TRUE(reader.ReadStream(in));
    std::vector<int> done;
    for (const auto& s : w.statuses)
        if (s.kind == GSTATUS_PROGRESS) {
            done.push_back(s.done);
            EXPECT_EQ(s.total, 120);
            EXPECT_EQ(s.text, "Reading GIF Image");
        }
    EXPECT_EQ(done, (std::vector<int>{30, 60, 90, 120}));
}

// A whole file whose image data defers the clear code: after the table is
// full, 12-bit codes of existing entries go on until a clear. It reads
// (current encoders write such files), every pixel in place.
TEST(GifRead, ADeferredClearIsReadLikeAnyOtherFile)
{
    Bytes codes;
    std::uint32_t acc = 0;
    int n = 0;
    auto put = [&](int code, int width) {
        acc |= static_cast<std::uint32_t>(code) << n;
        for (n += width; n >= 8; n -= 8, acc >>= 8)
            codes.push_back(static_cast<std::uint8_t>(acc));
    };
    // Minimum code size 2: literals cycling 0 1 2 3 fill the table.
    Bytes pixels;
    int width = 3, next = 6;
    put(4, width);
    put(0, width);
    pixels.push_back(0);
    while (next < 4096) {
        const int v = static_cast<int>(pixels.size() % 4);
        put(v, width);
        pixels.push_back(static_cast<std::uint8_t>(v));
        ++next;
        if (next == (1 << width) && width < 12)
            ++width;
    }
    // Full: entry 4095 is the last two literals; entry 6 is "0 1".
    put(3, 12);
    pixels.push_back(3);
    put(4095, 12);
    pixels.push_back(pixels[pixels.size() - 3]);
    pixels.push_back(pixels[pixels.size() - 3]);
    put(6, 12);
    pixels.push_back(0);
    pixels.push_back(1);
    put(5, 12);
    if (n > 0)
        codes.push_back(static_cast<std::uint8_t>(acc));
    Bytes data{2};
    for (std::size_t i = 0; i < codes.size(); i += 255) {
        const std::size_t len = std::min<std::size_t>(255, codes.size() - i);
        data.push_back(static_cast<std::uint8_t>(len));
        data.insert(data.end(), codes.begin() + static_cast<std::ptrdiff_t>(i),
                    codes.begin() + static_cast<std::ptrdiff_t>(i + len));
    }
    data.push_back(0);
    const int w = static_cast<int>(pixels.size());
    const Bytes table4 = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const Bytes file = str("GIF89a") + screen(w, 1, 0x81) + table4 + imageDesc(0, 0, w, 1, 0) + data + Bytes{0x3B};
    auto r = readGif(file);
    ASSERT_TRUE(r->bitmap) << (r->window.boxes.empty() ? "" : r->window.boxes[0].text);
    EXPECT_EQ(r->bitmap->width(), w);
    const Bytes got = pixelsOf(*r->bitmap);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + w), pixels);
}
