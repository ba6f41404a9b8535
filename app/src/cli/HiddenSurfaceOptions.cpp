#include "HiddenSurfaceOptions.h"

#include "platform/Window.h"

#include <charconv>
#include <cmath>

namespace app {

const char* const kHiddenSurfaceUsage =
    "\n"
    "Hidden-surface method (--method hidden-surface):\n"
    "  --oversample K       link rows at K times the width, 1 to 8 (default 4);\n"
    "                       above 1 the stereogram is true colour\n"
    "  --depth-of-field MU  near plane's depth, 0.1 to 0.5 (default 0.3333)\n"
    "  --dpi D --eye-sep IN | --eye-sep-mm MM\n"
    "                       the eye separation in print (default: twice the gap)\n"
    "  --cross-eyed | --wall-eyed\n"
    "  --random-dots KIND   colour | grey | bw | noise | off (off: the pattern)\n"
    "  --seed N             random dots: the same seed gives the same picture\n"
    "  --noise-beta B       noise dots: power falls as 1/f^B, 0 to 3 (default 1:\n"
    "                       pink; 0 white, 2 brown)\n"
    "  --noise-colours C    noise dots: colour | grey (default colour)\n"
    "  --tileable           copies of the stereogram side by side join without a seam\n"
    "\n"
    "Classic methods (left-to-right, mcmahon, feucht):\n"
    "  --no-streaks         what only one eye sees keeps its own pattern instead of\n"
    "                       copying a neighbour's\n";

namespace {

bool readNumber(const std::string& text, double& out)
{
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, out);
    return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(out);
}

bool readInt(const std::string& text, std::int32_t& out)
{
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, out);
    return !text.empty() && ec == std::errc() && ptr == end;
}

std::string notANumber(const std::string& option, const std::string& value, const char* kind)
{
    return option + " takes " + kind + ", not '" + value + "'";
}

} // namespace

bool isHiddenSurfaceOption(const std::string& option, bool& takesValue)
{
    takesValue = option == "--oversample" || option == "--depth-of-field" || option == "--dpi" ||
                 option == "--eye-sep" || option == "--eye-sep-mm" || option == "--random-dots" ||
                 option == "--seed" || option == "--noise-beta" || option == "--noise-colours" ||
                 option == "--noise-colors";
    return takesValue || option == "--cross-eyed" || option == "--wall-eyed" || option == "--tileable" ||
           option == "--no-streaks";
}

std::string applyHiddenSurfaceOption(engine::SirdsSettings& settings, const std::string& option,
                                     const std::string& value)
{
    engine::HiddenSurfaceSettings& h = settings.hidden;
    double number = 0;
    if (option == "--cross-eyed") {
        h.CrossEyed = 1;
    } else if (option == "--wall-eyed") {
        h.CrossEyed = 0;
    } else if (option == "--tileable") {
        h.Tileable = 1;
    } else if (option == "--no-streaks") {
        h.FreshFill = 1;
    } else if (option == "--noise-colours" || option == "--noise-colors") {
        if (value == "colour" || value == "color")
            h.NoiseColour = 1;
        else if (value == "grey" || value == "gray")
            h.NoiseColour = 0;
        else
            return "--noise-colours must be colour or grey, not '" + value + "'";
    } else if (option == "--noise-beta") {
        if (!readNumber(value, number))
            return notANumber(option, value, "a number");
        if (!(number >= engine::kMinNoiseBeta && number <= engine::kMaxNoiseBeta))
            return platform::format("--noise-beta must be between %g and %g", engine::kMinNoiseBeta,
                                    engine::kMaxNoiseBeta);
        h.NoiseBeta = number;
    } else if (option == "--oversample") {
        if (!readInt(value, h.Oversample))
            return notANumber(option, value, "a whole number");
    } else if (option == "--dpi") {
        if (!readInt(value, h.Dpi))
            return notANumber(option, value, "a whole number");
        // 0 would read as "no resolution given" further on.
        if (h.Dpi < engine::kMinDpi || h.Dpi > engine::kMaxDpi)
            return platform::format("--dpi must be between %d and %d", engine::kMinDpi, engine::kMaxDpi);
    } else if (option == "--seed") {
        if (!readInt(value, h.Seed))
            return notANumber(option, value, "a whole number");
    } else if (option == "--depth-of-field") {
        if (!readNumber(value, number))
            return notANumber(option, value, "a number");
        h.DepthOfField = number;
    } else if (option == "--eye-sep" || option == "--eye-sep-mm") {
        if (!readNumber(value, number))
            return notANumber(option, value, "a number");
        // Each option's range in its own unit, so the message is the user's.
        const double perMm = option == "--eye-sep" ? 25.4 : 1.0;
        if (!(number * perMm >= engine::kMinEyeSepMm && number * perMm <= engine::kMaxEyeSepMm))
            return platform::format(perMm == 1.0 ? "%s must be between %g and %g" : "%s must be between %.2f and %.2f",
                                    option.c_str(), engine::kMinEyeSepMm / perMm, engine::kMaxEyeSepMm / perMm);
        h.EyeSepMm = number * perMm;
    } else if (option == "--random-dots") {
        const std::int32_t kind = engine::randomDotKindFromName(value);
        if (kind < 0)
            return "--random-dots must be colour, grey, bw, noise or off, not '" + value + "'";
        h.RandomDots = kind;
    }
    return {};
}

std::string checkFigureSize(const engine::SirdsSettings& s)
{
    if (s.w < 2 * s.gapValue || s.w > kMaxPrintSide)
        return platform::format("--width must be between %d and %d", 2 * s.gapValue, kMaxPrintSide);
    if (s.h < 1 || s.h > kMaxPrintSide)
        return platform::format("--height must be between 1 and %d", kMaxPrintSide);
    return {};
}

} // namespace app
