// Patterns and dots: noise dots whose spectrum has the slope asked for (the
// transform checked against a plain sum), streaks measured on every method
// and kind of dots, tileable stereograms whose copies join, and patterns
// magnified for print.

#include "GenerationFixture.h"

#include "engine/HiddenSurface.h"
#include "engine/NoiseField.h"
#include "engine/PatternScaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

using namespace engine;
using fixture::at;
using fixture::FunctionMap;
using fixture::longestRun;
using fixture::makeFromMap;

namespace {

using Complex = std::complex<double>;

// The transform by its definition, one sum per output.
std::vector<Complex> plainTransform(const std::vector<Complex>& x, bool inverse)
{
    const std::size_t n = x.size();
    std::vector<Complex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < n; ++j) {
            const double angle = (inverse ? 2 : -2) * std::numbers::pi * static_cast<double>(j * k % n) / n;
            out[k] += x[j] * Complex(std::cos(angle), std::sin(angle));
        }
    }
    return out;
}

// The slope of log power against log frequency of a w × h field (row by
// row), from a plain transform of rows and then columns, averaged in
// octave-wide rings from 1/32 to 1/4 cycles per pixel.
double spectrumSlope(const std::vector<double>& field, int w, int h)
{
    std::vector<Complex> grid(field.begin(), field.end());
    for (int y = 0; y < h; ++y) {
        std::vector<Complex> row(grid.begin() + y * w, grid.begin() + (y + 1) * w);
        row = plainTransform(row, false);
        std::copy(row.begin(), row.end(), grid.begin() + y * w);
    }
    for (int x = 0; x < w; ++x) {
        std::vector<Complex> column(static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y)
            column[static_cast<std::size_t>(y)] = grid[static_cast<std::size_t>(y * w + x)];
        column = plainTransform(column, false);
        for (int y = 0; y < h; ++y)
            grid[static_cast<std::size_t>(y * w + x)] = column[static_cast<std::size_t>(y)];
    }
    std::vector<double> logF, logP;
    for (double low = 1.0 / 32; low < 0.25; low *= std::sqrt(2.0)) {
        double power = 0, f = 0;
        int count = 0;
        for (int ky = 0; ky < h; ++ky) {
            for (int kx = 0; kx < w; ++kx) {
                const double fx = static_cast<double>(std::min(kx, w - kx)) / w;
                const double fy = static_cast<double>(std::min(ky, h - ky)) / h;
                const double r = std::hypot(fx, fy);
                if (r >= low && r < low * std::sqrt(2.0)) {
                    power += std::norm(grid[static_cast<std::size_t>(ky * w + kx)]);
                    f += r;
                    ++count;
                }
            }
        }
        logF.push_back(std::log(f / count));
        logP.push_back(std::log(power / count));
    }
    const double n = static_cast<double>(logF.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < logF.size(); ++i) {
        sx += logF[i];
        sy += logP[i];
        sxx += logF[i] * logF[i];
        sxy += logF[i] * logP[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

SirdsSettings dotSettings(int method, int dots, int oversample)
{
    SirdsSettings s;
    s.ShiftDir = method;
    s.zmin = 0;
    s.zmax = 255;
    s.gapValue = 80;
    s.Marker = 0;
    s.hidden.Oversample = oversample;
    s.hidden.RandomDots = dots;
    s.hidden.Seed = 3;
    return s;
}

// 200 colours at random in a 41 × 29 tile.
struct Pattern {
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(41, 29, 8);
    platform::Palette palette;
    Pattern()
    {
        std::mt19937 random(11);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 41; ++x)
                tile->setPixel(x, y, random() % 200);
        std::vector<platform::PALETTEENTRY> e(200);
        for (auto& entry : e)
            entry = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                     static_cast<std::uint8_t>(random()), 0};
        palette = platform::Palette(e);
    }
    PatternRef ref() const { return {tile.get(), &palette}; }
};

} // namespace

TEST(NoiseDots, TransformOfAnyLengthMatchesThePlainSum)
{
    std::mt19937 random(1);
    std::normal_distribution<double> gauss;
    for (std::size_t n : {1u, 2u, 7u, 12u, 97u, 128u, 300u}) {
        std::vector<Complex> x(n);
        for (auto& v : x)
            v = Complex(gauss(random), gauss(random));
        for (bool inverse : {false, true}) {
            std::vector<Complex> fast = x;
            fourierTransform(fast, inverse);
            const std::vector<Complex> plain = plainTransform(x, inverse);
            for (std::size_t k = 0; k < n; ++k)
                ASSERT_LT(std::abs(fast[k] - plain[k]), 1e-8 * static_cast<double>(n)) << n << " at " << k;
        }
    }
}

TEST(NoiseDots, SpectrumFallsWithTheSlopeAskedFor)
{
    // The dots as the stereogram uses them (grey levels, clipped at 2.5
    // standard deviations), of a size that is no power of two.
    const int w = 90, h = 72;
    for (double beta : {0.0, 1.0, 2.0}) {
        SirdsSettings s = dotSettings(HiddenSurface, NoiseDots, 1);
        s.hidden.NoiseBeta = beta;
        auto dots = platform::Bitmap::create(w, h, 8);
        fillRandomDots(*dots, s.hidden);
        std::vector<double> field;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                field.push_back(static_cast<double>(at(*dots, x, y)));
        EXPECT_NEAR(spectrumSlope(field, w, h), -beta, 0.3) << "beta " << beta;
    }
}

TEST(Streaks, NoRunLongerThanTheDotsOwnPlusOne)
{
    // Towers, pits and a staircase with vertical walls; the dots' own runs
    // are those of the flat scene made with the same dots.
    const int w = 480, h = 48;
    FunctionMap scene(w, h, [](int x, int y) {
        if ((x / 37 + y / 16) % 3 == 0)
            return 255;
        return (x / 23) % 2 ? 90 : (x * 4 / w) * 60;
    });
    FunctionMap flat(w, h, [](int, int) { return 0; });
    const Pattern pattern;
    struct Case {
        int method;
        int dots;
        int oversample;
        bool freshFill;
    };
    const Case cases[] = {
        {HiddenSurface, ColourDots, 1, false}, {HiddenSurface, GreyDots, 1, false},
        {HiddenSurface, BlackWhiteDots, 1, false}, {HiddenSurface, NoiseDots, 1, false},
        {HiddenSurface, ColourDots, 4, false}, {HiddenSurface, NoiseDots, 4, false},
        {HiddenSurface, PatternDots, 1, false}, {McMahon, PatternDots, 1, true},
        {Feucht, PatternDots, 1, true}, {LeftToRight, PatternDots, 1, true},
    };
    for (const Case& c : cases) {
        SirdsSettings s = dotSettings(c.method, c.dots, c.oversample);
        s.hidden.FreshFill = c.freshFill ? 1 : 0;
        const auto own = makeFromMap(s, flat, pattern.ref());
        const auto picture = makeFromMap(s, scene, pattern.ref());
        ASSERT_TRUE(own && picture);
        EXPECT_LE(longestRun(*picture), longestRun(*own) + 1)
            << "method " << c.method << " dots " << c.dots << " K " << c.oversample;
    }
    // Without the fresh fill the older methods streak on the same scene.
    for (int method : {McMahon, Feucht}) {
        const SirdsSettings s = dotSettings(method, PatternDots, 1);
        EXPECT_GT(longestRun(*makeFromMap(s, scene, pattern.ref())), longestRun(*makeFromMap(s, flat, pattern.ref())) + 1)
            << "method " << method;
    }
}

TEST(Tileable, CopiesSideBySideRepeatAcrossTheSeam)
{
    // A raised box in the middle of a far plane: across the picture's edge
    // every row must repeat at the far separation, as it does inside. 500
    // is no multiple of the asked 40-pixel repeat, so the separation moves
    // to one that divides it.
    const int h = 40;
    const struct {
        int width;
        int oversample;
    } cases[] = {{500, 1}, {480, 4}};
    for (const auto& c : cases) {
        const int w = c.width, k = c.oversample;
        FunctionMap scene(w, h, [](int x, int y) { return x > 180 && x < 320 && y > 8 && y < 32 ? 255 : 0; });
        SirdsSettings s = dotSettings(HiddenSurface, ColourDots, k);
        s.gapValue = 40; // E = 80: the far plane repeats at 40
        s.hidden.Tileable = 1;
        const std::int32_t sub = dividingSeparation(40.0 * k, w * k);
        ASSERT_EQ(sub % k, 0);
        const int repeat = sub / k;
        ASSERT_EQ(w % repeat, 0);
        const auto mismatches = [&](const platform::Bitmap& picture) {
            int count = 0;
            for (int y = 0; y < h; ++y)
                for (int x = w - repeat; x < w; ++x)
                    count += at(picture, x, y) != at(picture, (x + repeat) % w, y);
            return count;
        };
        const auto tiled = makeFromMap(s, scene);
        ASSERT_TRUE(tiled);
        EXPECT_EQ(mismatches(*tiled), 0) << "width " << w << " K " << k;
        // Without it, the rows over the box do not join.
        s.hidden.Tileable = 0;
        s.gapValue = repeat;
        const auto plain = makeFromMap(s, scene);
        ASSERT_TRUE(plain);
        EXPECT_GT(mismatches(*plain), 10 * repeat) << "width " << w << " K " << k;
    }
}

TEST(PatternScaling, BlocksAndSmoothTilesKeepThePatternsColours)
{
    const Pattern pattern;
    const platform::Bitmap& tile = *pattern.tile;
    for (int k : {1, 3, 8}) {
        const auto blocks = scalePattern(tile, &pattern.palette, k, true);
        const auto smooth = scalePattern(tile, &pattern.palette, k, false);
        ASSERT_TRUE(blocks && smooth);
        ASSERT_EQ(blocks->width(), tile.width() * k);
        ASSERT_EQ(smooth->height(), tile.height() * k);
        EXPECT_EQ(blocks->bitsPerPixel(), 8);
        EXPECT_EQ(smooth->bitsPerPixel(), 24);
        for (int y = 0; y < blocks->height(); ++y)
            for (int x = 0; x < blocks->width(); ++x)
                ASSERT_EQ(at(*blocks, x, y), at(tile, x / k, y / k)) << k << ": " << x << ", " << y;
        // An odd magnification puts a block's middle on its source pixel;
        // even ones fall between and mix neighbours, across the tile's
        // edges as well.
        if (k % 2 == 1) {
            for (int y = 0; y < tile.height(); ++y) {
                for (int x = 0; x < tile.width(); ++x) {
                    const platform::PALETTEENTRY& e = pattern.palette[at(tile, x, y)];
                    const std::uint32_t rgb = (std::uint32_t{e.peRed} << 16) | (e.peGreen << 8) | e.peBlue;
                    ASSERT_EQ(at(*smooth, x * k + k / 2, y * k + k / 2), rgb) << k << ": " << x << ", " << y;
                }
            }
        }
    }
    // The wrap: an 8-times tile's first pixel mixes the first and last columns.
    const auto smooth = scalePattern(tile, &pattern.palette, 8, false);
    const auto channel = [](std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 255); };
    const platform::PALETTEENTRY& first = pattern.palette[at(tile, 0, 0)];
    const platform::PALETTEENTRY& last = pattern.palette[at(tile, tile.width() - 1, 0)];
    const platform::PALETTEENTRY& below = pattern.palette[at(tile, 0, tile.height() - 1)];
    const platform::PALETTEENTRY& corner = pattern.palette[at(tile, tile.width() - 1, tile.height() - 1)];
    // At 8 times, pixel 0 sits 7/16 of a pixel before source pixel 0.
    const double a = 7.0 / 16;
    const double red = (1 - a) * ((1 - a) * first.peRed + a * last.peRed) + a * ((1 - a) * below.peRed + a * corner.peRed);
    EXPECT_NEAR(channel(at(*smooth, 0, 0), 16), red, 1.0);
}
