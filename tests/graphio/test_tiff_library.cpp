// libtiff is opened when a TIFF is first written or read, so that a
// program that touches no TIFF starts without it and what it brings.

#include "TempDir.h"
#include "pictrans/TGraphIO.h"
#include "platform/Bitmap.h"

#include <gtest/gtest.h>

#include <link.h>

#include <string_view>

namespace {

bool libtiffLoaded()
{
    bool found = false;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            if (info->dlpi_name && std::string_view(info->dlpi_name).find("libtiff.so") != std::string_view::npos)
                *static_cast<bool*>(data) = true;
            return 0;
        },
        &found);
    return found;
}

TEST(TiffLibrary, OpenedOnlyOnceATiffIsWritten)
{
    TempDir dir;
    auto picture = platform::Bitmap::create(7, 5, 24);
    ASSERT_TRUE(picture);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            picture->setPixel(x, y, static_cast<std::uint32_t>(x * 0x250000 + y * 0x3100 + 7));

    TGraphIO bmp(nullptr, nullptr);
    bmp.SetGraphicFormat(GFORMAT_BMP);
    ASSERT_EQ(bmp.Write_File(dir.file("a.bmp"), picture->description(), picture.get(), nullptr), 1);
    ASSERT_TRUE(TGraphIO(nullptr, nullptr).Read_File(dir.file("a.bmp")));
    EXPECT_FALSE(libtiffLoaded());

    TGraphIO tiff(nullptr, nullptr);
    tiff.SetGraphicFormat(GFORMAT_TIFF);
    ASSERT_EQ(tiff.Write_File(dir.file("a.tif"), picture->description(), picture.get(), nullptr), 1);
    EXPECT_TRUE(libtiffLoaded());
    TGraphIO reader(nullptr, nullptr);
    const auto back = reader.Read_File(dir.file("a.tif"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *picture);
}

} // namespace
