// The strips at the ends of the depth revealer's rows, where pairs would
// reach beyond the picture: what they carry on from the matched part beside
// them (its depth, its slope, its lines of equal depth, its repeat).

#include "RevealEnds.h"
#include "RevealMatcher.h"
#include "WideLoops.h"

#include <algorithm>
#include <cmath>

namespace engine::reveal {

namespace {

// How far the lines of equal depth are followed into a row's end, and the
// steepest they may run (rows per column) to be followed at all.
constexpr int kLineReach = 16;
constexpr float kSteepestLine = 3.0f;
// The steepest slope of a surface, in pixels of separation per pixel, and
// how far the lines' slope may turn between two squares and still be
// taken as straight.
constexpr double kSteepestSlope = 2.0;
constexpr float kStraight = 0.25f;

// Sums of the products of a field's gradients (its structure tensor).
struct Tensor {
    double xx = 0.0;
    double xy = 0.0;
    double yy = 0.0;
};

// Running totals down the picture of each row's tensor over 2 kLineReach
// columns, offset columns in from its matched end: entry v + 1 adds row v
// to entry v. Edges and stray matches say nothing of how a surface runs
// and are left out, as are rows without a match.
std::vector<Tensor> tensorTotals(const std::vector<float>& sep, int width, int height, const std::vector<int>& end,
                                 int step, int offset)
{
    std::vector<Tensor> totals(static_cast<std::size_t>(height) + 1);
    for (int v = 0; v < height; ++v) {
        Tensor t = totals[static_cast<std::size_t>(v)];
        const int from = end[static_cast<std::size_t>(v)];
        const std::size_t at = static_cast<std::size_t>(v) * static_cast<std::size_t>(width);
        for (int k = offset; from >= 0 && v > 0 && v < height - 1 && k < offset + 2 * kLineReach; ++k) {
            const int x = from + step * k;
            if (x < 1 || x > width - 2)
                break;
            const std::size_t i = at + static_cast<std::size_t>(x);
            const double gx = 0.5 * (sep[i + 1] - sep[i - 1]);
            const double gy = 0.5 * (sep[i + static_cast<std::size_t>(width)] - sep[i - static_cast<std::size_t>(width)]);
            if (std::abs(gx) > kSteepestSlope || std::abs(gy) > kSteepestSlope)
                continue;
            t.xx += gx * gx;
            t.xy += gx * gy;
            t.yy += gy * gy;
        }
        totals[static_cast<std::size_t>(v) + 1] = t;
    }
    return totals;
}

// The tensor of the rows within kLineReach of row y.
Tensor around(const std::vector<Tensor>& totals, int y, int height)
{
    const auto& a = totals[static_cast<std::size_t>(std::max(0, y - kLineReach))];
    const auto& b = totals[static_cast<std::size_t>(std::min(height, y + kLineReach + 1))];
    return {b.xx - a.xx, b.xy - a.xy, b.yy - a.yy};
}

// The direction of the lines of equal depth a tensor gives, as the step in
// y for a step of one column to the right; false where the depth has no
// clear direction (flat, noisy or the lines nearly upright).
bool lineSlope(const Tensor& t, float& slope)
{
    // The leading eigenvector is the gradient's direction; how much it
    // leads tells how clear the direction is.
    const double trace = t.xx + t.yy;
    const double spread = std::sqrt((t.xx - t.yy) * (t.xx - t.yy) + 4.0 * t.xy * t.xy);
    if (trace < 1e-3 * kLineReach * kLineReach || spread < 0.5 * trace)
        return false;
    const double angle = 0.5 * std::atan2(2.0 * t.xy, t.xx - t.yy); // of the gradient
    // The lines run across the gradient: (−sin, cos) per unit.
    const double dx = -std::sin(angle);
    const double dy = std::cos(angle);
    if (std::abs(dx) * kSteepestLine < std::abs(dy))
        return false;
    slope = static_cast<float>(dy / dx);
    return true;
}

} // namespace

// Re-fills the unmatched end of every row (x before first[y], or after
// last[y] for step −1) along the lines of equal depth beside it, where
// they have a clear direction and reach a matched part of the picture: a
// surface sloping across the row's end continues as it runs.
void followLines(std::vector<float>& sep, int width, int height, const std::vector<int>& end, int step,
                 RowWorkers* workers)
{
    // The walks read inside the ends only and write the ends only, so the
    // field is read as it is being filled, by many rows at once.
    const std::vector<Tensor> beside = tensorTotals(sep, width, height, end, step, 1);
    const std::vector<Tensor> further = tensorTotals(sep, width, height, end, step, 1 + 2 * kLineReach);
    auto followRow = [&](int y) {
        const int from = end[static_cast<std::size_t>(y)];
        float slope = 0.0f;
        float deeper = 0.0f;
        if (from < 0 || !lineSlope(around(beside, y, height), slope) ||
            !lineSlope(around(further, y, height), deeper) ||
            std::abs(slope - deeper) > kStraight * std::max(1.0f, std::abs(slope)))
            return;
        float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = from - step; x >= 0 && x < width; x -= step) {
            // Walk inwards along the line to a matched pixel, from a little
            // before the column of the row's own end.
            for (int k = std::max(1, (from - x) * step - kLineReach); k <= width; ++k) {
                const int u = x + step * k;
                const int v = static_cast<int>(std::floor(static_cast<float>(y) + slope * static_cast<float>(step * k) + 0.5f));
                if (v < 0 || v >= height || u < 0 || u >= width)
                    break;
                const int inner = end[static_cast<std::size_t>(v)];
                if (inner >= 0 && (u - inner) * step >= 0) {
                    row[x] = sep[static_cast<std::size_t>(v) * static_cast<std::size_t>(width) + static_cast<std::size_t>(u)];
                    break;
                }
            }
        }
    };
    forEach(workers, height, followRow);
}

namespace {

// The rows around a row whose end matches are taken together.
constexpr int kEndRows = 6;

// The median of the values other than kHole of the rows within kEndRows of
// row y, kHole where fewer than least of them are.
float middleAround(const std::vector<float>& own, int y, std::size_t least, std::vector<float>& around)
{
    const int height = static_cast<int>(own.size());
    around.clear();
    for (int v = std::max(0, y - kEndRows); v <= std::min(height - 1, y + kEndRows); ++v)
        if (own[static_cast<std::size_t>(v)] != kHole)
            around.push_back(own[static_cast<std::size_t>(v)]);
    if (around.empty() || around.size() < least)
        return kHole;
    const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
    std::nth_element(around.begin(), middle, around.end());
    return *middle;
}

} // namespace

// For each row with a match, the median of the end matches (at end[v]) of
// the rows within kEndRows of it.
std::vector<float> endValues(const std::vector<float>& sep, int width, int height, const std::vector<int>& end)
{
    std::vector<float> own(static_cast<std::size_t>(height), kHole);
    for (int v = 0; v < height; ++v)
        if (const int x = end[static_cast<std::size_t>(v)]; x >= 0)
            own[static_cast<std::size_t>(v)] =
                sep[static_cast<std::size_t>(v) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    std::vector<float> values(static_cast<std::size_t>(height), kHole);
    std::vector<float> around;
    for (int y = 0; y < height; ++y)
        if (end[static_cast<std::size_t>(y)] >= 0)
            values[static_cast<std::size_t>(y)] = middleAround(own, y, 1, around);
    return values;
}

namespace {

// How many matched pixels in from a row's end its slope is measured over
// (among twice as many), and how far (in pixels of separation) they may lie
// from a straight line: further, the end is an edge or noise, not a slope.
constexpr int kSlopeReach = 16;
constexpr double kSlopeFit = 1.0;

} // namespace

// For each row, the median of the slopes (separation per pixel outwards,
// step the way out of the picture) of the matched pixels next to the ends
// of the rows within kEndRows of it; 0 where fewer than half those rows
// run straight up to their ends.
std::vector<float> endSlopes(const std::vector<float>& sep, int width, int height, const std::vector<int>& end, int step)
{
    std::vector<float> own(static_cast<std::size_t>(height), kHole);
    for (int y = 0; y < height; ++y) {
        const int e = end[static_cast<std::size_t>(y)];
        if (e < 0)
            continue;
        const float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        // Least squares over the reach, k pixels in from the end.
        double sx = 0.0;
        double sy = 0.0;
        double sxx = 0.0;
        double sxy = 0.0;
        int n = 0;
        for (int k = 0; k < 2 * kSlopeReach && n < kSlopeReach; ++k) {
            const int x = e - step * k;
            if (x < 0 || x >= width)
                break;
            if (row[x] == kHole)
                continue;
            sx += k;
            sy += row[x];
            sxx += static_cast<double>(k) * k;
            sxy += static_cast<double>(k) * row[x];
            ++n;
        }
        if (n < kSlopeReach)
            continue;
        const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
        const double offset = (sy - slope * sx) / n;
        // A surface that runs smoothly up to the end, not an edge.
        double worst = 0.0;
        for (int k = 0, m = 0; k < 2 * kSlopeReach && m < n; ++k) {
            const int x = e - step * k;
            if (row[x] == kHole)
                continue;
            ++m;
            worst = std::max(worst, std::abs(row[x] - (offset + slope * k)));
        }
        if (worst > kSlopeFit)
            continue;
        own[static_cast<std::size_t>(y)] = static_cast<float>(-slope);
    }
    std::vector<float> values(static_cast<std::size_t>(height), 0.0f);
    std::vector<float> around;
    for (int y = 0; y < height; ++y) {
        const float middle = middleAround(own, y, kEndRows + 1, around);
        values[static_cast<std::size_t>(y)] = middle == kHole ? 0.0f : middle;
    }
    return values;
}

namespace {

// Rows taken together to find how a row's end repeats, every
// kRepeatStride-th of them; the shortest repeat looked for; and how much
// better than the nearest matched pixel the repeat must continue the
// matched part before it is used.
constexpr int kRepeatBand = 64;
constexpr int kRepeatStride = 8;
constexpr int kShortestRepeat = 8;
constexpr double kRepeatGain = 0.25;
constexpr double kRowGain = 0.5;
// Below this mean squared step (in pixels of separation) the matched end is
// as good as flat, and continuing it straight across is right.
constexpr double kFlatEnd = 0.5;
// The largest step (in pixels of separation) from one pixel to the next of
// a smooth surface.
constexpr float kSmoothStep = 5.0f;

// The sum of the squared steps from a[i] to b[i].
DOTSCAPE_WIDE_LOOPS double squaredSteps(const float* __restrict a, const float* __restrict b, int n)
{
    float part[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int j = 0; j < 8; ++j) {
            const float d = a[i + j] - b[i + j];
            part[j] += d * d;
        }
    double sum = 0.0;
    for (; i < n; ++i)
        sum += static_cast<double>(a[i] - b[i]) * static_cast<double>(a[i] - b[i]);
    for (const float p : part)
        sum += p;
    return sum;
}

// One row's matched pixels from its end inwards, and the width of the
// unmatched strip before them.
struct Inward {
    std::vector<float> line;
    int strip = 0;

    // Whether the matched pixels step anywhere by more than kSmoothStep.
    bool steps() const
    {
        for (std::size_t k = 1; k < line.size(); ++k)
            if (std::abs(line[k] - line[k - 1]) > kSmoothStep)
                return true;
        return false;
    }

    // The squared steps of the first strip pixels from the one beyond them.
    double flat() const
    {
        double sum = 0.0;
        for (int k = 0; k < strip; ++k)
            sum += std::pow(line[static_cast<std::size_t>(k)] - line[static_cast<std::size_t>(strip)], 2.0);
        return sum;
    }

    // The squared steps of the first strip pixels from their repeat p: pixel
    // k repeats the one p, 2p, … further in that lies beyond them.
    double heldOut(int p) const
    {
        double sum = 0.0;
        int from = strip + ((p - strip % p) % p);
        for (int k = 0; k < strip;) {
            const int n = std::min(strip - k, strip + p - from);
            sum += squaredSteps(line.data() + k, line.data() + from, n);
            k += n;
            from = strip;
        }
        return sum;
    }
};

} // namespace

// Re-fills the unmatched ends of the rows (before first[y] for step 1,
// after last[y] for step −1) by the repeat the depth beside them shows, in
// bands of rows: ridges and waves that run across the rows continue into
// the end as they run beside it. Each band first hides the strip of
// matched pixels next to each row's end, as wide as the end itself, and
// tries every repeat on it; the shortest of the best repeats is taken
// where it continues that strip far better than the nearest pixel does.
void continueRepeats(std::vector<float>& sep, int width, const std::vector<int>& first, const std::vector<int>& last,
                     int step, RowWorkers* workers)
{
    const int height = static_cast<int>(first.size());
    const std::vector<int>& end = step > 0 ? first : last;
    auto stripOf = [&](int y) {
        const int e = end[static_cast<std::size_t>(y)];
        return e < 0 ? 0 : step > 0 ? e : width - 1 - e;
    };
    auto spanOf = [&](int y) { return last[static_cast<std::size_t>(y)] - first[static_cast<std::size_t>(y)] + 1; };
    auto load = [&](int y, Inward& row) {
        row.strip = stripOf(y);
        row.line.resize(static_cast<std::size_t>(spanOf(y)));
        const float* at = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(end[static_cast<std::size_t>(y)]);
        for (std::size_t k = 0; k < row.line.size(); ++k)
            row.line[k] = step > 0 ? at[k] : *(at - k);
    };
    // The repeat must be seen beyond the hidden strip in every row that is
    // tried; rows too short for the shortest twice are left out.
    auto tried = [&](int y) { return stripOf(y) > 0 && spanOf(y) >= stripOf(y) + 2 * kShortestRepeat; };
    // Each band reads its own rows and writes their ends only: many bands
    // are done at once.
    auto band = [&](int y0) {
        std::vector<Inward> rows;
        std::vector<double> error;
        Inward one;
        const int y1 = std::min(height, y0 + kRepeatBand);
        int longest = width;
        int halfway = width;
        bool stepped = false;
        int uneven = 0;
        double flat = 0.0;
        for (int y = y0; y < y1; y += kRepeatStride) {
            if (!tried(y))
                continue;
            load(y, rows.emplace_back());
            longest = std::min(longest, spanOf(y) - stripOf(y) - kShortestRepeat);
            halfway = std::min(halfway, (spanOf(y) - stripOf(y)) / 2);
            stepped = stepped || rows.back().steps();
            const double steps = rows.back().flat();
            flat += steps;
            uneven += steps >= kFlatEnd * stripOf(y) ? 1 : 0;
        }
        // Two steps far apart can lie a repeat apart: where a row steps,
        // the repeat must be seen twice beyond the hidden strip; a smooth
        // surface's once will do (a long wave, in a wide strip).
        if (stepped)
            longest = halfway;
        // A repeat is a band's nature, not a few rows': most of them must
        // change beside their ends.
        if (rows.empty() || 2 * uneven < static_cast<int>(rows.size()))
            return;
        error.assign(static_cast<std::size_t>(longest) + 1, 0.0);
        for (const Inward& row : rows)
            for (int p = kShortestRepeat; p <= longest; ++p)
                error[static_cast<std::size_t>(p)] += row.heldOut(p);
        const auto best = std::min_element(error.begin() + kShortestRepeat, error.end());
        if (*best > kRepeatGain * flat)
            return;
        int repeat = kShortestRepeat;
        while (error[static_cast<std::size_t>(repeat)] > 1.1 * *best)
            ++repeat;
        // And the repeat must hold beyond the strip too, over twice its
        // length: one step that happens to lie a repeat further in than
        // another is no repeat.
        double across = 0.0;
        double spread = 0.0;
        for (const Inward& row : rows) {
            const int reach = std::min(static_cast<int>(row.line.size()) - repeat, row.strip + 2 * repeat);
            double mean = 0.0;
            for (int k = 0; k < reach; ++k)
                mean += row.line[static_cast<std::size_t>(k)];
            mean /= reach;
            for (int k = 0; k < reach; ++k)
                spread += std::pow(row.line[static_cast<std::size_t>(k)] - mean, 2.0);
            across += squaredSteps(row.line.data(), row.line.data() + repeat, reach);
        }
        if (across > 2.0 * kRepeatGain * spread)
            return;
        // Each row takes the repeat where it continues its own strip better
        // than its nearest pixel.
        for (int y = y0; y < y1; ++y) {
            if (stripOf(y) == 0 || spanOf(y) < stripOf(y) + repeat)
                continue;
            load(y, one);
            if (one.heldOut(repeat) > kRowGain * one.flat())
                continue;
            float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            const int e = end[static_cast<std::size_t>(y)];
            for (int j = 1; j <= one.strip; ++j)
                row[e - step * j] = one.line[static_cast<std::size_t>((repeat - j % repeat) % repeat)];
        }
    };
    forEach(workers, (height + kRepeatBand - 1) / kRepeatBand, [&](int b) { band(b * kRepeatBand); });
}

namespace {

// How much further in than half its separation a row's first match may
// lie and still be the surface its end continues.
constexpr int kHiddenEnd = 4;

} // namespace

// A row's end that is matched only further in than half the separation
// there lies beside a nearer surface: the pixels before it are what one eye
// cannot see, and belong to the farther surface behind, which the rows
// above and below show at their ends. Such rows continue the farther of the
// nearest ends above and below that lie where their separation puts them
// (open ends), where most ends are open.
void continueBehind(std::vector<float>& values, const std::vector<float>& sep, int width, const std::vector<int>& end,
                    int step)
{
    const int height = static_cast<int>(end.size());
    std::vector<char> open(static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const int e = end[static_cast<std::size_t>(y)];
        const int strip = step > 0 ? e : width - 1 - e;
        open[static_cast<std::size_t>(y)] =
            e >= 0 && static_cast<float>(strip) <=
                          0.5f * sep[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(e)] +
                              kHiddenEnd;
    }
    // Where most rows start further in, the picture's maker left a wider
    // strip at this end (the widest separation, in some), and no surface
    // is hidden.
    const auto ends = std::count_if(end.begin(), end.end(), [](int e) { return e >= 0; });
    const auto opened = std::count(open.begin(), open.end(), 1);
    if (3 * opened < 2 * ends)
        return;
    // The nearest open row at or below each row, height where there is none.
    std::vector<int> below(static_cast<std::size_t>(height) + 1, height);
    for (int y = height - 1; y >= 0; --y)
        below[static_cast<std::size_t>(y)] = open[static_cast<std::size_t>(y)] ? y : below[static_cast<std::size_t>(y) + 1];
    int above = -1;
    for (int y = 0; y < height; ++y) {
        if (open[static_cast<std::size_t>(y)]) {
            above = y;
            continue;
        }
        const int under = below[static_cast<std::size_t>(y)];
        if (end[static_cast<std::size_t>(y)] < 0 || (above < 0 && under == height))
            continue;
        // Open rows come before this one in the loop but keep their values.
        const float up = above >= 0 ? values[static_cast<std::size_t>(above)] : kHole;
        const float down = under < height ? values[static_cast<std::size_t>(under)] : kHole;
        values[static_cast<std::size_t>(y)] = up == kHole ? down : down == kHole ? up : std::max(up, down);
    }
}

} // namespace engine::reveal
