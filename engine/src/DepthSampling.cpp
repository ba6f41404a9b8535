#include "engine/DepthSampling.h"

#include "engine/SirdsSettings.h"
#include "WideLoops.h"

#include "platform/BitmapInfo.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if DOTSCAPE_HAVE_AVX2
#include <immintrin.h>
#endif

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

#if DOTSCAPE_HAVE_AVX2

// Eight pixels' v + 500 in 32-bit lanes, from 28 bytes at p (24 of them
// used): pixels 0 to 3 from the first 16 bytes, 4 to 7 from 12 on, blue
// and green as the two 16-bit halves of a lane to be multiplied and added
// at once, red alone.
DOTSCAPE_AVX2 inline __m256i thousandthsOfEight(const std::uint8_t* p)
{
    const __m256i pickBlueGreen = _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1, //
                                                   0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    const __m256i pickRed = _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1, //
                                             2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    const __m256i x = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
    const __m256i blueGreen = _mm256_madd_epi16(_mm256_shuffle_epi8(x, pickBlueGreen), _mm256_set1_epi32(114 | 587 << 16));
    const __m256i red = _mm256_madd_epi16(_mm256_shuffle_epi8(x, pickRed), _mm256_set1_epi32(299));
    return _mm256_add_epi32(_mm256_add_epi32(blueGreen, red), _mm256_set1_epi32(500));
}

// Sixteen pixels at a time while the loads stay inside the row: with
// x = v + 500 below 2^18, x ÷ 1000 = (x ÷ 8) ÷ 125, and for y = x ÷ 8 below
// 2^15 the quotient y ÷ 125 is the high half of y × 33555 shifted right by
// 6 (33555 × 125 exceeds 2^22 by 71, and y × 71 stays below 2^22). The
// remainder's low 16 bits, x − 1000 q, tell an exact half; those pixels are
// worked out again through brightness(). Returns how many pixels are done.
DOTSCAPE_AVX2 std::int32_t brightnessWide(const std::uint8_t* bgr, std::int32_t n, std::uint8_t* out)
{
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    const __m256i inverse = _mm256_set1_epi16(static_cast<short>(33555));
    const __m256i thousand = _mm256_set1_epi16(1000);
    const __m256i zero = _mm256_setzero_si256();
    std::int32_t i = 0;
    for (; i + 18 <= n; i += 16) {
        const std::uint8_t* p = bgr + 3 * static_cast<std::size_t>(i);
        const __m256i a = thousandthsOfEight(p);      // pixels 0-3 | 4-7
        const __m256i b = thousandthsOfEight(p + 24); // pixels 8-11 | 12-15
        // 16-bit lanes in the order 0-3, 8-11 | 4-7, 12-15.
        const __m256i y = _mm256_packus_epi32(_mm256_srli_epi32(a, 3), _mm256_srli_epi32(b, 3));
        const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(y, inverse), 6);
        const __m256i low = _mm256_packus_epi32(_mm256_and_si256(a, low16), _mm256_and_si256(b, low16));
        const __m256i exact = _mm256_cmpeq_epi16(_mm256_sub_epi16(low, _mm256_mullo_epi16(q, thousand)), zero);
        const __m256i ordered = _mm256_permute4x64_epi64(q, 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm256_castsi256_si128(ordered), _mm256_extracti128_si256(ordered, 1)));
        if (!_mm256_testz_si256(exact, exact)) {
            auto halves = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(exact, 0xD8)));
            while (halves != 0) {
                const int j = __builtin_ctz(halves) >> 1;
                const std::uint8_t* c = p + 3 * j;
                out[i + j] = static_cast<std::uint8_t>(brightness(platform::PALETTEENTRY{c[2], c[1], c[0], 0}));
                halves &= ~(3u << (2 * j));
            }
        }
    }
    return i;
}

#endif

} // namespace

void brightnessRow(const std::uint8_t* bgr, std::int32_t width, std::uint8_t* out)
{
    std::int32_t done = 0;
#if DOTSCAPE_HAVE_AVX2
    if (wideKernels())
        done = brightnessWide(bgr, width, out);
#endif
    // Spans with an exact half are worked out again through brightness().
    constexpr std::int32_t kSpan = 256;
    for (std::int32_t x0 = done; x0 < width; x0 += kSpan) {
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

DOTSCAPE_WIDE_LOOPS static void widenValues(std::int32_t* __restrict out, const std::uint8_t* __restrict values,
                                            std::int32_t n)
{
    for (std::int32_t i = 0; i < n; ++i)
        out[i] = values[i];
}

void samplePictureRow(std::int32_t* depth, std::int32_t depthSize, const std::uint8_t* source,
                      const SampleLayout& layout, std::span<const std::int32_t, 256> lookup)
{
    if (depthSize <= 0)
        return;
    const std::int32_t count = clearOutside(depth, depthSize, layout);
    std::int32_t* out = depth + std::clamp(layout.x0, 0, depthSize);
    const std::int32_t inside = std::min(count, layout.sourceWidth);
    // Depth by colour index, and a true-colour picture's brightness, give
    // each value itself: widened many at a time instead of looked up.
    bool identity = true;
    for (std::size_t v = 0; v < lookup.size(); ++v)
        identity &= lookup[v] == static_cast<std::int32_t>(v);
    if (identity)
        widenValues(out, source, inside);
    else
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
