#include "engine/HiddenSurfaceSettings.h"

#include "platform/Window.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace engine {

HiddenSurfaceSettings usableHiddenSurface(const HiddenSurfaceSettings& settings)
{
    HiddenSurfaceSettings s = settings;
    s.Oversample = std::clamp(s.Oversample, kMinOversample, kMaxOversample);
    s.DepthOfField = std::isfinite(s.DepthOfField) ? std::clamp(s.DepthOfField, kMinDepthOfField, kMaxDepthOfField)
                                                   : 1.0 / 3.0;
    s.CrossEyed = s.CrossEyed != 0 ? 1 : 0;
    if (s.RandomDots < PatternDots || s.RandomDots > NoiseDots)
        s.RandomDots = PatternDots;
    s.NoiseBeta = std::isfinite(s.NoiseBeta) ? std::clamp(s.NoiseBeta, kMinNoiseBeta, kMaxNoiseBeta) : 1.0;
    s.NoiseColour = s.NoiseColour != 0 ? 1 : 0;
    s.Tileable = s.Tileable != 0 ? 1 : 0;
    s.FreshFill = s.FreshFill != 0 ? 1 : 0;
    return s;
}

double eyeSeparationPixels(const HiddenSurfaceSettings& settings, std::int32_t gap)
{
    double eye = 2.0 * gap;
    if (settings.Dpi > 0 && std::isfinite(settings.EyeSepMm) && settings.EyeSepMm > 0)
        eye = settings.Dpi * settings.EyeSepMm / 25.4;
    return std::clamp(eye, 2.0, kMaxEyePixels);
}

static std::string rangeMessage(std::string_view option, double low, double high)
{
    return platform::format("%.*s must be between %g and %g", static_cast<int>(option.size()), option.data(), low,
                            high);
}

std::string checkHiddenSurface(const HiddenSurfaceSettings& s, const HiddenSurfaceOptionNames& names)
{
    if (s.Oversample < kMinOversample || s.Oversample > kMaxOversample)
        return rangeMessage(names.Oversample, kMinOversample, kMaxOversample);
    if (!(s.DepthOfField >= kMinDepthOfField && s.DepthOfField <= kMaxDepthOfField))
        return rangeMessage(names.DepthOfField, kMinDepthOfField, kMaxDepthOfField);
    const bool physical = s.Dpi != 0 || s.EyeSepMm != 0;
    if (physical) {
        if (s.Dpi == 0)
            return platform::format("%.*s needs %.*s", static_cast<int>(names.EyeSepMm.size()), names.EyeSepMm.data(),
                                    static_cast<int>(names.Dpi.size()), names.Dpi.data());
        if (s.Dpi < kMinDpi || s.Dpi > kMaxDpi)
            return rangeMessage(names.Dpi, kMinDpi, kMaxDpi);
        if (s.EyeSepMm == 0)
            return platform::format("%.*s needs %.*s", static_cast<int>(names.Dpi.size()), names.Dpi.data(),
                                    static_cast<int>(names.EyeSepMm.size()), names.EyeSepMm.data());
        if (!(s.EyeSepMm >= kMinEyeSepMm && s.EyeSepMm <= kMaxEyeSepMm))
            return rangeMessage(names.EyeSepMm, kMinEyeSepMm, kMaxEyeSepMm);
        if (s.Dpi * s.EyeSepMm / 25.4 > kMaxEyePixels)
            return platform::format("%.*s and %.*s give more than %g pixels between the eyes",
                                    static_cast<int>(names.Dpi.size()), names.Dpi.data(),
                                    static_cast<int>(names.EyeSepMm.size()), names.EyeSepMm.data(), kMaxEyePixels);
    }
    if (s.RandomDots < PatternDots || s.RandomDots > NoiseDots)
        return platform::format("%.*s must be off, colour, grey, bw or noise",
                                static_cast<int>(names.RandomDots.size()), names.RandomDots.data());
    if (!(s.NoiseBeta >= kMinNoiseBeta && s.NoiseBeta <= kMaxNoiseBeta))
        return rangeMessage(names.NoiseBeta, kMinNoiseBeta, kMaxNoiseBeta);
    return {};
}

static std::string decimal(double value)
{
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string();
}

// A number typed into an edit: blanks around it allowed, a comma taken as
// the decimal point; nullopt-like NaN when it is not a number.
static double typedNumber(std::string text)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string::npos)
        return std::nan("");
    text = text.substr(first, last - first + 1);
    std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nan("");
    return value;
}

HiddenSurfaceDialogState hiddenSurfaceDialogState(const HiddenSurfaceSettings& settings)
{
    const HiddenSurfaceSettings s = usableHiddenSurface(settings);
    HiddenSurfaceDialogState state;
    state.oversample = s.Oversample;
    state.depthOfField = decimal(s.DepthOfField);
    state.forPrint = s.Dpi > 0 && s.EyeSepMm > 0;
    state.dpi = s.Dpi > 0 ? std::to_string(s.Dpi) : std::string();
    state.eyeSepMm = s.EyeSepMm > 0 ? decimal(s.EyeSepMm) : std::string();
    state.crossEyed = s.CrossEyed != 0;
    state.dots = s.RandomDots;
    state.seed = std::to_string(s.Seed);
    state.noiseBeta = decimal(s.NoiseBeta);
    state.noiseColour = s.NoiseColour != 0;
    state.tileable = s.Tileable != 0;
    return state;
}

void applyHiddenSurfaceDialog(const HiddenSurfaceDialogState& state, HiddenSurfaceSettings& settings)
{
    settings.Oversample = std::clamp(state.oversample, kMinOversample, kMaxOversample);
    // A value shown rounded and left as it was keeps its full precision.
    const double mu =
        state.depthOfField == decimal(settings.DepthOfField) ? settings.DepthOfField : typedNumber(state.depthOfField);
    settings.DepthOfField = mu >= kMinDepthOfField && mu <= kMaxDepthOfField ? mu : 1.0 / 3.0;
    const double shownMm = settings.EyeSepMm;
    settings.Dpi = 0;
    settings.EyeSepMm = 0;
    if (state.forPrint) {
        const double dpi = typedNumber(state.dpi);
        const double mm = shownMm > 0 && state.eyeSepMm == decimal(shownMm) ? shownMm : typedNumber(state.eyeSepMm);
        const bool usable = dpi >= kMinDpi && dpi <= kMaxDpi && dpi == std::floor(dpi) && mm >= kMinEyeSepMm &&
                            mm <= kMaxEyeSepMm && dpi * mm / 25.4 <= kMaxEyePixels;
        if (usable) {
            settings.Dpi = static_cast<std::int32_t>(dpi);
            settings.EyeSepMm = mm;
        }
    }
    settings.CrossEyed = state.crossEyed ? 1 : 0;
    settings.RandomDots = state.dots >= PatternDots && state.dots <= NoiseDots ? state.dots : PatternDots;
    const double beta =
        state.noiseBeta == decimal(settings.NoiseBeta) ? settings.NoiseBeta : typedNumber(state.noiseBeta);
    settings.NoiseBeta = beta >= kMinNoiseBeta && beta <= kMaxNoiseBeta ? beta : 1.0;
    settings.NoiseColour = state.noiseColour ? 1 : 0;
    settings.Tileable = state.tileable ? 1 : 0;
    const double seed = typedNumber(state.seed);
    settings.Seed = seed == std::floor(seed) && std::abs(seed) <= 2147483647.0 ? static_cast<std::int32_t>(seed) : 1;
}

std::int32_t randomDotKindFromName(std::string_view name)
{
    if (name == "off" || name == "pattern" || name == "0")
        return PatternDots;
    if (name == "colour" || name == "color" || name == "1")
        return ColourDots;
    if (name == "grey" || name == "gray" || name == "2")
        return GreyDots;
    if (name == "bw" || name == "black-and-white" || name == "3")
        return BlackWhiteDots;
    if (name == "noise" || name == "4")
        return NoiseDots;
    return -1;
}

} // namespace engine
