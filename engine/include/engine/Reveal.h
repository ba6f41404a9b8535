#pragma once
// Revealing the depth hidden in a single-image stereogram, from its pixels
// alone: for every pixel the horizontal separation at which the picture
// repeats there, shown as a grey picture in which near is bright.
//
// Colours are compared as red, green and blue, never as palette indices, so
// palette and true-colour pictures (and pictures whose palettes hold the same
// colour twice) are read alike. True-colour pictures of many colours, whose
// copies may be blends of two pixels (oversampled or scaled pictures), are
// compared by the span of colours each pixel covers half a pixel either way. The matcher compares small windows by the
// sum of their truncated colour differences, kept as running sums down the
// picture; along each row the costs are smoothed the way surfaces are (a
// small step in separation costs a little, a jump costs more) from both
// directions. Each pixel's separation is then found twice, as the left end
// of its pair and as the right end, refined to a fraction of a pixel by a
// parabola through the costs beside the best; a pair is kept only when its
// two ends agree, and shown at its midpoint. What is left out (occlusions,
// flat colour, text drawn over the picture) is filled from the matched
// pixels either side.
//
// A smaller separation is nearer: for a stereogram viewed with the eyes
// converging behind the page, a point whose two copies stand closer together
// is seen in front of one whose copies stand farther apart.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// A picture's colours as three planes of width × height bytes, rows from the
// top. Indexed pictures take their colours from the palette; an index the
// palette does not have (or a picture without one) is read as a grey level.
struct RgbPlanes {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> red, green, blue;
};

RgbPlanes rgbPlanes(const platform::Bitmap& picture, const platform::Palette* palette);

// The separations searched, and what the picture told about them.
struct SeparationRange {
    int minSep = 0;
    int maxSep = 0;
    int period = 0;     // the strongest repeat of the rows (0 when the range was given)
    double share = 0.0; // of the sampled pixels, those that repeat clearly
    // Offered beside another range: the band of the denser votes alone,
    // to be taken only where it pairs clearly more pixels.
    bool tight = false;
    // Offered as the links whose sums the range found may be: taken only
    // where a sample shows the found range's pairs to be two of its pairs
    // one after the other.
    bool fundamental = false;
};

// The smallest separation looked for, the widest range searched and the
// narrowest picture read.
inline constexpr int kRevealMinSeparation = 4;
inline constexpr int kRevealMinWidth = 32;
inline constexpr int kRevealMaxRange = 1024;
// Pictures beyond this many pixels are refused (the matcher keeps about
// eight bytes per pixel, fourteen for pictures compared by spans).
inline constexpr std::int64_t kRevealMaxPixels = std::int64_t{1} << 26;

inline constexpr std::string_view kRevealNoRepeatMessage =
    "No repeating pattern was found: the picture does not look like a single-image stereogram.";
inline constexpr std::string_view kRevealTooLargeMessage = "The picture is too large to reveal its depth.";
inline constexpr std::string_view kRevealNoMemoryMessage = "Not enough memory to reveal the depth.";
// printf-style, filled with the picture's width.
inline constexpr const char* kRevealTooNarrowFormat = "A picture %d pixels wide is too narrow to reveal a depth from.";
// printf-style, filled with the two separations and the picture's width.
inline constexpr const char* kRevealBadRangeFormat =
    "Separations from %d to %d cannot be searched in a picture %d pixels wide.";

// Finds the separations a stereogram uses from a sample of its rows: every
// sampled pixel takes the separation at which a small window around it
// repeats best, when that repeat stands out clearly; the strongest of them
// is the period, and the range spans the separations found (their 1 and 99
// percentiles, leaving out the echoes at multiples of a separation) with a
// margin. Empty error on success; otherwise the
// reason (too narrow, or no repeat) and the range is unusable. With others,
// ranges that may be the true one instead (a period whose votes may be
// echoes of a smaller one) are added there, for the matcher to try.
// The windows the range search compares: the usual ones; ones at most
// three rows high; or the usual ones with windows of as many pixels along
// one row standing in where they repeat better. Where the depth changes
// down the picture nearly as fast as the separation, windows of several
// rows never repeat whole.
enum class RangeWindows { Usual, Low, AlongRows };
SeparationRange findSeparationRange(const RgbPlanes& picture, std::string& error, int threads = 0,
                                    std::vector<SeparationRange>* others = nullptr,
                                    RangeWindows windows = RangeWindows::Usual);

struct RevealOptions {
    // The separations to search; both 0 finds them from the picture. With a
    // range given, the grey scale spans it (maxSep black, minSep white);
    // without, it spans the separations found.
    int minSep = 0;
    int maxSep = 0;
    int radius = 2;  // the window is (2 × radius + 1) pixels square, radius 1 to 15
    int threads = 0; // 0: the machine's cores, at most two
    // Called on the calling thread now and then with rows done and the row
    // count; returning false stops the work (the result is then Stopped).
    std::function<bool(int done, int total)> progress;
};

enum class RevealStatus {
    Done,
    Refused, // error says why
    Stopped, // the progress callback asked to stop
};

struct RevealResult {
    RevealStatus status = RevealStatus::Refused;
    std::string error;
    std::unique_ptr<platform::Bitmap> depth; // 8-bit grey, the picture's size; near is bright
    platform::Palette palette;               // 256 greys, entry i = (i, i, i)
    // The recovered separation of every pixel, rows from the top, holes filled.
    std::vector<float> separation;
    SeparationRange range;
    float blackSeparation = 0; // the separation shown as 0 (far)
    float whiteSeparation = 0; // the separation shown as 255 (near)
    double matched = 0.0;      // share of pixels matched before the holes were filled

    bool done() const { return status == RevealStatus::Done; }
};

RevealResult revealDepth(const platform::Bitmap& picture, const platform::Palette* palette,
                         const RevealOptions& options = {});

// The 256 greys of a revealed depth picture.
platform::Palette greyPalette();

} // namespace engine
