#include "engine/DepthSampling.h"

#include "engine/SirdsSettings.h"
#include "WideLoops.h"

#include "platform/BitmapInfo.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

std::int32_t SampleLayout::count() const
{
    std::int64_t c = static_cast<std::int64_t>(n) - strip - x0;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(c, 0, std::numeric_limits<std::int32_t>::max()));
}

SampleLayout sampleLayout(std::int32_t sourceWidth, std::int32_t imageWidth, std::int32_t gap, std::int32_t method)
{
    SampleLayout layout;
    const std::int32_t g = std::max(gap, 0);
    const bool strip = method == LeftToRight || method == McMahon;
    layout.x0 = strip ? g / 2 : 0;
    layout.strip = strip ? g : 0;
    layout.sourceWidth = std::max(sourceWidth, 0);
    const std::size_t stride = platform::dibStride(imageWidth, 8);
    layout.n = static_cast<std::int32_t>(
        std::min<std::size_t>(std::max<std::size_t>(layout.sourceWidth, stride), std::numeric_limits<std::int32_t>::max()));
    return layout;
}

std::int32_t brightness(const platform::PALETTEENTRY& c)
{
    return static_cast<std::int32_t>(0.299 * c.peRed + 0.587 * c.peGreen + 0.114 * c.peBlue + 0.5);
}

void depthLookup(std::int32_t depthSel, const platform::Palette* palette, std::span<std::int32_t, 256> out)
{
    for (std::size_t v = 0; v < out.size(); ++v) {
        if (depthSel == ByColor)
            out[v] = static_cast<std::int32_t>(v);
        else if (depthSel == ByBrightness && palette && v < palette->size())
            out[v] = brightness((*palette)[v]);
        else
            out[v] = 0;
    }
}

bool isTrueColour(const platform::Bitmap& picture)
{
    return picture.bitsPerPixel() == 24;
}

namespace {

// Brightness in thousandths is exact: 0.299 R + 0.587 G + 0.114 B + 0.5
// rounds down to (v + 500) ÷ 1000 wherever v = 299 R + 587 G + 114 B does
// not end in 500, for the sum then lies at least 0.001 from a whole
// number, far beyond the error of the doubles in brightness(). Returns
// non-zero when some pixel lies at such an exact half, where the doubles'
// own rounding decides.
DOTSCAPE_WIDE_LOOPS std::uint32_t brightnessSpan(const std::uint8_t* __restrict bgr, std::int32_t n,
                                                 std::uint8_t* __restrict out)
{
    std::uint32_t halves = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint32_t v = 299u * bgr[3 * i + 2] + 587u * bgr[3 * i + 1] + 114u * bgr[3 * i];
        const std::uint32_t q = (v + 500) / 1000;
        halves |= static_cast<std::uint32_t>(v + 500 == q * 1000);
        out[i] = static_cast<std::uint8_t>(q);
    }
    return halves;
}

} // namespace

void brightnessRow(const std::uint8_t* bgr, std::int32_t width, std::uint8_t* out)
{
    // Spans with an exact half are worked out again through brightness().
    constexpr std::int32_t kSpan = 256;
    for (std::int32_t x0 = 0; x0 < width; x0 += kSpan) {
        const std::int32_t n = std::min(kSpan, width - x0);
        const std::uint8_t* p = bgr + 3 * static_cast<std::size_t>(x0);
        if (brightnessSpan(p, n, out + x0) == 0)
            continue;
        for (std::int32_t i = 0; i < n; ++i, p += 3)
            out[x0 + i] = static_cast<std::uint8_t>(brightness(platform::PALETTEENTRY{p[2], p[1], p[0], 0}));
    }
}

void pictureDepthLookup(std::int32_t depthSel, const platform::Bitmap& picture, const platform::Palette* palette,
                        std::span<std::int32_t, 256> out)
{
    if (isTrueColour(picture) && (depthSel == ByColor || depthSel == ByBrightness))
        depthLookup(ByColor, nullptr, out);
    else
        depthLookup(depthSel, palette, out);
}

std::string_view pictureDepthNote(std::int32_t depthSel, const platform::Bitmap& picture)
{
    return depthSel == ByColor && isTrueColour(picture) ? kTrueColourDepthNote : std::string_view{};
}

// Entries outside x0 … x0 + count − 1 become 0; returns how many source
// columns fit into the depth row (never beyond depthSize).
static std::int32_t clearOutside(std::int32_t* depth, std::int32_t depthSize, const SampleLayout& layout)
{
    const std::int32_t x0 = std::clamp(layout.x0, 0, depthSize);
    const std::int32_t count = std::min(layout.count(), depthSize - x0);
    std::fill(depth, depth + x0, 0);
    std::fill(depth + x0 + count, depth + depthSize, 0);
    return count;
}

void samplePictureRow(std::int32_t* depth, std::int32_t depthSize, const std::uint8_t* source,
                      const SampleLayout& layout, std::span<const std::int32_t, 256> lookup)
{
    if (depthSize <= 0)
        return;
    const std::int32_t count = clearOutside(depth, depthSize, layout);
    std::int32_t* out = depth + std::clamp(layout.x0, 0, depthSize);
    const std::int32_t inside = std::min(count, layout.sourceWidth);
    for (std::int32_t i = 0; i < inside; ++i)
        out[i] = lookup[source[i]];
    std::fill(out + inside, out + count, 0);
}

void sampleLevelRow(std::int32_t* depth, std::int32_t depthSize, const std::int32_t* levels,
                    const SampleLayout& layout)
{
    if (depthSize <= 0)
        return;
    const std::int32_t count = clearOutside(depth, depthSize, layout);
    std::int32_t* out = depth + std::clamp(layout.x0, 0, depthSize);
    const std::int32_t inside = std::min(count, layout.sourceWidth);
    std::memcpy(out, levels, static_cast<std::size_t>(std::max(inside, 0)) * sizeof(std::int32_t));
    std::fill(out + inside, out + count, 0);
}

// 32-bit arithmetic that wraps instead of overflowing.
static std::int32_t wrap(std::int64_t v)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

void sampleFigureRow(std::int32_t* depth, std::int32_t r, const FigureSampling& f)
{
    if (!f.level)
        return;
    const std::int32_t e = f.method == Feucht || f.method == HiddenSurface ? f.gap / 2 : 0;
    const std::int32_t cx = wrap(static_cast<std::int64_t>(f.width / 2) + f.gap / 2);
    const std::int32_t cy = f.height / 2;
    const std::int32_t y = wrap(static_cast<std::int64_t>(r) - f.dy);
    const std::int64_t shift = static_cast<std::int64_t>(e) - f.dx;
    for (std::int32_t x = 0; x < f.width; ++x)
        depth[x] = f.level(wrap(x + shift), y, cx, cy, f.da, f.figureCode);
}

} // namespace engine
