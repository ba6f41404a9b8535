#pragma once
// The depth revealer's matcher: every row of the picture against itself
// over a range of separations, by windows whose costs are kept as running
// sums down the picture and smoothed along the row; each pair is kept when
// its two ends agree.

#include "RevealCost.h"

#include "engine/Reveal.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {
class RowWorkers;
}

namespace engine::reveal {

// A pixel the matcher left without a separation.
inline constexpr float kHole = -1.0f;
// Beyond the separations searched: far above any path cost, and still
// within 16 bits after a step is added.
inline constexpr std::uint16_t kPad = 0x7FFF;

// One row's colours and their sampled spans: red, green, blue, their lows,
// their highs.
using Samples = std::array<const std::uint8_t*, 9>;

// One worker's buffers, each a row of the picture by the separations
// searched, [x][k]: seen from the left ends of the pairs, entry k of pixel x
// is separation lo + k (pixel x against x + lo + k); seen from the right
// ends it is separation hi − k (pixel x − hi + k against x), so that in
// both the pixels compared lie side by side in memory.
struct Worker {
    // The sums of the pixel costs down the window's rows, for each end (the
    // right ends' worked out from the left ends' for each row).
    std::vector<std::uint16_t> columnLeft, columnRight;
    // With a line: the pixel costs of the current row alone, seen from
    // the left ends, each the least of its separation and the two beside
    // it, and their sums along the line centred on each pixel.
    std::vector<std::uint16_t> rowCosts, lineCosts;
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

class Matcher {
public:
    // With bounds, pixels are compared by the sampling-insensitive cost.
    Matcher(const RgbPlanes& picture, const reveal::RgbBounds* bounds, int lo, int hi, Window window)
        : picture_(picture), bounds_(bounds), width_(picture.width), height_(picture.height), lo_(lo), hi_(hi),
          rx_(window.rx), ry_(window.ry), line_(bounds ? 0 : window.line)
    {
        const int pixels = (2 * rx_ + 1) * (2 * ry_ + 1);
        // A window along one row: a line of as many pixels, each at the
        // line's own separation (no slope within it), in place of the
        // window.
        if (window.alongRow && !bounds) {
            line_ = (pixels - 1) / 2;
            slope_ = false;
            lineOnly_ = true;
        }
        mismatch_ = static_cast<std::uint16_t>(pixels * kTruncate);
        // The line's cost is scaled to the window's pixels, in 256ths.
        lineScale_ = line_ > 0 ? static_cast<std::uint32_t>((pixels << 8) / (2 * line_ + 1)) : 0;
        smoothing_.small = static_cast<std::uint16_t>(pixels * kTruncate / 8);
        smoothing_.large = static_cast<std::uint16_t>(pixels * kTruncate / 2);
    }

    int count() const { return hi_ - lo_ + 1; }

    std::size_t bytesPerWorker() const
    {
        const std::size_t planes = line_ > 0 ? 6 : 4;
        return static_cast<std::size_t>(width_) * static_cast<std::size_t>(count()) * 2 * planes +
               static_cast<std::size_t>(width_) * 8;
    }

    void prepare(Worker& w) const
    {
        const std::size_t plane = static_cast<std::size_t>(count()) * static_cast<std::size_t>(width_);
        w.columnLeft.assign(plane, 0);
        w.columnRight.assign(plane, 0);
        if (line_ > 0) {
            w.rowCosts.assign(plane, 0);
            w.lineCosts.assign(plane, 0);
        }
        w.window.assign(plane, mismatch_);
        w.total.resize(plane);
        w.previous.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.current.assign(static_cast<std::size_t>(count()) + 2, kPad);
        w.left.resize(static_cast<std::size_t>(width_));
        w.right.resize(static_cast<std::size_t>(width_));
        w.least.resize(static_cast<std::size_t>(width_));
    }

    // Matches rows begin … end − 1 into out (their rows one after another,
    // row begin first); holes are kHole. rowDone is called after every row and returns
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
            matchRow(w, y, out + static_cast<std::size_t>(y - begin) * static_cast<std::size_t>(width_));
            if (!rowDone())
                return;
        }
    }

private:
    // Row in comes into the column sums and row out leaves them (−1: none).
    void slide(Worker& w, int in, int out) const;

    // The row's nine planes (colours, lows, highs).
    Samples samples(int y) const;

    static Samples shifted(const Samples& s, int by);

    // slide, with the sampling-insensitive cost.
    void slideSpans(Worker& w, int in, int out, int addSign, int subSign) const;

    // The right ends' column sums from the left ends'.
    void mirror(Worker& w) const;

    // The window costs of the row from one end: the column sums of the
    // window's columns, scaled to a full window where it reaches past the
    // top or bottom row. Windows that do not lie wholly inside the picture
    // cost a full mismatch.
    void windows(Worker& w, bool fromRight, int rowsInWindow) const;

    // The row's own pixel costs for the line, each the least of three
    // neighbouring separations (along a slope the separation changes
    // within the line, by up to one from pixel to pixel) unless slope_ is
    // off, and their sums along the line. Lines are for plain colour
    // costs, not spans.
    void lineCosts(Worker& w, int y) const;

    // Where the line's cost, scaled to the window's pixels, is lower than
    // the window's, it stands in (at pixel x, from one end).
    void lineInto(Worker& w, bool fromRight, int x, int first, int last, std::uint16_t* out) const;

    // The two passes along the row: from the left, starting the totals
    // with its path costs; from the right, adding its own and keeping each
    // pixel's least total.
    void forwardPass(Worker& w) const;
    void backwardPass(Worker& w) const;

    // Each pixel's separation from the smoothed costs of one end, with the
    // fraction of a parabola through its neighbours; kHole where even the
    // best does not repeat (its window costs more than a quarter of a full
    // mismatch), where the window is one flat colour, or where the window
    // repeats as well two separations either side and the row around it
    // does not settle which (flat patches of a pattern).
    void settle(Worker& w, bool fromRight, std::vector<float>& out) const;

    void matchRow(Worker& w, int y, float* out) const;

    const RgbPlanes& picture_;
    const reveal::RgbBounds* bounds_;
    int width_;
    int height_;
    int lo_;
    int hi_;
    int rx_;
    int ry_;
    int line_;
    bool slope_ = true;     // each pixel of the line takes the best of three separations
    bool lineOnly_ = false; // the line alone, with no window
    std::uint32_t lineScale_ = 0;
    std::uint16_t mismatch_ = 0;
    Smoothing smoothing_{};
};

// Fills the holes of a separation field (width × height, rows from the
// top) from the matched pixels around them, with the workers given (or on
// this thread alone). Returns false when nothing matched.
bool fillHoles(std::vector<float>& sep, int width, int height, RowWorkers* workers = nullptr);

// The median of seven values.
float medianOfSeven(float v0, float v1, float v2, float v3, float v4, float v5, float v6);

// Smooths a filled separation field (width × height, rows from the top) by
// a median of seven down the columns and then along the rows: wrong
// matches and the streaks they leave go, edges stay.
void smoothSeparations(std::vector<float>& sep, int width, int height, RowWorkers* workers = nullptr);

// Within half the widest separation of either end of a row, pairs of the
// farther separations would reach out of the picture and cannot be tried;
// where the true separation is among them the matcher settles on the best
// of the nearer ones. Walking outwards from the inner end of each such
// strip, a match nearer (of a smaller separation) by more than
// kEdgeStandIn than the last one kept is such a stand-in and becomes a
// hole, which fillHoles fills from what was kept. Where the row steps to a
// farther surface a little way in from the strip, the walk starts at the
// step: what lies nearer before it is a repeat of a pattern tile's own.
constexpr float kEdgeStandIn = 2.0f;
void dropEdgeStandIns(std::vector<float>& sep, int width, int height, int widest);

} // namespace engine::reveal
