#include "depthmap/MapRows.h"

#include "RowFill.h"

#include <algorithm>

namespace depthmap {

MapRows::MapRows(const TMapDocument& map) : width_(map.Width()), height_(map.Height())
{
    map.Prepare();
    for (const TDepthObj* o = map.Top(); o; o = o->Next()) {
        const platform::Region& rgn = o->GetRegion();
        const platform::Rect& b = rgn.bounds();
        const std::int32_t top = std::max(b.top, 0);
        const std::int32_t bottom = std::min(b.bottom, height_);
        if (top >= bottom || b.right <= 0 || b.left >= width_ || b.left >= b.right)
            continue;
        entries_.push_back({top, bottom, b.left, b.right, o->GetLevel(), &rgn});
    }
    const std::int32_t bands = (height_ + kBandRows - 1) / kBandRows;
    bandStart_.assign(static_cast<std::size_t>(bands) + 1, 0);
    for (const Entry& e : entries_) {
        for (std::int32_t band = e.top / kBandRows; band <= (e.bottom - 1) / kBandRows; ++band)
            ++bandStart_[static_cast<std::size_t>(band) + 1];
    }
    for (std::size_t b = 1; b < bandStart_.size(); ++b)
        bandStart_[b] += bandStart_[b - 1];
    bandItems_.resize(bandStart_.back());
    std::vector<std::uint32_t> at(bandStart_.begin(), bandStart_.end() - 1);
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        for (std::int32_t band = e.top / kBandRows; band <= (e.bottom - 1) / kBandRows; ++band)
            bandItems_[at[static_cast<std::size_t>(band)]++] = i;
    }
}

void MapRows::levelRow(std::int32_t row, std::int32_t* out, std::int32_t n) const
{
    if (n <= 0)
        return;
    std::fill(out, out + n, 0);
    if (row < 0 || row >= height_)
        return;
    const std::int32_t cols = std::min(n, width_);
    thread_local RowFill fill;
    thread_local std::vector<platform::Span> spans;
    fill.reset(cols);
    const std::size_t band = static_cast<std::size_t>(row / kBandRows);
    for (std::uint32_t k = bandStart_[band]; k < bandStart_[band + 1] && fill.left() > 0; ++k) {
        const Entry& e = entries_[bandItems_[k]];
        if (row < e.top || row >= e.bottom || e.left >= cols)
            continue;
        spans.clear();
        e.region->rowSpans(row, spans);
        for (const platform::Span& s : spans) {
            const std::int32_t lo = std::max(s.begin, 0);
            const std::int32_t hi = std::min(s.end, cols);
            if (lo < hi)
                fill.fill(lo, hi, e.level, out);
        }
    }
}

} // namespace depthmap
