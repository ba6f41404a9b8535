#pragma once
// A single-channel picture of 16-bit samples, rows from the top. A 16-bit grey
// picture read for its depth keeps all 65,536 levels here, beside the 8-bit
// bitmap that shows it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct Grey16Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> samples; // width × height, row by row from the top

    std::uint16_t at(int x, int y) const {
        return samples[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

} // namespace platform
