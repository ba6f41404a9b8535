#include "engine/CaptionText.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <type_traits>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>

namespace engine {

namespace {

constexpr int kPixelHeight = 14;

// The font library is loaded the first time a caption is drawn, so that the
// commands that draw none (pictures, depth maps, conversions) do not load
// it and the libraries it brings at start-up.
struct FreeType {
    decltype(&::FT_Init_FreeType) Init_FreeType = nullptr;
    decltype(&::FT_New_Face) New_Face = nullptr;
    decltype(&::FT_Set_Pixel_Sizes) Set_Pixel_Sizes = nullptr;
    decltype(&::FT_Done_Face) Done_Face = nullptr;
    decltype(&::FT_Done_FreeType) Done_FreeType = nullptr;
    decltype(&::FT_Get_Char_Index) Get_Char_Index = nullptr;
    decltype(&::FT_Get_Kerning) Get_Kerning = nullptr;
    decltype(&::FT_Load_Glyph) Load_Glyph = nullptr;
    bool loaded = false;

    FreeType()
    {
        void* lib = ::dlopen("libfreetype.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return;
        auto get = [lib](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
            return fn != nullptr;
        };
        loaded = get(Init_FreeType, "FT_Init_FreeType") && get(New_Face, "FT_New_Face") &&
                 get(Set_Pixel_Sizes, "FT_Set_Pixel_Sizes") && get(Done_Face, "FT_Done_Face") &&
                 get(Done_FreeType, "FT_Done_FreeType") && get(Get_Char_Index, "FT_Get_Char_Index") &&
                 get(Get_Kerning, "FT_Get_Kerning") && get(Load_Glyph, "FT_Load_Glyph");
        // The library stays loaded for the life of the process.
    }
};

const FreeType& freeType()
{
    static const FreeType ft;
    return ft;
}

// One face for the life of the process; FreeType objects are not thread-safe,
// so drawing takes the lock.
struct CaptionFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::mutex lock;

    CaptionFace()
    {
        const std::string& file = captionFontFile();
        const FreeType& ft = freeType();
        if (file.empty() || !ft.loaded || ft.Init_FreeType(&library) != 0)
            return;
        if (ft.New_Face(library, file.c_str(), 0, &face) != 0 || ft.Set_Pixel_Sizes(face, 0, kPixelHeight) != 0) {
            if (face)
                ft.Done_Face(face);
            face = nullptr;
        }
    }
    ~CaptionFace()
    {
        if (face)
            freeType().Done_Face(face);
        if (library)
            freeType().Done_FreeType(library);
    }
};

CaptionFace& captionFace()
{
    static CaptionFace face;
    return face;
}

// Next code point of UTF-8 text; malformed bytes read as '?'.
char32_t nextCodePoint(std::string_view text, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(text[i++]);
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) > text.size())
        return U'?';
    char32_t c = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return U'?';
        c = (c << 6) | (next & 0x3F);
        ++i;
    }
    return c;
}

} // namespace

const std::string& captionFontFile()
{
    static const std::string file = [] {
        static constexpr std::array kCandidates = {
            "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
            "/usr/share/fonts/TTF/DejaVuSans-Bold.ttf",
            "/usr/share/fonts/dejavu/DejaVuSans-Bold.ttf",
            "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
            "/usr/share/fonts/truetype/freefont/FreeSansBold.ttf",
        };
        struct stat st{};
        for (const char* candidate : kCandidates) {
            if (::stat(candidate, &st) == 0)
                return std::string(candidate);
        }
        return std::string();
    }();
    return file;
}

bool drawCaptionText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                     std::string_view text, Rgb colour)
{
    CaptionFace& cf = captionFace();
    if (!cf.face)
        return false;
    if (image.bitsPerPixel() != 8)
        return true;
    std::lock_guard guard(cf.lock);
    FT_Face face = cf.face;
    const std::uint8_t index = palette.nearest(colour.red, colour.green, colour.blue);
    const int baseline = y + static_cast<int>(face->size->metrics.ascender >> 6);
    long penX = static_cast<long>(x) << 6;
    FT_UInt previous = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = nextCodePoint(text, i);
        const FT_UInt glyph = freeType().Get_Char_Index(face, c);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kern{};
            if (freeType().Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0)
                penX += kern.x;
        }
        previous = glyph;
        if (freeType().Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        const int left = static_cast<int>(penX >> 6) + slot->bitmap_left;
        const int top = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int py = top + static_cast<int>(row);
            if (py < 0 || py >= image.height())
                continue;
            const unsigned char* bits = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
            std::uint8_t* dest = image.rowFromTop(py);
            for (unsigned col = 0; col < bm.width; ++col) {
                const int px = left + static_cast<int>(col);
                if (px >= 0 && px < image.width() && (bits[col >> 3] & (0x80 >> (col & 7))))
                    dest[px] = index;
            }
        }
        penX += slot->advance.x;
    }
    return true;
}

} // namespace engine
