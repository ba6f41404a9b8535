// The shared services of the format interfaces: status messages, error
// boxes, the overwrite question, default colours, row packing, band sizes
// and the bitmap information rule.

#include "RecordingWindow.h"
#include "pictrans/TGIntf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

namespace {

class NamedIntf : public TGIntf {
public:
    NamedIntf(platform::Window* status, platform::Window* owner, const char* name) : TGIntf(status, owner)
    {
        SetFormatName(name);
    }
};

std::string tempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("graphio-tgintf-") + name)).string();
}

TEST(TGIntfStatus, KindsAndRecordContents)
{
    RecordingWindow status;
    NamedIntf intf(&status, nullptr, "BMP");

    intf.DoStatusMsg(0, 0, "Reading Bitmap");
    intf.DoStatusMsg(480, 32, "Reading Bitmap");
    intf.DoStatusMsg(100, 100, "Done");
    // A 100-row picture's progress report still counts as "finished".
    intf.DoStatusMsg(100, 40, "Reading Bitmap");

    ASSERT_EQ(status.statuses.size(), 4u);
    for (const auto& s : status.statuses) {
        EXPECT_EQ(s.message, 0x0227u);
        EXPECT_EQ(s.reserved, 0);
    }
    EXPECT_EQ(status.statuses[0].kind, 1u);
    EXPECT_EQ(status.statuses[0].text, "Reading Bitmap");
    EXPECT_EQ(status.statuses[0].done, 0);
    EXPECT_EQ(status.statuses[0].total, 100);

    EXPECT_EQ(status.statuses[1].kind, 3u);
    EXPECT_EQ(status.statuses[1].text, "Reading Bitmap");
    EXPECT_EQ(status.statuses[1].done, 32);
    EXPECT_EQ(status.statuses[1].total, 480);

    for (int i : {2, 3}) {
        EXPECT_EQ(status.statuses[i].kind, 2u);
        EXPECT_EQ(status.statuses[i].text, "");
        EXPECT_EQ(status.statuses[i].done, 0);
        EXPECT_EQ(status.statuses[i].total, 100);
    }
}

TEST(TGIntfStatus, LongTextIsCutAndNullWindowIsHarmless)
{
    RecordingWindow status;
    NamedIntf intf(&status, nullptr, "GIF");
    std::string longText(60, 'x');
    intf.DoStatusMsg(0, 0, longText.c_str());
    ASSERT_EQ(status.statuses.size(), 1u);
    EXPECT_EQ(status.statuses[0].text, std::string(39, 'x'));

    NamedIntf silent(nullptr, nullptr, "GIF");
    silent.DoStatusMsg(10, 5, "x"); // must not crash without a status window
    EXPECT_EQ(silent.ErrorMsg("nothing to show it on"), 0);
}

TEST(TGIntfErrors, CaptionIconAndQuietFlag)
{
    RecordingWindow owner;
    NamedIntf intf(nullptr, &owner, "JPG");
    EXPECT_EQ(intf.ErrorMsg("Palette information is missing."), 0);
    ASSERT_EQ(owner.boxes.size(), 1u);
    EXPECT_EQ(owner.boxes[0].text, "Palette information is missing.");
    EXPECT_EQ(owner.boxes[0].caption, "JPG Error");
    EXPECT_EQ(owner.boxes[0].style & platform::MB_ICONMASK, platform::MB_ICONQUESTION);
    EXPECT_EQ(owner.boxes[0].style & platform::MB_TYPEMASK, platform::MB_OK);

    intf.quiet = 1;
    EXPECT_EQ(intf.ErrorMsg("hidden"), 0);
    EXPECT_EQ(owner.boxes.size(), 1u);
}

TEST(TGIntfOverwrite, AsksOnlyForExistingFiles)
{
    const std::string path = tempPath("overwrite.bin");
    std::filesystem::remove(path);
    RecordingWindow owner, status;
    NamedIntf intf(&status, &owner, "BMP");

    EXPECT_EQ(intf.OverwriteOk(path), 1);
    EXPECT_TRUE(owner.boxes.empty());

    { std::ofstream(path) << "old"; }
    owner.answer = platform::IDYES;
    EXPECT_EQ(intf.OverwriteOk(path), 1);
    ASSERT_EQ(owner.boxes.size(), 1u);
    EXPECT_EQ(owner.boxes[0].text, "Overwrite " + path + "?");
    EXPECT_EQ(owner.boxes[0].caption, "Confirm");
    EXPECT_EQ(owner.boxes[0].style, platform::MB_ICONQUESTION | platform::MB_YESNO);
    EXPECT_EQ(owner.updates, 1);
    EXPECT_EQ(status.updates, 1);

    owner.answer = platform::IDNO;
    EXPECT_EQ(intf.OverwriteOk(path), 0);

    // Nobody to ask: an existing file is never overwritten, a new one may be made.
    NamedIntf ownerless(nullptr, nullptr, "BMP");
    EXPECT_EQ(ownerless.OverwriteOk(path), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(ownerless.OverwriteOk(path), 1);
}

TEST(TGIntfColors, DefaultTableAndDevicePalette)
{
    EXPECT_EQ(TGIntf::GetDefRGB(2), nullptr);
    EXPECT_EQ(TGIntf::GetDefRGB(256), nullptr);
    const platform::RGBQUAD* t16 = TGIntf::GetDefRGB(16);
    ASSERT_NE(t16, nullptr);
    EXPECT_EQ(TGIntf::GetDefRGB(24), t16);
    // Stored blue, green, red: entry 3 is pure red, entry 11 pure blue.
    EXPECT_EQ(t16[0], (platform::RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(t16[1], (platform::RGBQUAD{192, 192, 192, 0}));
    EXPECT_EQ(t16[3], (platform::RGBQUAD{0, 0, 255, 0}));
    EXPECT_EQ(t16[5], (platform::RGBQUAD{0, 255, 255, 0}));
    EXPECT_EQ(t16[11], (platform::RGBQUAD{255, 0, 0, 0}));
    EXPECT_EQ(t16[12], (platform::RGBQUAD{128, 0, 0, 0}));
    EXPECT_EQ(t16[15], (platform::RGBQUAD{255, 255, 255, 0}));

    EXPECT_TRUE(TGIntf::GetDevicePalette(0).empty());
    auto dev = TGIntf::GetDevicePalette(16);
    ASSERT_EQ(dev.size(), 16u);
    const auto& sys = platform::Palette::system();
    EXPECT_EQ(dev[0], sys[0]);
    EXPECT_EQ(dev[9], sys[9]);
    EXPECT_EQ(dev[10], sys[246]);
}

TEST(TGIntfRows, EncodeLengthsAndPadding)
{
    std::vector<std::uint8_t> pixels(10);
    std::iota(pixels.begin(), pixels.end(), 1);
    struct Case {
        int bits;
        std::size_t written;
    };
    for (Case c : {Case{1, 4}, Case{4, 8}, Case{8, 12}}) {
        std::vector<std::uint8_t> row(32, 0xEE);
        TGIntf::BmpEncode(row.data(), pixels.data(), c.bits, 10);
        for (std::size_t i = c.written; i < row.size(); ++i)
            EXPECT_EQ(row[i], 0xEE) << c.bits << " bits wrote past its row at " << i;
        EXPECT_EQ(row[c.written - 1], 0) << c.bits << " bits: padding not zeroed";
    }

    std::vector<std::uint8_t> row(8, 0xEE);
    TGIntf::BmpEncode(row.data(), pixels.data(), 1, 10);
    // Every pixel is non-zero, so all ten bits are set, first pixel at the top bit.
    EXPECT_EQ(row[0], 0xFF);
    EXPECT_EQ(row[1], 0xC0);
    EXPECT_EQ(row[2], 0);
    EXPECT_EQ(row[3], 0);

    TGIntf::BmpEncode(row.data(), pixels.data(), 4, 10);
    EXPECT_EQ(row[0], 0x12);
    EXPECT_EQ(row[4], 0x9A);
    EXPECT_EQ(row[5], 0);

    std::vector<std::uint8_t> untouched(8, 0xEE);
    TGIntf::BmpEncode(untouched.data(), pixels.data(), 24, 10);
    TGIntf::BmpEncode(untouched.data(), pixels.data(), 2, 10);
    EXPECT_EQ(untouched, std::vector<std::uint8_t>(8, 0xEE));
}

TEST(TGIntfRows, DecodeReversesEncodeAtEveryDepth)
{
    for (int bits : {1, 4, 8}) {
        for (int width : {1, 7, 8, 9, 31, 33}) {
            std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width));
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((x * 37 + 11) & ((1 << bits) - 1));
            std::vector<std::uint8_t> row(platform::dibStride(width, bits));
            TGIntf::BmpEncode(row.data(), pixels.data(), bits, width);
            std::vector<std::uint8_t> back(static_cast<std::size_t>(width), 0xEE);
            TGIntf::BmpDecode(row.data(), back.data(), bits, width);
            EXPECT_EQ(back, pixels) << bits << " bits, width " << width;
        }
    }
}

TEST(TGIntfBands, HalvesUntilBandFits)
{
    EXPECT_EQ(TGIntf::BandRows(100, 100), 100);       // 10000 bytes: one band
    EXPECT_EQ(TGIntf::BandRows(10, 40000), 1);        // a row larger than a band
    EXPECT_EQ(TGIntf::BandRows(320, 100), 320);       // exactly 32000 bytes
    EXPECT_EQ(TGIntf::BandRows(321, 100), 161);       // halved rounding up
    EXPECT_EQ(TGIntf::BandRows(1200, 1200), 19);      // 1200 -> 600 -> ... -> 19
    EXPECT_EQ(TGIntf::BandRows(1, 1u << 30), 1);
}

TEST(TGIntfInfo, DepthFollowsPaletteSize)
{
    auto bmp = platform::Bitmap::create(10, 3, 8);
    ASSERT_TRUE(bmp);
    struct Case {
        std::size_t entries;
        int depth;
    };
    for (Case c : {Case{2, 1}, Case{3, 2}, Case{16, 4}, Case{17, 8}, Case{20, 8}, Case{256, 8}}) {
        std::vector<platform::PALETTEENTRY> pe(c.entries);
        for (std::size_t i = 0; i < pe.size(); ++i)
            pe[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(i + 2), 0};
        platform::Palette pal(pe);
        platform::BITMAP bm;
        platform::PALETTEENTRY entries[256];
        auto info = TGIntf::GetBitmapInfo(*bmp, &pal, bm, entries);
        EXPECT_EQ(info.bmiHeader.biBitCount, c.depth) << c.entries << " entries";
        EXPECT_EQ(bm.bmBitsPixel, c.depth);
        EXPECT_EQ(bm.bmWidth, 10);
        EXPECT_EQ(bm.bmHeight, 3);
        EXPECT_EQ(info.bmiHeader.biSizeImage, platform::dibStride(10, c.depth) * 3);
        ASSERT_EQ(info.bmiColors.size(), c.entries);
        EXPECT_EQ(info.bmiColors.back(),
                  (platform::RGBQUAD{pe.back().peBlue, pe.back().peGreen, pe.back().peRed, 0}));
        EXPECT_EQ(entries[c.entries - 1], pe.back());
    }
}

TEST(TGIntfMemory, AllocatesZeroedBlocks)
{
    NamedIntf intf(nullptr, nullptr, "BMP");
    std::uint8_t* p = intf.AllocImgMem(64);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::count(p, p + 64, 0), 64);
    p[0] = 1;
    std::uint8_t* q = intf.AllocImgMem(64);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(intf.FreeImgMem(), 0);
    EXPECT_EQ(intf.AllocImgMem(0), nullptr);
    EXPECT_EQ(intf.AllocImgMem(TGIntf::kMaxImgMem + 1), nullptr);
}

} // namespace
