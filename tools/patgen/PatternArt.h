#pragma once
// The shipped background patterns: small 256-colour tiles made from fixed
// seeds, so every build produces the same files. Each tile repeats without
// a seam in both directions and is full of fine, irregular detail, which
// is what makes a stereogram easy to fuse.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace patgen {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Tile {
    static constexpr int kSize = 100;

    std::string name;
    int width = kSize;
    int height = kSize;
    // Colour indices, top row first.
    std::vector<std::uint8_t> pixels;
    std::array<Rgb, 256> palette{};

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// How many patterns the set holds.
int PatternCount();
// Pattern number n (0-based) of the set.
Tile MakePattern(int n);

} // namespace patgen
