#include "platform/NearestColour.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int kCells = 32;
constexpr int kCellSize = 256 / kCells;

// Squared distance along one axis from v to the span [low, high].
int toSpan(int v, int low, int high)
{
    const int d = v < low ? low - v : (v > high ? v - high : 0);
    return d * d;
}

// Squared distance along one axis from v to the farther end of [low, high].
int toFarEnd(int v, int low, int high)
{
    const int d = std::max(v - low, high - v);
    return d * d;
}

} // namespace

NearestColour::NearestColour(const Palette& palette) : entries_(palette.entries().begin(), palette.entries().end())
{
    first_.assign(kCells * kCells * kCells + 1, 0);
    if (entries_.empty())
        return;
    candidates_.reserve(std::size_t{kCells} * kCells * kCells * 8);
    // An entry whose colour an earlier entry has already can never be the
    // answer: the lowest index wins a tie.
    std::vector<bool> repeated(entries_.size(), false);
    for (std::size_t i = 0; i < entries_.size(); ++i)
        for (std::size_t j = 0; j < i && !repeated[i]; ++j)
            repeated[i] = entries_[j].peRed == entries_[i].peRed && entries_[j].peGreen == entries_[i].peGreen &&
                          entries_[j].peBlue == entries_[i].peBlue;
    std::vector<int> nearDistance(entries_.size());
    std::size_t cell = 0;
    for (int cr = 0; cr < kCells; ++cr) {
        for (int cg = 0; cg < kCells; ++cg) {
            for (int cb = 0; cb < kCells; ++cb, ++cell) {
                const int r0 = cr * kCellSize, g0 = cg * kCellSize, b0 = cb * kCellSize;
                const int r1 = r0 + kCellSize - 1, g1 = g0 + kCellSize - 1, b1 = b0 + kCellSize - 1;
                // Every colour of the cell lies within `bound` of some entry.
                int bound = 1 << 30;
                for (std::size_t i = 0; i < entries_.size(); ++i) {
                    const PALETTEENTRY& e = entries_[i];
                    nearDistance[i] = toSpan(e.peRed, r0, r1) + toSpan(e.peGreen, g0, g1) + toSpan(e.peBlue, b0, b1);
                    bound = std::min(bound, toFarEnd(e.peRed, r0, r1) + toFarEnd(e.peGreen, g0, g1) +
                                                toFarEnd(e.peBlue, b0, b1));
                }
                // Entries farther than that from the whole cell are beaten
                // (strictly) everywhere in it; ties stay candidates.
                first_[cell] = static_cast<std::uint32_t>(candidates_.size());
                for (std::size_t i = 0; i < entries_.size(); ++i)
                    if (!repeated[i] && nearDistance[i] <= bound)
                        candidates_.push_back({nearDistance[i], static_cast<std::uint8_t>(i)});
                std::stable_sort(candidates_.begin() + first_[cell], candidates_.end(),
                                 [](const Candidate& a, const Candidate& b) { return a.cellDistance < b.cellDistance; });
            }
        }
    }
    first_[cell] = static_cast<std::uint32_t>(candidates_.size());
}

} // namespace platform
