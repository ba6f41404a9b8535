#pragma once
// What the engine benchmarks generate with: a host that reports nothing,
// never stops and draws no captions, over the tile and palette it is given,
// and the random 100 x 100 tile most of them tile.

#include "engine/Generation.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

namespace bench {

class QuietHost : public engine::GenerationHost {
public:
    QuietHost(const platform::Bitmap* tile, const platform::Palette* palette) : tile_(tile), palette_(palette) {}
    void progress(int, const engine::ProgressRecord&) override {}
    engine::PatternRef pattern() override { return {tile_, palette_}; }
    bool pumpMessages() override { return false; }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, engine::Rgb) override {}
    void showError(std::string_view) override {}

private:
    const platform::Bitmap* tile_;
    const platform::Palette* palette_;
};

// Random indices over a 256-colour palette of ramps.
struct RandomPattern {
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(100, 100, 8);
    platform::Palette palette;
    RandomPattern()
    {
        std::mt19937 random(1);
        for (auto& b : tile->bits())
            b = static_cast<std::uint8_t>(random());
        std::vector<platform::PALETTEENTRY> e(256);
        for (std::size_t i = 0; i < 256; ++i)
            e[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2), 0};
        palette = platform::Palette(e);
    }
};

} // namespace bench
