#include "engine/HiddenSurface.h"

#include "engine/Generation.h"
#include "engine/NoiseField.h"
#include "engine/SirdsSettings.h"
#include "HiddenSurfaceMargin.h"
#include "WideLoops.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace engine {

namespace {

constexpr std::size_t kLevels = std::size_t{kDepthSteps} + 1;
// Workers of one band loop never number more than this.
constexpr std::size_t kMaxWorkers = 16;

// The cross-eyed viewer's distance to a point, as a share of the distance to
// the page, at the separation formula's depth a (0 near, 1 far for these
// eyes): the eyes cross in front of the page, so (D − d) ÷ d = s ÷ E.
double crossDistance(double mu, double a)
{
    return (2.0 - mu * a) / (3.0 - 2.0 * mu * a);
}

// std::lround without the call: the whole part (truncated), one more away
// from zero when the part cut off, which the subtraction gives exactly, is a
// half or more. For finite x below 2^53 in size.
long long roundHalfAway(double x)
{
    const auto whole = static_cast<long long>(x);
    const double cut = x - static_cast<double>(whole);
    return whole + (cut >= 0.5 ? 1 : 0) - (cut <= -0.5 ? 1 : 0);
}

std::uint16_t levelOf(double fraction)
{
    if (!(fraction > 0.0))
        return 0;
    if (fraction >= 1.0)
        return kDepthSteps;
    return static_cast<std::uint16_t>(roundHalfAway(fraction * kDepthSteps));
}

} // namespace

double separationAt(double eye, double mu, double z)
{
    return eye * (1.0 - mu * z) / (2.0 - mu * z);
}

HiddenSurfaceParams HiddenSurfaceParams::from(const SirdsSettings& s, std::int32_t gap, std::int32_t width)
{
    const HiddenSurfaceSettings h = usableHiddenSurface(s.hidden);
    HiddenSurfaceParams p;
    p.width = width;
    p.oversample = h.Oversample;
    p.eye = eyeSeparationPixels(h, gap);
    p.mu = h.DepthOfField;
    p.crossEyed = h.CrossEyed != 0;
    p.zmin = s.zmin;
    p.zmax = s.zmax;
    p.tileable = h.Tileable != 0;
    return p;
}

// ---------------------------------------------------------------------------
// Tables

HiddenSurfaceTables::HiddenSurfaceTables(const HiddenSurfaceParams& params) : params_(params)
{
    params_.oversample = std::clamp(params.oversample, kMinOversample, kMaxOversample);
    params_.mu = std::isfinite(params.mu) ? std::clamp(params.mu, kMinDepthOfField, kMaxDepthOfField) : 1.0 / 3.0;
    params_.eye = std::isfinite(params.eye) ? std::clamp(params.eye, 2.0, kMaxEyePixels) : 2.0;
    params_.width = std::max(params.width, 0);
    const double mu = params_.mu;
    const std::int32_t k = params_.oversample;
    subpixels_ = params_.width * k;
    eyeK_ = params_.eye * k;
    const bool cross = params_.crossEyed;
    if (params_.tileable && subpixels_ > 0) {
        // s is proportional to E: the far plane's repeat becomes a divisor of the row.
        const double perEye = separationAt(1.0, mu, cross ? 1.0 : 0.0);
        const std::int32_t far = dividingSeparation(eyeK_ * perEye, subpixels_);
        eyeK_ = std::clamp(far / perEye, 2.0 * k, kMaxEyePixels * k);
        params_.eye = eyeK_ / k;
    }

    levelTable_.resize(kLevels);
    slope_.resize(kLevels);
    for (std::size_t q = 0; q < kLevels; ++q) {
        const double z = static_cast<double>(q) / kDepthSteps;
        const double seen = cross ? 1.0 - z : z;
        const double s = static_cast<double>(roundHalfAway(separationAt(eyeK_, mu, seen)));
        levelTable_[q].separation = static_cast<std::int32_t>(s);
        // Wall-eyed, the ray to an eye rises by a fixed step per sub-pixel.
        slope_[q] = static_cast<float>(2.0 * (2.0 - mu * z) / (mu * eyeK_));
    }
    rise_ = 1.0f;
    double clearance = std::numeric_limits<double>::infinity();
    for (std::size_t q = 0; q < kLevels; ++q) {
        const auto level = static_cast<std::uint16_t>(q);
        levelTable_[q].firstRay = rayDepth(level, 1);
        rise_ = std::min(rise_, levelTable_[q].firstRay - depth(level));
        const float limit = levelTable_[q].firstRay - kRayMargin;
        clearance = std::min(clearance, static_cast<double>(limit) - static_cast<double>(depth(level)));
    }
    // Rays climb no slower further out (cross-eyed they climb faster), so the
    // first step's rise bounds every step; a little less keeps the bound
    // safe from rounding.
    rise_ = std::max(0.0f, rise_ * 0.999f);
    // The least of firstRay − margin − depth, less more than the rounding of
    // a float sum below 2.
    clearance_ = static_cast<float>(std::clamp(clearance, -2.0, 2.0) - 1e-6);

    double farthest;
    if (cross) {
        const double f0 = crossDistance(mu, 1.0);
        farthest = eyeK_ / 2.0 * (1.0 - crossDistance(mu, 0.0) / f0);
    } else {
        farthest = mu * eyeK_ / 4.0;
    }
    reach_ = static_cast<std::int32_t>(std::ceil(std::max(farthest, 0.0))) + 1;
    farSeparation_ = static_cast<std::int32_t>(std::lround(separationAt(params_.eye, mu, cross ? 1.0 : 0.0)));

    // Brightness samples: level = sample ÷ 257, then the depth range.
    grey16_.resize(kLevels);
    const double range = static_cast<double>(params_.zmax) - params_.zmin;
    for (std::size_t v = 0; v < kLevels; ++v) {
        const double level = static_cast<double>(v) / 257.0;
        grey16_[v] = range > 0 ? levelOf((level - params_.zmin) / range) : 0;
    }
    const std::int64_t span = static_cast<std::int64_t>(params_.zmax) - params_.zmin;
    if (span > 0 && span <= kDepthSteps) {
        levels_.resize(static_cast<std::size_t>(span) + 1);
        for (std::int64_t d = 0; d <= span; ++d)
            levels_[static_cast<std::size_t>(d)] = levelOf(static_cast<double>(d) / static_cast<double>(span));
    }
}

std::uint16_t HiddenSurfaceTables::level(std::int32_t depth) const
{
    const std::int64_t span = static_cast<std::int64_t>(params_.zmax) - params_.zmin;
    if (span <= 0)
        return 0;
    const std::int64_t d = static_cast<std::int64_t>(depth) - params_.zmin;
    if (d <= 0)
        return 0;
    if (d >= span)
        return kDepthSteps;
    if (!levels_.empty())
        return levels_[static_cast<std::size_t>(d)];
    return levelOf(static_cast<double>(d) / static_cast<double>(span));
}

void HiddenSurfaceTables::levels(const std::int32_t* depth, std::int32_t w, std::int32_t k, std::uint16_t* out) const
{
    const std::int64_t span = static_cast<std::int64_t>(params_.zmax) - params_.zmin;
    if (levels_.empty() || span <= 0) {
        for (std::int32_t x = 0; x < w; ++x)
            std::fill_n(out + static_cast<std::size_t>(x) * k, k, level(depth[x]));
        return;
    }
    // The common case, a small depth range: one clamp and one look-up.
    const std::uint16_t* table = levels_.data();
    const std::int32_t zmin = params_.zmin;
    const auto last = static_cast<std::int32_t>(span);
    auto levelAt = [&](std::int32_t x) { return table[std::clamp<std::int64_t>(std::int64_t{depth[x]} - zmin, 0, last)]; };
    switch (k) {
    case 1:
        for (std::int32_t x = 0; x < w; ++x)
            out[x] = levelAt(x);
        return;
    case 2:
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint32_t two = levelAt(x) * 0x00010001u;
            std::memcpy(out + 2 * static_cast<std::size_t>(x), &two, sizeof two);
        }
        return;
    case 4:
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint64_t four = levelAt(x) * 0x0001000100010001ull;
            std::memcpy(out + 4 * static_cast<std::size_t>(x), &four, sizeof four);
        }
        return;
    default:
        for (std::int32_t x = 0; x < w; ++x)
            std::fill_n(out + static_cast<std::size_t>(x) * k, k, levelAt(x));
    }
}

float HiddenSurfaceTables::rayDepth(std::uint16_t q, std::int32_t t) const
{
    if (!params_.crossEyed)
        return depth(q) + slope_[q] * static_cast<float>(t);
    // Cross-eyed the point lies in front of the page; the ray runs from it to
    // the eye, and the depth it reaches is found from the distance it has.
    const double mu = params_.mu;
    const double f = crossDistance(mu, 1.0 - depth(q)) * (1.0 - 2.0 * t / eyeK_);
    const double a = (2.0 - 3.0 * f) / (mu * (1.0 - 2.0 * f));
    return static_cast<float>(1.0 - a);
}

// ---------------------------------------------------------------------------
// The pass

namespace {

// The rounded mean of K values from their sum (at most 2047 + K ÷ 2), by a
// multiplication: with m = ⌈2^20 ÷ K⌉ the product overshoots x ÷ K by less
// than 2051 × 8 ÷ 2^20 < 1 ÷ K, so it never passes the next whole number.
// For K a power of two m is 2^20 ÷ K itself, the mean a bare shift, which
// the three channels take at once.
template <std::int32_t K>
struct Mean {
    static constexpr std::uint32_t kHalf = K / 2;
    static constexpr std::uint32_t kFactor = ((std::uint32_t{1} << 20) + K - 1) / K;
    static constexpr int kShift = K == 1 ? 0 : K == 2 ? 1 : K == 4 ? 2 : K == 8 ? 3 : -1;

    static std::uint32_t one(std::uint32_t sum) { return ((sum + kHalf) * kFactor) >> 20; }
    // The pixel of K sub-pixels summed one channel to 16 bits (blue |
    // green << 16 | red << 32), as blue | green << 8 | red << 16.
    static std::uint32_t pixel(std::uint64_t sum)
    {
        if constexpr (kShift >= 0) {
            // No channel's sum carries into the next one; the bits shifted in
            // from above lie beyond each mean's 8 bits.
            const std::uint64_t t = (sum + kHalf * 0x000100010001ull) >> kShift;
            return static_cast<std::uint32_t>((t & 0xFFu) | ((t >> 8) & 0xFF00u) | ((t >> 16) & 0xFF0000u));
        } else {
            return one(static_cast<std::uint32_t>(sum & 0xFFFFu)) |
                   one(static_cast<std::uint32_t>((sum >> 16) & 0xFFFFu)) << 8 |
                   one(static_cast<std::uint32_t>(sum >> 32)) << 16;
        }
    }
};

// The row's w pixels, 3 bytes each (blue, green, red), from sumOf(x): a
// pixel's K sub-pixels summed as Mean takes them. All but the last pixel are
// written 4 bytes at once, the next pixel's first byte written over later.
template <std::int32_t K, class SumOf>
void averageRow(std::int32_t w, std::uint8_t* out, SumOf sumOf)
{
    std::int32_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 1 < w; ++x) {
            const std::uint32_t v = Mean<K>::pixel(sumOf(x));
            std::memcpy(out + 3 * static_cast<std::size_t>(x), &v, sizeof v);
        }
    }
    for (; x < w; ++x) {
        const std::uint32_t v = Mean<K>::pixel(sumOf(x));
        std::uint8_t* o = out + 3 * static_cast<std::size_t>(x);
        o[0] = static_cast<std::uint8_t>(v);
        o[1] = static_cast<std::uint8_t>(v >> 8);
        o[2] = static_cast<std::uint8_t>(v >> 16);
    }
}

// f(std::integral_constant<std::int32_t, K>) for the oversampling k.
template <class F>
void withOversample(std::int32_t k, F&& f)
{
    static_assert(kMaxOversample == 8, "every oversampling has its case");
    switch (k) {
    case 1: f(std::integral_constant<std::int32_t, 1>{}); break;
    case 2: f(std::integral_constant<std::int32_t, 2>{}); break;
    case 3: f(std::integral_constant<std::int32_t, 3>{}); break;
    case 4: f(std::integral_constant<std::int32_t, 4>{}); break;
    case 5: f(std::integral_constant<std::int32_t, 5>{}); break;
    case 6: f(std::integral_constant<std::int32_t, 6>{}); break;
    case 7: f(std::integral_constant<std::int32_t, 7>{}); break;
    default: f(std::integral_constant<std::int32_t, 8>{}); break;
    }
}

} // namespace

// Sub-pixel u's pixel, u ÷ K, by a multiplication: exact for every u of a
// row (below 2^31 ÷ K) with the rounded-up reciprocal of K.
static std::uint64_t pixelInverse(std::int32_t k)
{
    return (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(k) + 1;
}

static std::int32_t pixelOf(std::int32_t u, std::uint64_t inverse)
{
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(u) * inverse) >> 32);
}

HiddenSurfacePass::HiddenSurfacePass(const HiddenSurfaceParams& params, std::int32_t height,
                                     const platform::Palette& palette, bool colourTexture, std::int32_t heldRows)
    : tables_(params), height_(height), held_(heldRows > 0 ? std::min(heldRows, height) : height),
      scratch_(kMaxWorkers)
{
    static_assert(kMaxOversample * 255 < (1 << 16), "a channel's sum must fit its 16 bits");
    for (std::size_t i = 0; i < palette.size() && i < packed_.size(); ++i)
        packed_[i] = std::uint64_t{palette[i].peBlue} | std::uint64_t{palette[i].peGreen} << 16 |
                     std::uint64_t{palette[i].peRed} << 32;
    if (tables_.params().oversample > 1 && !colourTexture) {
        output_ = platform::Bitmap::create(tables_.params().width, held_, 24);
        if (!output_)
            throw std::bad_alloc();
    }
}

HiddenSurfacePass::~HiddenSurfacePass() = default;

void HiddenSurfacePass::useGrey16(const platform::Grey16Image* plane, double zoom)
{
    const bool usable = plane && plane->width > 0 && plane->height > 0 &&
                        plane->samples.size() >= static_cast<std::size_t>(plane->width) * plane->height;
    plane_ = usable ? plane : nullptr;
    zoom_ = std::isfinite(zoom) && zoom > 0 ? zoom : 1.0;
}

HiddenSurfaceScratch& HiddenSurfacePass::scratchFor(int worker)
{
    auto& slot = scratch_.at(static_cast<std::size_t>(worker));
    if (!slot) {
        slot = std::make_unique<HiddenSurfaceScratch>();
        slot->resize(static_cast<std::size_t>(std::max(tables_.subpixels(), 1)));
    }
    return *slot;
}

std::int32_t HiddenSurfacePass::link(HiddenSurfaceScratch& sc, std::int32_t r, const std::int32_t* depth)
{
    const std::int32_t w = tables_.params().width;
    const std::int32_t k = tables_.params().oversample;
    const std::int32_t n = tables_.subpixels();
    std::uint16_t* levels = sc.levels.data();
    if (plane_) {
        const std::int32_t top = height_ - 1 - r;
        const std::int32_t sy = std::clamp(static_cast<std::int32_t>(top / zoom_), 0, plane_->height - 1);
        const std::uint16_t* src = plane_->samples.data() + static_cast<std::size_t>(sy) * plane_->width;
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t sx =
                zoom_ == 1.0 ? std::min(x, plane_->width - 1)
                             : std::clamp(static_cast<std::int32_t>(x / zoom_), 0, plane_->width - 1);
            std::fill_n(levels + static_cast<std::size_t>(x) * k, k, tables_.level16(src[sx]));
        }
    } else {
        tables_.levels(depth, w, k, levels);
    }

    // A tileable row is linked as if it began at its cut, so that links
    // run across the picture's edges and only the cut goes unlinked.
    const std::int32_t cut = tables_.params().tileable ? tileCut(levels, n) : 0;
    if (cut != 0)
        std::rotate(levels, levels + cut, levels + n);
    linkRow(tables_, n, sc);
    return cut;
}

const std::int32_t* HiddenSurfacePass::roots(HiddenSurfaceScratch& sc, std::int32_t cut)
{
    const std::int32_t n = tables_.subpixels();
    std::int32_t* same = sc.same.data();
    for (std::int32_t u = n - 1; u >= 0; --u) {
        if (same[u] != u)
            same[u] = same[same[u]];
    }
    if (cut == 0)
        return same;
    std::int32_t* out = sc.roots.data();
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t root = same[i] + cut;
        out[(i + cut) % n] = root >= n ? root - n : root;
    }
    return out;
}

void HiddenSurfacePass::shift(int worker, std::int32_t r, std::uint8_t* row8, const std::int32_t* depth)
{
    HiddenSurfaceScratch& sc = scratchFor(worker);
    const std::int32_t w = tables_.params().width;
    const std::int32_t k = tables_.params().oversample;
    const std::int32_t n = tables_.subpixels();
    if (n <= 0)
        return;
    const std::int32_t cut = link(sc, r, depth);
    const std::int32_t* same = sc.same.data();

    if (!output_) {
        // One sub-pixel per pixel: roots keep their texture, every other
        // member takes its root's. Unrotated, links point right, so the
        // right neighbour in the chain is final when it is copied.
        if (cut == 0) {
            for (std::int32_t u = n - 1; u >= 0; --u)
                row8[u] = row8[same[u]];
            return;
        }
        const std::int32_t* root = roots(sc, cut);
        for (std::int32_t u = 0; u < n; ++u)
            row8[u] = row8[root[u]];
        return;
    }

    // Each sub-pixel's dot, right to left along the links (or through the
    // roots of a rotated row), then K of them averaged into a pixel.
    // (Unrotated, every sub-pixel first takes its own pixel's dot; then,
    // from the right, its chain's next member's, its own again at a root.)
    std::uint8_t* colour = sc.colour.data();
    const std::uint64_t inverse = pixelInverse(k);
    if (cut == 0) {
        withOversample(k, [&](auto kk) {
            constexpr std::int32_t K = decltype(kk)::value;
            for (std::int32_t x = 0; x < w; ++x)
                std::fill_n(colour + static_cast<std::size_t>(x) * K, K, row8[x]);
        });
        for (std::int32_t u = n - 1; u >= 0; --u)
            colour[u] = colour[same[u]];
    } else {
        const std::int32_t* root = roots(sc, cut);
        for (std::int32_t u = 0; u < n; ++u)
            colour[u] = row8[pixelOf(root[u], inverse)];
    }
    std::uint8_t* out = output_->row(r % held_);
    const std::uint64_t* packed = packed_.data();
    withOversample(k, [&](auto kk) {
        constexpr std::int32_t K = decltype(kk)::value;
        averageRow<K>(w, out, [&](std::int32_t x) {
            const std::uint8_t* c = colour + static_cast<std::size_t>(x) * K;
            std::uint64_t sum = 0;
            for (std::int32_t i = 0; i < K; ++i)
                sum += packed[c[i]];
            return sum;
        });
    });
}

void HiddenSurfacePass::shiftColour(int worker, std::int32_t r, const std::uint32_t* texture,
                                    const std::int32_t* depth, std::uint8_t* out)
{
    HiddenSurfaceScratch& sc = scratchFor(worker);
    const std::int32_t w = tables_.params().width;
    const std::int32_t k = tables_.params().oversample;
    if (tables_.subpixels() <= 0)
        return;
    const std::int32_t n = tables_.subpixels();
    const std::int32_t cut = link(sc, r, depth);
    const std::uint64_t inverse = pixelInverse(k);
    std::uint32_t* texel = sc.texel.data();
    if (cut == 0) {
        const std::int32_t* same = sc.same.data();
        withOversample(k, [&](auto kk) {
            constexpr std::int32_t K = decltype(kk)::value;
            for (std::int32_t x = 0; x < w; ++x)
                std::fill_n(texel + static_cast<std::size_t>(x) * K, K, texture[x]);
        });
        for (std::int32_t u = n - 1; u >= 0; --u)
            texel[u] = texel[same[u]];
    } else {
        const std::int32_t* root = roots(sc, cut);
        for (std::int32_t u = 0; u < n; ++u)
            texel[u] = texture[pixelOf(root[u], inverse)];
    }
    // Blue and red summed in the halves of one word, green in another,
    // then spread into the 16-bit channels Mean takes.
    withOversample(k, [&](auto kk) {
        constexpr std::int32_t K = decltype(kk)::value;
        averageRow<K>(w, out, [&](std::int32_t x) {
            const std::uint32_t* c = texel + static_cast<std::size_t>(x) * K;
            std::uint32_t blueRed = 0, green = 0;
            for (std::int32_t i = 0; i < K; ++i) {
                blueRed += c[i] & 0x00FF00FFu;
                green += (c[i] >> 8) & 0xFFu;
            }
            return std::uint64_t{blueRed & 0xFFFFu} | std::uint64_t{green} << 16 | std::uint64_t{blueRed >> 16} << 32;
        });
    });
}

std::unique_ptr<platform::Bitmap> HiddenSurfacePass::finish(std::unique_ptr<platform::Bitmap> image8)
{
    if (output_)
        return std::move(output_);
    return image8;
}

std::unique_ptr<HiddenSurfacePass> makeHiddenSurfacePass(const SirdsSettings& settings, std::int32_t gap,
                                                         std::int32_t width, std::int32_t height,
                                                         const platform::Palette& palette, bool colourTexture,
                                                         std::int32_t heldRows)
{
    if (settings.ShiftDir != HiddenSurface)
        return nullptr;
    return std::make_unique<HiddenSurfacePass>(HiddenSurfaceParams::from(settings, gap, width), height, palette,
                                               colourTexture, heldRows);
}

std::int32_t tileCut(const std::uint16_t* levels, std::int32_t n)
{
    std::int32_t cut = 0;
    std::int32_t largest = 0;
    for (std::int32_t u = 0; u < n; ++u) {
        const std::int32_t before = levels[u == 0 ? n - 1 : u - 1];
        const std::int32_t step = std::abs(static_cast<std::int32_t>(levels[u]) - before);
        if (step > largest) {
            largest = step;
            cut = u;
        }
    }
    return cut;
}

std::int32_t dividingSeparation(double wanted, std::int32_t n)
{
    const std::int32_t rounded = static_cast<std::int32_t>(std::lround(std::max(wanted, 1.0)));
    if (n <= 0)
        return rounded;
    std::int32_t best = rounded;
    double bestOff = wanted / 4;
    bool found = false;
    const std::int32_t around = std::max(1, n / std::max(rounded, 1));
    for (std::int32_t m = std::max(1, around - 4); m <= around + 4; ++m) {
        if (n % m != 0)
            continue;
        const double off = std::abs(static_cast<double>(n / m) - wanted);
        if (off <= bestOff && (!found || off < bestOff)) {
            best = n / m;
            bestOff = off;
            found = true;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------
// Random dots

namespace {

constexpr std::uint8_t kDotColours = 254;
constexpr std::uint8_t kYellowEntry = 254;
constexpr std::uint8_t kNavyEntry = 255;

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t seedKey(const HiddenSurfaceSettings& s)
{
    return mix(static_cast<std::uint64_t>(static_cast<std::uint32_t>(s.Seed)) * 4 +
               static_cast<std::uint64_t>(s.RandomDots & 7));
}

} // namespace

bool usesRandomDots(const SirdsSettings& settings)
{
    return settings.ShiftDir == HiddenSurface && usableHiddenSurface(settings.hidden).RandomDots != PatternDots;
}

bool usesColourNoise(const SirdsSettings& settings)
{
    const HiddenSurfaceSettings h = usableHiddenSurface(settings.hidden);
    return usesRandomDots(settings) && h.RandomDots == NoiseDots && h.NoiseColour != 0;
}

platform::Palette randomDotPalette(const HiddenSurfaceSettings& settings)
{
    const HiddenSurfaceSettings s = usableHiddenSurface(settings);
    std::vector<platform::PALETTEENTRY> entries(platform::Palette::kMaxEntries);
    const std::uint64_t key = seedKey(s);
    for (std::size_t i = 0; i < kDotColours; ++i) {
        auto& e = entries[i];
        if (s.RandomDots == ColourDots && i > 0) {
            const std::uint64_t h = mix(key ^ (0xC0105ull << 32) ^ i);
            e.peRed = static_cast<std::uint8_t>(h);
            e.peGreen = static_cast<std::uint8_t>(h >> 8);
            e.peBlue = static_cast<std::uint8_t>(h >> 16);
        } else if (s.RandomDots != ColourDots) {
            const auto grey = static_cast<std::uint8_t>((i * 255 + (kDotColours - 1) / 2) / (kDotColours - 1));
            e.peRed = e.peGreen = e.peBlue = grey;
        }
    }
    entries[kYellowEntry] = {kMarkerColour.red, kMarkerColour.green, kMarkerColour.blue, 0};
    entries[kNavyEntry] = {kCaptionColour.red, kCaptionColour.green, kCaptionColour.blue, 0};
    for (auto& e : entries)
        e.peFlags = platform::PC_NOCOLLAPSE;
    return platform::Palette(entries);
}

void fillRandomDots(platform::Bitmap& image, const HiddenSurfaceSettings& settings)
{
    if (image.bitsPerPixel() != 8)
        return;
    const HiddenSurfaceSettings s = usableHiddenSurface(settings);
    if (s.RandomDots == NoiseDots) {
        fillNoiseDots(image, s);
        return;
    }
    const std::uint64_t key = seedKey(s);
    for (std::int32_t y = 0; y < image.height(); ++y) {
        std::uint8_t* row = image.rowFromTop(y);
        const std::uint64_t rowKey = mix(key + static_cast<std::uint64_t>(y));
        for (std::int32_t x = 0; x < image.width(); ++x) {
            const std::uint64_t h = mix(rowKey ^ static_cast<std::uint64_t>(x));
            if (s.RandomDots == BlackWhiteDots)
                row[x] = (h >> 32) & 1 ? kDotColours - 1 : 0;
            else
                row[x] = static_cast<std::uint8_t>((h >> 32) % kDotColours);
        }
    }
}

// ---------------------------------------------------------------------------
// Text on true colour

void drawTextAnyDepth(GenerationHost& host, platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                      std::string_view text, Rgb colour)
{
    if (image.bitsPerPixel() != 24) {
        host.drawText(image, palette, x, y, text, colour);
        return;
    }
    // A band of the picture's width around the line, in an 8-bit mask whose
    // palette holds only the colour and its opposite: every pixel the host
    // sets becomes entry 1.
    constexpr int kAbove = 8;
    constexpr int kBand = 48;
    const int top = std::clamp(y - kAbove, 0, image.height() - 1);
    const int rows = std::min(kBand, image.height() - top);
    auto mask = platform::Bitmap::create(image.width(), rows, 8);
    if (!mask)
        return;
    std::memset(mask->bits().data(), 0, mask->bits().size());
    const platform::PALETTEENTRY two[2] = {
        {static_cast<std::uint8_t>(255 - colour.red), static_cast<std::uint8_t>(255 - colour.green),
         static_cast<std::uint8_t>(255 - colour.blue), 0},
        {colour.red, colour.green, colour.blue, 0}};
    const platform::Palette maskPalette(two);
    host.drawText(*mask, maskPalette, x, y - top, text, colour);
    for (int my = 0; my < rows; ++my) {
        const std::uint8_t* m = mask->rowFromTop(my);
        std::uint8_t* out = image.rowFromTop(top + my);
        for (int mx = 0; mx < image.width(); ++mx) {
            if (m[mx] == 1) {
                out[3 * mx] = colour.blue;
                out[3 * mx + 1] = colour.green;
                out[3 * mx + 2] = colour.red;
            }
        }
    }
}

} // namespace engine
