#include "app/SavedPicture.h"

#include "pictrans/GraphicFormats.h"

#include <cstring>
#include <unordered_map>

namespace app {

std::unique_ptr<platform::Bitmap> nearestColours(const platform::Bitmap& picture, const platform::Palette& palette)
{
    auto out = platform::Bitmap::create(picture.width(), picture.height(), 8);
    if (!out || picture.bitsPerPixel() != 24)
        return nullptr;
    // A stereogram holds few distinct colours (averages of pattern colours),
    // so each is looked up once.
    std::unordered_map<std::uint32_t, std::uint8_t> seen;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* in = picture.row(y);
        std::uint8_t* dst = out->row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2];
            const std::uint32_t key = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
            auto [it, added] = seen.try_emplace(key, 0);
            if (added)
                it->second = palette.nearest(r, g, b);
            dst[x] = it->second;
        }
    }
    return out;
}

PictureToWrite pictureForFormat(const platform::Bitmap& picture, const platform::BITMAP& description,
                                const platform::Palette* palette, int format)
{
    PictureToWrite out;
    out.bitmap = &picture;
    out.description = description;
    const pictrans::GraphicFormat* row = pictrans::formatByCode(format);
    const bool paletteOnly = row && !row->can(pictrans::kHoldsTrueColour);
    if (!paletteOnly || picture.bitsPerPixel() != 24 || !palette || palette->empty())
        return out;
    out.reduced = nearestColours(picture, *palette);
    out.bitmap = out.reduced.get();
    if (out.reduced) {
        out.description = out.reduced->description();
        out.description.bmBitsPixel = 8;
    }
    return out;
}

} // namespace app
