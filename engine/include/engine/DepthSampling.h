#pragma once
// Depth sampling: one depth value for every column of an image row, from a
// picture, a depth map or a math figure. Values are not scaled here; the
// scan methods apply the depth resolution.
//
// Pictures and depth maps with "Left-To-Right" or "McMahon" carry an extra
// strip of width g on the right of the image, and their columns start at
// x0 = g ÷ 2; with every other method there is no strip and x0 = 0. Depth entries
// x0 … n − o − 1 are written (n: the sample count, o: the strip width),
// taking source columns 0, 1, 2 …; every other entry is 0, and so is every
// source column beyond the source's width (row padding).

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

// Where picture and depth map columns go in the depth row.
struct SampleLayout {
    std::int32_t x0 = 0;    // first depth entry that takes a source column
    std::int32_t n = 0;     // entries in the depth row that sampling covers
    std::int32_t strip = 0; // o: the strip width the source leaves out
    std::int32_t sourceWidth = 0;

    // Number of source columns taken (never negative).
    std::int32_t count() const;
};

// The layout of a picture or depth map source of the given width sampled
// into an image of imageWidth with gap g and the scan method: n is the
// larger of the source width and the 8-bit row length of the image (its
// width rounded up to a multiple of four). A gap below 0 counts as 0.
SampleLayout sampleLayout(std::int32_t sourceWidth, std::int32_t imageWidth, std::int32_t gap,
                          std::int32_t method);

// The luminance of a palette colour: trunc(0.299 R + 0.587 G + 0.114 B + 0.5).
std::int32_t brightness(const platform::PALETTEENTRY& colour);

// Depth of each colour index under a depth source: the index itself
// ("Depth by Color"), the brightness of its palette entry ("Depth by
// Brightness"; 0 for an index the palette does not have), or 0 for any
// other DepthSel value.
void depthLookup(std::int32_t depthSel, const platform::Palette* palette, std::span<std::int32_t, 256> out);

// A true-colour picture has no colour indices: its depth is each pixel's
// own brightness, with the weights and rounding of a palette colour's, by
// brightness and by colour alike. The stereogram samples such a picture's
// rows as brightness values (0 … 255) in place of indices.
bool isTrueColour(const platform::Bitmap& picture);

// One row of width pixels stored blue, green, red into their brightness.
void brightnessRow(const std::uint8_t* bgr, std::int32_t width, std::uint8_t* out);

// depthLookup for picture's sampled bytes: indices of an indexed picture;
// brightness values of a true-colour one, which "Depth by Color" and "Depth
// by Brightness" both take as they are.
void pictureDepthLookup(std::int32_t depthSel, const platform::Bitmap& picture, const platform::Palette* palette,
                        std::span<std::int32_t, 256> out);

// What a make from a true-colour picture by colour says once (the desktop
// program in its status bar, the command line on standard error).
inline constexpr std::string_view kTrueColourDepthNote =
    "The picture is true colour, without colour indices: its depth is taken from its brightness.";

// The note a make from picture with depthSel gives; empty when none.
std::string_view pictureDepthNote(std::int32_t depthSel, const platform::Bitmap& picture);

// A picture row of 8-bit colour indices (sourceWidth bytes) into the depth
// row, which must hold max(layout.n, image width) entries. lookup comes from
// depthLookup.
void samplePictureRow(std::int32_t* depth, std::int32_t depthSize, const std::uint8_t* source,
                      const SampleLayout& layout, std::span<const std::int32_t, 256> lookup);

// A row of depth map levels (layout.sourceWidth values) into the depth row.
void sampleLevelRow(std::int32_t* depth, std::int32_t depthSize, const std::int32_t* levels,
                    const SampleLayout& layout);

// The math figure library's level query: x, y, centre x, centre y, angle,
// figure selector.
using FigureLevelFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                       std::int32_t, std::int32_t);

struct FigureSampling {
    FigureLevelFn level = nullptr;
    std::int32_t figureCode = -1; // −(figure index + 1)
    std::int32_t width = 0;       // W, the image width
    std::int32_t height = 0;      // H
    std::int32_t gap = 100;       // g
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::int32_t da = 0;
    std::int32_t method = 2;
};

// depth[x] for x = 0 … W − 1 of image row r (counted from the bottom):
// level(x − dx + e, r − dy, W ÷ 2 + g ÷ 2, H ÷ 2, da, code), e = g ÷ 2 for
// "Feucht" and "Hidden Surface" (the figure centred) and 0 otherwise. The arguments wrap as 32-bit integers do.
void sampleFigureRow(std::int32_t* depth, std::int32_t r, const FigureSampling& figure);

} // namespace engine
