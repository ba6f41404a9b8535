#pragma once
// The three scan methods: each rewrites one row of 8-bit colour indices in
// place from one row of depth values, so that pixels repeat at the
// separation the depth asks for.
//
// Arithmetic follows the program's integer rules: ÷ truncates toward zero
// and the Feucht half-width is an arithmetic shift (rounds toward minus
// infinity). Intermediate values are formed in 64 bits, which gives the same
// result as 32-bit arithmetic whenever that does not overflow and a sound one
// when it would (extreme values from a hand-edited configuration file).
//
// Depth resolution with Zmin equal to Zmax: the divisor D = Zmax − Zmin is
// zero. The depth term then counts as zero, so "Left-To-Right" and
// "McMahon" repeat the pattern at the plain gap (a flat picture). "Feucht"
// does not divide by D and needs no such rule.
//
// No function here allocates; a ScanTable lives on the caller's stack or in
// the caller's generation state.

#include <array>
#include <cstdint>

namespace engine {

// How strongly a depth source's values move pixels.
struct DepthScale {
    std::int32_t F = 64; // "Left-To-Right" factor
    std::int32_t k = 4;  // "Feucht" factor

    static constexpr DepthScale picture() { return {256, 1}; }
    static constexpr DepthScale depthMap() { return {64, 4}; }
    static constexpr DepthScale figure() { return {64, 4}; }
};

struct ScanParams {
    std::int32_t method = 2; // ShiftDir; other values leave rows unchanged
    std::int32_t gap = 100;  // g, the gap in use
    std::int32_t zmin = 0;
    std::int32_t zmax = 63;
    DepthScale scale{};
    // The pixels only one eye sees keep the texture they hold, so no streaks
    // form: those "McMahon" and "Feucht" fill by repeating a neighbour, and
    // those "Left-To-Right" would pair with a pixel already paired. Off, the
    // methods work as they always have.
    bool freshFill = false;
};

// Per-depth link distances of one method for rows of one width, worked out
// once per generation so that no division remains in the per-pixel loops.
// Depth values outside the table's range are computed directly. The table
// is read-only once built, so rows may be shifted on several threads.
class ScanTable {
public:
    static constexpr std::int32_t kLowest = -1024;
    static constexpr std::int32_t kHighest = 4095;

    ScanTable(const ScanParams& params, std::int32_t width);

    const ScanParams& params() const { return params_; }
    std::int32_t width() const { return width_; }

    // "Left-To-Right": the separation g − (depth × F) ÷ D.
    // "McMahon": the link offset ((depth − Zmin) × (g ÷ 2)) ÷ D, so that
    //   the target is x − g + offset.
    // "Feucht": the pair width s = ((near − z) × E) ÷ (far − z) with
    //   z = k × depth, E = (W × 5) ÷ 20, or 0 where z is the far plane.
    // Saturated to the 32-bit range; any saturated value lies beyond every
    // row, so it is skipped just as the exact value would be.
    std::int32_t value(std::int32_t depth) const
    {
        std::int64_t i = static_cast<std::int64_t>(depth) - kLowest;
        if (i >= 0 && i < kSize)
            return table_[static_cast<std::size_t>(i)];
        return compute(depth);
    }
    std::int32_t compute(std::int32_t depth) const;

private:
    static constexpr std::int32_t kSize = kHighest - kLowest + 1;

    ScanParams params_;
    std::int32_t width_;
    std::array<std::int32_t, kSize> table_{};
};

// Each method rewrites row[0 .. W − 1] from depth[0 .. W − 1], W being the
// table's width. Links that would read or write outside the row are skipped;
// for "Feucht" that includes a pair whose left end L lies beyond the row
// (possible near the right edge when the pair width is negative).
void shiftLeftToRight(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table);
void shiftMcMahon(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table);
void shiftFeucht(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table);

// Dispatches on params().method; any other method leaves the row as it is
// (the hidden-surface method is the driver's own pass, HiddenSurface.h).
void shiftRow(std::uint8_t* row, const std::int32_t* depth, const ScanTable& table);
// The same links on a row of true-colour pixels (0x00RRGGBB).
void shiftRow(std::uint32_t* row, const std::int32_t* depth, const ScanTable& table);

} // namespace engine
