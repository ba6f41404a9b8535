#pragma once
// Fast row queries over a depth map that does not change while they run:
// the objects' boxes in one array in stack order, listed by bands of 64
// rows, so that a row looks only at the objects whose boxes reach its band
// and never walks the whole stack. Each row is painted from the top object
// down, skipping the columns already claimed, and stops once every column
// is claimed. The levels are LevelRow's (and so LevelAt's), column for
// column.

#include "depthmap/TMapDocument.h"

#include <cstdint>
#include <vector>

namespace depthmap {

class MapRows {
public:
    static constexpr std::int32_t kBandRows = 64;

    // Builds every object's area and the bands. The document must stay
    // alive and unchanged while this object is used.
    explicit MapRows(const TMapDocument& map);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    // As TMapDocument::LevelRow; safe to call from several threads at once.
    void levelRow(std::int32_t row, std::int32_t* out, std::int32_t n) const;

private:
    struct Entry {
        std::int32_t top;
        std::int32_t bottom;
        std::int32_t left;
        std::int32_t right;
        std::int32_t level;
        const platform::Region* region;
    };

    std::int32_t width_;
    std::int32_t height_;
    std::vector<Entry> entries_;            // stack order, top first
    std::vector<std::uint32_t> bandStart_;  // band b's entries: bandItems_[bandStart_[b] … bandStart_[b + 1])
    std::vector<std::uint32_t> bandItems_;  // entry numbers, in stack order within each band
};

} // namespace depthmap
