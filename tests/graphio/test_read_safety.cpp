// Pictures that another program shortens or rewrites while they are read:
// every format's reader refuses them through the facade with one message
// and nothing read, and none crashes; pictures left alone still read.

#include "ChangingFile.h"
#include "RecordingWindow.h"
#include "pictrans/GraphicFormats.h"
#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

// Noise does not compress, so the file of every format is large enough
// (over 256 KiB) to be mapped rather than read.
std::unique_ptr<platform::Bitmap> noise(int bitsPerPixel)
{
    auto picture = platform::Bitmap::create(700, 600, bitsPerPixel);
    std::mt19937 random(7);
    for (int y = 0; y < picture->height(); ++y) {
        std::uint8_t* row = picture->row(y);
        for (std::int32_t i = 0; i < picture->description().bmWidthBytes; ++i)
            row[i] = static_cast<std::uint8_t>(random());
    }
    return picture;
}

platform::Palette greys()
{
    std::vector<platform::PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(i), 0};
    return platform::Palette(entries);
}

TEST(ReadSafety, EveryFormatRefusesAFileChangedWhileItIsRead)
{
    const std::string dir = (std::filesystem::temp_directory_path() / ("graphio-changing-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    const platform::Palette palette = greys();
    int formats = 0;
    for (const pictrans::GraphicFormat& format : pictrans::graphicFormats()) {
        if (!format.can(pictrans::kReads) || !format.can(pictrans::kWrites))
            continue;
        ++formats;
        const auto picture = noise(format.can(pictrans::kHoldsTrueColour) ? 24 : 8);
        const std::string path = dir + "/picture." + format.extensions[0];
        TGraphIO writer(nullptr, nullptr);
        writer.SetGraphicFormat(format.code);
        ASSERT_TRUE(writer.Write_File(path, picture->description(), picture.get(), &palette)) << format.name;
        // A lossless file of this picture is large enough to be mapped.
        if (!format.can(pictrans::kLossy)) {
            ASSERT_GE(std::filesystem::file_size(path), 256u << 10) << format.name << " is read, not mapped";
        }

        for (FileChange change : {FileChange::None, FileChange::HalfLength, FileChange::Empty,
                                  FileChange::SameLengthNewTime}) {
            SCOPED_TRACE(std::string(format.name) + ", " + describe(change));
            // The same file for every change: put back as it was written.
            std::filesystem::copy_file(path, path + ".read", std::filesystem::copy_options::overwrite_existing);
            RecordingWindow owner;
            TGraphIO reader(nullptr, &owner);
            std::unique_ptr<platform::Bitmap> read;
            {
                ChangingFile changer(path + ".read", change);
                read = reader.Read_File(path + ".read");
            }
            if (change == FileChange::None) {
                ASSERT_TRUE(read);
                EXPECT_EQ(read->width(), picture->width());
                EXPECT_TRUE(owner.boxes.empty());
            } else {
                EXPECT_FALSE(read);
                ASSERT_FALSE(owner.boxes.empty());
                EXPECT_EQ(owner.boxes.back().text, platform::kFileChangedMessage);
                EXPECT_FALSE(reader.GetPalette());
                EXPECT_FALSE(reader.GetGrey16());
            }
        }
    }
    EXPECT_GE(formats, 4); // BMP, PCX, GIF and PNG at least
    std::filesystem::remove_all(dir);
}

} // namespace

// A reader allowed to keep the file (the command line's make) leaves an
// uncompressed BMP's rows in the mapped file: the bitmap equals the copy
// the reader makes otherwise, drawing on it never reaches the file, and a
// later change to the file shows in sourceChanged() and reads no further
// than the file (a shortened one reads as zeros, never a crash). Rows
// with bytes in their padding are still copied.
TEST(ReadSafety, BitmapKeptOverItsFile)
{
    const std::string dir = (std::filesystem::temp_directory_path() / ("graphio-kept-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    const platform::Palette palette = greys();
    struct Case {
        int bitsPerPixel;
        int width;
        bool dirtyPadding;
        bool kept;
    };
    for (const Case c : {Case{8, 700, false, true}, Case{24, 700, false, true}, Case{8, 701, false, true},
                         Case{24, 701, false, true}, Case{8, 701, true, false}}) {
        SCOPED_TRACE(std::to_string(c.bitsPerPixel) + " bits, " + std::to_string(c.width) + " wide" +
                     (c.dirtyPadding ? ", bytes in the padding" : ""));
        auto picture = platform::Bitmap::create(c.width, 600, c.bitsPerPixel);
        std::mt19937 random(11);
        for (int y = 0; y < picture->height(); ++y)
            for (int x = 0; x < c.width; ++x)
                picture->setPixel(x, y, static_cast<std::uint32_t>(random()) & 0xFFFFFFu);
        const std::string path = dir + "/picture-" + std::to_string(c.bitsPerPixel) + "-" +
                                 std::to_string(c.width) + (c.dirtyPadding ? "-dirty" : "") + ".bmp";
        TGraphIO writer(nullptr, nullptr);
        writer.SetGraphicFormat(GFORMAT_BMP);
        ASSERT_TRUE(writer.Write_File(path, picture->description(), picture.get(), &palette));
        if (c.dirtyPadding) {
            // The first row's padding, just after its 701 pixels.
            std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
            f.seekg(10);
            std::uint8_t offset[4] = {};
            f.read(reinterpret_cast<char*>(offset), 4);
            f.seekp((offset[0] | offset[1] << 8 | offset[2] << 16 | offset[3] << 24) + c.width);
            f.put('\x7F');
        }
        const auto original = platform::readWholeFile(path);
        ASSERT_TRUE(original);

        TGraphIO copying(nullptr, nullptr);
        const auto copy = copying.Read_File(path);
        TGraphIO keeping(nullptr, nullptr);
        keeping.SetKeepFile(true);
        auto kept = keeping.Read_File(path);
        ASSERT_TRUE(copy && kept);
        EXPECT_TRUE(*kept == *copy);
        if (!c.dirtyPadding) {
            EXPECT_TRUE(*kept == *picture);
        }
        EXPECT_FALSE(kept->sourceChanged());

        kept->setPixel(3, 3, 0x123456u);
        kept->row(kept->height() - 1)[0] ^= 0xFF;
        EXPECT_EQ(platform::readWholeFile(path), original) << "drawing reached the file";

        // Cut to half: the copy is untouched; the kept rows read no further
        // than the file and say it changed.
        ::truncate(path.c_str(), static_cast<off_t>(original->size() / 2));
        EXPECT_EQ(kept->sourceChanged(), c.kept);
        EXPECT_FALSE(copy->sourceChanged());
        // Rows near the top lie beyond the cut (rows run bottom-up in the
        // file); the bottom ones are still there.
        std::uint64_t top = 0, bottom = 0;
        for (int x = 0; x < c.width; ++x) {
            top += kept->pixel(x, kept->height() - 20);
            bottom += kept->pixel(x, 20);
        }
        EXPECT_EQ(top == 0, c.kept);
        EXPECT_GT(bottom, 0u);
    }
    std::filesystem::remove_all(dir);
}
