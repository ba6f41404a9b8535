// The depth revealer: dense matching of every row against itself over the
// range of separations, then the grey picture.

#include "RevealCost.h"
#include "RowWorkers.h"

#include "engine/Reveal.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace engine {

namespace {

using reveal::kTruncate;
// Beyond the separations searched: far above any path cost, and still
// within 16 bits after a step is added.
constexpr std::uint16_t kPad = 0x7FFF;
constexpr float kHole = -1.0f;
// The most the per-worker buffers may take, in bytes.
constexpr std::size_t kMaxWorkBytes = std::size_t{256} << 20;

std::string formatted(const char* format, int a, int b = 0, int c = 0)
{
    char text[200];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// One worker's buffers. For every separation d (index k = d − lo): the
// vertical sums of the pixel costs over the window's rows, and the window
// sums of the current row. The window of pixel x at separation d compares
// the columns x − rx … x + rx with x + d − rx … x + d + rx, so it exists for
// x = rx … width − d − rx − 1 only.
struct Worker {
    std::vector<std::uint16_t> column; // [k][x]
    std::vector<std::uint16_t> window; // [k][x]
    // The costs of one row seen from the left ends of the pairs and from
    // their right ends, [x][k], and their sums along the row.
    std::vector<std::uint16_t> cost;
    std::vector<std::uint16_t> total;
    // The path costs of the previous and the current pixel, with one spare
    // entry either side so that neighbours need no test.
    std::vector<std::uint16_t> previous, current;
    // The separation each left end and each right end settles on (with its
    // fraction), or kHole.
    std::vector<float> left, right;
};

// Costs along a row are smoothed the way a surface is: a step of one in the
// separation from one pixel to the next costs a little (slopes), a larger
// step costs more (edges), so that a pixel whose window repeats equally
// well at two separations takes the one its neighbours have.
struct Smoothing {
    std::uint16_t small;
    std::uint16_t large;
};

class Matcher {
public:
    Matcher(const RgbPlanes& picture, int lo, int hi, int rx, int ry)
        : picture_(picture), width_(picture.width), height_(picture.height), lo_(lo), hi_(hi), rx_(rx), ry_(ry)
    {
        const int pixels = (2 * rx_ + 1) * (2 * ry_ + 1);
        mismatch_ = static_cast<std::uint16_t>(pixels * kTruncate);
        smoothing_.small = static_cast<std::uint16_t>(pixels * kTruncate / 8);
        smoothing_.large = static_cast<std::uint16_t>(pixels * kTruncate / 2);
    }

    int count() const { return hi_ - lo_ + 1; }

    static std::size_t bytesPerWorker(int width, int count)
    {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(count) * 14 + static_cast<std::size_t>(width) * 16;
    }

    void prepare(Worker& w) const
    {
        const std::size_t plane = static_cast<std::size_t>(count()) * static_cast<std::size_t>(width_);
        w.column.assign(plane, 0);
        w.window.assign(plane, mismatch_);
        w.cost.resize(plane);
        w.total.resize(plane);
        w.previous.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.current.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.left.resize(static_cast<std::size_t>(width_));
        w.right.resize(static_cast<std::size_t>(width_));
    }

    // Matches rows begin … end − 1 into out (width × height, rows from the
    // top); holes are kHole. rowDone is called after every row and returns
    // false to stop.
    template <typename RowDone>
    void run(Worker& w, int begin, int end, float* out, RowDone&& rowDone) const
    {
        for (int d = lo_; d <= hi_; ++d) {
            std::uint16_t* column = columnOf(w, d);
            for (int y = std::max(0, begin - ry_); y <= std::min(height_ - 1, begin + ry_); ++y)
                reveal::addCosts(reveal::rowPlanes(picture_, y), d, width_ - d, column);
        }
        for (int y = begin; y < end; ++y) {
            if (y > begin)
                slideDown(w, y);
            windowSums(w);
            matchRow(w, y, out + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_));
            if (!rowDone())
                return;
        }
    }

private:
    std::uint16_t* columnOf(Worker& w, int d) const
    {
        return w.column.data() + static_cast<std::size_t>(d - lo_) * static_cast<std::size_t>(width_);
    }
    std::uint16_t* windowOf(Worker& w, int d) const
    {
        return w.window.data() + static_cast<std::size_t>(d - lo_) * static_cast<std::size_t>(width_);
    }

    // The window's rows move from y − 1 to y: row y + ry comes in, row
    // y − ry − 1 goes out.
    void slideDown(Worker& w, int y) const
    {
        const int in = y + ry_;
        const int out = y - ry_ - 1;
        for (int d = lo_; d <= hi_; ++d) {
            std::uint16_t* column = columnOf(w, d);
            const int n = width_ - d;
            if (in < height_ && out >= 0)
                reveal::swapCosts(reveal::rowPlanes(picture_, in), reveal::rowPlanes(picture_, out), d, n, column);
            else if (in < height_)
                reveal::addCosts(reveal::rowPlanes(picture_, in), d, n, column);
            else if (out >= 0)
                reveal::subtractCosts(reveal::rowPlanes(picture_, out), d, n, column);
        }
    }

    // Window sums, scaled to a full window where the window reaches past
    // the top or bottom row.
    void windowSums(Worker& w) const
    {
        for (int d = lo_; d <= hi_; ++d)
            reveal::boxSums(columnOf(w, d), width_ - d, rx_, windowOf(w, d));
    }

    // The costs of the row from one end of the pairs: from the left ends
    // (pixel x with x + d) or from the right ends (pixel x with x − d).
    // Windows that do not exist cost a full mismatch.
    void gather(Worker& w, bool fromRight, int rowsInWindow) const
    {
        const int n = count();
        const int full = 2 * ry_ + 1;
        // In blocks of columns, so that the rows of the transposed costs
        // stay in the cache while every separation is written into them.
        constexpr int kBlock = 16;
        for (int x0 = 0; x0 < width_; x0 += kBlock) {
            const int x1 = std::min(width_, x0 + kBlock);
            for (int d = lo_; d <= hi_; ++d) {
                const std::uint16_t* window = windowOf(w, d);
                const int k = d - lo_;
                const int shift = fromRight ? d : 0;
                const int first = rx_ + shift;
                const int last = width_ - d - rx_ - 1 + shift;
                for (int x = x0; x < x1; ++x) {
                    std::uint16_t v = mismatch_;
                    if (x >= first && x <= last) {
                        const unsigned raw = window[x - shift];
                        v = static_cast<std::uint16_t>(rowsInWindow == full ? raw : raw * full / rowsInWindow);
                    }
                    w.cost[static_cast<std::size_t>(x) * n + k] = v;
                }
            }
        }
    }

    // One pass along the row, in either direction, adding its path costs
    // into total (or starting it).
    void pass(Worker& w, bool backwards, bool first) const
    {
        const int n = count();
        std::uint16_t* previous = w.previous.data() + 1;
        std::uint16_t* current = w.current.data() + 1;
        const std::uint16_t small = smoothing_.small;
        std::uint16_t least = 0;
        for (int i = 0; i < width_; ++i) {
            const int x = backwards ? width_ - 1 - i : i;
            const std::uint16_t* c = w.cost.data() + static_cast<std::size_t>(x) * n;
            std::uint16_t* t = w.total.data() + static_cast<std::size_t>(x) * n;
            std::uint16_t lowest = kPad;
            if (i == 0) {
                for (int k = 0; k < n; ++k) {
                    current[k] = c[k];
                    lowest = std::min(lowest, c[k]);
                }
            } else {
                const auto jump = static_cast<std::uint16_t>(least + smoothing_.large);
                for (int k = 0; k < n; ++k) {
                    std::uint16_t v = std::min(previous[k], jump);
                    v = std::min(v, static_cast<std::uint16_t>(previous[k - 1] + small));
                    v = std::min(v, static_cast<std::uint16_t>(previous[k + 1] + small));
                    const auto r = static_cast<std::uint16_t>(c[k] + v - least);
                    current[k] = r;
                    lowest = std::min(lowest, r);
                }
            }
            least = lowest;
            if (first) {
                std::copy_n(current, n, t);
            } else {
                for (int k = 0; k < n; ++k)
                    t[k] = static_cast<std::uint16_t>(t[k] + current[k]);
            }
            std::swap(previous, current);
        }
    }

    // Each pixel's separation from the smoothed costs of one end, with the
    // fraction of a parabola through its neighbours; kHole where even the
    // best does not repeat (its window costs more than a quarter of a full
    // mismatch) or where the window is one flat colour.
    void settle(Worker& w, bool fromRight, std::vector<float>& out) const
    {
        const int n = count();
        for (int x = 0; x < width_; ++x) {
            const std::uint16_t* t = w.total.data() + static_cast<std::size_t>(x) * n;
            const std::uint16_t* c = w.cost.data() + static_cast<std::size_t>(x) * n;
            int best = 0;
            std::uint32_t sum = 0;
            for (int k = 0; k < n; ++k) {
                if (t[k] < t[best])
                    best = k;
                sum += c[k];
            }
            out[static_cast<std::size_t>(x)] = kHole;
            if (2u * c[best] > mismatch_ || sum < static_cast<std::uint32_t>(n) * mismatch_ / 32 ||
                2u * c[best] * static_cast<std::uint32_t>(n) > sum)
                continue;
            float fraction = 0.0f;
            if (best > 0 && best + 1 < n) {
                const float a = static_cast<float>(t[best - 1]);
                const float b = static_cast<float>(t[best]);
                const float e = static_cast<float>(t[best + 1]);
                const float curve = a + e - 2.0f * b;
                if (curve > 0.0f)
                    fraction = std::clamp((a - e) / (2.0f * curve), -0.5f, 0.5f);
            }
            (void)fromRight;
            out[static_cast<std::size_t>(x)] = static_cast<float>(lo_ + best) + fraction;
        }
    }

    void matchRow(Worker& w, int y, float* out) const
    {
        const int rows = std::min(height_ - 1, y + ry_) - std::max(0, y - ry_) + 1;
        for (bool fromRight : {false, true}) {
            gather(w, fromRight, rows);
            pass(w, false, true);
            pass(w, true, false);
            settle(w, fromRight, fromRight ? w.right : w.left);
        }
        // Each pair is kept when its left end and its right end agree, and
        // shown at its midpoint; where two pairs share a midpoint the nearer
        // one is seen.
        std::fill_n(out, width_, kHole);
        for (int x = 0; x < width_; ++x) {
            const float d = w.left[static_cast<std::size_t>(x)];
            if (d == kHole)
                continue;
            const int whole = static_cast<int>(std::lround(d));
            const int right = x + whole;
            if (right >= width_)
                continue;
            const float other = w.right[static_cast<std::size_t>(right)];
            if (other == kHole || std::abs(other - d) > 1.0f)
                continue;
            const int mid = x + whole / 2;
            const float value = 0.5f * (d + other);
            if (out[mid] == kHole || value < out[mid])
                out[mid] = value;
        }
    }

    const RgbPlanes& picture_;
    int width_;
    int height_;
    int lo_;
    int hi_;
    int rx_;
    int ry_;
    std::uint16_t mismatch_ = 0;
    Smoothing smoothing_{};
};

// Holes are filled from the nearest matched pixels either side in their
// row. A hole about as wide as the step between them (or narrower) is what
// one eye cannot see beside an edge: it belongs to the farther surface, the
// larger separation. Any other hole lies on one surface and is bridged in a
// straight line. The ends of a row, where pairs would reach beyond the
// picture, take the farther of the one neighbour there is and the row's
// median, mostly the background.
// Rows with no match at all take the nearest row that has one. Returns
// false when nothing matched.
constexpr float kJumpShare = 1.0f;

bool fillHoles(std::vector<float>& sep, int width, int height)
{
    std::vector<char> empty(static_cast<std::size_t>(height), 0);
    std::vector<float> matched;
    bool any = false;
    for (int y = 0; y < height; ++y) {
        float* row = sep.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        matched.clear();
        for (int x = 0; x < width; ++x)
            if (row[x] != kHole)
                matched.push_back(row[x]);
        float middle = kHole;
        if (!matched.empty()) {
            const auto half = matched.begin() + static_cast<std::ptrdiff_t>(matched.size() / 2);
            std::nth_element(matched.begin(), half, matched.end());
            middle = *half;
        }
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
                const float nearest = previous >= 0 ? row[previous] : x < width ? row[x] : kHole;
                std::fill(row + previous + 1, row + x, std::max(nearest, middle));
            }
            previous = x;
        }
        empty[static_cast<std::size_t>(y)] = row[0] == kHole;
        any = any || !empty[static_cast<std::size_t>(y)];
    }
    if (!any)
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
    return true;
}

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

    const RgbPlanes planes = rgbPlanes(picture, palette);
    RevealResult result;
    const bool given = options.minSep != 0 || options.maxSep != 0;
    if (given) {
        const int lo = options.minSep;
        const int hi = options.maxSep;
        if (lo < 1 || hi <= lo || hi - lo + 1 > kRevealMaxRange || width - hi < 2 * reveal::kWidestHalf + 1)
            return refused(formatted(kRevealBadRangeFormat, lo, hi, width));
        result.range.minSep = lo;
        result.range.maxSep = hi;
    } else {
        std::string why;
        result.range = findSeparationRange(planes, why);
        if (!why.empty())
            return refused(why);
        // A window wider than the narrowest pair would compare a pixel with itself.
        if (width - result.range.maxSep < 2 * reveal::kWidestHalf + 1)
            return refused(formatted(kRevealTooNarrowFormat, width));
    }

    const int lo = result.range.minSep;
    const int hi = result.range.maxSep;
    const reveal::Window window = reveal::chooseWindow(reveal::distinctness(planes, lo));
    Matcher matcher(planes, lo, hi, window.rx, window.ry);
    RowWorkers workers(RowWorkers::chooseSize(options.threads));
    const auto team = static_cast<std::size_t>(workers.size());
    if (Matcher::bytesPerWorker(width, matcher.count()) * team > kMaxWorkBytes)
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
        matcher.run(state[static_cast<std::size_t>(worker)], begin, end, result.separation.data(), [&] {
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

    const std::size_t matched = static_cast<std::size_t>(
        std::count_if(result.separation.begin(), result.separation.end(), [](float s) { return s != kHole; }));
    result.matched = static_cast<double>(matched) / static_cast<double>(result.separation.size());
    if (!fillHoles(result.separation, width, height))
        return refused(std::string(kRevealNoRepeatMessage));

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
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = result.depth->rowFromTop(y);
        const float* sep = result.separation.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            float grey = span > 0.0f ? 255.0f * (result.blackSeparation - sep[x]) / span : 0.0f;
            row[x] = static_cast<std::uint8_t>(std::lround(std::clamp(grey, 0.0f, 255.0f)));
        }
    }
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
