// The depth revealer: dense matching of every row against itself over the
// range of separations, then the grey picture.

#include "RevealMatcher.h"
#include "RowWorkers.h"
#include "WideLoops.h"

#include "engine/Reveal.h"
#include "platform/Window.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <new>

namespace engine {

namespace {

using reveal::kHole;
using reveal::Matcher;
using reveal::Worker;
// The most the per-worker buffers may take, in bytes.
constexpr std::size_t kMaxWorkBytes = std::size_t{256} << 20;

// The value at the given fraction (0 … 1) of the sorted separations.
float quantile(const std::vector<float>& values, double fraction)
{
    std::vector<float> sorted;
    const std::size_t step = std::max<std::size_t>(1, values.size() / 65536);
    for (std::size_t i = 0; i < values.size(); i += step)
        sorted.push_back(values[i]);
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(at), sorted.end());
    return sorted[at];
}

// A row of separations as grey levels: 0 at black, 255 at black − span,
// rounded half away from zero.
DOTSCAPE_WIDE_LOOPS void greyRow(std::uint8_t* __restrict out, const float* __restrict sep, int n, float black,
                                 float span)
{
    for (int x = 0; x < n; ++x) {
        const float grey = span > 0.0f ? 255.0f * (black - sep[x]) / span : 0.0f;
        // Adding a half to the level as a double is exact, so truncating it
        // rounds as std::lround does, many levels at a time.
        out[x] = static_cast<std::uint8_t>(static_cast<int>(static_cast<double>(std::clamp(grey, 0.0f, 255.0f)) + 0.5));
    }
}

RevealResult refused(std::string error)
{
    RevealResult result;
    result.status = RevealStatus::Refused;
    result.error = std::move(error);
    return result;
}

// The share of the pixels of a sample of rows the matcher pairs over a
// range of separations; the bands of the sample are shared out among the
// workers.
double sampleMatches(RowWorkers& workers, const RgbPlanes& planes, const reveal::RgbBounds* bounds,
                     const SeparationRange& range, const reveal::Window& window)
{
    // Bands of rows across the picture, each matched from fresh running sums.
    constexpr int kBands = 4;
    constexpr int kBandRows = 4;
    const Matcher matcher(planes, bounds, range.minSep, range.maxSep, window);
    // Within the bounds the whole reveal keeps to (it is refused beyond).
    if (matcher.bytesPerWorker() > kMaxWorkBytes)
        return 0.0;
    // A low picture is one band.
    const int bands = planes.height >= 2 * kBands * kBandRows ? kBands : 1;
    const int bandRows = bands == 1 ? planes.height : kBandRows;
    std::vector<std::int64_t> paired(static_cast<std::size_t>(bands), 0);
    workers.run(bands, [&](int, std::int32_t begin, std::int32_t end) {
        Worker worker;
        std::vector<float> separation(static_cast<std::size_t>(bandRows) * static_cast<std::size_t>(planes.width));
        for (int i = begin; i < end; ++i) {
            const int top = static_cast<int>(static_cast<std::int64_t>(planes.height) * i / bands);
            matcher.prepare(worker);
            matcher.run(worker, top, top + bandRows, separation.data(), [] { return true; });
            paired[static_cast<std::size_t>(i)] =
                std::count_if(separation.begin(), separation.end(), [](float v) { return v != kHole; });
        }
    });
    std::int64_t total = 0;
    for (const std::int64_t n : paired)
        total += n;
    return static_cast<double>(total) / (static_cast<double>(bands) * bandRows * planes.width);
}

RevealResult revealIn(const platform::Bitmap& picture, const platform::Palette* palette, const RevealOptions& options)
{
    const int width = picture.width();
    const int height = picture.height();
    if (static_cast<std::int64_t>(width) * height > kRevealMaxPixels)
        return refused(std::string(kRevealTooLargeMessage));

    RowWorkers workers(RowWorkers::chooseSize(options.threads));
    const RgbPlanes planes = rgbPlanes(picture, palette);
    const bool spans = reveal::comparesSpans(planes);
    reveal::RgbBounds spanBounds;
    if (spans)
        spanBounds = reveal::sampledBounds(planes);
    const reveal::RgbBounds* bounds = spans ? &spanBounds : nullptr;
    auto windowFor = [&](const SeparationRange& range) {
        return reveal::chooseWindow(reveal::distinctness(planes, range.minSep), spans);
    };
    // The share of the sample the range taken pairs with its window, once
    // it has been measured.
    double share = -1.0;
    RevealResult result;
    const bool given = options.minSep != 0 || options.maxSep != 0;
    if (given) {
        const int lo = options.minSep;
        const int hi = options.maxSep;
        if (lo < 1 || hi <= lo || hi - lo + 1 > kRevealMaxRange || width - hi < 2 * reveal::kWidestHalf + 1)
            return refused(platform::format(kRevealBadRangeFormat, lo, hi, width));
        result.range.minSep = lo;
        result.range.maxSep = hi;
    } else {
        std::string why;
        std::vector<SeparationRange> others;
        result.range = findSeparationRange(planes, why, options.threads, &others);
        if (!why.empty())
            return refused(why);
        // A window wider than the narrowest pair would compare a pixel with itself.
        if (width - result.range.maxSep < 2 * reveal::kWidestHalf + 1)
            return refused(platform::format(kRevealTooNarrowFormat, width));
        // The others reach less far: one is taken when it pairs nearly as
        // many pixels of a sample of rows (the fundamental repeat pairs
        // them all; what the wider range adds are echoes), and kept as the
        // one to beat. A tight band must pair clearly more: what it leaves
        // out may be a near shape, whose pixels then pair by chance.
        if (!others.empty()) {
            share = sampleMatches(workers, planes, bounds, result.range, windowFor(result.range));
            for (const SeparationRange& other : others) {
                const double paired = sampleMatches(workers, planes, bounds, other, windowFor(other));
                if (paired >= (other.tight ? 1.08 : 0.95) * share) {
                    share = paired;
                    result.range = other;
                }
            }
        }
    }

    const int lo = result.range.minSep;
    const int hi = result.range.maxSep;
    reveal::Window window = windowFor(result.range);
    // Where the depth changes along the rows faster than down them, a
    // window one column wide and as many pixels tall matches more: it is
    // taken when it pairs a quarter more pixels of the sample.
    if (const reveal::Window tall = reveal::tallWindow(window); tall.ry != window.ry) {
        if (share < 0.0)
            share = sampleMatches(workers, planes, bounds, result.range, window);
        if (sampleMatches(workers, planes, bounds, result.range, tall) > 1.25 * share)
            window = tall;
    }
    Matcher matcher(planes, bounds, lo, hi, window);
    const auto team = static_cast<std::size_t>(workers.size());
    if (matcher.bytesPerWorker() * team > kMaxWorkBytes)
        return refused(std::string(kRevealTooLargeMessage));

    std::vector<Worker> state(team);
    for (auto& w : state)
        matcher.prepare(w);
    result.separation.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kHole);

    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    // Each worker takes a band of rows, so its running sums slide all the way down it.
    workers.run(height, [&](int worker, std::int32_t begin, std::int32_t end) {
        int sinceReport = 0;
        float* rows = result.separation.data() + static_cast<std::size_t>(begin) * static_cast<std::size_t>(width);
        matcher.run(state[static_cast<std::size_t>(worker)], begin, end, rows, [&] {
            const int now = done.fetch_add(1) + 1;
            if (worker == 0 && options.progress && ++sinceReport >= 16) {
                sinceReport = 0;
                if (!options.progress(now, height))
                    stop = true;
            }
            return !stop.load();
        });
    });
    if (stop) {
        result.status = RevealStatus::Stopped;
        result.separation.clear();
        return result;
    }
    if (options.progress && !options.progress(height, height)) {
        result.status = RevealStatus::Stopped;
        result.separation.clear();
        return result;
    }

    reveal::dropEdgeStandIns(result.separation, width, height, hi);
    const std::size_t matched = static_cast<std::size_t>(
        std::count_if(result.separation.begin(), result.separation.end(), [](float s) { return s != kHole; }));
    result.matched = static_cast<double>(matched) / static_cast<double>(result.separation.size());
    if (!reveal::fillHoles(result.separation, width, height, &workers))
        return refused(std::string(kRevealNoRepeatMessage));
    // Smoothed once more: what the ends were filled with.
    reveal::smoothSeparations(result.separation, width, height, &workers);

    // The grey scale: the range given, or the separations found.
    if (given) {
        result.blackSeparation = static_cast<float>(hi);
        result.whiteSeparation = static_cast<float>(lo);
    } else {
        result.blackSeparation = quantile(result.separation, 0.995);
        result.whiteSeparation = quantile(result.separation, 0.005);
    }
    result.depth = platform::Bitmap::create(width, height, 8);
    if (!result.depth)
        return refused(std::string(kRevealNoMemoryMessage));
    const float span = result.blackSeparation - result.whiteSeparation;
    for (int y = 0; y < height; ++y)
        greyRow(result.depth->rowFromTop(y),
                result.separation.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width,
                result.blackSeparation, span);
    result.palette = greyPalette();
    result.status = RevealStatus::Done;
    return result;
}

} // namespace

RevealResult revealDepth(const platform::Bitmap& picture, const platform::Palette* palette,
                         const RevealOptions& options)
{
    try {
        return revealIn(picture, palette, options);
    } catch (const std::bad_alloc&) {
        return refused(std::string(kRevealNoMemoryMessage));
    }
}

} // namespace engine
