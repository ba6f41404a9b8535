#include "pictrans/PictureBuild.h"

#include <cstring>

namespace pictrans {

std::vector<platform::PALETTEENTRY> greyPalette(unsigned levels)
{
    std::vector<platform::PALETTEENTRY> out(levels);
    for (unsigned v = 0; v < levels; ++v) {
        const auto g = static_cast<std::uint8_t>((v * 255 + (levels - 1) / 2) / (levels - 1));
        out[v] = {g, g, g, platform::PC_NOCOLLAPSE};
    }
    return out;
}

Orientation::Orientation(int tag, int width, int height)
    : tag_(tag >= 1 && tag <= 8 ? tag : 1), w_(width), h_(height), swaps_(tag_ >= 5)
{
}

void Orientation::map(int x, int y, int& outX, int& outY) const
{
    switch (tag_) {
    case 2: // mirrored left to right
        outX = w_ - 1 - x, outY = y;
        break;
    case 3: // turned half round
        outX = w_ - 1 - x, outY = h_ - 1 - y;
        break;
    case 4: // mirrored top to bottom
        outX = x, outY = h_ - 1 - y;
        break;
    case 5: // mirrored about the main diagonal
        outX = y, outY = x;
        break;
    case 6: // turned a quarter clockwise to be upright
        outX = h_ - 1 - y, outY = x;
        break;
    case 7: // mirrored about the other diagonal
        outX = h_ - 1 - y, outY = w_ - 1 - x;
        break;
    case 8: // turned a quarter anticlockwise to be upright
        outX = y, outY = w_ - 1 - x;
        break;
    default:
        outX = x, outY = y;
        break;
    }
}

void placeOrientedRow(platform::Bitmap& bitmap, const Orientation& o, int y, const std::uint8_t* pixels,
                      int bytesPerPixel)
{
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    if (o.tag() == 1) {
        std::memcpy(bitmap.rowFromTop(y), pixels, static_cast<std::size_t>(o.width()) * bpp);
        return;
    }
    const int w = o.swaps() ? o.height() : o.width();
    for (int x = 0; x < w; ++x) {
        int ox, oy;
        o.map(x, y, ox, oy);
        std::memcpy(bitmap.rowFromTop(oy) + static_cast<std::size_t>(ox) * bpp, pixels + static_cast<std::size_t>(x) * bpp,
                    bpp);
    }
}

} // namespace pictrans
