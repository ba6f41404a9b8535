#pragma once
// The options of the hidden-surface scan method: oversampling, depth of
// field, eye separation, viewing mode and random dots. They travel with the
// stereogram settings record but are stored in a section of their own in the
// configuration file, so that the twelve classic keys stay as they were.

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// What the hidden-surface method paints its links with.
enum RandomDotKind : std::int32_t {
    PatternDots = 0,    // the current background pattern
    ColourDots = 1,     // random colours
    GreyDots = 2,       // random grey levels
    BlackWhiteDots = 3, // random black and white
    NoiseDots = 4,      // a noise field whose power falls as 1 / |f|^NoiseBeta
};

struct HiddenSurfaceSettings {
    std::int32_t Oversample = 4;     // K: rows linked at K times the width, then averaged
    double DepthOfField = 1.0 / 3.0; // mu: the near plane's depth as a share of the far plane's distance
    std::int32_t Dpi = 0;            // with EyeSepMm: the eye separation in print
    double EyeSepMm = 0;             // 0: the eye separation is twice the gap
    std::int32_t CrossEyed = 0;      // 1: near and far swapped for cross-eyed viewing
    std::int32_t RandomDots = PatternDots;
    std::int32_t Seed = 1;           // random dots: the same seed gives the same picture
    double NoiseBeta = 1.0;          // noise dots: the spectrum's slope, 0 (white) to 3
    std::int32_t NoiseColour = 1;    // noise dots: 1 three fields (colour), 0 one (grey)
    std::int32_t Tileable = 0;       // 1: links wrap around the width, so copies side by side join
    std::int32_t FreshFill = 0;      // 1: the classic methods leave what one eye sees its own texture

    friend bool operator==(const HiddenSurfaceSettings&, const HiddenSurfaceSettings&) = default;
};

inline constexpr std::int32_t kMinOversample = 1;
inline constexpr std::int32_t kMaxOversample = 8;
inline constexpr double kMinDepthOfField = 0.1;
inline constexpr double kMaxDepthOfField = 0.5;
inline constexpr std::int32_t kMinDpi = 10;
inline constexpr std::int32_t kMaxDpi = 4800;
inline constexpr double kMinEyeSepMm = 10;
inline constexpr double kMaxEyeSepMm = 200;
inline constexpr double kMinNoiseBeta = 0;
inline constexpr double kMaxNoiseBeta = 3;
// Largest eye separation in pixels the method links with.
inline constexpr double kMaxEyePixels = 16384;

// The eye separation E in pixels: Dpi × EyeSepMm ÷ 25.4 when both are set
// (positive), else twice the gap in use. Never below 2 or above
// kMaxEyePixels.
double eyeSeparationPixels(const HiddenSurfaceSettings& settings, std::int32_t gap);

// The settings as the method uses them whatever the record holds: K in
// 1..8, mu in 0.1..0.5 (a value that is not a number gives 1/3), CrossEyed
// 0 or 1, an unknown RandomDots value the pattern.
HiddenSurfaceSettings usableHiddenSurface(const HiddenSurfaceSettings& settings);

// Option names for the command-line checker's messages.
struct HiddenSurfaceOptionNames {
    std::string_view Oversample = "--oversample";
    std::string_view DepthOfField = "--depth-of-field";
    std::string_view Dpi = "--dpi";
    std::string_view EyeSepMm = "--eye-sep-mm (or --eye-sep)";
    std::string_view RandomDots = "--random-dots";
    std::string_view NoiseBeta = "--noise-beta";
};

// The first value outside its range, as "--oversample must be between 1 and
// 8"; an eye separation without a resolution (or the reverse) gives
// "--eye-sep-mm (or --eye-sep) needs --dpi". Empty when usable.
std::string checkHiddenSurface(const HiddenSurfaceSettings& settings, const HiddenSurfaceOptionNames& names = {});

// The settings dialog's "Hidden Surface" group, as text and choices.
struct HiddenSurfaceDialogState {
    int oversample = 4;          // spin box, 1 to 8
    std::string depthOfField;    // edit, a decimal
    bool forPrint = false;       // "For print" instead of "Twice the gap"
    std::string dpi;             // edit
    std::string eyeSepMm;        // edit
    bool crossEyed = false;
    int dots = PatternDots;      // list: Pattern, Random colour, Random grey, Random black and white, 1/f noise
    std::string seed;            // edit
    std::string noiseBeta;       // edit, a decimal
    bool noiseColour = true;     // check box
    bool tileable = false;       // check box

    friend bool operator==(const HiddenSurfaceDialogState&, const HiddenSurfaceDialogState&) = default;
};

// The names of the dots list entries, in list order.
inline constexpr std::string_view kRandomDotNames[5] = {"Pattern", "Random colour", "Random grey",
                                                        "Random black and white", "1/f noise"};

HiddenSurfaceDialogState hiddenSurfaceDialogState(const HiddenSurfaceSettings& settings);

// OK: the group read into the settings with the dialog's silent
// corrections: oversampling clamped to 1..8; a depth of field that is not a
// number from 0.1 to 0.5 becomes 1/3; "For print" with a resolution outside
// 10..4800 dpi or an eye separation outside 10..200 mm (or more than 16384
// pixels between the eyes) falls back to twice the gap; a seed that is not a
// number becomes 1; a noise slope that is not a number from 0 to 3 becomes 1.
void applyHiddenSurfaceDialog(const HiddenSurfaceDialogState& state, HiddenSurfaceSettings& settings);

// The random-dot kinds by name: "off" (the pattern), "colour" or "color",
// "grey" or "gray", "bw"; -1 for any other name.
std::int32_t randomDotKindFromName(std::string_view name);

} // namespace engine
