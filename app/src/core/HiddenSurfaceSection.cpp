#include "app/HiddenSurfaceSection.h"

#include "platform/Window.h"

#include <charconv>
#include <cmath>
#include <string>

namespace app {

namespace {

std::int32_t readInt(const platform::ProfileFile& file, const char* key, std::int32_t def)
{
    return static_cast<std::int32_t>(file.getInt(kHiddenSurfaceSection, key, def));
}

double readDecimal(const platform::ProfileFile& file, const char* key, double def)
{
    const auto text = file.get(kHiddenSurfaceSection, key);
    if (!text || text->empty())
        return def;
    double value = 0;
    auto [ptr, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec != std::errc() || ptr != text->data() + text->size() || !std::isfinite(value))
        return def;
    return value;
}

// The shortest text that reads back as the same number, with a point
// whatever the locale.
std::string decimal(double value)
{
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

} // namespace

engine::HiddenSurfaceSettings loadHiddenSurface(const platform::ProfileFile& file)
{
    const engine::HiddenSurfaceSettings d;
    engine::HiddenSurfaceSettings s;
    s.Oversample = readInt(file, "Oversample", d.Oversample);
    s.DepthOfField = readDecimal(file, "DepthOfField", d.DepthOfField);
    s.Dpi = readInt(file, "Dpi", d.Dpi);
    s.EyeSepMm = readDecimal(file, "EyeSepMm", d.EyeSepMm);
    s.CrossEyed = readInt(file, "CrossEyed", d.CrossEyed);
    s.RandomDots = readInt(file, "RandomDots", d.RandomDots);
    s.Seed = readInt(file, "Seed", d.Seed);
    s.NoiseBeta = readDecimal(file, "NoiseBeta", d.NoiseBeta);
    s.NoiseColour = readInt(file, "NoiseColour", d.NoiseColour);
    s.Tileable = readInt(file, "Tileable", d.Tileable);
    s.FreshFill = readInt(file, "FreshFill", d.FreshFill);
    return s;
}

void saveHiddenSurface(platform::ProfileFile& file, const engine::HiddenSurfaceSettings& s)
{
    auto put = [&](const char* key, const std::string& value) { file.set(kHiddenSurfaceSection, key, value); };
    put("Oversample", platform::format("%d", s.Oversample));
    put("DepthOfField", decimal(s.DepthOfField));
    put("Dpi", platform::format("%d", s.Dpi));
    put("EyeSepMm", decimal(s.EyeSepMm));
    put("CrossEyed", platform::format("%d", s.CrossEyed));
    put("RandomDots", platform::format("%d", s.RandomDots));
    put("Seed", platform::format("%d", s.Seed));
    put("NoiseBeta", decimal(s.NoiseBeta));
    put("NoiseColour", platform::format("%d", s.NoiseColour));
    put("Tileable", platform::format("%d", s.Tileable));
    put("FreshFill", platform::format("%d", s.FreshFill));
}

} // namespace app
