// The depth revealer's trials of a range on a sample of rows.

#include "RevealSample.h"
#include "RowWorkers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace engine::reveal {

Sample sampleMatches(RowWorkers& workers, const RgbPlanes& planes, const RgbBounds* bounds,
                     const SeparationRange& range, const Window& window)
{
    constexpr int kBands = 4;
    constexpr int kBandRows = 4;
    Sample sample;
    sample.width = planes.width;
    const Matcher matcher(planes, bounds, range.minSep, range.maxSep, window);
    if (matcher.bytesPerWorker() > kMaxWorkBytes)
        return sample;
    // A low picture is one band.
    const int bands = planes.height >= 2 * kBands * kBandRows ? kBands : 1;
    sample.bandRows = bands == 1 ? planes.height : kBandRows;
    for (int i = 0; i < bands; ++i)
        sample.tops.push_back(static_cast<int>(static_cast<std::int64_t>(planes.height) * i / bands));
    const std::size_t band = static_cast<std::size_t>(sample.bandRows) * static_cast<std::size_t>(planes.width);
    sample.separation.assign(band * static_cast<std::size_t>(bands), kHole);
    workers.run(bands, [&](int, std::int32_t begin, std::int32_t end) {
        Worker worker;
        for (int i = begin; i < end; ++i) {
            const int top = sample.tops[static_cast<std::size_t>(i)];
            matcher.prepare(worker);
            float* out = sample.separation.data() + band * static_cast<std::size_t>(i);
            matcher.run(worker, top, top + sample.bandRows, out, [] { return true; });
        }
    });
    const auto paired =
        std::count_if(sample.separation.begin(), sample.separation.end(), [](float v) { return v != kHole; });
    sample.share = static_cast<double>(paired) / static_cast<double>(sample.separation.size());
    return sample;
}

namespace {

// Holes of the near range's rows up to this wide are bridged in a straight
// line before its links are looked for: on a surface that changes as fast
// as the separation, the matcher leaves many short ones.
constexpr int kBridge = 16;

// The separation (lo … hi) of the link of row that starts at pixel a, 0
// where there is none. Pairs are kept at their midpoints: the pair from a of
// separation s lies at a + s / 2, rounded as the matcher rounds.
int pairFrom(const std::vector<float>& row, int a, int lo, int hi)
{
    const int width = static_cast<int>(row.size());
    int found = 0;
    float closest = 1.0f;
    for (int s = lo; s <= hi; ++s) {
        const int mid = a + s / 2;
        if (mid < 0 || mid >= width)
            break;
        const float v = row[static_cast<std::size_t>(mid)];
        if (v != kHole && std::abs(v - static_cast<float>(s)) <= closest) {
            closest = std::abs(v - static_cast<float>(s));
            found = s;
        }
    }
    return found;
}

// A row with its short holes bridged.
void bridged(const float* in, int width, std::vector<float>& out)
{
    out.assign(in, in + width);
    int previous = -1;
    for (int x = 0; x < width; ++x) {
        if (out[static_cast<std::size_t>(x)] == kHole)
            continue;
        if (previous >= 0 && x - previous > 1 && x - previous <= kBridge + 1) {
            const float a = out[static_cast<std::size_t>(previous)];
            const float b = out[static_cast<std::size_t>(x)];
            for (int i = previous + 1; i < x; ++i)
                out[static_cast<std::size_t>(i)] =
                    a + (b - a) * static_cast<float>(i - previous) / static_cast<float>(x - previous);
        }
        previous = x;
    }
}

// Where the matcher leaves the links of a pair unpaired (windows on a
// surface that changes as fast as the separation seldom repeat whole), the
// pixels say it: in a picture whose unrelated pixels are seldom equal, a
// pair of equal pixels at the sum of two links has a pixel between them
// equal to both, a link from either end. 1 where the pair from about a of
// separation whole is such a chain, 0 where its pixels are equal but no
// pixel between links them, -1 where they are not equal (a pair of windows
// that do not repeat exactly tells nothing here).
int exactChain(const RowPlanes& row, int width, int a, int whole, int nearLo, int nearHi)
{
    for (const int from : {a, a - 1, a + 1}) {
        if (from < 0 || from + whole >= width || pixelCost(row, from, whole) != 0)
            continue;
        for (int s = std::max(nearLo, whole - nearHi); s <= std::min(nearHi, whole - nearLo); ++s) {
            const bool alike = 2 * std::max(s, whole - s) <= 3 * std::min(s, whole - s);
            if (alike && pixelCost(row, from, s) == 0 && pixelCost(row, from + s, whole - s) == 0)
                return 1;
        }
        return 0;
    }
    return -1;
}

} // namespace

double equalChance(const RgbPlanes& picture, int minSep)
{
    std::uint64_t equal = 0;
    std::uint64_t count = 0;
    const int rowStep = std::max(1, picture.height / 64);
    const int offset = std::max(1, minSep / 2);
    for (int y = 0; y < picture.height; y += rowStep) {
        const RowPlanes row = rowPlanes(picture, y);
        for (int x = 0; x + offset < picture.width; ++x) {
            equal += pixelCost(row, x, offset) == 0 ? 1 : 0;
            ++count;
        }
    }
    return count > 0 ? static_cast<double>(equal) / static_cast<double>(count) : 1.0;
}

double chainedShare(const Sample& far, const Sample& near, float beyond, int nearLo, int nearHi,
                    const RgbPlanes* exact, int& evaluated)
{
    evaluated = 0;
    int chained = 0;
    const int width = far.width;
    if (far.separation.size() != near.separation.size() || far.separation.empty())
        return 0.0;
    const std::size_t rows = far.separation.size() / static_cast<std::size_t>(width);
    std::vector<float> links;
    for (std::size_t y = 0; y < rows; ++y) {
        const float* wide = far.separation.data() + y * static_cast<std::size_t>(width);
        bridged(near.separation.data() + y * static_cast<std::size_t>(width), width, links);
        for (int m = 0; m < width; ++m) {
            if (wide[m] == kHole || wide[m] <= beyond)
                continue;
            const int whole = static_cast<int>(std::lround(wide[m]));
            const int a = m - whole / 2;
            const int first = pairFrom(links, a, nearLo, nearHi);
            const int second = first > 0 ? pairFrom(links, a + first, nearLo, nearHi) : 0;
            if (second == 0) {
                if (exact) {
                    const std::size_t band = y / static_cast<std::size_t>(far.bandRows);
                    const int row = far.tops[band] + static_cast<int>(y % static_cast<std::size_t>(far.bandRows));
                    const int found = exactChain(rowPlanes(*exact, row), width, a, whole, nearLo, nearHi);
                    evaluated += found >= 0 ? 1 : 0;
                    chained += found > 0 ? 1 : 0;
                }
                continue;
            }
            ++evaluated;
            // Two links of a surface lie a link apart, and their
            // separations differ by little: a pattern tile that repeats
            // within itself pairs at pieces of its width that differ more.
            const bool alike = 2 * std::max(first, second) <= 3 * std::min(first, second);
            chained += alike && std::abs(first + second - whole) <= 1 ? 1 : 0;
        }
    }
    return evaluated > 0 ? static_cast<double>(chained) / evaluated : 0.0;
}

} // namespace engine::reveal
