// Every format folder of tests/data, held to what other programs say:
// good/ files (made by PIL or netpbm, see each folder's make_*.py) must show
// the colours of NAME.want.png beside them (as another decoder shows them),
// within the folder's tolerance, and keep the 16-bit samples NAME.want16.png
// holds where there is one; malformed/ files must each be refused with exactly the message their
// expected.tsv lists.

#include "ReadPictures.h"
#include "TempDir.h"
#include "pictrans/GraphicFormats.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const fs::path kData = DOTSCAPE_TESTDATA_DIR;

struct GoodFolder {
    const char* folder;
    int tolerance; // per channel
    int files;     // at least this many pictures
};

// JPEG decoders may round differently (the IDCT, upsampling, CMYK to RGB);
// everything else must come out exact.
const GoodFolder kGood[] = {
    {"jpeg", 2, 17},
    {"pnm", 0, 20},
    {"webp", 0, 7},
    {"tiff", 0, 22},
};

bool isWant(const fs::path& p)
{
    const std::string n = p.filename().string();
    return n.find(".want") != std::string::npos;
}

class GoodFiles : public ::testing::TestWithParam<GoodFolder> {};

TEST_P(GoodFiles, ShowWhatAnotherDecoderShows)
{
    const GoodFolder& g = GetParam();
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(kData / g.folder / "good")) {
        const fs::path& file = entry.path();
        if (isWant(file) || file.extension() == ".py")
            continue;
        const fs::path stem = file.parent_path() / file.stem();
        // Grey of more than 8 bits shows its 16-bit samples as a 16-bit PNG does.
        const fs::path want16 = fs::path(stem.string() + ".want16.png");
        fs::path want = fs::path(stem.string() + ".want.png");
        if (!fs::exists(want))
            want = want16;
        if (!fs::exists(want))
            continue;
        ++seen;
        SCOPED_TRACE(file.filename().string());
        const ReadPicture got = readPicture(file.string());
        ASSERT_TRUE(got.ok) << (got.messages.empty() ? "" : got.messages[0]);
        EXPECT_TRUE(got.messages.empty());
        const ReadPicture ref = readPicture(want.string());
        ASSERT_TRUE(ref.ok);
        EXPECT_EQ(got.width, ref.width);
        EXPECT_EQ(got.height, ref.height);
        const int diff = maxDifference(got, ref);
        EXPECT_GE(diff, 0);
        EXPECT_LE(diff, g.tolerance);

        if (fs::exists(want16)) {
            const ReadPicture ref16 = readPicture(want16.string());
            ASSERT_TRUE(ref16.grey16 && got.grey16) << "16-bit samples lost";
            EXPECT_EQ(got.grey16->samples, ref16.grey16->samples);
            EXPECT_GT(got.sourceBits, 8);
        } else {
            EXPECT_FALSE(got.grey16);
            EXPECT_GT(got.sourceBits, 0);
        }
    }
    EXPECT_GE(seen, g.files);
}

INSTANTIATE_TEST_SUITE_P(Formats, GoodFiles, ::testing::ValuesIn(kGood),
                         [](const auto& p) { return std::string(p.param.folder); });

// One walker for every format's malformed corpus.
TEST(MalformedFiles, EachIsRefusedWithItsListedMessage)
{
    int folders = 0;
    for (const auto& format : fs::directory_iterator(kData)) {
        const fs::path dir = format.path() / "malformed";
        if (!fs::exists(dir / "expected.tsv"))
            continue;
        ++folders;
        const auto expected = expectedMessages(dir.string());
        std::size_t walked = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name == "expected.tsv" || name.front() == '.' || entry.path().extension() == ".py" ||
                entry.path().extension() == ".md")
                continue;
            SCOPED_TRACE(format.path().filename().string() + "/" + name);
            ++walked;
            const auto it = expected.find(name);
            ASSERT_NE(it, expected.end()) << "not listed in expected.tsv";
            const ReadPicture got = readPicture(entry.path().string());
            EXPECT_FALSE(got.ok);
            ASSERT_EQ(got.messages.size(), 1u);
            EXPECT_EQ(got.messages[0], it->second);
        }
        EXPECT_EQ(walked, expected.size()) << dir << ": a listed file is missing";
    }
    EXPECT_GE(folders, 8);
}

// Pictures of each kind a writer may be handed.
struct Kind {
    const char* name;
    int bits;
    int colours; // palette entries; 0 for true colour
    bool grey;
    const char* pnmMagic; // what the netpbm writer makes of it
};
const Kind kKinds[] = {
    {"black-and-white", 1, 2, true, "P4"},
    {"sixteen-colours", 4, 16, false, "P6"},
    {"grey-levels", 8, 256, true, "P5"},
    {"palette", 8, 200, false, "P6"},
    {"true-colour", 24, 0, false, "P6"},
};

struct Made {
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;
};

Made makePicture(const Kind& k, int width = 23, int height = 11)
{
    Made m;
    m.bitmap = platform::Bitmap::create(width, height, k.bits);
    std::vector<platform::PALETTEENTRY> e(static_cast<std::size_t>(k.colours));
    for (std::size_t i = 0; i < e.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (e.size() - 1));
        e[i] = k.grey ? platform::PALETTEENTRY{v, v, v, 0}
                      : platform::PALETTEENTRY{v, static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - v), 0};
    }
    m.palette = platform::Palette(e);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint32_t>(x * 7 + y * 13 + x * y);
            m.bitmap->setPixel(x, y, k.bits == 24 ? (v * 2654435761u) & 0xFFFFFF : v % static_cast<std::uint32_t>(k.colours));
        }
    return m;
}

// Each writer's file, read back by our own reader, shows the picture it was
// given: exactly for lossless formats that hold that kind of picture.
TEST(Writers, WhatIsWrittenReadsBackAsItWasShown)
{
    TempDir dir;
    int checked = 0;
    for (const pictrans::GraphicFormat& f : pictrans::graphicFormats()) {
        if (!f.can(pictrans::kReads | pictrans::kWrites) || f.can(pictrans::kLossy))
            continue;
        for (const Kind& k : kKinds) {
            if (k.bits == 24 && !f.can(pictrans::kHoldsTrueColour))
                continue;
            SCOPED_TRACE(std::string(f.name) + " " + k.name);
            const Made m = makePicture(k);
            const std::string file = dir.file(std::string(k.name) + "." + f.extensions[0]);
            TGraphIO io(nullptr, nullptr);
            io.SetGraphicFormat(f.code);
            ASSERT_EQ(io.Write_File(file, m.bitmap->description(), m.bitmap.get(), &m.palette), 1);
            const ReadPicture back = readPicture(file);
            ASSERT_TRUE(back.ok) << (back.messages.empty() ? "" : back.messages[0]);
            EXPECT_EQ(back.width, m.bitmap->width());
            EXPECT_EQ(back.height, m.bitmap->height());
            EXPECT_EQ(back.rgb, shownRgb(*m.bitmap, &m.palette));
            if (f.code == GFORMAT_PNM) {
                const auto bytes = platform::readWholeFile(file);
                ASSERT_TRUE(bytes && bytes->size() > 2);
                EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 2), k.pnmMagic);
            }
            ++checked;
        }
    }
    EXPECT_GE(checked, 20);
}

// A netpbm file named .pam is written as PAM and reads back the same.
TEST(Writers, PamWhereTheNameAsksForIt)
{
    TempDir dir;
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const Made m = makePicture(k);
        const std::string file = dir.file(std::string(k.name) + ".PAM");
        TGraphIO io(nullptr, nullptr);
        io.SetGraphicFormat(GFORMAT_PNM);
        ASSERT_EQ(io.Write_File(file, m.bitmap->description(), m.bitmap.get(), &m.palette), 1);
        const auto bytes = platform::readWholeFile(file);
        ASSERT_TRUE(bytes && bytes->size() > 3);
        EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 3), "P7\n");
        const ReadPicture back = readPicture(file);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.rgb, shownRgb(*m.bitmap, &m.palette));
    }
}

// A smooth picture, as lossy coders are made for.
Made smoothPicture()
{
    Made m;
    m.bitmap = platform::Bitmap::create(64, 48, 24);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            m.bitmap->setPixel(x, y, static_cast<std::uint32_t>((x * 4) << 16 | (y * 5) << 8 | (x + y) * 2));
    return m;
}

// The quality reaches the lossy writers: a lower one makes a smaller file
// further from the picture, and WebP without one is lossless.
TEST(Writers, QualityMakesFilesSmallerAndCoarser)
{
    TempDir dir;
    const Made m = smoothPicture();
    const auto shown = shownRgb(*m.bitmap, nullptr);
    ReadPicture original;
    original.width = 64, original.height = 48, original.rgb = shown;
    for (int code : {GFORMAT_JPEG, GFORMAT_WEBP}) {
        std::uintmax_t size[2] = {};
        int diff[2] = {};
        for (int i = 0; i < 2; ++i) {
            const int quality = i == 0 ? 95 : 5;
            SCOPED_TRACE(std::to_string(code) + " at " + std::to_string(quality));
            const std::string file = dir.file(std::to_string(code) + "-" + std::to_string(quality));
            TGraphIO io(nullptr, nullptr);
            io.SetGraphicFormat(code);
            io.SetQuality(quality);
            ASSERT_EQ(io.Write_File(file, m.bitmap->description(), m.bitmap.get(), nullptr), 1);
            size[i] = fs::file_size(file);
            diff[i] = maxDifference(readPicture(file), original);
            ASSERT_GE(diff[i], 0);
        }
        EXPECT_LT(size[1], size[0]);
        EXPECT_LT(diff[0], diff[1]);
        EXPECT_LE(diff[0], 16);
        EXPECT_GT(diff[1], 2);
    }
    TGraphIO io(nullptr, nullptr);
    io.SetGraphicFormat(GFORMAT_WEBP);
    ASSERT_EQ(io.Write_File(dir.file("exact.webp"), m.bitmap->description(), m.bitmap.get(), nullptr), 1);
    EXPECT_EQ(readPicture(dir.file("exact.webp")).rgb, shown);
}

// 16-bit samples handed to the writer come back exactly from every format
// that holds them, and a format that does not writes the bitmap instead.
TEST(Writers, SixteenBitGreyReadsBackExactly)
{
    TempDir dir;
    const Made m = makePicture(kKinds[2], 19, 7);
    platform::Grey16Image g16;
    g16.width = 19, g16.height = 7;
    for (int i = 0; i < 19 * 7; ++i)
        g16.samples.push_back(static_cast<std::uint16_t>(i * 4099 + 17));
    int checked = 0;
    for (const pictrans::GraphicFormat& f : pictrans::graphicFormats()) {
        if (!f.can(pictrans::kReads | pictrans::kWrites) || f.can(pictrans::kLossy))
            continue;
        SCOPED_TRACE(f.name);
        const std::string file = dir.file(std::string("g16.") + f.extensions[0]);
        TGraphIO io(nullptr, nullptr);
        io.SetGraphicFormat(f.code);
        io.SetGrey16(&g16);
        ASSERT_EQ(io.Write_File(file, m.bitmap->description(), m.bitmap.get(), &m.palette), 1);
        const ReadPicture back = readPicture(file);
        ASSERT_TRUE(back.ok);
        if (f.can(pictrans::kHoldsGrey16)) {
            ASSERT_TRUE(back.grey16);
            EXPECT_EQ(back.grey16->samples, g16.samples);
            EXPECT_EQ(back.sourceBits, 16);
            ++checked;
        } else {
            EXPECT_FALSE(back.grey16);
            EXPECT_EQ(back.rgb, shownRgb(*m.bitmap, &m.palette));
        }
    }
    EXPECT_EQ(checked, 3);
}

TEST(Writers, WebpRefusesMoreThanItHolds)
{
    TempDir dir;
    auto wide = platform::Bitmap::create(16384, 2, 24);
    MessageLog log;
    TGraphIO io(nullptr, &log);
    io.SetGraphicFormat(GFORMAT_WEBP);
    EXPECT_EQ(io.Write_File(dir.file("wide.webp"), wide->description(), wide.get(), nullptr), 0);
    ASSERT_EQ(log.texts.size(), 1u);
    EXPECT_EQ(log.texts[0], "A picture of 16384 x 2 pixels is too large for a WebP file (at most 16383 x 16383).");
    EXPECT_FALSE(fs::exists(dir.file("wide.webp")));
}

} // namespace
