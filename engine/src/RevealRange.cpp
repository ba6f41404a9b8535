// The revealer's input: a picture's colours as planes, and the range of
// separations the picture repeats at, found from a sample of its rows.

#include "RevealCost.h"

#include "engine/Reveal.h"
#include "platform/Window.h"

#include <algorithm>
#include <array>
#include <limits>

namespace engine {

platform::Palette greyPalette()
{
    std::array<platform::PALETTEENTRY, 256> entries{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        entries[i] = {v, v, v, 0};
    }
    return platform::Palette(entries);
}

RgbPlanes rgbPlanes(const platform::Bitmap& picture, const platform::Palette* palette)
{
    RgbPlanes p;
    p.width = picture.width();
    p.height = picture.height();
    const std::size_t count = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    p.red.resize(count);
    p.green.resize(count);
    p.blue.resize(count);

    const int bits = picture.bitsPerPixel();
    // Colours of the indices; an index beyond the palette is a grey level
    // spread over the depth's range.
    std::array<std::array<std::uint8_t, 3>, 256> colours{};
    if (bits != 24) {
        const unsigned top = (1u << std::min(bits, 8)) - 1;
        for (unsigned v = 0; v < 256; ++v) {
            if (palette && v < palette->size()) {
                const auto& e = (*palette)[v];
                colours[v] = {e.peRed, e.peGreen, e.peBlue};
            } else {
                const auto grey = static_cast<std::uint8_t>(std::min(v, top) * 255 / std::max(top, 1u));
                colours[v] = {grey, grey, grey};
            }
        }
    }
    for (int y = 0; y < p.height; ++y) {
        const std::uint8_t* src = picture.rowFromTop(y);
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width);
        for (int x = 0; x < p.width; ++x) {
            if (bits == 24) {
                const std::uint8_t* px = src + 3 * static_cast<std::size_t>(x);
                p.red[at + x] = px[2];
                p.green[at + x] = px[1];
                p.blue[at + x] = px[0];
                continue;
            }
            const std::uint32_t index = bits == 8 ? src[x] : picture.pixel(x, p.height - 1 - y);
            const auto& c = colours[index & 0xFF];
            p.red[at + x] = c[0];
            p.green[at + x] = c[1];
            p.blue[at + x] = c[2];
        }
    }
    return p;
}

namespace {

// Rows sampled by the range search, in strips as high as the window.
constexpr int kMaxStrips = 32;

// The largest separation searched in a picture of this width (0 when the
// picture is too narrow for any).
int widestSeparation(int width)
{
    const int widest = std::min((width - 1) / 2, kRevealMinSeparation + kRevealMaxRange - 1);
    if (width < kRevealMinWidth || width - widest < 2 * reveal::kWidestHalf + 1)
        return 0;
    return widest;
}

} // namespace

SeparationRange findSeparationRange(const RgbPlanes& picture, std::string& error)
{
    error.clear();
    SeparationRange range;
    const int width = picture.width;
    const int height = picture.height;
    const int lo = kRevealMinSeparation;
    const int hi = widestSeparation(width);
    if (hi == 0 || height < 1) {
        error = platform::format(kRevealTooNarrowFormat, width);
        return range;
    }
    // The same window as the matcher's, so that slopes vote too.
    const bool spans = reveal::comparesSpans(picture);
    const reveal::Window shape = reveal::chooseWindow(reveal::distinctness(picture, 2 * lo), spans);
    reveal::RgbBounds bounds;
    if (spans)
        bounds = reveal::sampledBounds(picture);
    const int kHalfWidth = shape.rx;
    const int rows = std::min(2 * shape.ry + 1, height);
    const int strips = std::clamp(height / 8, 1, kMaxStrips);
    const int window = rows * (2 * kHalfWidth + 1);
    const int enough = (hi - lo + 1) / 2; // separations a pixel must have been tried at

    std::vector<std::uint16_t> column(static_cast<std::size_t>(width));
    std::vector<std::uint16_t> box(static_cast<std::size_t>(width));
    std::vector<std::uint16_t> best(static_cast<std::size_t>(width));
    std::vector<int> bestSep(static_cast<std::size_t>(width));
    std::vector<std::uint32_t> sum(static_cast<std::size_t>(width));
    std::vector<int> tried(static_cast<std::size_t>(width));
    std::vector<std::int64_t> votes(static_cast<std::size_t>(hi) + 1);
    std::int64_t evaluated = 0;
    std::int64_t voted = 0;

    for (int s = 0; s < strips; ++s) {
        const int top = static_cast<int>(static_cast<std::int64_t>(height - rows) * (2 * s + 1) / (2 * strips));
        std::fill(best.begin(), best.end(), std::numeric_limits<std::uint16_t>::max());
        std::fill(sum.begin(), sum.end(), 0);
        std::fill(tried.begin(), tried.end(), 0);
        for (int d = lo; d <= hi; ++d) {
            const int n = width - d;
            std::fill(column.begin(), column.begin() + n, 0);
            for (int y = top; y < top + rows; ++y) {
                if (spans)
                    reveal::addSpanCosts(reveal::rowPlanes(picture, y), reveal::rowPlanes(bounds, false, y, width),
                                         reveal::rowPlanes(bounds, true, y, width), d, n, column.data());
                else
                    reveal::addCosts(reveal::rowPlanes(picture, y), d, n, column.data());
            }
            reveal::boxSums(column.data(), n, kHalfWidth, box.data());
            for (int x = kHalfWidth; x + kHalfWidth < n; ++x) {
                const std::uint16_t v = box[x];
                if (v < best[x]) {
                    best[x] = v;
                    bestSep[x] = d;
                }
                sum[x] += v;
                ++tried[x];
            }
        }
        // A pixel votes for the separation it repeats best at when that
        // repeat costs under a quarter of the average over all separations,
        // and the window is not one flat colour (its average is then low).
        for (int x = kHalfWidth; x + kHalfWidth < width; ++x) {
            if (tried[x] < enough)
                continue;
            ++evaluated;
            const std::uint32_t mean = sum[x] / static_cast<std::uint32_t>(tried[x]);
            if (mean >= static_cast<std::uint32_t>(4 * window) && 4u * best[x] < mean) {
                ++votes[static_cast<std::size_t>(bestSep[x])];
                ++voted;
            }
        }
    }
    range.share = evaluated > 0 ? static_cast<double>(voted) / static_cast<double>(evaluated) : 0.0;
    if (voted == 0 || range.share < 0.2) {
        error = kRevealNoRepeatMessage;
        return range;
    }

    // The period is the separation most pixels repeat at; the range spans
    // all but the rarest percent at either end, with a margin.
    for (int d = lo; d <= hi; ++d) {
        const std::int64_t v = votes[static_cast<std::size_t>(d)];
        if (v > 0 && (range.period == 0 || v > votes[static_cast<std::size_t>(range.period)]))
            range.period = d;
    }
    // Runs of one colour (the fill some scan methods leave where copies
    // spread apart) repeat at a pixel or two; separations under a quarter
    // of the period are not counted.
    const int floor = std::max(lo, range.period / 4);
    // A chain of copies repeats again at twice, three times … its
    // separation; where a separation has far fewer votes than the one it
    // is a multiple of, its votes are such echoes and are not counted.
    // In blended pictures a copy at a fraction of a pixel matches only
    // roughly, while its echo at twice the separation may fall on a whole
    // pixel and match well: there an echo is one with fewer votes than its
    // separation's, by any margin.
    const std::int64_t echoMargin = spans ? 1 : 3;
    auto around = [&](int d) {
        std::int64_t n = 0;
        for (int e = std::max(lo, d - 1); e <= std::min(hi, d + 1); ++e)
            n += votes[static_cast<std::size_t>(e)];
        return n;
    };
    for (int d = hi; d >= 2 * floor; --d) {
        for (int k = 2; k <= 6 && d / k >= floor; ++k) {
            if (around((d + k / 2) / k) >= echoMargin * around(d)) {
                votes[static_cast<std::size_t>(d)] = 0;
                break;
            }
        }
    }
    std::int64_t counted = 0;
    for (int d = floor; d <= hi; ++d)
        counted += votes[static_cast<std::size_t>(d)];
    std::int64_t seen = 0;
    int first = 0;
    int last = 0;
    for (int d = floor; d <= hi; ++d) {
        const std::int64_t v = votes[static_cast<std::size_t>(d)];
        if (first == 0 && (seen + v) * 100 > counted)
            first = d;
        seen += v;
        if (last == 0 && seen * 100 >= counted * 99)
            last = d;
    }
    const int margin = std::max(2, (last + 11) / 12);
    range.minSep = std::max(lo, first - margin);
    range.maxSep = std::min(hi, last + margin);
    return range;
}

} // namespace engine
