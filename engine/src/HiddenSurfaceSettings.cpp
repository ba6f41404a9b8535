#include "engine/HiddenSurfaceSettings.h"

#include "platform/Window.h"

#include <algorithm>
#include <cmath>

namespace engine {

HiddenSurfaceSettings usableHiddenSurface(const HiddenSurfaceSettings& settings)
{
    HiddenSurfaceSettings s = settings;
    s.Oversample = std::clamp(s.Oversample, kMinOversample, kMaxOversample);
    s.DepthOfField = std::isfinite(s.DepthOfField) ? std::clamp(s.DepthOfField, kMinDepthOfField, kMaxDepthOfField)
                                                   : 1.0 / 3.0;
    s.CrossEyed = s.CrossEyed != 0 ? 1 : 0;
    if (s.RandomDots < PatternDots || s.RandomDots > BlackWhiteDots)
        s.RandomDots = PatternDots;
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
    if (s.RandomDots < PatternDots || s.RandomDots > BlackWhiteDots)
        return platform::format("%.*s must be off, colour, grey or bw", static_cast<int>(names.RandomDots.size()),
                                names.RandomDots.data());
    return {};
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
    return -1;
}

} // namespace engine
