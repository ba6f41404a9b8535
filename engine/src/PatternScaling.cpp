#include "engine/PatternScaling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace engine {

namespace {

// Blue, green, red of pixel (x, y from the top).
std::array<float, 3> colourAt(const platform::Bitmap& tile, const platform::Palette* palette, int x, int y)
{
    const std::uint32_t v = tile.pixel(x, tile.height() - 1 - y);
    if (tile.bitsPerPixel() == 24)
        return {static_cast<float>(v & 0xFF), static_cast<float>((v >> 8) & 0xFF), static_cast<float>(v >> 16)};
    if (!palette || v >= palette->size())
        return {0, 0, 0};
    const platform::PALETTEENTRY& e = (*palette)[v];
    return {static_cast<float>(e.peBlue), static_cast<float>(e.peGreen), static_cast<float>(e.peRed)};
}

// Where output column i of a k-times magnification falls in the source:
// the two source columns around it (wrapping) and the weight of the second.
struct Tap {
    int first;
    int second;
    float weight;
};

std::vector<Tap> taps(int size, int k)
{
    std::vector<Tap> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(k));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double at = (static_cast<double>(i) + 0.5) / k - 0.5;
        const double base = std::floor(at);
        int first = static_cast<int>(base) % size;
        if (first < 0)
            first += size;
        out[i] = {first, (first + 1) % size, static_cast<float>(at - base)};
    }
    return out;
}

} // namespace

std::unique_ptr<platform::Bitmap> scalePattern(const platform::Bitmap& tile, const platform::Palette* palette, int k,
                                               bool nearest)
{
    const int w = tile.width();
    const int h = tile.height();
    if (w <= 0 || h <= 0)
        return nullptr;
    k = std::clamp(k, kMinPatternScale, kMaxPatternScale);
    const std::int64_t W = static_cast<std::int64_t>(w) * k;
    const std::int64_t H = static_cast<std::int64_t>(h) * k;
    if (W * H > platform::Bitmap::kMaxPixels)
        return nullptr;
    const bool colour = !nearest || tile.bitsPerPixel() == 24;
    auto out = platform::Bitmap::create(static_cast<int>(W), static_cast<int>(H), colour ? 24 : 8);
    if (!out)
        return nullptr;
    if (nearest) {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                out->setPixel(x, static_cast<int>(H) - 1 - y, tile.pixel(x / k, h - 1 - y / k));
        return out;
    }
    std::vector<std::array<float, 3>> source(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            source[static_cast<std::size_t>(y) * w + x] = colourAt(tile, palette, x, y);
    const std::vector<Tap> across = taps(w, k);
    const std::vector<Tap> down = taps(h, k);
    for (int y = 0; y < H; ++y) {
        const Tap& v = down[static_cast<std::size_t>(y)];
        std::uint8_t* row = out->rowFromTop(y);
        for (int x = 0; x < W; ++x) {
            const Tap& u = across[static_cast<std::size_t>(x)];
            const auto& a = source[static_cast<std::size_t>(v.first) * w + u.first];
            const auto& b = source[static_cast<std::size_t>(v.first) * w + u.second];
            const auto& c = source[static_cast<std::size_t>(v.second) * w + u.first];
            const auto& d = source[static_cast<std::size_t>(v.second) * w + u.second];
            for (int i = 0; i < 3; ++i) {
                const float top = a[i] + (b[i] - a[i]) * u.weight;
                const float bottom = c[i] + (d[i] - c[i]) * u.weight;
                row[3 * x + i] = static_cast<std::uint8_t>(std::lround(top + (bottom - top) * v.weight));
            }
        }
    }
    return out;
}

} // namespace engine
