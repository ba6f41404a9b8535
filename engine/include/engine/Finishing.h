#pragma once
// Finishing a stereogram: the reference strip cut off, the two alignment
// squares drawn, and the palette the finished picture carries.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace engine {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kMarkerColour{255, 255, 0};
inline constexpr Rgb kMarkerOutline{0, 0, 0};
inline constexpr Rgb kCaptionShadow{255, 255, 0};
inline constexpr Rgb kCaptionColour{0, 0, 128};

// The finished width: W − gapValue for picture and depth map sources with
// "Left-To-Right" or "McMahon" (they carry the extra strip), W otherwise.
std::int32_t finishedWidth(std::int32_t workWidth, std::int32_t gap, std::int32_t method, bool hasStrip);

// The leftmost width columns of an 8-bit image in a new 8-bit bitmap; null
// when width is not positive or memory runs out.
std::unique_ptr<platform::Bitmap> cropImage(const platform::Bitmap& image, std::int32_t width);

// The two alignment squares: x = m − 2 … m + 2, y = 5 … 9 from the top, at
// m = Wf ÷ 2 − gap ÷ 2 and m = Wf ÷ 2 + gap ÷ 2; a one-pixel black outline
// around a yellow 3 × 3 centre, each in the palette entry nearest to that
// colour (a true-colour picture takes the colours themselves). Parts
// outside the image are clipped.
// top: the picture row (from the top) that image's top row stands for, when
// image holds only some rows of the picture.
void drawMarkers(platform::Bitmap& image, const platform::Palette& palette, std::int32_t gap, std::int32_t top = 0);

// The stereogram palette: the pattern's palette padded with black to 256
// entries, each with the no-collapse flag.
platform::Palette stereogramPalette(const platform::Palette& pattern);

// The closing credit notice of a math figure caption.
inline constexpr std::string_view kCaptionCredit = "(c) 2026";

// "<title> - Dotscape - <credit>".
std::string captionText(std::string_view title);

} // namespace engine
