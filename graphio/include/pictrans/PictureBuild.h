#pragma once
// Helpers the readers share to build the library's pictures: grey palettes,
// alpha dropped onto black, sample scaling, and the eight EXIF orientations.

#include "pictrans/Export.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <vector>

namespace pictrans {

// A grey palette of levels entries (2 to 256), black to white, entry v being
// v * 255 / (levels - 1) rounded.
std::vector<platform::PALETTEENTRY> greyPalette(unsigned levels);

// A colour multiplied by its opacity, rounded: alpha dropped onto black.
inline std::uint8_t over8(std::uint32_t c, std::uint32_t a)
{
    return static_cast<std::uint8_t>((c * a + 127) / 255);
}
inline std::uint16_t over16(std::uint32_t c, std::uint32_t a)
{
    return static_cast<std::uint16_t>((c * a + 32767) / 65535);
}
// A 16-bit sample as 8 bits, rounded.
inline std::uint8_t to8(std::uint32_t v16)
{
    return static_cast<std::uint8_t>((v16 * 255 + 32767) / 65535);
}
// A sample of 0 to maxval as 0 to top, rounded; values above maxval give top.
inline std::uint32_t scaleSample(std::uint32_t v, std::uint32_t maxval, std::uint32_t top)
{
    if (v >= maxval)
        return top;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * top + maxval / 2) / maxval);
}

// Where pixel (x, y) of a stored picture of width x height goes when the
// picture is shown upright, for EXIF orientations 1 to 8 (any other value
// counts as 1). Orientations 5 to 8 swap width and height.
class PICTRANS_API Orientation {
public:
    Orientation(int tag, int width, int height);
    int width() const { return swaps_ ? h_ : w_; }
    int height() const { return swaps_ ? w_ : h_; }
    bool swaps() const { return swaps_; }
    // The shown position of stored pixel (x, y).
    void map(int x, int y, int& outX, int& outY) const;
    int tag() const { return tag_; }

private:
    int tag_, w_, h_;
    bool swaps_;
};

// Places the stored rows of a picture, one after the other from the top,
// into bitmap at their oriented positions; each row holds the stored width
// of pixels of bytesPerPixel bytes (1 or 3, already in the bitmap's order).
// Orientations 5 to 8 make a stored row a shown column: such rows are
// gathered in bands, so that each shown row takes a run of pixels at once
// rather than one pixel per cache line and page.
class PICTRANS_API OrientedRows {
public:
    OrientedRows(platform::Bitmap& bitmap, const Orientation& o, int bytesPerPixel, int bandRows = 64);
    // The next stored row.
    void add(const std::uint8_t* pixels);
    // Places the rows gathered so far; after the last row it must be called.
    void flush();

private:
    platform::Bitmap& bitmap_;
    Orientation o_;
    std::size_t bpp_;
    std::size_t rowBytes_;
    int bandRows_;
    int next_ = 0;      // the stored row add takes next
    int bandStart_ = 0; // the first stored row in band_
    int gathered_ = 0;
    std::vector<std::uint8_t> band_;
};

} // namespace pictrans
