// Filling the depth revealer's holes: what one eye cannot see, flat
// colour and the strips at the ends of the rows, where matches that stand
// in for separations that cannot be tried are dropped first.

#include "RevealMatcher.h"

#include <algorithm>
#include <cmath>

namespace engine::reveal {

// Holes are filled from the nearest matched pixels either side in their
// row. A hole about as wide as the step between them (or narrower) is what
// one eye cannot see beside an edge: it belongs to the farther surface, the
// larger separation. Any other hole lies on one surface and is bridged in a
// straight line. The ends of a row, where pairs would reach beyond the
// picture, continue the nearest matched pixel beside them.
// Rows with no match at all take the nearest row that has one. Returns
// false when nothing matched.
constexpr float kJumpShare = 1.0f;

namespace {

// One strip: start is its inner end, step the way out of the picture.
void dropOutwards(float* row, int width, int start, int step)
{
    float kept = kHole;
    for (int x = start; x >= 0 && x < width && kept == kHole; x -= step)
        kept = row[x];
    if (kept == kHole)
        return;
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
        dropOutwards(row, width, strip, -1);
        dropOutwards(row, width, width - 1 - strip, 1);
    }
}

bool fillHoles(std::vector<float>& sep, int width, int height)
{
    std::vector<char> empty(static_cast<std::size_t>(height), 0);
    bool any = false;
    for (int y = 0; y < height; ++y) {
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
                const float nearest = previous >= 0 ? row[previous] : x < width ? row[x] : kHole;
                std::fill(row + previous + 1, row + x, nearest);
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

} // namespace engine::reveal
