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
