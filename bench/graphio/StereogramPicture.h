#pragma once
// The picture the graphics benchmarks read and write: a 1200 x 1200
// stereogram, a random 100-pixel tile repeated along each row with the
// shifts a raised square gives, at 8 bits (with the palette below) or at
// 24 bits, as the program itself writes them.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace bench_graphio {

inline constexpr int kSide = 1200;
inline constexpr int kPeriod = 100;

inline std::unique_ptr<platform::Bitmap> makePicture(int depth)
{
    auto bmp = platform::Bitmap::create(kSide, kSide, depth);
    std::mt19937 rng(42);
    const int bytes = depth / 8;
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = bmp->rowFromTop(y);
        for (int x = 0; x < kSide; ++x) {
            const bool raised = x > 400 && x < 800 && y > 400 && y < 800;
            const int back = kPeriod - (raised ? 12 : 0);
            for (int c = 0; c < bytes; ++c)
                row[bytes * x + c] = x < kPeriod ? static_cast<std::uint8_t>(rng()) : row[bytes * (x - back) + c];
        }
    }
    return bmp;
}

// A 256-entry palette of red rising as green falls.
inline const platform::Palette& palette()
{
    static const platform::Palette p = [] {
        std::vector<platform::PALETTEENTRY> e(256);
        for (int i = 0; i < 256; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 0, 0};
        return platform::Palette(e);
    }();
    return p;
}

} // namespace bench_graphio
