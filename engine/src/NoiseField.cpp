#include "engine/NoiseField.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace engine {

namespace {

using Complex = std::complex<double>;

// Radix-2 transform of a power-of-two length.
void powerOfTwo(std::vector<Complex>& a, bool inverse)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            Complex w(1);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const Complex u = a[i + k];
                const Complex v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

} // namespace

void fourierTransform(std::vector<Complex>& data, bool inverse)
{
    const std::size_t n = data.size();
    if (n <= 1)
        return;
    if ((n & (n - 1)) == 0) {
        powerOfTwo(data, inverse);
        return;
    }
    // Any other length as a convolution with a chirp (Bluestein), done with
    // power-of-two transforms: jk = (j² + k² − (k − j)²) ÷ 2.
    std::size_t m = 1;
    while (m < 2 * n - 1)
        m <<= 1;
    const double sign = inverse ? 1 : -1;
    std::vector<Complex> chirp(n);
    for (std::size_t k = 0; k < n; ++k) {
        // k² mod 2n keeps the angle exact for long rows.
        const std::size_t k2 = (k * k) % (2 * n);
        const double angle = sign * std::numbers::pi * static_cast<double>(k2) / static_cast<double>(n);
        chirp[k] = Complex(std::cos(angle), std::sin(angle));
    }
    std::vector<Complex> a(m), b(m);
    for (std::size_t k = 0; k < n; ++k)
        a[k] = data[k] * chirp[k];
    b[0] = std::conj(chirp[0]);
    for (std::size_t k = 1; k < n; ++k)
        b[k] = b[m - k] = std::conj(chirp[k]);
    powerOfTwo(a, false);
    powerOfTwo(b, false);
    for (std::size_t i = 0; i < m; ++i)
        a[i] *= b[i];
    powerOfTwo(a, true);
    const double scale = 1.0 / static_cast<double>(m);
    for (std::size_t k = 0; k < n; ++k)
        data[k] = a[k] * scale * chirp[k];
}

std::vector<float> noiseField(std::int32_t w, std::int32_t h, double beta, std::uint64_t seed)
{
    if (w <= 0 || h <= 0)
        return {};
    const auto W = static_cast<std::size_t>(w);
    const auto H = static_cast<std::size_t>(h);
    std::mt19937_64 random(seed);
    std::normal_distribution<double> gauss;
    // The spectrum, row by row (vertical frequency ky, horizontal kx).
    std::vector<Complex> spectrum(W * H);
    for (std::size_t ky = 0; ky < H; ++ky) {
        const double fy = static_cast<double>(ky <= H / 2 ? ky : H - ky) / static_cast<double>(H);
        for (std::size_t kx = 0; kx < W; ++kx) {
            const double fx = static_cast<double>(kx <= W / 2 ? kx : W - kx) / static_cast<double>(W);
            const double f = std::hypot(fx, fy);
            const double re = gauss(random);
            const double im = gauss(random);
            const double spread = f > 0 ? std::pow(f, -beta / 2) : 0.0;
            spectrum[ky * W + kx] = Complex(re, im) * spread;
        }
    }
    std::vector<Complex> line(std::max(W, H));
    line.resize(W);
    for (std::size_t y = 0; y < H; ++y) {
        std::copy_n(spectrum.begin() + static_cast<std::ptrdiff_t>(y * W), W, line.begin());
        fourierTransform(line, true);
        std::copy_n(line.begin(), W, spectrum.begin() + static_cast<std::ptrdiff_t>(y * W));
    }
    line.resize(H);
    for (std::size_t x = 0; x < W; ++x) {
        for (std::size_t y = 0; y < H; ++y)
            line[y] = spectrum[y * W + x];
        fourierTransform(line, true);
        for (std::size_t y = 0; y < H; ++y)
            spectrum[y * W + x] = line[y];
    }
    std::vector<float> field(W * H);
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const double v = spectrum[i].real();
        sum += v;
        squares += v * v;
    }
    const double count = static_cast<double>(field.size());
    const double mean = sum / count;
    const double variance = squares / count - mean * mean;
    const double scale = variance > 0 ? 1.0 / std::sqrt(variance) : 0.0;
    for (std::size_t i = 0; i < field.size(); ++i)
        field[i] = static_cast<float>((spectrum[i].real() - mean) * scale);
    return field;
}

std::uint8_t noiseLevel(float value, int levels)
{
    const double top = std::max(levels - 1, 0);
    const double at = (static_cast<double>(value) / 5.0 + 0.5) * top;
    return static_cast<std::uint8_t>(std::clamp(std::lround(at), 0L, static_cast<long>(top)));
}

namespace {

// Each channel's field from the seed, the slope and the channel.
std::uint64_t channelSeed(const HiddenSurfaceSettings& s, std::uint64_t channel)
{
    std::uint64_t x = static_cast<std::uint64_t>(static_cast<std::uint32_t>(s.Seed)) * 0x9E3779B97F4A7C15ull;
    x ^= channel * 0xBF58476D1CE4E5B9ull;
    x ^= static_cast<std::uint64_t>(std::llround(s.NoiseBeta * 1000.0)) << 40;
    return x;
}

constexpr int kGreyLevels = 254; // the random-dot palette's dot entries

} // namespace

void fillNoiseDots(platform::Bitmap& image, const HiddenSurfaceSettings& settings)
{
    if (image.bitsPerPixel() != 8)
        return;
    const HiddenSurfaceSettings s = usableHiddenSurface(settings);
    const std::vector<float> field = noiseField(image.width(), image.height(), s.NoiseBeta, channelSeed(s, 0));
    const auto w = static_cast<std::size_t>(image.width());
    for (std::int32_t y = 0; y < image.height(); ++y) {
        std::uint8_t* row = image.rowFromTop(y);
        for (std::size_t x = 0; x < w; ++x)
            row[x] = noiseLevel(field[static_cast<std::size_t>(y) * w + x], kGreyLevels);
    }
}

std::unique_ptr<platform::Bitmap> noiseTexture(std::int32_t w, std::int32_t h, const HiddenSurfaceSettings& settings)
{
    auto image = platform::Bitmap::create(w, h, 24);
    if (!image)
        return nullptr;
    const HiddenSurfaceSettings s = usableHiddenSurface(settings);
    const auto W = static_cast<std::size_t>(w);
    // Blue, green and red, in the order the picture keeps them.
    for (std::uint64_t channel = 0; channel < 3; ++channel) {
        const std::vector<float> field = noiseField(w, h, s.NoiseBeta, channelSeed(s, channel + 1));
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* row = image->rowFromTop(y);
            for (std::size_t x = 0; x < W; ++x)
                row[3 * x + channel] = noiseLevel(field[static_cast<std::size_t>(y) * W + x], 256);
        }
    }
    return image;
}

} // namespace engine
