// The depth revealer: dense matching of every row against itself over the
// range of separations, then the grey picture.

#include "RevealCost.h"
#include "RowWorkers.h"

#include "engine/Reveal.h"

#include <algorithm>
#include <array>
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

// One worker's buffers, each a row of the picture by the separations
// searched, [x][k]: seen from the left ends of the pairs, entry k of pixel x
// is separation lo + k (pixel x against x + lo + k); seen from the right
// ends it is separation hi − k (pixel x − hi + k against x), so that in
// both the pixels compared lie side by side in memory.
struct Worker {
    // The sums of the pixel costs down the window's rows, for each end.
    std::vector<std::uint16_t> columnLeft, columnRight;
    // The window costs of the current row from one end, and their sums
    // along the row.
    std::vector<std::uint16_t> window;
    std::vector<std::uint16_t> total;
    std::vector<std::uint16_t> least; // the least total of each pixel
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

// The truncated colour difference of (r, g, b) and (red[k], green[k], blue[k]).
inline std::uint8_t difference(std::uint8_t a, std::uint8_t b)
{
    return static_cast<std::uint8_t>(std::max(a, b) - std::min(a, b));
}

inline std::uint16_t costTo(std::uint8_t r, std::uint8_t g, std::uint8_t b, const std::uint8_t* __restrict red,
                            const std::uint8_t* __restrict green, const std::uint8_t* __restrict blue, int k)
{
    const auto sum = static_cast<std::uint16_t>(difference(r, red[k]) + difference(g, green[k]) + difference(b, blue[k]));
    return std::min(sum, static_cast<std::uint16_t>(kTruncate));
}

// One pixel against the k-th of n pixels side by side (the plane pointers
// set at the first), for two rows at once: out[k] += sign × cost; either
// row may be absent (sign 0). The pointers are declared unaliased so that
// the loop runs on many pixels at once.
void slideCosts(std::uint16_t* __restrict out, int n, const std::uint8_t* one, const std::uint8_t* const* many,
                int oneSign, const std::uint8_t* other, const std::uint8_t* const* others, int otherSign)
{
    const std::uint8_t* __restrict r1 = many[0];
    const std::uint8_t* __restrict g1 = many[1];
    const std::uint8_t* __restrict b1 = many[2];
    const std::uint8_t* __restrict r2 = others[0];
    const std::uint8_t* __restrict g2 = others[1];
    const std::uint8_t* __restrict b2 = others[2];
    if (oneSign != 0 && otherSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] + costTo(one[0], one[1], one[2], r1, g1, b1, k) -
                                                costTo(other[0], other[1], other[2], r2, g2, b2, k));
    } else if (oneSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] + costTo(one[0], one[1], one[2], r1, g1, b1, k));
    } else if (otherSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] - costTo(other[0], other[1], other[2], r2, g2, b2, k));
    }
}

using reveal::outside;

// One row's colours and their sampled spans: red, green, blue, their lows,
// their highs.
using Samples = std::array<const std::uint8_t*, 9>;

// The sampling-insensitive cost of a pixel (its nine values in one) and the
// k-th pixel of many: per channel, the lesser of how far each one's colour
// lies outside the other's span.
inline std::uint16_t spanCostTo(const std::uint8_t* one, const std::uint8_t* const __restrict* many, int k)
{
    unsigned sum = 0;
    for (int c = 0; c < 3; ++c)
        sum += std::min(outside(one[c], many[3 + c][k], many[6 + c][k]), outside(many[c][k], one[3 + c], one[6 + c]));
    return static_cast<std::uint16_t>(std::min(sum, static_cast<unsigned>(kTruncate)));
}

// As slideCosts, with the sampling-insensitive cost.
void slideSpanCosts(std::uint16_t* __restrict out, int n, const std::uint8_t* one, const Samples& many, int oneSign,
                    const std::uint8_t* other, const Samples& others, int otherSign)
{
    const std::uint8_t* __restrict m[9];
    const std::uint8_t* __restrict o[9];
    for (int i = 0; i < 9; ++i) {
        m[i] = many[static_cast<std::size_t>(i)];
        o[i] = others[static_cast<std::size_t>(i)];
    }
    if (oneSign != 0 && otherSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] + spanCostTo(one, m, k) - spanCostTo(other, o, k));
    } else if (oneSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] + spanCostTo(one, m, k));
    } else if (otherSign != 0) {
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<std::uint16_t>(out[k] - spanCostTo(other, o, k));
    }
}

class Matcher {
public:
    // With bounds, pixels are compared by the sampling-insensitive cost.
    Matcher(const RgbPlanes& picture, const reveal::RgbBounds* bounds, int lo, int hi, int rx, int ry)
        : picture_(picture), bounds_(bounds), width_(picture.width), height_(picture.height), lo_(lo), hi_(hi),
          rx_(rx), ry_(ry)
    {
        const int pixels = (2 * rx_ + 1) * (2 * ry_ + 1);
        mismatch_ = static_cast<std::uint16_t>(pixels * kTruncate);
        smoothing_.small = static_cast<std::uint16_t>(pixels * kTruncate / 8);
        smoothing_.large = static_cast<std::uint16_t>(pixels * kTruncate / 2);
    }

    int count() const { return hi_ - lo_ + 1; }

    static std::size_t bytesPerWorker(int width, int count)
    {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(count) * 8 + static_cast<std::size_t>(width) * 8;
    }

    void prepare(Worker& w) const
    {
        const std::size_t plane = static_cast<std::size_t>(count()) * static_cast<std::size_t>(width_);
        w.columnLeft.assign(plane, 0);
        w.columnRight.assign(plane, 0);
        w.window.assign(plane, mismatch_);
        w.total.resize(plane);
        w.previous.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.current.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.left.resize(static_cast<std::size_t>(width_));
        w.right.resize(static_cast<std::size_t>(width_));
        w.least.resize(static_cast<std::size_t>(width_));
    }

    // Matches rows begin … end − 1 into out (width × height, rows from the
    // top); holes are kHole. rowDone is called after every row and returns
    // false to stop.
    template <typename RowDone>
    void run(Worker& w, int begin, int end, float* out, RowDone&& rowDone) const
    {
        for (int y = std::max(0, begin - ry_); y <= std::min(height_ - 1, begin + ry_); ++y)
            slide(w, y, -1);
        for (int y = begin; y < end; ++y) {
            if (y > begin) {
                const int incoming = y + ry_;
                slide(w, incoming < height_ ? incoming : -1, y - ry_ - 1);
            }
            matchRow(w, y, out + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_));
            if (!rowDone())
                return;
        }
    }

private:
    // Row in comes into the column sums and row out leaves them (−1: none).
    void slide(Worker& w, int in, int out) const
    {
        if (in < 0 && out < 0)
            return;
        const int n = count();
        const reveal::RowPlanes add = reveal::rowPlanes(picture_, in >= 0 ? in : out);
        const reveal::RowPlanes sub = reveal::rowPlanes(picture_, out >= 0 ? out : in);
        const int addSign = in >= 0 ? 1 : 0;
        const int subSign = out >= 0 ? -1 : 0;
        if (bounds_) {
            slideSpans(w, in >= 0 ? in : out, out >= 0 ? out : in, addSign, subSign);
            return;
        }
        for (int x = 0; x < width_; ++x) {
            const std::uint8_t addPixel[3] = {add.red[x], add.green[x], add.blue[x]};
            const std::uint8_t subPixel[3] = {sub.red[x], sub.green[x], sub.blue[x]};
            // Left ends: pixel x against x + lo + k, while that lies in the row.
            const int leftCount = std::clamp(width_ - x - lo_, 0, n);
            if (leftCount > 0) {
                const std::uint8_t* addRight[3] = {add.red + x + lo_, add.green + x + lo_, add.blue + x + lo_};
                const std::uint8_t* subRight[3] = {sub.red + x + lo_, sub.green + x + lo_, sub.blue + x + lo_};
                slideCosts(w.columnLeft.data() + static_cast<std::size_t>(x) * n, leftCount, addPixel, addRight,
                           addSign, subPixel, subRight, subSign);
            }
            // Right ends: pixel x − hi + k against x, from the first k inside the row.
            const int first = std::clamp(hi_ - x, 0, n);
            if (first < n) {
                const int at = x - hi_ + first;
                const std::uint8_t* addLeft[3] = {add.red + at, add.green + at, add.blue + at};
                const std::uint8_t* subLeft[3] = {sub.red + at, sub.green + at, sub.blue + at};
                slideCosts(w.columnRight.data() + static_cast<std::size_t>(x) * n + first, n - first, addPixel,
                           addLeft, addSign, subPixel, subLeft, subSign);
            }
        }
    }

    // The row's nine planes (colours, lows, highs).
    Samples samples(int y) const
    {
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        return {picture_.red.data() + at,     picture_.green.data() + at,   picture_.blue.data() + at,
                bounds_->low[0].data() + at,  bounds_->low[1].data() + at,  bounds_->low[2].data() + at,
                bounds_->high[0].data() + at, bounds_->high[1].data() + at, bounds_->high[2].data() + at};
    }

    static Samples shifted(const Samples& s, int by)
    {
        Samples t;
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = s[i] + by;
        return t;
    }

    // slide, with the sampling-insensitive cost.
    void slideSpans(Worker& w, int in, int out, int addSign, int subSign) const
    {
        const int n = count();
        const Samples add = samples(in);
        const Samples sub = samples(out);
        for (int x = 0; x < width_; ++x) {
            std::uint8_t addPixel[9];
            std::uint8_t subPixel[9];
            for (std::size_t i = 0; i < 9; ++i) {
                addPixel[i] = add[i][x];
                subPixel[i] = sub[i][x];
            }
            const int leftCount = std::clamp(width_ - x - lo_, 0, n);
            if (leftCount > 0)
                slideSpanCosts(w.columnLeft.data() + static_cast<std::size_t>(x) * n, leftCount, addPixel,
                               shifted(add, x + lo_), addSign, subPixel, shifted(sub, x + lo_), subSign);
            const int first = std::clamp(hi_ - x, 0, n);
            if (first < n) {
                const int at = x - hi_ + first;
                slideSpanCosts(w.columnRight.data() + static_cast<std::size_t>(x) * n + first, n - first, addPixel,
                               shifted(add, at), addSign, subPixel, shifted(sub, at), subSign);
            }
        }
    }

    // The window costs of the row from one end: the column sums of the
    // window's columns, scaled to a full window where it reaches past the
    // top or bottom row. Windows that do not lie wholly inside the picture
    // cost a full mismatch.
    void windows(Worker& w, bool fromRight, int rowsInWindow) const
    {
        const int n = count();
        const int full = 2 * ry_ + 1;
        const std::uint16_t* column = fromRight ? w.columnRight.data() : w.columnLeft.data();
        for (int x = 0; x < width_; ++x) {
            std::uint16_t* out = w.window.data() + static_cast<std::size_t>(x) * n;
            int first = 0;
            int last = -1; // valid entries first … last
            if (x - rx_ >= 0 && x + rx_ < width_) {
                if (fromRight) {
                    first = std::max(0, hi_ + rx_ - x);
                    last = n - 1;
                } else {
                    last = std::min(n - 1, width_ - 1 - rx_ - x - lo_);
                }
            }
            if (last < first) {
                std::fill_n(out, n, mismatch_);
                continue;
            }
            std::fill_n(out, first, mismatch_);
            std::fill(out + last + 1, out + n, mismatch_);
            const std::uint16_t* centre = column + static_cast<std::size_t>(x) * n;
            if (rx_ == 0) {
                std::copy(centre + first, centre + last + 1, out + first);
            } else {
                for (int k = first; k <= last; ++k) {
                    unsigned v = 0;
                    for (int i = -rx_; i <= rx_; ++i)
                        v += centre[static_cast<std::ptrdiff_t>(i) * n + k];
                    out[k] = static_cast<std::uint16_t>(v);
                }
            }
            if (rowsInWindow != full) {
                for (int k = first; k <= last; ++k)
                    out[k] = static_cast<std::uint16_t>(static_cast<unsigned>(out[k]) * full / rowsInWindow);
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
            const std::uint16_t* c = w.window.data() + static_cast<std::size_t>(x) * n;
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
                std::uint16_t best = kPad;
                for (int k = 0; k < n; ++k) {
                    const auto v = static_cast<std::uint16_t>(t[k] + current[k]);
                    t[k] = v;
                    best = std::min(best, v);
                }
                w.least[static_cast<std::size_t>(x)] = best;
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
            const std::uint16_t* c = w.window.data() + static_cast<std::size_t>(x) * n;
            // The least total (found by the second pass) and the sum of the
            // costs first, then the smallest separation with that total:
            // the first entry from the left ends, the last from the right
            // ends.
            const std::uint16_t least = w.least[static_cast<std::size_t>(x)];
            std::uint32_t sum = 0;
            for (int k = 0; k < n; ++k)
                sum += c[k];
            int best = 0;
            if (fromRight) {
                best = n - 1;
                while (t[best] != least)
                    --best;
            } else {
                while (t[best] != least)
                    ++best;
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
            out[static_cast<std::size_t>(x)] = fromRight ? static_cast<float>(hi_ - best) - fraction
                                                         : static_cast<float>(lo_ + best) + fraction;
        }
    }

    void matchRow(Worker& w, int y, float* out) const
    {
        const int rows = std::min(height_ - 1, y + ry_) - std::max(0, y - ry_) + 1;
        for (bool fromRight : {false, true}) {
            windows(w, fromRight, rows);
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
    const reveal::RgbBounds* bounds_;
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
    const bool spans = reveal::comparesSpans(planes);
    const reveal::Window window = reveal::chooseWindow(reveal::distinctness(planes, lo), spans);
    reveal::RgbBounds bounds;
    if (spans)
        bounds = reveal::sampledBounds(planes);
    Matcher matcher(planes, spans ? &bounds : nullptr, lo, hi, window.rx, window.ry);
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
