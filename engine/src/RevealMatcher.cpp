// The depth revealer's matcher: the running window costs, the smoothing
// along each row and the pairing of the two ends.

#include "RevealMatcher.h"
#include "WideLoops.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The loops below run on many separations at once (DOTSCAPE_WIDE_LOOPS).

namespace engine::reveal {

namespace {

// The loops over the separations take them 16 at a time (16-bit entries,
// one vector register; see inBlocks).
constexpr int kBlock = 16;

// The truncated colour difference of (r, g, b) and (red[k], green[k], blue[k]).
inline std::uint8_t difference(std::uint8_t a, std::uint8_t b)
{
    return static_cast<std::uint8_t>(std::max(a, b) - std::min(a, b));
}

inline std::uint16_t costTo(std::uint8_t r, std::uint8_t g, std::uint8_t b, const std::uint8_t* __restrict red,
                            const std::uint8_t* __restrict green, const std::uint8_t* __restrict blue, int k)
{
    // Each channel truncated first, so that the sum stays within a byte
    // (the same result: a channel over the limit makes the sum over it).
    constexpr auto limit = static_cast<std::uint8_t>(kTruncate);
    const auto sum = static_cast<std::uint8_t>(std::min(difference(r, red[k]), limit) +
                                               std::min(difference(g, green[k]), limit) +
                                               std::min(difference(b, blue[k]), limit));
    return std::min(sum, limit);
}

// Calls f(k, true) for k = begin … end − 1, many at a time. A vector loop
// would leave the last (end − begin) % Block entries to one at a time, which
// costs as much as the rest: they come as one more block that ends at end,
// and the entries of it done already come again with live false, for f to
// change nothing there. Block is a register's entries: kBlock of 16 bits,
// twice as many of 8.
template <int Block = kBlock, class F>
[[gnu::always_inline]] inline void inBlocks(int begin, int end, F f)
{
    const int count = end - begin;
    if (count < Block) {
        for (int k = begin; k < end; ++k)
            f(k, true);
        return;
    }
    const int body = end - count % Block;
    for (int k = begin; k < body; ++k)
        f(k, true);
    if (body == end)
        return;
    const int start = end - Block;
    for (int j = 0; j < Block; ++j)
        f(start + j, start + j >= body);
}

// out[k] += change(k) for k < n, with 16-bit wrapping.
template <class Change>
[[gnu::always_inline]] inline void addChanges(std::uint16_t* __restrict out, int n, Change change)
{
    inBlocks(0, n, [&](int k, bool live) {
        const std::uint16_t c = change(k);
        out[k] = static_cast<std::uint16_t>(out[k] + (live ? c : std::uint16_t{0}));
    });
}

// One pixel against the k-th of n pixels side by side (the plane pointers
// set at the first), for two rows at once: out[k] += sign × cost; either
// row may be absent (sign 0). The pointers are declared unaliased so that
// the loop runs on many pixels at once.
DOTSCAPE_WIDE_LOOPS void slideCosts(std::uint16_t* __restrict out, int n, const std::uint8_t* one, const std::uint8_t* const* many,
                int oneSign, const std::uint8_t* other, const std::uint8_t* const* others, int otherSign)
{
    const std::uint8_t* __restrict r1 = many[0];
    const std::uint8_t* __restrict g1 = many[1];
    const std::uint8_t* __restrict b1 = many[2];
    const std::uint8_t* __restrict r2 = others[0];
    const std::uint8_t* __restrict g2 = others[1];
    const std::uint8_t* __restrict b2 = others[2];
    const std::uint8_t o0 = one[0], o1 = one[1], o2 = one[2];
    const std::uint8_t p0 = other[0], p1 = other[1], p2 = other[2];
    if (oneSign != 0 && otherSign != 0) {
        addChanges(out, n, [&](int k) {
            return static_cast<std::uint16_t>(costTo(o0, o1, o2, r1, g1, b1, k) - costTo(p0, p1, p2, r2, g2, b2, k));
        });
    } else if (oneSign != 0) {
        addChanges(out, n, [&](int k) { return costTo(o0, o1, o2, r1, g1, b1, k); });
    } else if (otherSign != 0) {
        addChanges(out, n, [&](int k) { return static_cast<std::uint16_t>(-costTo(p0, p1, p2, r2, g2, b2, k)); });
    }
}

// The sampling-insensitive costs of a pixel (its nine values in one: the
// colour, the spans' lows and highs) and each of n pixels side by side (the
// planes v, l, h set at the first), into costs: per channel, the lesser of
// how far each one's colour lies outside the other's span.
[[gnu::always_inline]] inline void spanCostsInto(std::uint16_t* __restrict costs, int n, const std::uint8_t* one,
                                                 const std::uint8_t* __restrict v0, const std::uint8_t* __restrict v1,
                                                 const std::uint8_t* __restrict v2, const std::uint8_t* __restrict l0,
                                                 const std::uint8_t* __restrict l1, const std::uint8_t* __restrict l2,
                                                 const std::uint8_t* __restrict h0, const std::uint8_t* __restrict h1,
                                                 const std::uint8_t* __restrict h2)
{
    const std::uint8_t c0 = one[0], c1 = one[1], c2 = one[2];
    const std::uint8_t lo0 = one[3], lo1 = one[4], lo2 = one[5];
    const std::uint8_t hi0 = one[6], hi1 = one[7], hi2 = one[8];
    // An entry worked out twice (in the last block) comes out alike.
    inBlocks<2 * kBlock>(0, n, [&](int k, bool) {
        const unsigned sum = spanChannel(c0, lo0, hi0, v0[k], l0[k], h0[k]) +
                             spanChannel(c1, lo1, hi1, v1[k], l1[k], h1[k]) +
                             spanChannel(c2, lo2, hi2, v2[k], l2[k], h2[k]);
        costs[k] = static_cast<std::uint16_t>(std::min(sum, static_cast<unsigned>(kTruncate)));
    });
}

[[gnu::always_inline]] inline void spanCostsInto(std::uint16_t* __restrict costs, int n, const std::uint8_t* one,
                                                 const Samples& many)
{
    spanCostsInto(costs, n, one, many[0], many[1], many[2], many[3], many[4], many[5], many[6], many[7], many[8]);
}

// As slideCosts, with the sampling-insensitive cost; scratch holds two
// rows of n costs.
DOTSCAPE_WIDE_LOOPS void slideSpanCosts(std::uint16_t* __restrict out, int n, const std::uint8_t* one,
                                        const Samples& many, int oneSign, const std::uint8_t* other,
                                        const Samples& others, int otherSign, std::uint16_t* __restrict scratch)
{
    std::uint16_t* __restrict added = scratch;
    std::uint16_t* __restrict taken = scratch + n;
    if (oneSign != 0)
        spanCostsInto(added, n, one, many);
    if (otherSign != 0)
        spanCostsInto(taken, n, other, others);
    if (oneSign != 0 && otherSign != 0)
        addChanges(out, n, [&](int k) { return static_cast<std::uint16_t>(added[k] - taken[k]); });
    else if (oneSign != 0)
        addChanges(out, n, [&](int k) { return added[k]; });
    else if (otherSign != 0)
        addChanges(out, n, [&](int k) { return static_cast<std::uint16_t>(-taken[k]); });
}

} // namespace

void Matcher::slide(Worker& w, int in, int out) const
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
        // Pixel x against x + lo + k, while that lies in the row. The costs
        // are the same seen from either end: the right ends' sums are the
        // left ends' read along a diagonal (mirror).
        const int leftCount = std::clamp(width_ - x - lo_, 0, n);
        if (leftCount > 0) {
            const std::uint8_t* addRight[3] = {add.red + x + lo_, add.green + x + lo_, add.blue + x + lo_};
            const std::uint8_t* subRight[3] = {sub.red + x + lo_, sub.green + x + lo_, sub.blue + x + lo_};
            slideCosts(w.columnLeft.data() + static_cast<std::size_t>(x) * n, leftCount, addPixel, addRight,
                       addSign, subPixel, subRight, subSign);
        }
    }
}

Samples Matcher::samples(int y) const
{
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    return {picture_.red.data() + at,     picture_.green.data() + at,   picture_.blue.data() + at,
            bounds_->low[0].data() + at,  bounds_->low[1].data() + at,  bounds_->low[2].data() + at,
            bounds_->high[0].data() + at, bounds_->high[1].data() + at, bounds_->high[2].data() + at};
}

Samples Matcher::shifted(const Samples& s, int by)
{
    Samples t;
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = s[i] + by;
    return t;
}

void Matcher::slideSpans(Worker& w, int in, int out, int addSign, int subSign) const
{
    const int n = count();
    const Samples add = samples(in);
    const Samples sub = samples(out);
    // The windows are free until windows() fills them.
    std::uint16_t* scratch = w.window.data();
    for (int x = 0; x < width_; ++x) {
        std::uint8_t addPixel[9];
        std::uint8_t subPixel[9];
        for (std::size_t i = 0; i < 9; ++i) {
            addPixel[i] = add[i][x];
            subPixel[i] = sub[i][x];
        }
        const int leftCount = std::clamp(width_ - x - lo_, 0, n);
        if (leftCount <= 0)
            continue;
        slideSpanCosts(w.columnLeft.data() + static_cast<std::size_t>(x) * n, leftCount, addPixel,
                       shifted(add, x + lo_), addSign, subPixel, shifted(sub, x + lo_), subSign, scratch);
    }
}

void Matcher::mirror(Worker& w) const
{
    const int n = count();
    const std::uint16_t* left = w.columnLeft.data();
    std::uint16_t* right = w.columnRight.data();
    for (int x = 0; x < width_; ++x) {
        // Entry k of pixel x, from the first k whose pair lies in the row:
        // the pair of separation hi − k from x − hi + k, the left ends'
        // entry n − 1 − k there.
        const int first = std::clamp(hi_ - x, 0, n);
        if (first == n)
            continue;
        const std::uint16_t* from =
            left + (static_cast<std::ptrdiff_t>(x) - hi_ + first) * n + (n - 1 - first);
        std::uint16_t* out = right + static_cast<std::size_t>(x) * n;
        for (int k = first; k < n; ++k, from += n - 1)
            out[k] = *from;
    }
}

DOTSCAPE_WIDE_LOOPS void Matcher::windows(Worker& w, bool fromRight, int rowsInWindow) const
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
            // Column by column, in 16 bits: the sum wraps as the kept
            // 16-bit window cost does.
            std::uint16_t* __restrict sum = out;
            const std::uint16_t* __restrict from = centre - static_cast<std::ptrdiff_t>(rx_) * n;
            for (int k = first; k <= last; ++k)
                sum[k] = from[k];
            for (int i = 1; i <= 2 * rx_; ++i) {
                const std::uint16_t* __restrict add = from + static_cast<std::ptrdiff_t>(i) * n;
                for (int k = first; k <= last; ++k)
                    sum[k] = static_cast<std::uint16_t>(sum[k] + add[k]);
            }
        }
        if (rowsInWindow != full) {
            for (int k = first; k <= last; ++k)
                out[k] = static_cast<std::uint16_t>(static_cast<unsigned>(out[k]) * full / rowsInWindow);
        }
        if (lineOnly_)
            std::fill(out + first, out + last + 1, mismatch_);
        if (line_ > 0)
            lineInto(w, fromRight, x, first, last, out);
    }
}

DOTSCAPE_WIDE_LOOPS void Matcher::lineCosts(Worker& w, int y) const
{
    const int n = count();
    const int span = 2 * line_ + 1;
    std::uint16_t* __restrict costs = w.window.data(); // free until windows() fills it
    std::uint16_t* __restrict own = w.rowCosts.data();
    std::uint16_t* __restrict sums = w.lineCosts.data();
    const reveal::RowPlanes row = reveal::rowPlanes(picture_, y);
    for (int x = 0; x < width_; ++x) {
        // Pixel x against x + lo + k, for the k whose pair lies in the row;
        // the others are never written and stay 0.
        const int last = std::min(width_ - x - lo_, n) - 1;
        if (last >= 0) {
            const std::uint8_t r = row.red[x], g = row.green[x], b = row.blue[x];
            const std::uint8_t* __restrict red = row.red + x + lo_;
            const std::uint8_t* __restrict green = row.green + x + lo_;
            const std::uint8_t* __restrict blue = row.blue + x + lo_;
            inBlocks(0, last + 1, [&](int k, bool) { costs[k] = costTo(r, g, b, red, green, blue, k); });
            std::uint16_t* __restrict c = own + static_cast<std::size_t>(x) * n;
            if (last == 0 || !slope_) {
                for (int k = 0; k <= last; ++k)
                    c[k] = costs[k];
            } else {
                c[0] = std::min(costs[0], costs[1]);
                for (int k = 1; k < last; ++k)
                    c[k] = std::min({costs[k - 1], costs[k], costs[k + 1]});
                c[last] = std::min(costs[last - 1], costs[last]);
            }
        }
        // The sums of the line whose first pixel this is, with 16-bit
        // wrapping (only entries of pairs that lie in the row for the whole
        // line are read: lineInto).
        const int centre = x - line_;
        if (centre < line_)
            continue;
        std::uint16_t* __restrict now = sums + static_cast<std::size_t>(centre) * n;
        const std::uint16_t* __restrict in = own + static_cast<std::size_t>(x) * n;
        if (centre == line_) {
            std::fill_n(now, n, 0);
            for (int i = 0; i < span; ++i)
                addChanges(now, n, [&](int k) { return own[static_cast<std::size_t>(i) * n + k]; });
            continue;
        }
        const std::uint16_t* __restrict before = now - n;
        const std::uint16_t* __restrict out = in - static_cast<std::size_t>(span) * n;
        for (int k = 0; k < n; ++k)
            now[k] = static_cast<std::uint16_t>(before[k] + in[k] - out[k]);
    }
}

DOTSCAPE_WIDE_LOOPS void Matcher::lineInto(Worker& w, bool fromRight, int x, int first, int last,
                                           std::uint16_t* __restrict out) const
{
    if (x - line_ < 0 || x + line_ >= width_)
        return;
    const int n = count();
    const std::uint32_t scale = lineScale_;
    const std::uint16_t* __restrict sums = w.lineCosts.data();
    // Only the entries whose pairs lie in the row for every pixel of the
    // line. From the right ends, entry k is the pair of separation
    // hi − k whose left end is x − hi + k: its line lies along a diagonal
    // of the sums.
    if (fromRight) {
        first = std::max(first, hi_ + line_ - x);
        const std::uint16_t* diagonal =
            sums + static_cast<std::ptrdiff_t>(x - hi_) * n + (hi_ - lo_);
        for (int k = first; k <= last; ++k) {
            const std::uint16_t v = diagonal[static_cast<std::ptrdiff_t>(k) * (n - 1)];
            out[k] = std::min(out[k], static_cast<std::uint16_t>((v * scale) >> 8));
        }
        return;
    }
    last = std::min(last, width_ - 1 - line_ - x - lo_);
    const std::uint16_t* __restrict sum = sums + static_cast<std::size_t>(x) * n;
    for (int k = first; k <= last; ++k)
        out[k] = std::min(out[k], static_cast<std::uint16_t>((sum[k] * scale) >> 8));
}

namespace {

// One pixel's path costs for separations begin … end − 1 from those of the
// pixel before: keeping the separation costs nothing more, a step of one
// costs small, any larger step jump; every cost is taken less the least
// cost of the pixel before. Returns the lowest of them and lowest. Each
// entry depends only on the pixel before, so one worked out twice (in the
// last block of inBlocks) comes out alike.
[[gnu::always_inline]] inline std::uint16_t relax(const std::uint16_t* __restrict before,
                                                  const std::uint16_t* __restrict cost, std::uint16_t* __restrict now,
                                                  int begin, int end, std::uint16_t jump, std::uint16_t small,
                                                  std::uint16_t least, std::uint16_t lowest)
{
    inBlocks(begin, end, [&](int k, bool) {
        std::uint16_t v = std::min(before[k], jump);
        v = std::min(v, static_cast<std::uint16_t>(before[k - 1] + small));
        v = std::min(v, static_cast<std::uint16_t>(before[k + 1] + small));
        const auto r = static_cast<std::uint16_t>(cost[k] + v - least);
        now[k] = r;
        lowest = std::min(lowest, r);
    });
    return lowest;
}

// The sum of a[k] + b[k] written to a[k], and the least of them.
[[gnu::always_inline]] inline std::uint16_t addAndLeast(std::uint16_t* __restrict a, const std::uint16_t* __restrict b,
                                                        int n)
{
    std::uint16_t best = kPad;
    inBlocks(0, n, [&](int k, bool live) {
        const auto v = static_cast<std::uint16_t>(a[k] + (live ? b[k] : std::uint16_t{0}));
        a[k] = v;
        best = std::min(best, v);
    });
    return best;
}

// The sum of c[0] … c[n − 1].
[[gnu::always_inline]] inline std::uint32_t sumOf(const std::uint16_t* __restrict c, int n)
{
    std::uint32_t sum = 0;
    inBlocks(0, n, [&](int k, bool live) { sum += live ? c[k] : 0u; });
    return sum;
}

// The first k (or the last, backwards) with t[k] == v, which the caller
// knows is there: eight entries are compared at once before one at a time.
[[gnu::always_inline]] inline int firstEqual(const std::uint16_t* __restrict t, int n, std::uint16_t v)
{
    int k = 0;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi16(static_cast<short>(v));
    for (; k + 8 <= n; k += 8) {
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + k)), want));
        if (hits != 0)
            return k + __builtin_ctz(static_cast<unsigned>(hits)) / 2;
    }
#endif
    while (t[k] != v)
        ++k;
    return k;
}

[[gnu::always_inline]] inline int lastEqual(const std::uint16_t* __restrict t, int n, std::uint16_t v)
{
    int k = n - 1;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi16(static_cast<short>(v));
    for (; k - 7 >= 0; k -= 8) {
        const int hits =
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + k - 7)), want));
        if (hits != 0)
            return k - 7 + (31 - __builtin_clz(static_cast<unsigned>(hits))) / 2;
    }
#endif
    while (t[k] != v)
        --k;
    return k;
}

// Whether a pixel's best separation is a guess: its window repeats as well
// two separations either side (flat colour, or edges running along the
// row, which a shift along the row does not change), and the smoothed
// totals there are within a large step of the best, so that the pixels
// around it do not settle it either. Beyond the ends of the separations
// searched counts as alike (a flat patch in a pattern otherwise settles on
// the nearest separation tried).
[[gnu::always_inline]] inline bool undecided(const std::uint16_t* cost, const std::uint16_t* total, int best, int n,
                                             std::uint16_t large)
{
    auto alike = [&](int k) {
        return k < 0 || k >= n || (cost[k] <= cost[best] && total[k] <= total[best] + large);
    };
    return alike(best - 2) && alike(best + 2);
}

} // namespace

// The first pass, from the left, writes each pixel's path costs straight
// into its totals and reads the pixel before from there: the ends of the
// separations, which have a neighbour on one side only, are taken apart.
DOTSCAPE_WIDE_LOOPS void Matcher::forwardPass(Worker& w) const
{
    const int n = count();
    const std::uint16_t small = smoothing_.small;
    std::uint16_t least = 0;
    for (int x = 0; x < width_; ++x) {
        const std::uint16_t* __restrict cost = w.window.data() + static_cast<std::size_t>(x) * n;
        std::uint16_t* __restrict now = w.total.data() + static_cast<std::size_t>(x) * n;
        std::uint16_t lowest = kPad;
        if (x == 0) {
            for (int k = 0; k < n; ++k) {
                now[k] = cost[k];
                lowest = std::min(lowest, cost[k]);
            }
            least = lowest;
            continue;
        }
        const std::uint16_t* __restrict before = now - n;
        const auto jump = static_cast<std::uint16_t>(least + smoothing_.large);
        auto end = [&](int k, std::uint16_t v) {
            const auto r = static_cast<std::uint16_t>(cost[k] + v - least);
            now[k] = r;
            lowest = std::min(lowest, r);
        };
        if (n == 1) {
            end(0, std::min(before[0], jump));
        } else {
            end(0, std::min({before[0], jump, static_cast<std::uint16_t>(before[1] + small)}));
            lowest = relax(before, cost, now, 1, n - 1, jump, small, least, lowest);
            end(n - 1, std::min({before[n - 1], jump, static_cast<std::uint16_t>(before[n - 2] + small)}));
        }
        least = lowest;
    }
}

// The second pass, from the right, through two rows of path costs with a
// spare entry either side, adds its costs into the totals and keeps each
// pixel's least total.
DOTSCAPE_WIDE_LOOPS void Matcher::backwardPass(Worker& w) const
{
    const int n = count();
    std::uint16_t* previous = w.previous.data() + 1;
    std::uint16_t* current = w.current.data() + 1;
    const std::uint16_t small = smoothing_.small;
    std::uint16_t least = 0;
    for (int i = 0; i < width_; ++i) {
        const int x = width_ - 1 - i;
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
            lowest = relax(previous, c, current, 0, n, jump, small, least, lowest);
        }
        least = lowest;
        w.least[static_cast<std::size_t>(x)] = addAndLeast(t, current, n);
        std::swap(previous, current);
    }
}

DOTSCAPE_WIDE_LOOPS void Matcher::settle(Worker& w, bool fromRight, std::vector<float>& out) const
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
        const std::uint32_t sum = sumOf(c, n);
        const int best = fromRight ? lastEqual(t, n, least) : firstEqual(t, n, least);
        out[static_cast<std::size_t>(x)] = kHole;
        if (2u * c[best] > mismatch_ || sum < static_cast<std::uint32_t>(n) * mismatch_ / 32 ||
            2u * c[best] * static_cast<std::uint32_t>(n) > sum)
            continue;
        if (undecided(c, t, best, n, smoothing_.large))
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

void Matcher::matchRow(Worker& w, int y, float* out) const
{
    const int rows = std::min(height_ - 1, y + ry_) - std::max(0, y - ry_) + 1;
    if (line_ > 0)
        lineCosts(w, y);
    for (bool fromRight : {false, true}) {
        if (fromRight)
            mirror(w);
        windows(w, fromRight, rows);
        forwardPass(w);
        backwardPass(w);
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

} // namespace engine::reveal
