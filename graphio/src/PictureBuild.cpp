#include "pictrans/PictureBuild.h"

#include <algorithm>
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

OrientedRows::OrientedRows(platform::Bitmap& bitmap, const Orientation& o, int bytesPerPixel, int bandRows)
    : bitmap_(bitmap), o_(o), bpp_(static_cast<std::size_t>(bytesPerPixel)),
      rowBytes_(static_cast<std::size_t>(o.swaps() ? o.height() : o.width()) * bpp_), bandRows_(std::max(bandRows, 1))
{
    if (o_.swaps())
        band_.resize(rowBytes_ * static_cast<std::size_t>(bandRows_));
}

void OrientedRows::add(const std::uint8_t* pixels)
{
    const int y = next_++;
    const std::size_t bpp = bpp_;
    switch (o_.tag()) {
    case 1:
        std::memcpy(bitmap_.rowFromTop(y), pixels, rowBytes_);
        return;
    case 4:
        std::memcpy(bitmap_.rowFromTop(o_.height() - 1 - y), pixels, rowBytes_);
        return;
    case 2:
    case 3: {
        // Mirrored rows: the last stored pixel first.
        std::uint8_t* out = bitmap_.rowFromTop(o_.tag() == 2 ? y : o_.height() - 1 - y) + rowBytes_;
        for (std::size_t x = 0; x < rowBytes_; x += bpp)
            std::memcpy(out -= bpp, pixels + x, bpp);
        return;
    }
    default:
        if (gathered_ == 0)
            bandStart_ = y;
        std::memcpy(band_.data() + static_cast<std::size_t>(gathered_) * rowBytes_, pixels, rowBytes_);
        if (++gathered_ == bandRows_)
            flush();
        return;
    }
}

void OrientedRows::flush()
{
    if (gathered_ == 0)
        return;
    // Stored pixel x of every gathered row lands in one shown row, at
    // columns that run up (orientations 5 and 8) or down (6 and 7) with y.
    const int storedWidth = o_.height();
    const int step = o_.tag() == 5 || o_.tag() == 8 ? 1 : -1;
    for (int x = 0; x < storedWidth; ++x) {
        int firstX, shownY;
        o_.map(x, bandStart_, firstX, shownY);
        std::uint8_t* row = bitmap_.rowFromTop(shownY);
        const std::uint8_t* in = band_.data() + static_cast<std::size_t>(x) * bpp_;
        if (bpp_ == 1) {
            for (int k = 0; k < gathered_; ++k, in += rowBytes_)
                row[firstX + step * k] = in[0];
        } else {
            for (int k = 0; k < gathered_; ++k, in += rowBytes_) {
                std::uint8_t* out = row + static_cast<std::size_t>(firstX + step * k) * 3;
                out[0] = in[0], out[1] = in[1], out[2] = in[2];
            }
        }
    }
    gathered_ = 0;
}

} // namespace pictrans
