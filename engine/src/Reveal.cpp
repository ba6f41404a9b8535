// The depth revealer: dense matching of every row against itself over the
// range of separations, then the grey picture.

#include "RevealMatcher.h"
#include "RevealSample.h"
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
using reveal::kMaxWorkBytes;
using reveal::sampleMatches;

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

// Of the pairs of a range beyond a nearer one, the share that must be two
// of the nearer one's pairs one after the other for the range to be taken
// for their sums.
constexpr double kChainedShare = 0.8;
// And the share of the sample the nearer range must pair, of what the range
// taken pairs: a range that pairs few pixels is not the picture's repeat,
// whatever few of its pairs chain (two links of half a plane's separation).
constexpr double kFundamentalShare = 0.4;

// Where neither the pairs nor the pixels can tell whether a wider range's
// pairs are sums, the share of the sample the range offered as the
// fundamental must pair, of what the wider range pairs, to be taken: what
// the wider range adds is then little more than echoes.
constexpr double kUntoldFundamentalShare = 0.9;

// How often, at most, a pixel between two equal ones may be equal to them
// by chance somewhere in a range, for the pixels to tell the links of a
// chain where the matcher leaves them unpaired.
constexpr double kChanceChains = 0.25;

// How much unrelated pixels must differ (see reveal::distinctness) for
// windows three rows high to be tried: dots of three colours differ by 0.67,
// of two by 0.5.
constexpr double kLowWindowDistinct = 0.6;
// How many times the pixels of the sample a window along one row must pair,
// of the usual window's, to be taken.
constexpr double kRowWindowGain = 2.0;

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
    // The windows the range was found with, where the usual ones found no repeat.
    RangeWindows shapes = RangeWindows::Usual;
    auto windowFor = [&](const SeparationRange& range) {
        const reveal::Window window = reveal::chooseWindow(reveal::distinctness(planes, range.minSep), spans);
        return shapes == RangeWindows::Low ? reveal::lowWindow(window) : window;
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
        // Where the depth changes down the picture nearly as fast as the
        // separation, a window of several rows never repeats whole, and a
        // picture of few colours (whose windows are tallest) can seem to
        // repeat nowhere. It is tried again with windows three rows high,
        // where unrelated pixels differ often enough (three colours or
        // more) that windows so low seldom repeat by chance, and then with
        // windows along the rows standing in.
        const reveal::Window usual = windowFor(result.range);
        const bool lowDiffers = reveal::lowWindow(usual).ry < usual.ry &&
                                reveal::distinctness(planes, kRevealMinSeparation) >= kLowWindowDistinct;
        for (const RangeWindows retry : {RangeWindows::Low, RangeWindows::AlongRows}) {
            if (why.empty() || (retry == RangeWindows::Low && !lowDiffers))
                continue;
            std::string again;
            std::vector<SeparationRange> found;
            const SeparationRange range = findSeparationRange(planes, again, options.threads, &found, retry);
            if (again.empty()) {
                why.clear();
                shapes = retry;
                result.range = range;
                others = std::move(found);
            }
        }
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
            std::vector<SeparationRange> tried{result.range};
            std::vector<reveal::Sample> samples{
                sampleMatches(workers, planes, bounds, result.range, windowFor(result.range))};
            share = samples.front().share;
            std::size_t taken = 0;
            for (const SeparationRange& other : others) {
                tried.push_back(other);
                samples.push_back(sampleMatches(workers, planes, bounds, other, windowFor(other)));
                const double paired = samples.back().share;
                if (!other.fundamental && paired >= (other.tight ? 1.08 : 0.95) * share) {
                    share = paired;
                    result.range = other;
                    taken = samples.size() - 1;
                }
            }
            // And a second look at the range taken, against the matches the
            // ranges give: where most pairs of a range beyond a nearer one
            // are two of the nearer one's pairs one after the other, the
            // picture's wider repeats are sums of the nearer separations,
            // and the nearer range is the true one; it keeps the near end of
            // the range taken, which may hold a near shape. Where nothing
            // can tell, the range offered as the fundamental is taken when
            // it pairs nearly as many pixels.
            const int fewest = std::max(48, width / 10);
            double most = kChainedShare;
            std::size_t fundamental = taken;
            for (std::size_t i = 0; i < tried.size(); ++i) {
                if (i == taken || tried[i].maxSep >= result.range.maxSep ||
                    samples[i].share < kFundamentalShare * samples[taken].share)
                    continue;
                const double equalByChance = reveal::equalChance(planes, tried[i].minSep);
                for (std::size_t j = 0; j < tried.size(); ++j) {
                    if (tried[j].maxSep <= tried[i].maxSep || (j != taken && samples[j].share < samples[taken].share))
                        continue;
                    int evaluated = 0;
                    auto chainedWith = [&](const RgbPlanes* pixels) {
                        return reveal::chainedShare(samples[j], samples[i], static_cast<float>(tried[i].maxSep) + 1.0f,
                                                    tried[i].minSep, tried[i].maxSep, pixels, evaluated);
                    };
                    double chained = chainedWith(nullptr);
                    // Where the nearer range's pairs leave too few to tell,
                    // the pixels stand in for the missing links, in pictures
                    // where they seldom chain by chance.
                    if (evaluated < fewest &&
                        equalByChance * (tried[i].maxSep - tried[i].minSep + 1) <= kChanceChains)
                        chained = chainedWith(&planes);
                    if (evaluated >= fewest && chained >= most) {
                        most = chained;
                        fundamental = i;
                    } else if (evaluated < fewest && j == taken && fundamental == taken && tried[i].fundamental &&
                               samples[i].share >= kUntoldFundamentalShare * samples[taken].share) {
                        fundamental = i;
                    }
                }
            }
            if (fundamental != taken) {
                const int from = std::min(result.range.minSep, tried[fundamental].minSep);
                result.range = tried[fundamental];
                result.range.minSep = from;
                share = from == tried[fundamental].minSep ? samples[fundamental].share : -1.0;
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
            share = sampleMatches(workers, planes, bounds, result.range, window).share;
        if (sampleMatches(workers, planes, bounds, result.range, tall).share > 1.25 * share)
            window = tall;
    }
    // Where the depth changes down the picture faster than along the rows
    // (ridges running across the picture), a window of as many pixels
    // along one row repeats where no window of several rows does: it is
    // taken when it pairs twice as many pixels of the sample.
    if (!bounds && window.line == 0 && window.ry > 0) {
        const reveal::Window row = reveal::rowWindow(window);
        if (share < 0.0)
            share = sampleMatches(workers, planes, bounds, result.range, window).share;
        // (Where the usual window pairs half the sample, none pairs twice as many.)
        if (kRowWindowGain * share < 1.0 &&
            sampleMatches(workers, planes, bounds, result.range, row).share > kRowWindowGain * share)
            window = row;
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
