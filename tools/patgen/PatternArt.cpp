#include "PatternArt.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <stdexcept>

namespace patgen {

namespace {

constexpr int kN = Tile::kSize;
constexpr double kTau = 6.283185307179586;

// The library's random distributions differ between standard libraries, so
// the numbers are made here: a 64-bit mix with a fixed seed per pattern.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

std::uint32_t hash3(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^
                      seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

int wrap(int i, int n)
{
    int m = i % n;
    return m < 0 ? m + n : m;
}

double fade(double t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

double smoothstep(double e0, double e1, double x)
{
    double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Gradient noise on a lattice that repeats every px cells across and py
// cells down, so a tile sampled over exactly one period has no seam.
double gradient(double x, double y, int px, int py, std::uint32_t seed)
{
    int x0 = static_cast<int>(std::floor(x));
    int y0 = static_cast<int>(std::floor(y));
    double fx = x - x0;
    double fy = y - y0;
    auto dot = [&](int ix, int iy, double dx, double dy) {
        double a = hash3(wrap(ix, px), wrap(iy, py), seed) * (kTau / 4294967296.0);
        return std::cos(a) * dx + std::sin(a) * dy;
    };
    double n00 = dot(x0, y0, fx, fy);
    double n10 = dot(x0 + 1, y0, fx - 1, fy);
    double n01 = dot(x0, y0 + 1, fx, fy - 1);
    double n11 = dot(x0 + 1, y0 + 1, fx - 1, fy - 1);
    double u = fade(fx);
    double v = fade(fy);
    return lerp(lerp(n00, n10, u), lerp(n01, n11, u), v) * 1.41421356;
}

// Tile coordinates u, v in [0, 1); octave k has a lattice of base << k cells.
double fbm(double u, double v, int base, int octaves, double gain, std::uint32_t seed)
{
    double sum = 0;
    double amp = 1;
    double norm = 0;
    for (int k = 0; k < octaves; ++k) {
        int p = base << k;
        sum += amp * gradient(u * p, v * p, p, p, seed + 101u * k);
        norm += amp;
        amp *= gain;
    }
    return sum / norm;
}

// Ridged noise: sharp crests where the noise crosses zero.
double ridged(double u, double v, int base, int octaves, double gain, std::uint32_t seed)
{
    double sum = 0;
    double amp = 1;
    double norm = 0;
    for (int k = 0; k < octaves; ++k) {
        int p = base << k;
        sum += amp * (1 - std::fabs(gradient(u * p, v * p, p, p, seed + 977u * k)));
        norm += amp;
        amp *= gain;
    }
    return sum / norm;
}

// Cellular noise on a torus of g x g cells with one jittered point per cell.
struct Cells {
    double f1 = 0;
    double f2 = 0;
    int id = 0; // cell of the nearest point
};

Cells cellular(double u, double v, int g, std::uint32_t seed, double jitter = 0.85)
{
    double x = u * g;
    double y = v * g;
    int cx = static_cast<int>(std::floor(x));
    int cy = static_cast<int>(std::floor(y));
    Cells c;
    c.f1 = c.f2 = 1e9;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            int ix = cx + dx;
            int iy = cy + dy;
            int wx = wrap(ix, g);
            int wy = wrap(iy, g);
            std::uint32_t h = hash3(wx, wy, seed);
            double ox = 0.5 + jitter * ((h & 0xFFFF) / 65535.0 - 0.5);
            double oy = 0.5 + jitter * ((h >> 16) / 65535.0 - 0.5);
            double ddx = ix + ox - x;
            double ddy = iy + oy - y;
            double d = std::sqrt(ddx * ddx + ddy * ddy);
            if (d < c.f1) {
                c.f2 = c.f1;
                c.f1 = d;
                c.id = wy * g + wx;
            } else if (d < c.f2) {
                c.f2 = d;
            }
        }
    }
    return c;
}

Rgb hsv(double h, double s, double v)
{
    h = h - std::floor(h);
    double r = v, g = v, b = v;
    if (s > 0) {
        double hh = h * 6;
        int i = static_cast<int>(hh) % 6;
        double f = hh - std::floor(hh);
        double p = v * (1 - s);
        double q = v * (1 - s * f);
        double t = v * (1 - s * (1 - f));
        switch (i) {
        case 0: r = v; g = t; b = p; break;
        case 1: r = q; g = v; b = p; break;
        case 2: r = p; g = v; b = t; break;
        case 3: r = p; g = q; b = v; break;
        case 4: r = t; g = p; b = v; break;
        default: r = v; g = p; b = q; break;
        }
    }
    auto c = [](double x) { return static_cast<std::uint8_t>(std::clamp(std::lround(x * 255.0), 0l, 255l)); };
    return {c(r), c(g), c(b)};
}

Rgb hex(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

Rgb mix(Rgb a, Rgb b, double t)
{
    auto m = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(x + (y - x) * t), 0l, 255l));
    };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb scale(Rgb c, double k)
{
    auto m = [k](std::uint8_t x) { return static_cast<std::uint8_t>(std::clamp(std::lround(x * k), 0l, 255l)); };
    return {m(c.r), m(c.g), m(c.b)};
}

struct Stop {
    double at;
    std::uint32_t colour;
};

// Fills count entries from first with a gradient through the stops.
void ramp(Tile& t, int first, int count, std::initializer_list<Stop> stops)
{
    std::vector<Stop> s(stops);
    for (int i = 0; i < count; ++i) {
        double x = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        std::size_t k = 0;
        while (k + 2 < s.size() && x > s[k + 1].at)
            ++k;
        double span = s[k + 1].at - s[k].at;
        double f = span > 0 ? std::clamp((x - s[k].at) / span, 0.0, 1.0) : 0.0;
        t.palette[static_cast<std::size_t>(first + i)] = mix(hex(s[k].colour), hex(s[k + 1].colour), f);
    }
}

// A field of one value per pixel, top row first.
using Field = std::vector<double>;

Field sample(const std::function<double(double, double)>& f)
{
    Field out(static_cast<std::size_t>(kN) * kN);
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x)
            out[static_cast<std::size_t>(y) * kN + x] = f((x + 0.5) / kN, (y + 0.5) / kN);
    }
    return out;
}

void normalise(Field& f)
{
    auto [lo, hi] = std::minmax_element(f.begin(), f.end());
    double a = *lo;
    double d = *hi - *lo;
    for (double& v : f)
        v = d > 0 ? (v - a) / d : 0.5;
}

// Spreads the values evenly over [0, 1] by rank, so every colour of a ramp
// is used about equally often.
void equalise(Field& f)
{
    std::vector<std::size_t> order(f.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return f[a] < f[b]; });
    Field out(f.size());
    for (std::size_t r = 0; r < order.size(); ++r)
        out[order[r]] = static_cast<double>(r) / static_cast<double>(order.size() - 1);
    f = std::move(out);
}

void addGrain(Field& f, Rng& rng, double amount)
{
    for (double& v : f)
        v += (rng.uniform() - 0.5) * amount;
}

// Values in [0, 1] onto count palette entries from first.
void quantise(Tile& t, const Field& f, int first = 0, int count = 256)
{
    t.pixels.resize(f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        long k = std::lround(std::clamp(f[i], 0.0, 1.0) * (count - 1));
        t.pixels[i] = static_cast<std::uint8_t>(first + k);
    }
}

Tile blank(const char* name)
{
    Tile t;
    t.name = name;
    t.pixels.assign(static_cast<std::size_t>(kN) * kN, 0);
    return t;
}

std::size_t px(int x, int y)
{
    return static_cast<std::size_t>(wrap(y, kN)) * kN + wrap(x, kN);
}

// --- the patterns -------------------------------------------------------

Tile colouredDots()
{
    Tile t = blank("coloured dots");
    Rng rng(0xD0751);
    for (auto& c : t.palette) {
        // One draw a statement: the order of a call's arguments is the
        // compiler's to choose, and the shipped tiles were drawn value,
        // saturation, hue.
        const double value = rng.range(0.55, 1.0);
        const double saturation = rng.range(0.55, 1.0);
        c = hsv(rng.uniform(), saturation, value);
    }
    for (auto& p : t.pixels)
        p = static_cast<std::uint8_t>(rng.below(256));
    return t;
}

Tile greyDots()
{
    Tile t = blank("grey dots");
    Rng rng(0x62E7);
    ramp(t, 0, 256, {{0, 0x141414}, {1, 0xF0F0F0}});
    // A little soft structure under the dots keeps the grey from looking flat.
    Field f = sample([](double u, double v) { return fbm(u, v, 5, 3, 0.5, 17); });
    normalise(f);
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = 0.2 * f[i] + 0.8 * rng.uniform();
    quantise(t, f);
    return t;
}

Tile softNoise()
{
    Tile t = blank("soft noise");
    Rng rng(0x50F7);
    ramp(t, 0, 256,
         {{0.0, 0x2B1055}, {0.2, 0x1F4FA8}, {0.4, 0x10A5A0}, {0.6, 0x7BC94A}, {0.8, 0xF2C230}, {0.9, 0xE8672B},
          {1.0, 0xB8226B}});
    Field f = sample([](double u, double v) { return fbm(u, v, 4, 5, 0.6, 31); });
    equalise(f);
    addGrain(f, rng, 0.12);
    quantise(t, f);
    return t;
}

Tile marble()
{
    Tile t = blank("marble");
    Rng rng(0x3A7B1E);
    ramp(t, 0, 256, {{0.0, 0x1E2438}, {0.2, 0x4E5C7E}, {0.45, 0x9AA6BE}, {0.75, 0xD8DCE6}, {1.0, 0xFFFFFF}});
    Field f = sample([](double u, double v) {
        double turb = fbm(u, v, 4, 6, 0.55, 53);
        double s = std::sin(kTau * (2 * u + v) + 7.0 * turb);
        return std::pow(std::fabs(s), 0.6) + 0.25 * fbm(u, v, 12, 3, 0.6, 59);
    });
    normalise(f);
    addGrain(f, rng, 0.16);
    quantise(t, f);
    return t;
}

Tile wood()
{
    Tile t = blank("wood");
    Rng rng(0x300D);
    ramp(t, 0, 256, {{0.0, 0x4A2510}, {0.3, 0x7A4520}, {0.65, 0xB87A43}, {1.0, 0xE2B27A}});
    Field f = sample([](double u, double v) {
        // The grain runs down the tile, so the rings cross every row.
        double warp = fbm(u, v, 2, 4, 0.5, 71);
        double ring = 9 * u + 2.2 * warp + 0.6 * std::sin(kTau * v);
        ring -= std::floor(ring);
        double band = smoothstep(0.0, 0.75, ring) * (1 - smoothstep(0.85, 1.0, ring));
        double fibre = gradient(u * 50, v * 5, 50, 5, 73);
        return 0.75 * band + 0.25 * (0.5 + 0.5 * fibre);
    });
    normalise(f);
    addGrain(f, rng, 0.12);
    quantise(t, f);
    return t;
}

Tile waves()
{
    Tile t = blank("waves");
    Rng rng(0x7A7E5);
    ramp(t, 0, 256, {{0.0, 0x061A40}, {0.35, 0x0F5596}, {0.65, 0x2AA7C9}, {0.88, 0x9BE3EC}, {1.0, 0xFFFFFF}});
    static constexpr int kWaves[][2] = {{3, 1}, {-2, 3}, {5, -2}, {1, 6}, {7, 3}, {-4, -5}};
    double phase[6];
    for (double& p : phase)
        p = rng.range(0, kTau);
    Field f = sample([&](double u, double v) {
        double warp = 1.5 * fbm(u, v, 4, 3, 0.5, 89);
        double s = 0;
        for (int i = 0; i < 6; ++i)
            s += std::sin(kTau * (kWaves[i][0] * u + kWaves[i][1] * v) + phase[i] + warp) / (1 + 0.3 * i);
        return s + 0.5 * fbm(u, v, 20, 2, 0.5, 97);
    });
    equalise(f);
    addGrain(f, rng, 0.22);
    quantise(t, f);
    return t;
}

// 16 hues x 16 shades; index = hue * 16 + shade.
void huesAndShades(Tile& t, Rng& rng, double sat, double lo)
{
    for (int h = 0; h < 16; ++h) {
        Rgb base = hsv(h / 16.0 + rng.range(-0.02, 0.02), sat, 1.0);
        for (int s = 0; s < 16; ++s)
            t.palette[static_cast<std::size_t>(h * 16 + s)] = scale(base, lo + (1 - lo) * s / 15.0);
    }
}

Tile cells()
{
    Tile t = blank("cells");
    Rng rng(0xCE115);
    huesAndShades(t, rng, 0.6, 0.2);
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            double u = (x + 0.5) / kN;
            double v = (y + 0.5) / kN;
            Cells c = cellular(u, v, 7, 101);
            int hue = static_cast<int>(hash3(c.id, 0, 103) % 16);
            double shade = 1 - 0.9 * c.f1 + 0.25 * fbm(u, v, 20, 2, 0.5, 107) + rng.range(-0.12, 0.12);
            shade *= smoothstep(0.0, 0.12, c.f2 - c.f1) * 0.8 + 0.2; // dark seams between cells
            t.pixels[px(x, y)] = static_cast<std::uint8_t>(hue * 16 + std::clamp(std::lround(shade * 15), 0l, 15l));
        }
    }
    return t;
}

// Thread widths of 3 to 5 pixels adding up to the tile, a multiple of four
// of them so that the twill order also repeats without a seam.
std::vector<int> threadStarts(Rng& rng)
{
    for (;;) {
        std::vector<int> starts;
        int at = 0;
        while (at < kN) {
            starts.push_back(at);
            at += 3 + rng.below(3);
        }
        if (at == kN && starts.size() % 4 == 0)
            return starts;
    }
}

int threadOf(const std::vector<int>& starts, int p, int& offset, int& width)
{
    int i = static_cast<int>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
    int end = i + 1 < static_cast<int>(starts.size()) ? starts[static_cast<std::size_t>(i) + 1] : kN;
    offset = p - starts[static_cast<std::size_t>(i)];
    width = end - starts[static_cast<std::size_t>(i)];
    return i;
}

Tile fabric()
{
    Tile t = blank("fabric");
    Rng rng(0xFAB41C);
    // Warp threads in wine red, weft threads in straw, 128 shades each.
    ramp(t, 0, 128, {{0, 0x1E0610}, {0.6, 0x8E1F3A}, {1, 0xE0647E}});
    ramp(t, 128, 128, {{0, 0x2A2008}, {0.6, 0xB89A48}, {1, 0xF6E6A8}});
    std::vector<int> cols = threadStarts(rng);
    std::vector<int> rows = threadStarts(rng);
    std::vector<double> colTone(cols.size()), rowTone(rows.size());
    for (double& d : colTone)
        d = rng.range(-0.25, 0.25);
    for (double& d : rowTone)
        d = rng.range(-0.25, 0.25);
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            int ox, wx, oy, wy;
            int i = threadOf(cols, x, ox, wx);
            int j = threadOf(rows, y, oy, wy);
            // Two-over-two twill: the floats step one thread per row.
            bool warpOnTop = (i + j) % 4 < 2;
            double u = (x + 0.5) / kN;
            double v = (y + 0.5) / kN;
            double across = warpOnTop ? (ox + 0.5) / wx : (oy + 0.5) / wy;
            double round = std::sin(across * kTau / 2); // the thread's rounded profile
            double fibre = warpOnTop ? gradient(u * 100, v * 25, 100, 25, 131) : gradient(u * 25, v * 100, 25, 100, 137);
            double tone = 0.2 + 0.65 * round + 0.15 * fibre + (warpOnTop ? colTone[static_cast<std::size_t>(i)]
                                                                           : rowTone[static_cast<std::size_t>(j)]);
            tone += rng.range(-0.12, 0.12);
            long k = std::clamp(std::lround(tone * 127), 0l, 127l);
            t.pixels[px(x, y)] = static_cast<std::uint8_t>((warpOnTop ? 0 : 128) + k);
        }
    }
    return t;
}

Tile lava()
{
    Tile t = blank("lava");
    Rng rng(0x1A7A);
    ramp(t, 0, 256,
         {{0.0, 0x080000}, {0.3, 0x5A0A02}, {0.55, 0xC0260A}, {0.75, 0xF07A12}, {0.9, 0xFFD040}, {1.0, 0xFFFAD8}});
    Field f = sample([](double u, double v) {
        double r = ridged(u, v, 3, 5, 0.55, 151);
        return std::pow(r, 3.0) + 0.15 * fbm(u, v, 12, 3, 0.5, 157);
    });
    equalise(f);
    addGrain(f, rng, 0.1);
    quantise(t, f);
    return t;
}

Tile moss()
{
    Tile t = blank("moss");
    Rng rng(0x3055);
    ramp(t, 0, 256, {{0.0, 0x0E2208}, {0.35, 0x2F5A14}, {0.65, 0x6E9A28}, {0.88, 0xB5D35A}, {1.0, 0xE8F4A0}});
    Field f = sample([](double u, double v) { return fbm(u, v, 8, 4, 0.7, 173); });
    equalise(f);
    addGrain(f, rng, 0.3);
    quantise(t, f);
    return t;
}

Tile confetti()
{
    Tile t = blank("confetti");
    Rng rng(0xC0FE771);
    ramp(t, 0, 32, {{0, 0x070A1E}, {1, 0x1E2850}});
    for (int i = 32; i < 256; ++i) {
        const double value = rng.range(0.75, 1.0); // drawn value first, as in colouredDots
        const double saturation = rng.range(0.6, 1.0);
        t.palette[static_cast<std::size_t>(i)] = hsv(rng.uniform(), saturation, value);
    }
    for (auto& p : t.pixels)
        p = static_cast<std::uint8_t>(rng.below(32));
    for (int n = 0; n < 420; ++n) {
        double cx = rng.range(0, kN);
        double cy = rng.range(0, kN);
        double r = rng.range(1.0, 3.2);
        auto colour = static_cast<std::uint8_t>(32 + rng.below(224));
        int reach = static_cast<int>(std::ceil(r));
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                int x = static_cast<int>(std::floor(cx)) + dx;
                int y = static_cast<int>(std::floor(cy)) + dy;
                double ex = x + 0.5 - cx;
                double ey = y + 0.5 - cy;
                if (ex * ex + ey * ey <= r * r)
                    t.pixels[px(x, y)] = colour;
            }
        }
    }
    return t;
}

Tile sand()
{
    Tile t = blank("sand");
    Rng rng(0x5A4D);
    ramp(t, 0, 256, {{0.0, 0x7A5A32}, {0.4, 0xB8945E}, {0.75, 0xDCC08A}, {1.0, 0xF8ECC8}});
    Field f = sample([](double u, double v) {
        double warp = 2.0 * fbm(u, v, 3, 3, 0.5, 191);
        double ripple = std::sin(kTau * (6 * u + 2 * v) + warp);
        return 0.35 * ripple + 0.4 * fbm(u, v, 10, 3, 0.6, 193);
    });
    normalise(f);
    addGrain(f, rng, 0.55);
    quantise(t, f);
    return t;
}

Tile clouds()
{
    Tile t = blank("clouds");
    Rng rng(0xC10D);
    ramp(t, 0, 256, {{0.0, 0x1C4E9A}, {0.35, 0x4C86CC}, {0.6, 0x9EC4EA}, {0.82, 0xE2EEF8}, {1.0, 0xFFFFFF}});
    Field f = sample([](double u, double v) { return fbm(u, v, 4, 6, 0.58, 211); });
    equalise(f);
    addGrain(f, rng, 0.1);
    quantise(t, f);
    return t;
}

// Four materials of 64 shades each; index = material * 64 + shade.
void materials(Tile& t, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> pairs)
{
    int m = 0;
    for (const auto& [dark, light] : pairs) {
        ramp(t, m * 64, 64, {{0, dark}, {1, light}});
        ++m;
    }
}

Tile granite()
{
    Tile t = blank("granite");
    Rng rng(0x62A417E);
    materials(t, {{0x5A3A36, 0xE4A896}, {0x4A4A50, 0xB8B8C0}, {0x050505, 0x3A3A3A}, {0xA8A49C, 0xFAFAF6}});
    static constexpr int kWeights[] = {40, 30, 15, 15}; // feldspar, quartz, mica, white
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            double u = (x + 0.5) / kN;
            double v = (y + 0.5) / kN;
            Cells c = cellular(u, v, 25, 229, 1.0);
            int pick = static_cast<int>(hash3(c.id, 1, 233) % 100);
            int mat = 0;
            for (int acc = kWeights[0]; pick >= acc; acc += kWeights[++mat]) {
            }
            double shade = 0.55 + 0.3 * fbm(u, v, 10, 3, 0.5, 239) + rng.range(-0.3, 0.3) - 0.4 * c.f1;
            t.pixels[px(x, y)] = static_cast<std::uint8_t>(mat * 64 + std::clamp(std::lround(shade * 63), 0l, 63l));
        }
    }
    return t;
}

Tile plasma()
{
    Tile t = blank("plasma");
    Rng rng(0x9145A);
    for (int i = 0; i < 256; ++i)
        t.palette[static_cast<std::size_t>(i)] = hsv(i / 256.0, 0.85, 0.6 + 0.4 * (0.5 + 0.5 * std::cos(i * kTau * 3 / 256)));
    Field f = sample([](double u, double v) {
        double s = std::sin(kTau * 2 * u + 3 * fbm(u, v, 2, 2, 0.5, 251)) + std::sin(kTau * 3 * v) +
                   std::sin(kTau * (u + 2 * v)) + std::sin(kTau * (3 * u - v) + 2 * fbm(u, v, 4, 3, 0.5, 257));
        double c = 0.4 * s + 0.06 * gradient(u * 25, v * 25, 25, 25, 263);
        return c - std::floor(c);
    });
    addGrain(f, rng, 0.09);
    for (double& v : f)
        v -= std::floor(v);
    quantise(t, f);
    return t;
}

Tile camouflage()
{
    Tile t = blank("camouflage");
    Rng rng(0xCA30);
    materials(t, {{0x2A1E10, 0x5A4428}, {0x3A4A1E, 0x6E8438}, {0x8A7A4E, 0xC8B882}, {0x0E2A16, 0x2A5A30}});
    Field big = sample([](double u, double v) { return fbm(u, v, 3, 4, 0.5, 271); });
    Field other = sample([](double u, double v) { return fbm(u, v, 4, 3, 0.5, 277); });
    equalise(big);
    for (std::size_t i = 0; i < big.size(); ++i) {
        int mat = big[i] < 0.3 ? 0 : big[i] < 0.55 ? 1 : big[i] < 0.8 ? 2 : 3;
        if (other[i] > 0.35 && mat == 1)
            mat = 3;
        double shade = 0.5 + rng.range(-0.45, 0.45);
        t.pixels[i] = static_cast<std::uint8_t>(mat * 64 + std::clamp(std::lround(shade * 63), 0l, 63l));
    }
    return t;
}

Tile pointillism()
{
    Tile t = blank("pointillism");
    Rng rng(0x9017);
    for (int h = 0; h < 16; ++h) {
        for (int s = 0; s < 16; ++s)
            t.palette[static_cast<std::size_t>(h * 16 + s)] = hsv(h / 16.0, 0.28 + 0.3 * (s % 4) / 3.0, 0.72 + 0.28 * s / 15.0);
    }
    Field hue = sample([](double u, double v) { return fbm(u, v, 3, 3, 0.5, 281); });
    equalise(hue);
    for (std::size_t i = 0; i < hue.size(); ++i) {
        int h = static_cast<int>(std::floor(hue[i] * 10 + rng.range(-1.6, 1.6)));
        h = wrap(h, 16);
        t.pixels[i] = static_cast<std::uint8_t>(h * 16 + rng.below(16));
    }
    return t;
}

Tile rust()
{
    Tile t = blank("rust");
    Rng rng(0x2057);
    ramp(t, 0, 64, {{0, 0x3A3E44}, {1, 0x9AA2AA}});
    ramp(t, 64, 192, {{0.0, 0x2A0E04}, {0.35, 0x7A2A0C}, {0.7, 0xB8561A}, {1.0, 0xE8A248}});
    Field patch = sample([](double u, double v) { return fbm(u, v, 3, 5, 0.6, 293); });
    Field crust = sample([](double u, double v) { return ridged(u, v, 6, 4, 0.55, 307); });
    normalise(patch);
    equalise(crust);
    for (std::size_t i = 0; i < patch.size(); ++i) {
        double g = rng.range(-0.2, 0.2);
        if (patch[i] < 0.32) {
            double s = 0.5 + 0.6 * (0.32 - patch[i]) + g;
            t.pixels[i] = static_cast<std::uint8_t>(std::clamp(std::lround(s * 63), 0l, 63l));
        } else {
            double s = crust[i] + g;
            t.pixels[i] = static_cast<std::uint8_t>(64 + std::clamp(std::lround(s * 191), 0l, 191l));
        }
    }
    return t;
}

Tile stainedGlass()
{
    Tile t = blank("stained glass");
    Rng rng(0x57A1);
    ramp(t, 0, 16, {{0, 0x080808}, {1, 0x303030}});
    static constexpr std::uint32_t kGlass[15] = {0xC41E3A, 0x1E5AC4, 0xE8B410, 0x1E8C3A, 0x7A2A9A,
                                                 0xE8641E, 0x10A0B4, 0xB41E78, 0x5AB41E, 0x2A3A9A,
                                                 0xD4D43A, 0x9A1E1E, 0x3AB48C, 0x6A4AD4, 0xF08CA0};
    for (int h = 0; h < 15; ++h) {
        for (int s = 0; s < 16; ++s)
            t.palette[static_cast<std::size_t>(16 + h * 16 + s)] = scale(hex(kGlass[h]), 0.35 + 0.9 * s / 15.0);
    }
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            double u = (x + 0.5) / kN;
            double v = (y + 0.5) / kN;
            Cells c = cellular(u, v, 6, 311);
            if (c.f2 - c.f1 < 0.07) {
                t.pixels[px(x, y)] = static_cast<std::uint8_t>(rng.below(16));
                continue;
            }
            int h = static_cast<int>(hash3(c.id, 2, 313) % 15);
            double s = 0.55 + 0.35 * fbm(u, v, 12, 3, 0.6, 317) + rng.range(-0.2, 0.2) - 0.3 * c.f1;
            t.pixels[px(x, y)] = static_cast<std::uint8_t>(16 + h * 16 + std::clamp(std::lround(s * 15), 0l, 15l));
        }
    }
    return t;
}

Tile crackle()
{
    Tile t = blank("crackle");
    Rng rng(0xC4AC);
    ramp(t, 0, 256, {{0.0, 0x1E120A}, {0.25, 0x5A3A22}, {0.55, 0xA4764A}, {0.8, 0xC89A66}, {1.0, 0xEACBA0}});
    Field f = sample([](double u, double v) {
        Cells c = cellular(u, v, 8, 331);
        double edge = smoothstep(0.02, 0.14, c.f2 - c.f1);
        double body = 0.6 + 0.25 * fbm(u, v, 10, 3, 0.55, 337) + 0.15 * (hash3(c.id, 3, 347) % 100) / 100.0;
        return edge * body;
    });
    normalise(f);
    addGrain(f, rng, 0.24);
    quantise(t, f);
    return t;
}

using Maker = Tile (*)();
constexpr Maker kMakers[] = {colouredDots, greyDots, softNoise, marble,   wood,       waves,       cells,
                             fabric,       lava,     moss,      confetti, sand,       clouds,      granite,
                             plasma,       camouflage, pointillism, rust, stainedGlass, crackle};

} // namespace

int PatternCount()
{
    return static_cast<int>(std::size(kMakers));
}

Tile MakePattern(int n)
{
    if (n < 0 || n >= PatternCount())
        throw std::out_of_range("no such pattern");
    return kMakers[n]();
}

} // namespace patgen
