#pragma once
// The strips at the ends of the depth revealer's rows, filled from the
// matched part beside them, and the loop over rows the filling shares.

#include "RowWorkers.h"

#include <functional>
#include <vector>

namespace engine::reveal {

// Runs fn(i) for i = 0 … count − 1, shared among the workers where there
// are any.
inline void forEach(RowWorkers* workers, int count, const std::function<void(int i)>& fn)
{
    const auto span = [&](int begin, int end) {
        for (int i = begin; i < end; ++i)
            fn(i);
    };
    if (workers)
        workers->run(count, [&](int, std::int32_t begin, std::int32_t end) { span(begin, end); });
    else
        span(0, count);
}

// In each of these, end[y] is row y's first (step 1) or last (step −1)
// matched pixel, −1 in a row with none, and step the way into the picture
// from that end.

// Re-fills the rows' unmatched ends along the lines of equal depth beside
// them, where those run straight and slanted.
void followLines(std::vector<float>& sep, int width, int height, const std::vector<int>& end, int step,
                 RowWorkers* workers);

// Each row's end value: the median of the end matches of the rows around.
std::vector<float> endValues(const std::vector<float>& sep, int width, int height, const std::vector<int>& end);

// Each row's slope at its end (separation per pixel outwards, step the way
// out of the picture), where the rows around run straight up to their ends.
std::vector<float> endSlopes(const std::vector<float>& sep, int width, int height, const std::vector<int>& end,
                             int step);

// Re-fills the rows' unmatched ends by the repeat the depth beside them
// shows, in bands of rows, where it continues the matched part far better
// than the nearest pixel does.
void continueRepeats(std::vector<float>& sep, int width, const std::vector<int>& first, const std::vector<int>& last,
                     int step, RowWorkers* workers);

// Where a row's end lies beside a nearer surface, its end value becomes the
// farther of the open ends of the rows around.
void continueBehind(std::vector<float>& values, const std::vector<float>& sep, int width, const std::vector<int>& end,
                    int step);

} // namespace engine::reveal
