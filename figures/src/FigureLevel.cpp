// Depth levels of the closed-form figures. Each figure is a formula of the
// pixel's offset from the centre (or, for the pyramid fields, of the pixel
// itself). The engine asks once per pixel, so a call allocates nothing, needs
// no title table and works out only the quantities its figure needs.
//
// Rounding is part of the figures: every intermediate named below is a
// double, the order of additions is kept as written, and levels come from
// truncation toward zero. The library is built without floating-point
// contraction so that no fused multiply-add changes a level.

#include "TSIRDSMath.h"

#include "terrakit/terrakit.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace terrakit {

namespace {

// Truncation toward zero into 32 bits. Values beyond the range (only the
// distances of centres near the 32-bit limits get there) stick at the
// nearest limit instead of being undefined.
inline std::int32_t trunc32(double v)
{
    if (v > -2147483649.0 && v < 2147483648.0)
        return static_cast<std::int32_t>(v);
    if (v > 0)
        return INT32_MAX;
    return v < 0 ? INT32_MIN : 0;
}

// Offsets from the centre are taken in 64 bits: positions and centres are
// 32-bit and their difference must not wrap.
struct Offset {
    std::int64_t dx;
    std::int64_t dy;

    std::int64_t ax() const { return dx < 0 ? -dx : dx; }
    std::int64_t ay() const { return dy < 0 ? -dy : dy; }
    std::int64_t bigger() const { return ax() > ay() ? ax() : ay(); }
    std::int64_t lesser() const { return ax() < ay() ? ax() : ay(); }
    double larger() const { return static_cast<double>(bigger()); }
    double smaller() const { return static_cast<double>(lesser()); }
    double radius() const
    {
        const double x = static_cast<double>(dx);
        const double y = static_cast<double>(dy);
        return std::sqrt(x * x + y * y);
    }
    // atan2 gives 0 at the centre itself, as the figures want.
    double theta() const { return std::atan2(static_cast<double>(dy), static_cast<double>(dx)); }
};

// The angle in radians, with 0.0175 per degree.
inline double turn(std::int32_t angle)
{
    return angle * 0.0175;
}

// Ten times the sine: the crater profile most figures share.
inline std::int32_t crater(double distance, double factor)
{
    return trunc32(10 * std::sin(factor * distance));
}

// Figures whose sine arguments are whole or half-whole multiples of a factor
// look their sines up in tables built on first use from the very same
// expressions, so a looked-up level is the computed level, bit for bit.
// Arguments beyond a table are computed directly.
constexpr std::int64_t HalfSteps = 16384; // distances 0, 0.5, ... 8191.5
constexpr std::int64_t WholeSteps = 8192; // positions 0 ... 8191

struct CraterTable {
    std::int8_t level[HalfSteps];
    explicit CraterTable(double factor)
    {
        for (std::int64_t i = 0; i < HalfSteps; ++i)
            level[i] = static_cast<std::int8_t>(crater(static_cast<double>(i) * 0.5, factor));
    }
};

struct HalfSineTable {
    double value[HalfSteps];
    explicit HalfSineTable(double factor)
    {
        for (std::int64_t i = 0; i < HalfSteps; ++i)
            value[i] = std::sin(factor * (static_cast<double>(i) * 0.5));
    }
};

struct WholeSineTable {
    double value[WholeSteps];
    explicit WholeSineTable(double factor)
    {
        for (std::int64_t i = 0; i < WholeSteps; ++i)
            value[i] = std::sin(factor * static_cast<double>(i));
    }
};

// Crater level at the distance twice / 2 (twice counts half pixels).
template <const CraterTable& (*Table)()>
inline std::int32_t craterAt(std::int64_t twice, double factor)
{
    if (twice < HalfSteps)
        return Table().level[twice];
    return crater(static_cast<double>(twice) * 0.5, factor);
}

const CraterTable& crater07()
{
    static const CraterTable table(0.07);
    return table;
}

const CraterTable& crater0263()
{
    static const CraterTable table(0.0263);
    return table;
}

// sin(0.07 * twice / 2).
inline double sine07(std::int64_t twice)
{
    static const HalfSineTable table(0.07);
    if (twice < HalfSteps)
        return table.value[twice];
    return std::sin(0.07 * (static_cast<double>(twice) * 0.5));
}

// sin(factor * position), for the fields laid over the whole picture.
template <const WholeSineTable& (*Table)()>
inline double sineAt(std::int32_t position, double factor)
{
    if (position >= 0 && position < WholeSteps)
        return Table().value[position];
    return std::sin(factor * position);
}

const WholeSineTable& sine0175()
{
    static const WholeSineTable table(0.0175);
    return table;
}

const WholeSineTable& sine035()
{
    static const WholeSineTable table(0.035);
    return table;
}

// The pyramid field: a pyramid of height 30 in every 120 x 120 cell of the
// picture, sunken and raised in a checkerboard of the cells.
inline std::int32_t pyramid(std::int32_t x, std::int32_t y)
{
    const std::int32_t px = x % 120;
    const std::int32_t py = y % 120;
    const std::int32_t ex = std::abs(px - 60);
    const std::int32_t ey = std::abs(py - 60);
    const std::int32_t d = ex > ey ? ex : ey;
    const std::int32_t h = (60 - d) >> 1;
    const bool lowX = x % 240 < 120;
    const bool lowY = y % 240 < 120;
    return lowX == lowY ? -h : h;
}

// The limiting radius of the wind mills and spiral lanes: the largest circle
// around the centre that fits in a picture whose corner is the origin.
inline std::int64_t limit(std::int32_t cx, std::int32_t cy)
{
    const std::int64_t lx = std::llabs(cx);
    const std::int64_t ly = std::llabs(cy);
    return lx < ly ? lx : ly;
}

// Wind mill blade number: 12 sectors turned by pi (22/7) and the angle.
inline std::int64_t blade(const Offset& o, std::int32_t angle)
{
    const double a = o.theta() + FigurePi;
    const std::int64_t k = trunc32(12 * (a + turn(angle)));
    return k < 0 ? -k : k;
}

// Rings 50 pixels wide, each a spiral ramp of its own, the ramps of
// neighbouring rings running in opposite directions.
inline std::int32_t lanes(double rho, std::int64_t lim, const Offset& o, std::int32_t angle)
{
    if (rho > static_cast<double>(lim))
        return 0;
    const std::int32_t n = trunc32(rho) / 50;
    const double s = n % 2 == 0 ? 1.0 : -1.0;
    const double a = o.theta() + turn(angle);
    return trunc32((a + (n - 1)) * (6 * s));
}

} // namespace

} // namespace terrakit

extern "C" int32_t GetFigureLevel(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t angle, int32_t figure)
{
    using namespace terrakit;
    const Offset o{std::int64_t{x} - cx, std::int64_t{y} - cy};
    const std::uint32_t which = figure < 0 ? 0u - static_cast<std::uint32_t>(figure) : static_cast<std::uint32_t>(figure);

    switch (which) {
    case 1: // Round Crater
        return crater(o.radius(), 0.07);
    case 2: { // Star Crater 1
        const std::uint64_t q = static_cast<std::uint64_t>(o.ax()) * static_cast<std::uint64_t>(o.ay()) / 100;
        return crater(std::sqrt(static_cast<double>(q)), 0.21);
    }
    case 3: // Star Crater 2: 0.5 M + m
        return craterAt<crater07>(o.bigger() + 2 * o.lesser(), 0.07);
    case 4: { // Rombus Crater
        const double d = o.radius() + 0.5 * o.larger() + o.smaller();
        return crater(d, 0.035);
    }
    case 5: // Square Crater 1: M
        return craterAt<crater07>(2 * o.bigger(), 0.07);
    case 6: { // Square Crater 2
        const double d = o.radius() + o.larger();
        return crater(d, 0.035);
    }
    case 7: // Octagonal Crater: 1.5 M + M + m
        return craterAt<crater0263>(5 * o.bigger() + 2 * o.lesser(), 0.0263);
    case 8: { // Craters + Peaks 1: M, then 1.5 M + m
        const double first = sine07(2 * o.bigger());
        return trunc32(5 * (first + sine07(3 * o.bigger() + 2 * o.lesser())));
    }
    case 9: { // Craters + Peaks 2: 0.5 M + m, then M
        const double first = sine07(o.bigger() + 2 * o.lesser());
        return trunc32(5 * (first + sine07(2 * o.bigger())));
    }
    case 10: { // Conical Deep
        const double r = o.radius();
        return r >= 200 ? 100 : trunc32(r) >> 1;
    }
    case 11: // Pyramids
        return pyramid(x, y);
    case 12: { // Sinusoidal Pyramids
        const double wave = 10 * sineAt<sine0175>(x, 0.0175);
        return trunc32(sineAt<sine0175>(y, 0.0175) * wave + pyramid(x, y)) >> 1;
    }
    case 13: { // Sinusoidal Hills
        const double wave = 10 * sineAt<sine035>(x, 0.035);
        return trunc32(sineAt<sine035>(y, 0.035) * wave);
    }
    case 14: // Spiral Deep
        return trunc32(8 * (o.theta() + turn(angle)));
    case 15: { // Spiral Crater
        const double first = 4 * o.theta();
        return trunc32(first + 6 * std::sin(0.07 * o.radius()));
    }
    case 16: { // Wind Mill 1
        if (o.radius() > static_cast<double>(limit(cx, cy)))
            return 0;
        return static_cast<std::int32_t>(blade(o, angle) % 6);
    }
    case 17: { // Wind Mill 2
        const double r = o.radius();
        if (r > static_cast<double>(limit(cx, cy)))
            return 0;
        const double first = 5 * std::sin(0.07 * r);
        return trunc32(first + static_cast<double>(blade(o, angle) % 12));
    }
    case 18: // Sinusoidal Spiral
        return trunc32(6 * std::sin(6 * (o.theta() + turn(angle))));
    case 19: { // Sinusoidal Crater
        const double first = 3 * std::sin(6 * (o.theta() + turn(angle)));
        return trunc32(first + 5 * std::sin(0.07 * o.radius()));
    }
    case 20: // Spiral Lanes 1
        return lanes(o.radius(), limit(cx, cy), o, angle);
    case 21: // Spiral Lanes 2
        return lanes(o.larger(), limit(cx, cy), o, angle);
    case 22: // Spiral Lanes 3
        return lanes(o.smaller(), limit(cx, cy), o, angle);
    case 23: // Spiral Lanes 4
        return lanes(0.5 * o.larger() + o.smaller(), limit(cx, cy), o, angle);
    default: // 0, "Flat Plane" (24) and every unknown figure
        return 0;
    }
}
