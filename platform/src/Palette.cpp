#include "platform/Palette.h"

#include <algorithm>
#include <array>

namespace platform {

Palette::Palette(std::span<const PALETTEENTRY> entries)
    : entries_(entries.begin(), entries.begin() + std::min(entries.size(), kMaxEntries))
{
}

std::size_t Palette::getEntries(std::size_t start, std::size_t count, PALETTEENTRY* out) const
{
    if (start >= entries_.size())
        return 0;
    std::size_t n = std::min(count, entries_.size() - start);
    std::copy_n(entries_.begin() + static_cast<std::ptrdiff_t>(start), n, out);
    return n;
}

std::size_t Palette::setEntries(std::size_t start, std::span<const PALETTEENTRY> values)
{
    if (start >= entries_.size())
        return 0;
    std::size_t n = std::min(values.size(), entries_.size() - start);
    std::copy_n(values.begin(), n, entries_.begin() + static_cast<std::ptrdiff_t>(start));
    return n;
}

void Palette::resize(std::size_t n)
{
    entries_.resize(std::min(n, kMaxEntries));
}

std::uint8_t Palette::nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
{
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

const Palette& Palette::system()
{
    static const Palette palette = [] {
        // The twenty static colours of a 256-colour display.
        static constexpr std::array<std::array<std::uint8_t, 3>, 20> kStatic = {{
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
        }};
        std::vector<PALETTEENTRY> e(256);
        for (std::size_t i = 0; i < 10; ++i) {
            e[i] = {kStatic[i][0], kStatic[i][1], kStatic[i][2], 0};
            e[246 + i] = {kStatic[10 + i][0], kStatic[10 + i][1], kStatic[10 + i][2], 0};
        }
        return Palette(e);
    }();
    return palette;
}

} // namespace platform
