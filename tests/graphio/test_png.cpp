// The PNG reader and writer. Test pictures are made here by libspng's own
// encoder with explicit header fields, so every colour type, bit depth and
// interlacing is covered; what the reader must give is worked out here from
// the samples with plain arithmetic.

#include "RecordingWindow.h"
#include "pictrans/TGraphIO.h"
#include "pictrans/TPngIntf.h"

#include <gtest/gtest.h>
#include <spng.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct SpngFree {
    void operator()(spng_ctx* c) const { spng_ctx_free(c); }
};

// A picture as PNG samples: channels values per pixel, rows from the top.
struct Samples {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 8;
    int type = 0;
    bool interlaced = false;
    std::vector<std::uint16_t> values;
    std::vector<spng_plte_entry> palette;
    std::optional<spng_trns> trns;

    int channels() const { return type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1; }
    std::uint16_t at(std::uint32_t x, std::uint32_t y, int c) const
    {
        return values[(static_cast<std::size_t>(y) * width + x) * channels() + c];
    }
};

// The samples in libspng's input layout: sub-byte samples packed from the
// highest bits, rows padded to a byte; 16-bit samples in host order.
Bytes pack(const Samples& s)
{
    const std::size_t perRow = static_cast<std::size_t>(s.width) * s.channels();
    const std::size_t rowBytes = (perRow * s.depth + 7) / 8;
    Bytes out(rowBytes * s.height, 0);
    for (std::uint32_t y = 0; y < s.height; ++y) {
        std::uint8_t* row = out.data() + y * rowBytes;
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint16_t v = s.values[y * perRow + i];
            if (s.depth == 16) {
                std::memcpy(row + 2 * i, &v, 2);
            } else if (s.depth == 8) {
                row[i] = static_cast<std::uint8_t>(v);
            } else {
                const std::size_t bit = i * s.depth;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - s.depth - bit % 8));
            }
        }
    }
    return out;
}

Bytes encode(const Samples& s)
{
    std::unique_ptr<spng_ctx, SpngFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = s.width;
    ihdr.height = s.height;
    ihdr.bit_depth = static_cast<std::uint8_t>(s.depth);
    ihdr.color_type = static_cast<std::uint8_t>(s.type);
    ihdr.interlace_method = s.interlaced ? 1 : 0;
    EXPECT_EQ(spng_set_ihdr(ctx.get(), &ihdr), 0);
    if (!s.palette.empty()) {
        spng_plte plte{};
        plte.n_entries = static_cast<std::uint32_t>(s.palette.size());
        std::copy(s.palette.begin(), s.palette.end(), plte.entries);
        EXPECT_EQ(spng_set_plte(ctx.get(), &plte), 0);
    }
    if (s.trns) {
        spng_trns t = *s.trns;
        EXPECT_EQ(spng_set_trns(ctx.get(), &t), 0);
    }
    Bytes image = pack(s);
    const int err = spng_encode_image(ctx.get(), image.data(), image.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    EXPECT_EQ(err, 0) << spng_strerror(err);
    std::size_t len = 0;
    int e = 0;
    void* buf = spng_get_png_buffer(ctx.get(), &len, &e);
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    std::free(buf);
    return out;
}

Samples randomSamples(std::uint32_t w, std::uint32_t h, int type, int depth, unsigned seed)
{
    Samples s;
    s.width = w;
    s.height = h;
    s.type = type;
    s.depth = depth;
    std::mt19937 rng(seed);
    const std::uint32_t top = (1u << depth) - 1;
    s.values.resize(static_cast<std::size_t>(w) * h * s.channels());
    for (auto& v : s.values)
        v = static_cast<std::uint16_t>(rng() % (top + 1));
    // Make sure the extremes and a fully transparent and fully opaque pixel occur.
    if (s.values.size() >= 4) {
        s.values[0] = 0;
        s.values[1] = static_cast<std::uint16_t>(top);
    }
    if (type == 3) {
        const std::uint32_t n = std::min<std::uint32_t>(1u << depth, 256);
        for (std::uint32_t i = 0; i < n; ++i)
            s.palette.push_back({static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                 static_cast<std::uint8_t>(rng()), 255});
    }
    return s;
}

std::unique_ptr<platform::Bitmap> readBytes(const Bytes& png, TPngIntf& intf)
{
    InStream in(png);
    return intf.ReadStream(in);
}

// Rounded c × a / max, as a decoder that drops alpha onto black must give.
std::uint32_t over(std::uint32_t c, std::uint32_t a, std::uint32_t max)
{
    return static_cast<std::uint32_t>(std::lround(static_cast<double>(c) * a / max));
}
std::uint8_t eight(std::uint32_t v16)
{
    return static_cast<std::uint8_t>(std::lround(v16 / 257.0));
}

// The colour the reader must show at (x, y), as 0xRRGGBB, and the 16-bit
// grey it must keep (for 16-bit grey types).
std::uint32_t expectedColour(const Samples& s, std::uint32_t x, std::uint32_t y)
{
    const auto rgb = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) { return (r << 16) | (g << 8) | b; };
    const std::uint32_t max = (1u << s.depth) - 1;
    switch (s.type) {
    case 0: {
        std::uint32_t v = s.at(x, y, 0);
        if (s.trns && v == s.trns->gray)
            v = 0;
        const std::uint32_t g = s.depth == 16 ? eight(v) : v * 255 / max;
        return rgb(g, g, g);
    }
    case 3: {
        const auto& e = s.palette[s.at(x, y, 0)];
        const std::uint32_t a = s.trns && s.at(x, y, 0) < s.trns->n_type3_entries ? s.trns->type3_alpha[s.at(x, y, 0)] : 255;
        return rgb(over(e.red, a, 255), over(e.green, a, 255), over(e.blue, a, 255));
    }
    case 4: {
        const std::uint32_t g = over(s.at(x, y, 0), s.at(x, y, 1), max);
        const std::uint32_t g8 = s.depth == 16 ? eight(g) : g;
        return rgb(g8, g8, g8);
    }
    case 2: {
        std::uint32_t c[3] = {s.at(x, y, 0), s.at(x, y, 1), s.at(x, y, 2)};
        if (s.trns && c[0] == s.trns->red && c[1] == s.trns->green && c[2] == s.trns->blue)
            c[0] = c[1] = c[2] = 0;
        if (s.depth == 16)
            return rgb(eight(c[0]), eight(c[1]), eight(c[2]));
        return rgb(c[0], c[1], c[2]);
    }
    default: {
        std::uint32_t c[3];
        for (int i = 0; i < 3; ++i) {
            c[i] = over(s.at(x, y, i), s.at(x, y, 3), max);
            if (s.depth == 16)
                c[i] = eight(c[i]);
        }
        return rgb(c[0], c[1], c[2]);
    }
    }
}

std::uint32_t shownColour(const platform::Bitmap& b, const platform::Palette& p, int x, int yFromTop)
{
    const std::uint32_t v = b.pixel(x, b.height() - 1 - yFromTop);
    if (b.bitsPerPixel() == 24)
        return v;
    if (v >= p.size())
        return 0xFFFFFFFF;
    return (static_cast<std::uint32_t>(p[v].peRed) << 16) | (p[v].peGreen << 8) | p[v].peBlue;
}

// Reads s through the reader and compares every pixel; reports the first
// that differs.
void expectReadsAsSamples(const Samples& s, const std::string& what)
{
    RecordingWindow w;
    TPngIntf png(&w, &w);
    auto bitmap = readBytes(encode(s), png);
    ASSERT_TRUE(bitmap) << what << ": " << (w.boxes.empty() ? "" : w.boxes[0].text);
    EXPECT_TRUE(w.boxes.empty()) << what;
    ASSERT_EQ(bitmap->width(), static_cast<int>(s.width)) << what;
    ASSERT_EQ(bitmap->height(), static_cast<int>(s.height)) << what;
    const bool colour = s.type == 2 || s.type == 6;
    EXPECT_EQ(bitmap->bitsPerPixel(), colour ? 24 : 8) << what;
    auto palette = png.TakePalette();
    ASSERT_TRUE(palette) << what;
    EXPECT_EQ(palette->empty(), colour) << what;
    auto grey16 = png.TakeGrey16();
    const bool wide = s.depth == 16 && (s.type == 0 || s.type == 4);
    ASSERT_EQ(grey16 != nullptr, wide) << what;
    for (std::uint32_t y = 0; y < s.height; ++y) {
        for (std::uint32_t x = 0; x < s.width; ++x) {
            const std::uint32_t want = expectedColour(s, x, y);
            const std::uint32_t got = shownColour(*bitmap, *palette, static_cast<int>(x), static_cast<int>(y));
            ASSERT_EQ(got, want) << what << ": first difference at (" << x << ", " << y << ")";
            // Palette and grey pictures keep the sample as the index.
            if (s.type == 3 || (s.type == 0 && s.depth <= 8)) {
                ASSERT_EQ(bitmap->pixel(static_cast<int>(x), static_cast<int>(s.height - 1 - y)), s.at(x, y, 0));
            }
            if (wide) {
                std::uint32_t v = s.type == 0 ? s.at(x, y, 0) : over(s.at(x, y, 0), s.at(x, y, 1), 65535);
                if (s.type == 0 && s.trns && s.at(x, y, 0) == s.trns->gray)
                    v = 0;
                ASSERT_EQ(grey16->at(static_cast<int>(x), static_cast<int>(y)), v) << what << " at " << x << ", " << y;
            }
        }
    }
}

struct Kind {
    int type;
    int depth;
};
// Every colour type and bit depth PNG allows.
const Kind kAllKinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8},  {2, 16}, {3, 1},
                          {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8},  {6, 16}};

std::string kindName(const Kind& k, bool interlaced)
{
    return "type " + std::to_string(k.type) + ", " + std::to_string(k.depth) + " bits" +
           (interlaced ? ", interlaced" : "");
}

} // namespace

// ---------------------------------------------------------------------------
// Reading

TEST(PngRead, EveryColourTypeAndDepthPlainAndInterlaced)
{
    // 37 x 23: odd sizes that leave partial bytes at the row ends and make
    // every Adam7 pass uneven.
    unsigned seed = 1;
    for (const Kind& k : kAllKinds)
        for (bool interlaced : {false, true}) {
            Samples s = randomSamples(37, 23, k.type, k.depth, seed++);
            s.interlaced = interlaced;
            expectReadsAsSamples(s, kindName(k, interlaced));
        }
}

TEST(PngRead, TinyInterlacedPicturesWithEmptyPasses)
{
    // 1 x 1 to 3 x 3 leave some Adam7 passes without pixels.
    for (std::uint32_t side = 1; side <= 3; ++side)
        for (const Kind& k : {Kind{0, 8}, Kind{3, 2}, Kind{6, 16}}) {
            Samples s = randomSamples(side, side, k.type, k.depth, side);
            s.interlaced = true;
            expectReadsAsSamples(s, kindName(k, true) + " " + std::to_string(side));
        }
}

TEST(PngRead, TransparencyIsDroppedOntoBlack)
{
    // Palette entries with their own opacity.
    Samples pal = randomSamples(16, 4, 3, 4, 7);
    spng_trns t{};
    t.n_type3_entries = 5; // entries 5 and up stay opaque
    for (int i = 0; i < 5; ++i)
        t.type3_alpha[i] = static_cast<std::uint8_t>(i * 60);
    pal.trns = t;
    expectReadsAsSamples(pal, "palette with tRNS");

    // Colour keys: the key's pixels turn black, all others keep their colour.
    for (int depth : {8, 16}) {
        Samples rgb = randomSamples(8, 8, 2, depth, 9);
        spng_trns key{};
        key.red = rgb.at(3, 3, 0);
        key.green = rgb.at(3, 3, 1);
        key.blue = rgb.at(3, 3, 2);
        rgb.trns = key;
        expectReadsAsSamples(rgb, "RGB key " + std::to_string(depth));
    }
    for (int depth : {2, 8, 16}) {
        Samples grey = randomSamples(8, 8, 0, depth, 11);
        spng_trns key{};
        key.gray = grey.at(1, 0, 0);
        grey.trns = key;
        expectReadsAsSamples(grey, "grey key " + std::to_string(depth));
    }
}

TEST(PngRead, PaletteIndicesBeyondThePaletteShowBlack)
{
    Samples s = randomSamples(8, 2, 3, 8, 3);
    s.palette.resize(4);
    for (auto& v : s.values)
        v = static_cast<std::uint16_t>(v % 4);
    s.values[5] = 200; // past the 4 entries
    RecordingWindow w;
    TPngIntf png(&w, &w);
    auto bitmap = readBytes(encode(s), png);
    ASSERT_TRUE(bitmap) << (w.boxes.empty() ? "" : w.boxes[0].text);
    auto palette = png.TakePalette();
    ASSERT_EQ(palette->size(), 201u);
    EXPECT_EQ(bitmap->pixel(5, 1), 200u);
    EXPECT_EQ((*palette)[200], (platform::PALETTEENTRY{0, 0, 0, platform::PC_NOCOLLAPSE}));
    EXPECT_EQ((*palette)[3].peRed, s.palette[3].red);
}

TEST(PngRead, SixteenBitGreyKeepsEveryLevelThroughTheFacade)
{
    // Neighbouring 16-bit levels that one 8-bit level would merge.
    Samples s;
    s.width = 300;
    s.height = 2;
    s.type = 0;
    s.depth = 16;
    for (std::uint32_t y = 0; y < s.height; ++y)
        for (std::uint32_t x = 0; x < s.width; ++x)
            s.values.push_back(static_cast<std::uint16_t>(0x4000 + x + 1000 * y));
    const fs::path dir = fs::temp_directory_path() / ("dotscape-png-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "depth16.png").string();
    {
        const Bytes png = encode(s);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    RecordingWindow w;
    TGraphIO io(&w, &w);
    EXPECT_EQ(io.GetGraphicFormat(file), GFORMAT_PNG);
    auto bitmap = io.Read_File(file);
    ASSERT_TRUE(bitmap);
    auto grey = io.GetGrey16();
    ASSERT_TRUE(grey);
    ASSERT_EQ(grey->width, 300);
    ASSERT_EQ(grey->height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(grey->at(x, y), 0x4000 + x + 1000 * y) << x << ", " << y;
    // The bitmap shows the same levels rounded to 8 bits.
    EXPECT_EQ(bitmap->pixel(0, 1), 0x40u);
    EXPECT_EQ(io.GetGrey16(), nullptr) << "taken once";

    // An 8-bit grey PNG, or a picture of another format, has none.
    Samples g8 = randomSamples(4, 4, 0, 8, 5);
    {
        const Bytes png = encode(g8);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    ASSERT_TRUE(io.Read_File(file));
    EXPECT_EQ(io.GetGrey16(), nullptr);

    // Reading a 16-bit one and then a failing file leaves no stale samples.
    {
        const Bytes png = encode(s);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    ASSERT_TRUE(io.Read_File(file));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "not a picture";
    EXPECT_FALSE(io.Read_File(file));
    EXPECT_EQ(io.GetGrey16(), nullptr);
    fs::remove_all(dir);
}

TEST(PngRead, OneImageChunkLargerThanTheAncillaryLimitIsRead)
{
    // Some encoders put all the image data in one IDAT chunk; one of 18 MB
    // (noise, stored without compression) must not meet the 16 MiB that an
    // ancillary chunk may hold.
    const std::uint32_t w = 3000, h = 2000;
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(h) * (3 * w + 1));
    std::uint32_t seed = 8;
    for (std::uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        for (std::uint32_t i = 0; i < 3 * w; ++i) {
            seed = seed * 1664525u + 1013904223u;
            raw.push_back(static_cast<std::uint8_t>(seed >> 24));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    ASSERT_EQ(compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 0), Z_OK);
    packed.resize(packedSize);
    ASSERT_GT(packed.size(), std::size_t{16} << 20);
    const auto chunk = [](Bytes& out, const char* type, const Bytes& data) {
        const auto be32 = [&out](std::uint32_t v) {
            for (int s = 24; s >= 0; s -= 8)
                out.push_back(static_cast<std::uint8_t>(v >> s));
        };
        be32(static_cast<std::uint32_t>(data.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        be32(static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    };
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(png, "IHDR", {0, 0, 0x0B, 0xB8, 0, 0, 0x07, 0xD0, 8, 2, 0, 0, 0});
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    TPngIntf reader(nullptr, nullptr);
    auto bitmap = readBytes(png, reader);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width(), 3000);
    // The last pixel of the top row: red, green, blue in the file, blue first in the bitmap.
    const std::uint8_t* top = bitmap->rowFromTop(0);
    EXPECT_EQ(top[3 * 2999], raw[3 * 2999 + 3]);
    EXPECT_EQ(top[3 * 2999 + 2], raw[3 * 2999 + 1]);
}

TEST(PngRead, ProgressEndsWithDone)
{
    RecordingWindow w;
    TPngIntf png(&w, &w);
    ASSERT_TRUE(readBytes(encode(randomSamples(20, 200, 2, 8, 4)), png));
    ASSERT_FALSE(w.statuses.empty());
    EXPECT_EQ(w.statuses.front().text, "Reading PNG Image");
    EXPECT_EQ(w.statuses.back().kind, static_cast<std::uintptr_t>(GSTATUS_DONE));
}

TEST(PngRead, MalformedFilesAreRefusedWithAMessage)
{
    const fs::path dir = fs::path(DOTSCAPE_TESTDATA_DIR) / "png" / "malformed";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".png")
            continue;
        ++seen;
        RecordingWindow w;
        TGraphIO io(&w, &w);
        EXPECT_FALSE(io.Read_File(entry.path().string())) << entry.path();
        ASSERT_EQ(w.boxes.size(), 1u) << entry.path();
        EXPECT_EQ(w.boxes[0].caption, "PNG Error") << entry.path();
        EXPECT_FALSE(w.boxes[0].text.empty()) << entry.path();
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

Picture makePicture(int w, int h, int depth, unsigned seed, std::size_t colours)
{
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, depth);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bitmap->setPixel(x, y, depth == 24 ? rng() & 0xFFFFFF : rng() % colours);
    std::vector<platform::PALETTEENTRY> e;
    for (std::size_t i = 0; depth != 24 && i < colours; ++i)
        e.push_back({static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                     static_cast<std::uint8_t>(rng()), platform::PC_NOCOLLAPSE});
    p.palette = platform::Palette(e);
    return p;
}

// What libspng itself reads from a PNG's header.
spng_ihdr headerOf(const Bytes& png)
{
    std::unique_ptr<spng_ctx, SpngFree> ctx(spng_ctx_new(0));
    spng_set_png_buffer(ctx.get(), png.data(), png.size());
    spng_ihdr ihdr{};
    EXPECT_EQ(spng_get_ihdr(ctx.get(), &ihdr), 0);
    return ihdr;
}

} // namespace

TEST(PngWrite, EveryDepthRoundTripsPixelForPixel)
{
    struct Case {
        int depth;
        std::size_t colours;
        int pngDepth;
        int pngType;
    };
    for (const Case& c : {Case{1, 2, 1, 3}, Case{4, 16, 4, 3}, Case{4, 11, 4, 3}, Case{8, 256, 8, 3},
                          Case{8, 40, 8, 3}, Case{24, 0, 8, 2}}) {
        const std::string what = std::to_string(c.depth) + " bits, " + std::to_string(c.colours) + " colours";
        Picture p = makePicture(61, 17, c.depth, static_cast<unsigned>(c.depth + c.colours), c.colours);
        RecordingWindow w;
        TPngIntf png(&w, &w);
        MemoryOutStream out;
        ASSERT_EQ(png.WriteStream(out, p.bitmap->description(), p.bitmap.get(), c.depth == 24 ? nullptr : &p.palette),
                  1)
            << what;
        EXPECT_TRUE(w.boxes.empty()) << what;
        const spng_ihdr ihdr = headerOf(out.data());
        EXPECT_EQ(ihdr.bit_depth, c.pngDepth) << what;
        EXPECT_EQ(ihdr.color_type, c.pngType) << what;

        auto back = readBytes(out.data(), png);
        ASSERT_TRUE(back) << what;
        auto palette = png.TakePalette();
        EXPECT_EQ(back->bitsPerPixel(), c.depth == 24 ? 24 : 8) << what;
        for (int y = 0; y < p.bitmap->height(); ++y)
            for (int x = 0; x < p.bitmap->width(); ++x)
                ASSERT_EQ(back->pixel(x, y), p.bitmap->pixel(x, y)) << what << " at " << x << ", " << y;
        if (c.depth != 24) {
            EXPECT_EQ(*palette, p.palette) << what;
        }
    }
}

TEST(PngWrite, AShortPaletteGrowsToCoverEveryIndex)
{
    Picture p = makePicture(10, 3, 8, 2, 4);
    p.bitmap->setPixel(9, 2, 9);
    RecordingWindow w;
    TPngIntf png(&w, &w);
    MemoryOutStream out;
    ASSERT_EQ(png.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 1);
    auto back = readBytes(out.data(), png);
    ASSERT_TRUE(back);
    auto palette = png.TakePalette();
    ASSERT_EQ(palette->size(), 10u);
    EXPECT_EQ((*palette)[3], p.palette[3]);
    EXPECT_EQ((*palette)[9], (platform::PALETTEENTRY{0, 0, 0, platform::PC_NOCOLLAPSE}));
    EXPECT_EQ(back->pixel(9, 2), 9u);
}

TEST(PngWrite, RefusalsAndFailuresSayWhyAndLeaveNoFile)
{
    Picture p = makePicture(8, 8, 8, 1, 256);
    {
        RecordingWindow w;
        TPngIntf png(&w, &w);
        MemoryOutStream out;
        platform::BITMAP wrong = p.bitmap->description();
        wrong.bmWidth = 9;
        EXPECT_EQ(png.WriteStream(out, wrong, p.bitmap.get(), &p.palette), 0);
        ASSERT_EQ(w.boxes.size(), 1u);
        EXPECT_EQ(w.boxes[0].caption, "PNG Error");
    }
    {
        RecordingWindow w;
        TPngIntf png(&w, &w);
        MemoryOutStream out;
        out.failAfter(100);
        EXPECT_EQ(png.WriteStream(out, p.bitmap->description(), p.bitmap.get(), &p.palette), 0);
        ASSERT_EQ(w.boxes.size(), 1u);
        EXPECT_NE(w.boxes[0].text.find("Error writing PNG file"), std::string::npos) << w.boxes[0].text;
    }
    {
        // A file that cannot be made: nothing is left behind.
        const fs::path dir = fs::temp_directory_path() / ("dotscape-pngw-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        RecordingWindow w;
        TPngIntf png(&w, &w);
        EXPECT_EQ(png.WriteFile((dir / "no" / "such" / "x.png").string(), p.bitmap->description(), p.bitmap.get(),
                                &p.palette),
                  0);
        EXPECT_FALSE(w.boxes.empty());
        EXPECT_TRUE(fs::is_empty(dir));
        fs::remove_all(dir);
    }
}

TEST(PngWrite, TheFacadeWritesPngForItsFormatCode)
{
    Picture p = makePicture(30, 20, 24, 5, 0);
    const fs::path dir = fs::temp_directory_path() / ("dotscape-pngf-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "out.png").string();
    RecordingWindow w;
    TGraphIO io(&w, &w);
    io.SetGraphicFormat(GFORMAT_PNG);
    ASSERT_EQ(io.Write_File(file, p.bitmap->description(), p.bitmap.get(), nullptr), 1);
    TGraphIO reader(&w, &w);
    auto back = reader.Read_File(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(reader.SetGraphicFormat(0), GFORMAT_PNG);
    EXPECT_EQ(*back, *p.bitmap);
    fs::remove_all(dir);
}

// ---------------------------------------------------------------------------
// Files made by another encoder (tests/data/png/make_pngs.py, which uses
// every row filter), each with the RGB it must show beside it.

TEST(PngRead, FilesOfAnotherEncoderShowTheirExpectedColours)
{
    const fs::path dir = fs::path(DOTSCAPE_TESTDATA_DIR) / "png" / "good";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".png")
            continue;
        ++seen;
        const std::string what = entry.path().filename().string();
        std::ifstream dump(fs::path(entry.path()).replace_extension(".rgb"), std::ios::binary);
        const Bytes rgb((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
        RecordingWindow w;
        TGraphIO io(&w, &w);
        auto bitmap = io.Read_File(entry.path().string());
        ASSERT_TRUE(bitmap) << what << ": " << (w.boxes.empty() ? "" : w.boxes[0].text);
        auto palette = io.GetPalette();
        ASSERT_EQ(rgb.size(), static_cast<std::size_t>(bitmap->width()) * bitmap->height() * 3) << what;
        std::size_t i = 0;
        for (int y = 0; y < bitmap->height(); ++y)
            for (int x = 0; x < bitmap->width(); ++x, i += 3) {
                const std::uint32_t want = (static_cast<std::uint32_t>(rgb[i]) << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
                ASSERT_EQ(shownColour(*bitmap, *palette, x, y), want)
                    << what << ": first difference at (" << x << ", " << y << ")";
            }
    }
    EXPECT_EQ(seen, 30);
}
