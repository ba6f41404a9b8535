// The table of file kinds against everything that reads it: extensions,
// save names, --format names, detection by content and the desktop entry.

#include "app/FileKinds.h"
#include "depthmap/TMapDocument.h"
#include "pictrans/GraphicFormats.h"
#include "pictrans/TGraphIO.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(FileKinds, EveryPictureFormatAndTheDepthMapHaveARowWhoseNamesLeadBackToIt)
{
    const auto kinds = app::fileKinds();
    // The graphics library's formats, each once, then the program's own.
    for (const pictrans::GraphicFormat& format : pictrans::graphicFormats())
        EXPECT_EQ(std::ranges::count_if(kinds, [&](const app::FileKind& k) { return k.code == format.code; }), 1)
            << format.name;
    ASSERT_NE(app::kindByCode(app::kFormatDepthMap), nullptr);
    EXPECT_FALSE(app::kindByCode(app::kFormatDepthMap)->picture);
    for (const app::FileKind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        EXPECT_EQ(app::kindByCode(kind.code), &kind);
        ASSERT_FALSE(kind.extensions.empty());
        ASSERT_FALSE(kind.mimeTypes.empty());
        for (const char* ext : kind.extensions) {
            EXPECT_EQ(app::kindByExtension(ext), &kind) << ext;
            EXPECT_EQ(app::kindByExtension(std::string(".").append(upper(ext))), &kind) << ext;
            if (!kind.can(pictrans::kWrites))
                continue;
            // Saved under its own extension, in any case, in any folder.
            EXPECT_EQ(app::formatForSaveName(std::string("/some.where/picture.").append(ext)), kind.code) << ext;
            EXPECT_EQ(app::formatForSaveName(std::string("PICTURE.").append(upper(ext))), kind.code) << ext;
            if (kind.picture) {
                EXPECT_EQ(app::pictureKindByFormatName(ext), &kind) << ext;
                EXPECT_EQ(app::pictureKindByFormatName(upper(kind.name)), &kind);
                EXPECT_NE(app::formatNameList().find(kind.extensions[0]), std::string::npos);
            }
        }
    }
    // Only writable pictures are --format names.
    for (const char* name : {"rds", "depth map", "", "xyz", "bm"})
        EXPECT_EQ(app::pictureKindByFormatName(name), nullptr) << name;
}

TEST(FileKinds, SaveNamesKeepTheirOldOrderAndFallBackToBmp)
{
    // Names with several extensions are taken by the first of GIF, PCX,
    // JPEG, PNG and the depth map they contain, wherever it stands.
    const std::pair<const char*, int> names[] = {
        {"x.gif.pcx", GFORMAT_GIF},     {"x.pcx.jpg", GFORMAT_PCX},  {"x.jpg.png", GFORMAT_JPEG},
        {"x.png.rds", GFORMAT_PNG},     {"x.rds.bmp", app::kFormatDepthMap}, {"x.gif.bmp", GFORMAT_GIF},
        {"holiday.GIF.bak", GFORMAT_GIF}, {"/maps.rds/plain", GFORMAT_BMP}, {"/a.gif/b.pcx", GFORMAT_PCX},
        {"noextension", GFORMAT_BMP},   {"x.unknown", GFORMAT_BMP},  {"", GFORMAT_BMP},
    };
    for (const auto& [name, code] : names)
        EXPECT_EQ(app::formatForSaveName(name), code) << name;
}

TEST(FileKinds, ContentDecidesWhateverTheName)
{
    TempDir dir;
    // Every picture format that is written and read, under a depth map's name.
    auto picture = platform::Bitmap::create(40, 30, 8);
    std::vector<platform::PALETTEENTRY> entries(256, platform::PALETTEENTRY{10, 20, 30, 0});
    const platform::Palette palette(entries);
    int detected = 0;
    for (const app::FileKind& kind : app::fileKinds()) {
        if (!kind.picture || !kind.can(pictrans::kReads) || !kind.can(pictrans::kWrites))
            continue;
        const std::string path = dir.file(std::string(kind.name) + ".rds");
        TGraphIO io(nullptr, nullptr);
        io.SetGraphicFormat(kind.code);
        ASSERT_TRUE(io.Write_File(path, picture->description(), picture.get(), &palette)) << kind.name;
        const app::FileKind* found = app::detectFileKind(path);
        ASSERT_NE(found, nullptr) << kind.name;
        EXPECT_EQ(found->code, kind.code) << kind.name;
        ++detected;
    }
    EXPECT_GE(detected, 4);
    // A depth map under a picture's name.
    depthmap::TMapDocument map("m", 50, 40);
    ASSERT_TRUE(map.WriteFile(dir.file("map.bmp")));
    const app::FileKind* found = app::detectFileKind(dir.file("map.bmp"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->code, app::kFormatDepthMap);
    // Nothing known, nothing there, nothing in it.
    dir.write("junk.bmp", "not a picture");
    dir.write("empty.gif", "");
    EXPECT_EQ(app::detectFileKind(dir.file("junk.bmp")), nullptr);
    EXPECT_EQ(app::detectFileKind(dir.file("empty.gif")), nullptr);
    EXPECT_EQ(app::detectFileKind(dir.file("missing.png")), nullptr);
    EXPECT_EQ(app::detectFileKind(dir.path()), nullptr);
}

TEST(FileKinds, TheDesktopEntryDeclaresExactlyTheTypesTheProgramOpens)
{
    std::ifstream in(DOTSCAPE_SOURCE_DIR "/resources/dotscape.desktop");
    ASSERT_TRUE(in) << "the desktop entry is missing";
    std::string line, types;
    while (std::getline(in, line))
        if (line.starts_with("MimeType="))
            types = line.substr(9);
    std::vector<std::string> declared;
    std::stringstream list(types);
    for (std::string type; std::getline(list, type, ';');)
        if (!type.empty())
            declared.push_back(type);
    EXPECT_EQ(declared, app::mimeTypeList()) << "resources/dotscape.desktop and the table of file kinds differ";
}

} // namespace
