#pragma once
// Palette::nearest for many colours at once: the same entry for every
// colour (squared RGB distance, the lowest index on a tie), found among a
// few candidates instead of all 256 entries. The colour cube is cut into
// 32 x 32 x 32 cells; a cell's candidates are the entries that can be nearest
// to some colour inside it: those not farther from the cell than the
// farthest corner of the cell is from its best entry, each colour once (a
// later entry of the same colour never wins). Building costs about as much
// as a million plain searches, so it pays for large pictures only.

#include "platform/Palette.h"

#include <cstdint>
#include <vector>

namespace platform {

class NearestColour {
public:
    explicit NearestColour(const Palette& palette);

    // Palette::nearest(r, g, b) of the palette given at construction.
    std::uint8_t operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
    {
        if (entries_.empty())
            return 0;
        const std::size_t cell = (std::size_t{r} >> 3) << 10 | (std::size_t{g} >> 3) << 5 | (std::size_t{b} >> 3);
        std::uint8_t best = 0;
        int bestDistance = 1 << 30;
        // Candidates come nearest to the cell first: once one cannot come
        // as close as the best so far, none after it can.
        for (std::uint32_t i = first_[cell]; i < first_[cell + 1]; ++i) {
            const Candidate& c = candidates_[i];
            if (c.cellDistance > bestDistance)
                break;
            const PALETTEENTRY& e = entries_[c.index];
            const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance || (d == bestDistance && c.index < best)) {
                bestDistance = d;
                best = c.index;
            }
        }
        return best;
    }

    // Pixels from which building one pays: fewer are better served by
    // Palette::nearest itself.
    static constexpr std::int64_t kWorthwhilePixels = 1 << 20;

private:
    struct Candidate {
        int cellDistance;    // squared distance from the entry to the cell
        std::uint8_t index;
    };
    std::vector<PALETTEENTRY> entries_;
    std::vector<std::uint32_t> first_;   // 32768 + 1 offsets into candidates_
    std::vector<Candidate> candidates_; // cell after cell, nearest to the cell first
};

} // namespace platform
