#pragma once
// The hidden-surface scan method: every pixel x asks for the pair of pixels
// around it, s(z) apart, that the two eyes see when they look at the surface
// point behind x; the pair is linked only when both eyes can see that point,
// and links are merged into chains, so a pixel shared by two pairs keeps
// both links instead of losing one. Rows are linked at K times their width
// and averaged back down, so depth is finer than one pixel.
//
// Geometry (wall-eyed): the eyes are E pixels apart; depth z runs from 0 at
// the far plane to 1 at the near plane; mu is the depth of field, the near
// plane's share of the distance between far plane and screen. Then
//   s(z) = E (1 − mu z) ÷ (2 − mu z),
// E ÷ 2 at the far plane. Cross-eyed viewing uses s(1 − z), so that the
// shape stands out for eyes crossed in front of the page.
//
// The chain of a pixel ends at its rightmost member, the root; every member
// takes the colour of the texture (the tiled pattern, an open picture or
// random dots) at the root's position.

#include "engine/Finishing.h"
#include "engine/HiddenSurfaceSettings.h"

#include "platform/Bitmap.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace engine {

struct SirdsSettings;
class GenerationHost;

inline constexpr std::int32_t kDepthSteps = 65535; // z is kept as a 16-bit fraction

// The separation of wall-eyed viewing in pixels, unrounded.
double separationAt(double eye, double mu, double z);

struct HiddenSurfaceParams {
    std::int32_t width = 0;   // W, output pixels per row
    std::int32_t oversample = 4;
    double eye = 200;         // E in output pixels
    double mu = 1.0 / 3.0;
    bool crossEyed = false;
    std::int32_t zmin = 0;    // depth values at or below: the far plane
    std::int32_t zmax = 63;   // at or above: the near plane
    // Links wrap around the width, so that copies side by side join: the
    // eye separation is moved to the nearest one whose far-plane repeat
    // divides the row (within a quarter of it), and each row is cut where
    // its depth steps most, where the one break a row may need hides
    // beside the step.
    bool tileable = false;

    // From the settings record, for an image of width W and the gap g in use.
    static HiddenSurfaceParams from(const SirdsSettings& settings, std::int32_t gap, std::int32_t width);
};

// Per-depth values of one generation, computed once; read-only afterwards.
class HiddenSurfaceTables {
public:
    explicit HiddenSurfaceTables(const HiddenSurfaceParams& params);

    const HiddenSurfaceParams& params() const { return params_; }
    std::int32_t subpixels() const { return subpixels_; }

    // A depth value as a 16-bit fraction of the range zmin..zmax, clamped.
    std::uint16_t level(std::int32_t depth) const;
    // A row of depth values, each repeated k times.
    void levels(const std::int32_t* depth, std::int32_t w, std::int32_t k, std::uint16_t* out) const;
    // A 16-bit brightness sample (0..65535 spanning levels 0..255) likewise,
    // without rounding it to a level first.
    std::uint16_t level16(std::uint16_t sample) const { return grey16_[sample]; }

    // At a 16-bit depth fraction: the separation in sub-pixels (rounded),
    // the true depth as the ray test sees it (0 far, 1 near) and the depth a
    // ray from a point at this depth reaches after one sub-pixel.
    struct Level {
        std::int32_t separation;
        float firstRay;
    };
    const Level& at(std::uint16_t q) const { return levelTable_[q]; }
    std::int32_t separation(std::uint16_t q) const { return levelTable_[q].separation; }
    float depth(std::uint16_t q) const { return static_cast<float>(q) * (1.0f / kDepthSteps); }
    float firstRay(std::uint16_t q) const { return levelTable_[q].firstRay; }
    // The depth the ray towards either eye reaches t sub-pixels to the side.
    float rayDepth(std::uint16_t q, std::int32_t t) const;
    // Farthest a ray can travel sideways before it leaves the depth range.
    std::int32_t reach() const { return reach_; }
    // Least a ray climbs per sub-pixel, from any depth.
    float rise() const { return rise_; }
    // Below depth(q) + clearance() a bound on what could stand in a ray from
    // level q lies clear of firstRay(q) less the linker's margin, the sum
    // rounded as floats, at every level.
    float clearance() const { return clearance_; }
    // Far-plane separation in output pixels, rounded.
    std::int32_t farSeparation() const { return farSeparation_; }

private:
    HiddenSurfaceParams params_;
    std::int32_t subpixels_;
    double eyeK_;
    std::int32_t reach_ = 1;
    float rise_ = 0;
    float clearance_ = 0;
    std::int32_t farSeparation_ = 0;
    std::vector<Level> levelTable_;
    std::vector<float> slope_;
    std::vector<std::uint16_t> grey16_;
    std::vector<std::uint16_t> levels_; // depth − zmin → level, for small ranges
};

// Reused buffers of one worker, sized for rows of n sub-pixels.
struct HiddenSurfaceScratch {
    std::vector<std::uint16_t> levels;
    std::vector<float> depth;
    std::vector<float> fromLeft; // how high anything left of each sub-pixel that could hide it stands
    // Each sub-pixel's pair: its left end (−1 when the pair leaves the row or
    // one eye cannot see the point) and its right end.
    std::vector<std::int32_t> pairLeft;
    std::vector<std::int32_t> pairRight;
    std::vector<std::int32_t> same;
    std::vector<std::uint8_t> colour;
    std::vector<std::uint32_t> texel;  // true-colour texture at each sub-pixel
    std::vector<std::int32_t> roots;
    std::vector<std::int32_t> leftOf;  // the first pair's other end at each sub-pixel, −2 for none
    std::vector<std::int32_t> rightOf;
    std::int32_t pairBase = 0;  // leftOf and rightOf record this row's ends plus this

    void resize(std::size_t n);
};

// Links one row of n sub-pixels whose 16-bit depths are levels[0 … n − 1]:
// afterwards same[u] ≥ u, and same[u] = u marks a chain's root. visible,
// when given, receives 1 for each u whose pair was linked, 0 for a pair
// left out (one eye cannot see the point, or the pair leaves the row).
void linkRow(const HiddenSurfaceTables& tables, std::int32_t n, HiddenSurfaceScratch& scratch,
             std::uint8_t* visible = nullptr);

// One generation's hidden-surface pass, driven row by row by the band loop.
// Rows may be shifted on several threads at once (each worker index its own
// buffers).
class HiddenSurfacePass {
public:
    // output palette: the stereogram's palette, whose colours are averaged
    // when K > 1.
    // colourTexture: rows come as true-colour pixels through shiftColour and
    // go to the caller's true-colour picture; no picture of its own is made.
    // heldRows: the true-colour picture holds only that many rows, row r
    // landing in its row r mod heldRows (0: the whole height).
    HiddenSurfacePass(const HiddenSurfaceParams& params, std::int32_t height, const platform::Palette& palette,
                      bool colourTexture = false, std::int32_t heldRows = 0);
    ~HiddenSurfacePass();

    // A 16-bit depth plane read instead of the depth row: image column x of
    // image row y (from the top) takes sample (trunc(x ÷ zoom),
    // trunc(y ÷ zoom)), clamped to the plane.
    void useGrey16(const platform::Grey16Image* plane, double zoom);

    const HiddenSurfaceTables& tables() const { return tables_; }
    bool trueColour() const { return output_ != nullptr; }
    // The true-colour picture being made; null with K = 1 or a true-colour
    // texture.
    platform::Bitmap* output() { return output_.get(); }

    // Rewrites row r (from the bottom): the texture is row8's 8-bit
    // indices; depth holds W values. With K = 1 the result goes back into
    // row8; otherwise into the true-colour picture.
    void shift(int worker, std::int32_t r, std::uint8_t* row8, const std::int32_t* depth);
    // The same for a true-colour texture of W pixels (0x00RRGGBB): the row
    // goes into out, W pixels of blue, green and red.
    void shiftColour(int worker, std::int32_t r, const std::uint32_t* texture, const std::int32_t* depth,
                     std::uint8_t* out);

    // The finished picture: the texture image itself (K = 1) or the
    // true-colour picture.
    std::unique_ptr<platform::Bitmap> finish(std::unique_ptr<platform::Bitmap> image8);

private:
    HiddenSurfaceScratch& scratchFor(int worker);
    // Links row r (rotated to start at the returned cut of a tileable row).
    std::int32_t link(HiddenSurfaceScratch& sc, std::int32_t r, const std::int32_t* depth);
    // Each sub-pixel's chain root in picture order, after link.
    const std::int32_t* roots(HiddenSurfaceScratch& sc, std::int32_t cut);

    HiddenSurfaceTables tables_;
    std::int32_t height_;
    std::int32_t held_;
    // The palette packed as blue | green << 16 | red << 32: the sum of up to
    // kMaxOversample entries (at most 8 × 255 = 2040 a channel) keeps each
    // channel in its own 16 bits.
    std::array<std::uint64_t, 256> packed_{};
    std::unique_ptr<platform::Bitmap> output_;
    const platform::Grey16Image* plane_ = nullptr;
    double zoom_ = 1.0;
    std::vector<std::unique_ptr<HiddenSurfaceScratch>> scratch_;
};

// The pass a generation needs: null unless the settings choose the
// hidden-surface method. Throws std::bad_alloc when memory runs out.
std::unique_ptr<HiddenSurfacePass> makeHiddenSurfacePass(const SirdsSettings& settings, std::int32_t gap,
                                                         std::int32_t width, std::int32_t height,
                                                         const platform::Palette& palette,
                                                         bool colourTexture = false, std::int32_t heldRows = 0);

// The cut of a tileable row of n sub-pixels: the u whose level differs
// most from the one before it, around the row; 0 for a flat row.
std::int32_t tileCut(const std::uint16_t* levels, std::int32_t n);

// The whole-sub-pixel separation nearest to wanted that divides n, when
// one lies within a quarter of wanted; else wanted rounded.
std::int32_t dividingSeparation(double wanted, std::int32_t n);

// Random dots instead of the pattern: true when the settings ask for them.
bool usesRandomDots(const SirdsSettings& settings);
// Noise dots in colour: a true-colour texture instead of dot indices.
bool usesColourNoise(const SirdsSettings& settings);
// Their palette: 254 dot colours (colour: entry 0 black, the others random
// from the seed; grey: a ramp from black to white; black and white: the
// grey ramp, of which the dots use the ends), then yellow and navy for the
// markers and captions. 256 entries, each with the no-collapse flag.
platform::Palette randomDotPalette(const HiddenSurfaceSettings& settings);
// Fills an 8-bit image with dots: each pixel's index depends only on the
// seed, the kind and its position (x, y from the top).
void fillRandomDots(platform::Bitmap& image, const HiddenSurfaceSettings& settings);

// Text on a picture of either depth: on an 8-bit picture the host draws it
// as always; on a true-colour one the host draws into an 8-bit mask whose
// pixels then take the colour exactly.
void drawTextAnyDepth(GenerationHost& host, platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                      std::string_view text, Rgb colour);

} // namespace engine
