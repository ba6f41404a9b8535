// The facade: format detection by content, dispatch of reads and writes,
// the two messages of its own, the bitmap information rule and the version.

#include "RecordingWindow.h"
#include "pictrans/GraphicFormats.h"
#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class GraphIOFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("graphio-facade-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string put(const char* name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

std::vector<std::uint8_t> bytesOf(const char* text)
{
    return {text, text + std::strlen(text)};
}

TEST_F(GraphIOFiles, DetectsFormatByContentOnly)
{
    TGraphIO io(nullptr, nullptr);
    // The extension plays no part.
    EXPECT_EQ(io.GetGraphicFormat(put("a.gif", bytesOf("BM rest of a header"))), GFORMAT_BMP);
    EXPECT_EQ(io.GetGraphicFormat(put("b.bmp", {0x0A, 5, 1, 8})), GFORMAT_PCX);
    EXPECT_EQ(io.GetGraphicFormat(put("c.pcx", bytesOf("GIF87a"))), GFORMAT_GIF);
    EXPECT_EQ(io.GetGraphicFormat(put("d.dat", bytesOf("GIF89a\x01\x00"))), GFORMAT_GIF);
    EXPECT_EQ(io.GetGraphicFormat(put("e.gif", bytesOf("GIF88a"))), GFORMAT_UNKNOWN);
    EXPECT_EQ(io.GetGraphicFormat(put("f.gif", bytesOf("GIF8"))), GFORMAT_UNKNOWN);
    EXPECT_EQ(io.GetGraphicFormat(put("g.gif", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'})), GFORMAT_JPEG);
    EXPECT_EQ(io.GetGraphicFormat(put("g2.jpg", {0xFF, 0xD8})), GFORMAT_UNKNOWN);
    EXPECT_EQ(io.GetGraphicFormat(put("h.bmp", {'B'})), GFORMAT_UNKNOWN);
    EXPECT_EQ(io.GetGraphicFormat(put("i.bmp", {})), GFORMAT_UNKNOWN);
    EXPECT_EQ(io.GetGraphicFormat(path("missing.bmp")), GFORMAT_UNOPENABLE);
    // The detected code becomes the current one.
    EXPECT_EQ(io.SetGraphicFormat(GFORMAT_JPEG), GFORMAT_UNOPENABLE);
    EXPECT_EQ(io.SetGraphicFormat(GFORMAT_BMP), GFORMAT_JPEG);
}

TEST_F(GraphIOFiles, ReadRefusalsOfItsOwn)
{
    RecordingWindow owner;
    TGraphIO io(nullptr, &owner);
    EXPECT_FALSE(io.Read_File(path("missing.bmp")));
    EXPECT_FALSE(io.Read_File(put("photo.jpg", bytesOf("neither picture nor map"))));
    ASSERT_EQ(owner.boxes.size(), 2u);
    EXPECT_EQ(owner.boxes[0].text, "File Access Failed.");
    EXPECT_EQ(owner.boxes[1].text, "File Format is not supported.");
    for (const auto& b : owner.boxes) {
        EXPECT_EQ(b.caption, "Error");
        EXPECT_EQ(b.style, platform::MB_ICONERROR | platform::MB_OK);
    }
    EXPECT_FALSE(io.GetPalette());
}

TEST_F(GraphIOFiles, PcxMarkIsTriedAsPcxEvenWhenItIsNot)
{
    RecordingWindow owner;
    TGraphIO io(nullptr, &owner);
    EXPECT_FALSE(io.Read_File(put("fake.bmp", {0x0A, 'n', 'o', 't'})));
    EXPECT_EQ(io.GetGraphicFormat(path("fake.bmp")), GFORMAT_PCX);
    ASSERT_EQ(owner.boxes.size(), 1u);
    // Refused by the PCX reader when there is one, else as an unknown format.
    EXPECT_TRUE(owner.boxes[0].text == "Not a valid .PCX file" ||
                owner.boxes[0].text == "File Format is not supported.")
        << owner.boxes[0].text;
}

TEST_F(GraphIOFiles, WriteDispatchByFormatCode)
{
    auto bmp = platform::Bitmap::create(4, 4, 8);
    std::vector<platform::PALETTEENTRY> e(256);
    platform::Palette pal(e);
    for (int code : {GFORMAT_UNKNOWN, GFORMAT_BMP, GFORMAT_UNOPENABLE, 17}) {
        TGraphIO io(nullptr, nullptr);
        io.SetGraphicFormat(code);
        const std::string p = path(("w" + std::to_string(code + 10) + ".out").c_str());
        ASSERT_EQ(io.Write_File(p, bmp->description(), bmp.get(), &pal), 1) << code;
        auto bytes = platform::readWholeFile(p);
        ASSERT_TRUE(bytes && bytes->size() > 2);
        EXPECT_EQ((*bytes)[0], 'B') << code << " did not write BMP";
        EXPECT_EQ((*bytes)[1], 'M');
    }
    TGraphIO io(nullptr, nullptr);
    io.SetGraphicFormat(GFORMAT_JPEG);
    ASSERT_EQ(io.Write_File(path("x.jpg"), bmp->description(), bmp.get(), &pal), 1);
    auto jpg = platform::readWholeFile(path("x.jpg"));
    ASSERT_TRUE(jpg && jpg->size() > 2);
    EXPECT_EQ((*jpg)[0], 0xFF);
    EXPECT_EQ((*jpg)[1], 0xD8);
}

TEST_F(GraphIOFiles, PaletteOfTheLastReadGoesToTheCaller)
{
    auto bmp = platform::Bitmap::create(3, 3, 4);
    std::vector<platform::PALETTEENTRY> e(16);
    e[5] = {1, 2, 3, 0};
    platform::Palette pal(e);
    TGraphIO out(nullptr, nullptr);
    ASSERT_EQ(out.Write_File(path("p.bmp"), bmp->description(), bmp.get(), &pal), 1);

    TGraphIO in(nullptr, nullptr);
    ASSERT_TRUE(in.Read_File(path("p.bmp")));
    auto got = in.GetPalette();
    ASSERT_TRUE(got);
    ASSERT_EQ(got->size(), 16u);
    EXPECT_EQ((*got)[5].peRed, 1);
    EXPECT_EQ((*got)[5].peBlue, 3);
    EXPECT_EQ((*got)[5].peFlags, platform::PC_NOCOLLAPSE);
    EXPECT_FALSE(in.GetPalette()) << "handed over twice";
}

TEST(GraphIOInfo, PaletteAndDepthRules)
{
    TGraphIO io(nullptr, nullptr);
    auto bmp = platform::Bitmap::create(10, 4, 8);

    std::vector<platform::PALETTEENTRY> e(20);
    e[19] = {10, 20, 30, 0};
    platform::Palette pal(e);
    const platform::BITMAPINFO* info = io.GetBitmapInfo(*bmp, &pal);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biSize, 40u);
    EXPECT_EQ(info->bmiHeader.biWidth, 10);
    EXPECT_EQ(info->bmiHeader.biHeight, 4);
    EXPECT_EQ(info->bmiHeader.biPlanes, 1);
    EXPECT_EQ(info->bmiHeader.biBitCount, 8); // 1, 2, 4, 8: the first power of two not below 20
    EXPECT_EQ(info->bmiHeader.biSizeImage, 12u * 4);
    EXPECT_EQ(info->bmiHeader.biClrUsed, 0u);
    ASSERT_EQ(info->bmiColors.size(), 20u);
    EXPECT_EQ(info->bmiColors[19], (platform::RGBQUAD{30, 20, 10, 0}));

    std::vector<platform::PALETTEENTRY> two(2);
    platform::Palette pal2(two);
    info = io.GetBitmapInfo(*bmp, &pal2);
    EXPECT_EQ(info->bmiHeader.biBitCount, 1);
    EXPECT_EQ(info->bmiHeader.biSizeImage, 4u * 4);

    // Without a palette the bitmap's own depth counts, with a zeroed table.
    auto bmp4 = platform::Bitmap::create(10, 4, 4);
    info = io.GetBitmapInfo(*bmp4, nullptr);
    EXPECT_EQ(info->bmiHeader.biBitCount, 4);
    ASSERT_EQ(info->bmiColors.size(), 16u);
    EXPECT_EQ(info->bmiColors[3], platform::RGBQUAD{});
    EXPECT_EQ(info->bytes().size(), 40u + 64);

    auto bmp24 = platform::Bitmap::create(10, 4, 24);
    info = io.GetBitmapInfo(*bmp24, nullptr);
    EXPECT_EQ(info->bmiHeader.biBitCount, 24);
    EXPECT_TRUE(info->bmiColors.empty());
    EXPECT_EQ(info->bmiHeader.biSizeImage, 32u * 4);
}

// Every row of the table is found by its code and by each of its extensions
// (with or without the dot, in any case), and what each writer writes is
// recognised by content as that same row when the format can be read back.
TEST_F(GraphIOFiles, TableRowsAreFoundByCodeExtensionAndContent)
{
    auto bmp = platform::Bitmap::create(5, 3, 8);
    platform::Palette pal(std::vector<platform::PALETTEENTRY>(256, {9, 8, 7, 0}));
    std::vector<int> codes;
    for (const pictrans::GraphicFormat& row : pictrans::graphicFormats()) {
        SCOPED_TRACE(row.name);
        codes.push_back(row.code);
        EXPECT_EQ(pictrans::formatByCode(row.code), &row);
        ASSERT_FALSE(row.extensions.empty());
        ASSERT_FALSE(row.mimeTypes.empty());
        for (const char* ext : row.extensions) {
            std::string dotted = std::string(".") + ext;
            for (char& c : dotted)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(pictrans::formatByExtension(ext), &row) << ext;
            EXPECT_EQ(pictrans::formatByExtension(dotted), &row) << dotted;
        }
        if (!row.can(pictrans::kWrites))
            continue;
        TGraphIO io(nullptr, nullptr);
        io.SetGraphicFormat(row.code);
        const std::string file = path((std::string("t.") + row.extensions[0]).c_str());
        ASSERT_EQ(io.Write_File(file, bmp->description(), bmp.get(), &pal), 1);
        const auto bytes = platform::readWholeFile(file);
        ASSERT_TRUE(bytes);
        const pictrans::GraphicFormat* found = pictrans::detectFormat(*bytes);
        EXPECT_EQ(found, row.can(pictrans::kReads) ? &row : nullptr);
        if (row.can(pictrans::kReads)) {
            EXPECT_EQ(io.GetGraphicFormat(file), row.code);
            auto back = io.Read_File(file);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->width(), 5);
            EXPECT_GT(io.GetSourceBits(), 0);
        }
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end()) << "a code is used twice";
    EXPECT_EQ(pictrans::formatByCode(5), nullptr) << "5 is the depth map code";
    EXPECT_EQ(pictrans::formatByExtension("rds"), nullptr);
    EXPECT_EQ(pictrans::formatByExtension(""), nullptr);
}

TEST(GraphIOVersion, VersionText)
{
    char buffer[32] = {};
    TGraphIO::GetVersionString(buffer);
    EXPECT_STREQ(buffer, "PICTRANS v2.0");
}

} // namespace

namespace {

// A status window that answers the stopAt-th progress report with Stop, as
// the desktop program's frame does when Stop is pressed during a save.
class StoppingWindow : public RecordingWindow {
public:
    explicit StoppingWindow(int stopAt) : stopAt_(stopAt) {}
    std::intptr_t sendMessage(unsigned message, std::uintptr_t kind, std::intptr_t record) override
    {
        RecordingWindow::sendMessage(message, kind, record);
        if (message != platform::WM_GRAPHSTATUS || kind != GSTATUS_PROGRESS)
            return 0;
        return ++progress >= stopAt_ ? GSTATUS_STOP : 0;
    }
    int progress = 0;

private:
    int stopAt_;
};

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(GraphIOFiles, EveryWriterStopsAtOnceAndLeavesTheOldFileAsItWas)
{
    std::vector<platform::PALETTEENTRY> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                             static_cast<std::uint8_t>(i), 0};
    const platform::Palette palette(grey);
    for (const pictrans::GraphicFormat& format : pictrans::graphicFormats()) {
        if (!format.can(pictrans::kWrites))
            continue;
        for (int bits : {8, 24}) {
            if (bits == 24 && !format.can(pictrans::kHoldsTrueColour))
                continue;
            SCOPED_TRACE(std::string(format.name) + " at " + std::to_string(bits) + " bits");
            // Random dots, big enough for several reports in every writer.
            auto picture = platform::Bitmap::create(640, 480, bits);
            std::uint32_t seed = 12345;
            for (int y = 0; y < picture->height(); ++y) {
                std::uint8_t* row = picture->row(y);
                for (std::size_t i = 0; i < picture->stride(); ++i) {
                    seed = seed * 1664525u + 1013904223u;
                    row[i] = static_cast<std::uint8_t>(seed >> 24);
                }
            }
            const fs::path folder = dir_ / (std::string(format.name) + std::to_string(bits));
            fs::create_directories(folder);
            const std::string target = (folder / (std::string("out.") + format.extensions[0])).string();
            RecordingWindow owner;

            // Not stopped, the writer reports as it goes and writes the file.
            StoppingWindow unstopped(INT32_MAX);
            TGraphIO first(&unstopped, &owner);
            first.SetGraphicFormat(format.code);
            ASSERT_EQ(first.Write_File(target, picture->description(), picture.get(), &palette), 1);
            EXPECT_FALSE(first.Stopped());
            ASSERT_GT(unstopped.progress, 1) << "too few reports to stop between";
            const auto written = platform::readWholeFile(target);
            ASSERT_TRUE(written);

            // Stopped at the first report: no more reports, no message, the
            // file as it was (not the other picture) and no temporary beside it.
            for (int y = 0; y < picture->height(); ++y) {
                std::uint8_t* row = picture->row(y);
                for (std::size_t i = 0; i < picture->stride(); ++i)
                    row[i] = static_cast<std::uint8_t>(~row[i]);
            }
            owner.boxes.clear();
            StoppingWindow stopper(1);
            TGraphIO second(&stopper, &owner);
            second.SetGraphicFormat(format.code);
            EXPECT_EQ(second.Write_File(target, picture->description(), picture.get(), &palette), 0);
            EXPECT_TRUE(second.Stopped());
            EXPECT_EQ(stopper.progress, 1);
            for (const RecordedBox& box : owner.boxes) // replacing the file may be asked, nothing else
                EXPECT_TRUE(box.text.starts_with("Overwrite ")) << box.text;
            EXPECT_EQ(platform::readWholeFile(target), written);
            EXPECT_EQ(filesIn(folder), std::vector<std::string>{fs::path(target).filename().string()});

            // A new name stopped leaves nothing at all.
            StoppingWindow again(1);
            TGraphIO third(&again, &owner);
            third.SetGraphicFormat(format.code);
            EXPECT_EQ(third.Write_File((folder / "new").string(), picture->description(), picture.get(), &palette), 0);
            EXPECT_EQ(filesIn(folder).size(), 1u);
        }
    }
}
