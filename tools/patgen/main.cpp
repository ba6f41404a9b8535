// Writes the shipped pattern set: patgen OUTDIR writes OUTDIR/pat00.gif ...;
// patgen --ppm OUTDIR writes PPM previews instead.

#include "PatternArt.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "pictrans/TGifIntf.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"
#include "platform/Window.h"

namespace {

std::string fileName(const std::string& dir, int n, const char* ext)
{
    char name[32];
    std::snprintf(name, sizeof name, n < 10 ? "pat0%d.%s" : "pat%d.%s", n, ext);
    return dir + "/" + name;
}

bool writePpm(const patgen::Tile& tile, const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", tile.width, tile.height);
    for (std::uint8_t index : tile.pixels) {
        const patgen::Rgb& c = tile.palette[index];
        std::uint8_t rgb[3] = {c.r, c.g, c.b};
        std::fwrite(rgb, 1, 3, f);
    }
    return std::fclose(f) == 0;
}

// Errors go to the terminal; the build replaces its own files without asking.
class BuildWindow : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        if ((style & platform::MB_TYPEMASK) == platform::MB_YESNO ||
            (style & platform::MB_TYPEMASK) == platform::MB_YESNOCANCEL)
            return platform::IDYES;
        std::fprintf(stderr, "patgen: %.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        return platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
};

bool writeGif(const patgen::Tile& tile, const std::string& path)
{
    auto bitmap = platform::Bitmap::create(tile.width, tile.height, 8);
    if (!bitmap)
        return false;
    for (int y = 0; y < tile.height; ++y) {
        std::uint8_t* row = bitmap->rowFromTop(y);
        for (int x = 0; x < tile.width; ++x)
            row[x] = tile.at(x, y);
    }
    std::vector<platform::PALETTEENTRY> entries;
    for (const auto& c : tile.palette)
        entries.push_back({c.r, c.g, c.b, 0});
    platform::Palette palette(entries);
    BuildWindow window;
    TGifIntf writer(&window, &window);
    return writer.WriteFile(path, bitmap->description(), bitmap.get(), &palette) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool ppm = argc == 3 && std::strcmp(argv[1], "--ppm") == 0;
    if (argc != 2 && !ppm) {
        std::fprintf(stderr, "Usage: patgen [--ppm] OUTDIR\n");
        return 1;
    }
    std::string dir = argv[argc - 1];
    for (int n = 0; n < patgen::PatternCount(); ++n) {
        patgen::Tile tile = patgen::MakePattern(n);
        bool ok = false;
        std::string path;
        if (ppm) {
            path = fileName(dir, n, "ppm");
            ok = writePpm(tile, path);
        } else {
            path = fileName(dir, n, "gif");
            ok = writeGif(tile, path);
        }
        if (!ok) {
            std::fprintf(stderr, "patgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
