#include "engine/Finishing.h"

#include "engine/SirdsSettings.h"

#include <algorithm>
#include <cstring>

namespace engine {

std::int32_t finishedWidth(std::int32_t workWidth, std::int32_t gap, std::int32_t method, bool hasStrip)
{
    if (hasStrip && (method == LeftToRight || method == McMahon))
        return workWidth - gap;
    return workWidth;
}

std::unique_ptr<platform::Bitmap> cropImage(const platform::Bitmap& image, std::int32_t width)
{
    if (width <= 0 || image.bitsPerPixel() != 8)
        return nullptr;
    auto out = platform::Bitmap::create(width, image.height(), 8);
    if (!out)
        return nullptr;
    const std::size_t n = static_cast<std::size_t>(std::min(width, image.width()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out->row(y), image.row(y), n);
    return out;
}

// Fills a rectangle (y from the top) with an index, or at 24 bits a colour.
static void fillRect(platform::Bitmap& image, int x0, int y0, int x1, int y1, std::uint8_t index, Rgb colour)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, image.width() - 1);
    y1 = std::min(y1, image.height() - 1);
    const bool rgb = image.bitsPerPixel() == 24;
    for (int y = y0; y <= y1; ++y) {
        std::uint8_t* row = image.rowFromTop(y);
        for (int x = x0; x <= x1; ++x) {
            if (rgb) {
                row[3 * x] = colour.blue;
                row[3 * x + 1] = colour.green;
                row[3 * x + 2] = colour.red;
            } else {
                row[x] = index;
            }
        }
    }
}

void drawMarkers(platform::Bitmap& image, const platform::Palette& palette, std::int32_t gap, std::int32_t top)
{
    if (image.bitsPerPixel() != 8 && image.bitsPerPixel() != 24)
        return;
    const std::uint8_t outline = palette.nearest(kMarkerOutline.red, kMarkerOutline.green, kMarkerOutline.blue);
    const std::uint8_t fill = palette.nearest(kMarkerColour.red, kMarkerColour.green, kMarkerColour.blue);
    const std::int32_t wf = image.width();
    for (std::int32_t m : {wf / 2 - gap / 2, wf / 2 + gap / 2}) {
        fillRect(image, m - 2, 5 - top, m + 2, 9 - top, outline, kMarkerOutline);
        fillRect(image, m - 1, 6 - top, m + 1, 8 - top, fill, kMarkerColour);
    }
}

platform::Palette stereogramPalette(const platform::Palette& pattern)
{
    platform::Palette out = pattern;
    out.resize(platform::Palette::kMaxEntries);
    std::vector<platform::PALETTEENTRY> entries(out.entries().begin(), out.entries().end());
    for (auto& e : entries)
        e.peFlags = platform::PC_NOCOLLAPSE;
    return platform::Palette(entries);
}

std::string captionText(std::string_view title)
{
    std::string text(title);
    text += " - Dotscape - ";
    text += kCaptionCredit;
    return text;
}

} // namespace engine
