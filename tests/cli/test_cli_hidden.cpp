// dotscape make with the hidden-surface method, run from a shell as a user
// runs it: its options and their refusals, true-colour output in every
// format, math stereograms for print, and random dots from a seed.

#include "pictrans/TGraphIO.h"

#include "OutputPicture.h"
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class HiddenSurfaceMake : public ProgramTest {
protected:
    ProgramOutcome make(const std::string& args) const { return run("make " + args); }
};

// A 16-bit grey PNG of one sample value, built byte by byte: zlib with
// stored blocks, so no compressor is needed.
std::vector<std::uint8_t> grey16Png(int w, int h, std::uint16_t sample)
{
    auto crc32 = [](const std::uint8_t* p, std::size_t n) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < n; ++i) {
            c ^= p[i];
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be32 = [](std::vector<std::uint8_t>& v, std::uint32_t x) {
        for (int s = 24; s >= 0; s -= 8)
            v.push_back(static_cast<std::uint8_t>(x >> s));
    };
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        be32(png, static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        be32(png, crc32(body.data(), body.size()));
    };
    std::vector<std::uint8_t> ihdr;
    be32(ihdr, static_cast<std::uint32_t>(w));
    be32(ihdr, static_cast<std::uint32_t>(h));
    ihdr.insert(ihdr.end(), {16, 0, 0, 0, 0}); // 16-bit grey, no interlace
    chunk("IHDR", ihdr);
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < w; ++x) {
            raw.push_back(static_cast<std::uint8_t>(sample >> 8));
            raw.push_back(static_cast<std::uint8_t>(sample));
        }
    }
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                           static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    be32(z, (b << 16) | a);
    chunk("IDAT", z);
    chunk("IEND", {});
    return png;
}

} // namespace

TEST_F(HiddenSurfaceMake, SixteenBitGreyPictureGivesItsDepthUnrounded)
{
    // 127.25 levels: within Zmin 127 .. Zmax 128 that is a quarter of the way
    // to the near plane (a repeat of 96 pixels at gap 100), where the
    // picture's 8-bit brightness would say the far plane (100).
    const auto png = grey16Png(300, 30, 32703);
    std::ofstream(path("depth.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                            static_cast<std::streamsize>(png.size()));
    ProgramOutcome r = make("--picture '" + path("depth.png") + "' --depth-by brightness --zmin 127 --zmax 128 "
                     "--method hidden-surface --oversample 1 --random-dots colour --no-markers -o '" +
                     path("s.bmp") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    Picture p = readPicture(path("s.bmp"));
    ASSERT_TRUE(p.bitmap);
    int at96 = 0, at100 = 0;
    for (int x = 150; x < 250; ++x) {
        at96 += p.bitmap->pixel(x, 15) == p.bitmap->pixel(x - 96, 15);
        at100 += p.bitmap->pixel(x, 15) == p.bitmap->pixel(x - 100, 15);
    }
    EXPECT_EQ(at96, 100);
    EXPECT_LT(at100, 10);
}

TEST_F(HiddenSurfaceMake, RefusesValuesOutsideTheirRangesNamingTheOption)
{
    const std::pair<const char*, const char*> cases[] = {
        {"--oversample 9", "--oversample must be between 1 and 8"},
        {"--oversample two", "--oversample takes a whole number"},
        {"--depth-of-field 0.6", "--depth-of-field must be between 0.1 and 0.5"},
        {"--eye-sep 2.5", "--eye-sep-mm (or --eye-sep) needs --dpi"},
        {"--dpi 300", "--dpi needs --eye-sep-mm (or --eye-sep)"},
        // Each value is checked in the unit it was given in, a zero
        // resolution included (it is not taken for "none given").
        {"--dpi 0 --eye-sep 2.5", "--dpi must be between 10 and 4800"},
        {"--dpi 300 --eye-sep 100", "--eye-sep must be between 0.39 and 7.87"},
        {"--dpi 300 --eye-sep-mm 5", "--eye-sep-mm must be between 10 and 200"},
        {"--dpi 4800 --eye-sep-mm 150", "pixels between the eyes"},
        {"--random-dots plaid", "--random-dots must be"},
        {"--width 16385", "--width must be between 200 and 16384"},
        {"--height 16385", "--height must be between 1 and 16384"},
    };
    for (const auto& [args, message] : cases) {
        ProgramOutcome r = make(std::string("--method hidden-surface ") + args + " -o '" + path("x.bmp") + "'");
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << ": " << r.err;
        EXPECT_FALSE(fs::exists(path("x.bmp")));
    }
    EXPECT_EQ(make("--help").status, 0);
}

TEST_F(HiddenSurfaceMake, TrueColourInBmpAndJpegNearestPaletteColoursInGifAndPcx)
{
    const std::string common = "--figure 1 --width 420 --height 150 --method hidden-surface --oversample 4 ";
    ASSERT_EQ(make(common + "-o '" + path("s.bmp") + "'").status, 0);
    Picture bmp = readPicture(path("s.bmp"));
    ASSERT_TRUE(bmp.bitmap);
    EXPECT_EQ(bmp.bitmap->bitsPerPixel(), 24);
    EXPECT_EQ(bmp.bitmap->width(), 420);
    // A true-colour BMP carries no colour table: the pixels start right
    // after the 54 header bytes.
    std::ifstream raw(path("s.bmp"), std::ios::binary);
    unsigned char header[14] = {};
    raw.read(reinterpret_cast<char*>(header), sizeof header);
    EXPECT_EQ(header[10] | header[11] << 8, 54);

    ASSERT_EQ(make(common + "-o '" + path("s.png") + "'").status, 0);
    Picture png = readPicture(path("s.png"));
    ASSERT_TRUE(png.bitmap);
    EXPECT_EQ(png.bitmap->bitsPerPixel(), 24);
    EXPECT_TRUE(*png.bitmap == *bmp.bitmap); // lossless, the same pixels
    ASSERT_EQ(make(common + "-o '" + path("s.jpg") + "'").status, 0);
    EXPECT_GT(fs::file_size(path("s.jpg")), 1000u);

    for (const char* name : {"s.gif", "s.pcx"}) {
        ProgramOutcome r = make(common + "-o '" + path(name) + "'");
        ASSERT_EQ(r.status, 0) << name << r.err;
        Picture p = readPicture(path(name));
        ASSERT_TRUE(p.bitmap) << name;
        ASSERT_EQ(p.bitmap->bitsPerPixel(), 8) << name;
        // Every pixel is the palette entry nearest to the true colour.
        for (int y = 0; y < 150; y += 7) {
            for (int x = 0; x < 420; x += 3) {
                const std::uint32_t c = bmp.bitmap->pixel(x, y);
                const std::uint8_t want = p.palette->nearest(static_cast<std::uint8_t>(c >> 16),
                                                             static_cast<std::uint8_t>(c >> 8),
                                                             static_cast<std::uint8_t>(c));
                const auto& got = (*p.palette)[p.bitmap->pixel(x, y)];
                const auto& best = (*p.palette)[want];
                ASSERT_TRUE(got.peRed == best.peRed && got.peGreen == best.peGreen && got.peBlue == best.peBlue)
                    << name << " at " << x << "," << y;
            }
        }
    }
    // K = 1 keeps the pattern's palette.
    ASSERT_EQ(make(common + "--oversample 1 -o '" + path("k1.bmp") + "'").status, 0);
    EXPECT_EQ(readPicture(path("k1.bmp")).bitmap->bitsPerPixel(), 8);
}

TEST_F(HiddenSurfaceMake, PrintSizesRandomDotsAndSeeds)
{
    // Wider than the dialog allows, at 300 dpi with 2.5 inches between the eyes.
    const std::string args = "--figure 2 --width 3000 --height 40 --method hidden-surface --oversample 1 "
                             "--dpi 300 --eye-sep 2.5 --random-dots bw --no-markers --zmin 1000 --zmax 1001 ";
    ASSERT_EQ(make(args + "--seed 3 -o '" + path("a.bmp") + "'").status, 0);
    ASSERT_EQ(make(args + "--seed 3 -o '" + path("b.bmp") + "'").status, 0);
    ASSERT_EQ(make(args + "--seed 4 -o '" + path("c.bmp") + "'").status, 0);
    Picture a = readPicture(path("a.bmp")), b = readPicture(path("b.bmp")), c = readPicture(path("c.bmp"));
    ASSERT_TRUE(a.bitmap && b.bitmap && c.bitmap);
    EXPECT_EQ(a.bitmap->width(), 3000);
    EXPECT_TRUE(*a.bitmap == *b.bitmap);
    EXPECT_FALSE(*a.bitmap == *c.bitmap);
    std::set<std::uint32_t> colours;
    for (int x = 0; x < 3000; ++x) {
        const auto& e = (*a.palette)[a.bitmap->pixel(x, 20)];
        colours.insert((std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue);
    }
    EXPECT_EQ(colours, (std::set<std::uint32_t>{0x000000, 0xFFFFFF}));
    // Every depth of the figure lies below Zmin: the far plane, which
    // repeats at half of 750 pixels.
    int repeats = 0;
    for (int x = 2000; x < 2300; ++x)
        repeats += a.bitmap->pixel(x, 1) == a.bitmap->pixel(x + 375, 1);
    EXPECT_EQ(repeats, 300);
}
