// Filling the depth revealer's holes: what one eye cannot see, flat
// colour and the strips at the ends of the rows, where matches that stand
// in for separations that cannot be tried are dropped first.

#include "RevealEnds.h"
#include "RevealMatcher.h"
#include "RowWorkers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine::reveal {

// Holes are filled from the nearest matched pixels either side in their
// row. A hole about as wide as the step between them (or narrower) is what
// one eye cannot see beside an edge: it belongs to the farther surface, the
// larger separation. Any other hole lies on one surface and is bridged in a
// straight line. The ends of a row, where pairs would reach beyond the
// picture, continue the depth beside them by its repeat where it repeats
// along the rows, or else follow the lines of equal depth where those run
// straight and slanted, and otherwise continue the nearest matched pixel
// (or, where a nearer surface hides the end, the farther one around it),
// sloping on as the surface slopes up to it.
// Rows with no match at all take the nearest row that has one. Returns
// false when nothing matched.
constexpr float kJumpShare = 1.0f;

namespace {

// A repeat of a pattern tile's own (pixels one eye alone sees take the
// tile, so they repeat at its width, or at its width less a separation) can
// stand nearer than the surface around it across a strip's inner end. Where
// the row steps, a little way in from the first match at or within the
// strip (at), to a farther surface by more than kEdgeJump, with at most a
// pixel or two unmatched between and the farther one held for three pixels,
// the strip starts at the step: returns where, or −1.
constexpr float kEdgeJump = 8.0f;
int stepInwards(const float* row, int width, int at, int step, int reach)
{
    float last = row[at];
    int lastAt = at;
    for (int x = at - step, n = 0; n < reach && x - 2 * step >= 0 && x - 2 * step < width; x -= step, ++n) {
        if (row[x] == kHole)
            continue;
        if (row[x] > last + kEdgeJump && std::abs(x - lastAt) <= 3 && std::abs(row[x - step] - row[x]) <= 1.0f &&
            std::abs(row[x - 2 * step] - row[x]) <= 1.0f)
            return x;
        last = row[x];
        lastAt = x;
    }
    return -1;
}

// One strip: start is its inner end, step the way out of the picture, reach
// how far in from it a step to a farther surface moves it.
void dropOutwards(float* row, int width, int start, int step, int reach)
{
    int at = start;
    while (at >= 0 && at < width && row[at] == kHole)
        at -= step;
    if (at < 0 || at >= width)
        return;
    if (const int stepAt = stepInwards(row, width, at, step, reach); stepAt >= 0)
        at = start = stepAt;
    float kept = row[at];
    for (int x = start + step; x >= 0 && x < width; x += step) {
        if (row[x] == kHole)
            continue;
        if (row[x] < kept - kEdgeStandIn)
            row[x] = kHole;
        else
            kept = row[x];
    }
}

} // namespace

void dropEdgeStandIns(std::vector<float>& sep, int width, int height, int widest)
{
    const int strip = std::min((widest + 1) / 2, width - 1);
    if (strip <= 0)
        return;
    for (int y = 0; y < height; ++y) {
        float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        dropOutwards(row, width, strip, -1, strip / 2);
        dropOutwards(row, width, width - 1 - strip, 1, strip / 2);
    }
}


bool fillHoles(std::vector<float>& sep, int width, int height, RowWorkers* workers)
{
    std::vector<char> empty(static_cast<std::size_t>(height), 0);
    // Each row's first and last matched pixel, −1 in rows with none.
    std::vector<int> first(static_cast<std::size_t>(height), -1);
    std::vector<int> last(static_cast<std::size_t>(height), -1);
    for (int y = 0; y < height; ++y) {
        const float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width && first[static_cast<std::size_t>(y)] < 0; ++x)
            first[static_cast<std::size_t>(y)] = row[x] == kHole ? -1 : x;
        for (int x = width - 1; x >= 0 && last[static_cast<std::size_t>(y)] < 0; --x)
            last[static_cast<std::size_t>(y)] = row[x] == kHole ? -1 : x;
    }
    // What the ends of a row continue: the middle of the end matches of
    // the rows around it, so that one stray match at a row's end does not
    // run through the whole strip.
    std::vector<float> leading = endValues(sep, width, height, first);
    std::vector<float> trailing = endValues(sep, width, height, last);
    const std::vector<float> leadingOwn = leading;
    const std::vector<float> trailingOwn = trailing;
    continueBehind(leading, sep, width, first, 1);
    continueBehind(trailing, sep, width, last, -1);
    // And how they run: a surface sloping up to a row's end goes on sloping
    // through it, as far as the separations the picture has (of a sample).
    // An end that takes the farther surface behind carries it on flat: the
    // slope beside it is the nearer surface's.
    std::vector<float> leadingSlope = endSlopes(sep, width, height, first, -1);
    std::vector<float> trailingSlope = endSlopes(sep, width, height, last, 1);
    for (std::size_t y = 0; y < leading.size(); ++y) {
        leadingSlope[y] = leading[y] == leadingOwn[y] ? leadingSlope[y] : 0.0f;
        trailingSlope[y] = trailing[y] == trailingOwn[y] ? trailingSlope[y] : 0.0f;
    }
    float nearest = std::numeric_limits<float>::max();
    float farthest = 0.0f;
    for (std::size_t i = 0; i < sep.size(); i += 7) {
        if (sep[i] != kHole) {
            nearest = std::min(nearest, sep[i]);
            farthest = std::max(farthest, sep[i]);
        }
    }
    // Each row is filled from itself alone, many at once.
    auto fillRow = [&](int y) {
        float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        int previous = -1;
        for (int x = 0; x <= width; ++x) {
            if (x < width && row[x] == kHole)
                continue;
            if (x > previous + 1 && previous >= 0 && x < width) {
                const float a = row[previous];
                const float b = row[x];
                const float gap = static_cast<float>(x - previous);
                if (std::abs(a - b) * kJumpShare >= gap) {
                    std::fill(row + previous + 1, row + x, std::max(a, b));
                } else {
                    for (int i = previous + 1; i < x; ++i)
                        row[i] = a + (b - a) * static_cast<float>(i - previous) / gap;
                }
            } else if (x > previous + 1) {
                // A row's end (or the whole row, unmatched: it takes a row
                // beside it later).
                const bool leads = previous < 0;
                const auto i = static_cast<std::size_t>(y);
                const float from = leads ? leading[i] : trailing[i];
                const float slope = leads ? leadingSlope[i] : trailingSlope[i];
                const int strip = leads ? x : width - 1 - previous;
                for (int k = 1; k <= strip; ++k)
                    row[leads ? x - k : previous + k] =
                        from == kHole ? kHole : std::clamp(from + slope * static_cast<float>(k), nearest, farthest);
            }
            previous = x;
        }
        empty[static_cast<std::size_t>(y)] = row[0] == kHole;
    };
    forEach(workers, height, fillRow);
    if (std::all_of(empty.begin(), empty.end(), [](char e) { return e != 0; }))
        return false;
    // Nearest full row above or below.
    for (int y = 0; y < height; ++y) {
        if (!empty[static_cast<std::size_t>(y)])
            continue;
        int from = -1;
        for (int k = 1; from < 0; ++k) {
            if (y - k >= 0 && !empty[static_cast<std::size_t>(y - k)])
                from = y - k;
            else if (y + k < height && !empty[static_cast<std::size_t>(y + k)])
                from = y + k;
        }
        std::copy_n(sep.data() + static_cast<std::size_t>(from) * static_cast<std::size_t>(width),
                    static_cast<std::size_t>(width),
                    sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
    }
    // The ends continue the matched part as it runs, without its wrong
    // matches.
    smoothSeparations(sep, width, height, workers);
    followLines(sep, width, height, first, 1, workers);
    followLines(sep, width, height, last, -1, workers);
    continueRepeats(sep, width, first, last, 1, workers);
    continueRepeats(sep, width, first, last, -1, workers);
    return true;
}

} // namespace engine::reveal
