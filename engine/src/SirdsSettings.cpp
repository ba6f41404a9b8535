#include "engine/SirdsSettings.h"

#include "platform/Window.h"

#include <algorithm>
#include <limits>

namespace engine {

static std::string decimal(std::int32_t value)
{
    return std::to_string(value);
}

static bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static std::int32_t inRangeOr(std::int32_t value, std::int32_t low, std::int32_t high, std::int32_t fallback)
{
    return value < low || value > high ? fallback : value;
}

void restoreDefaults(SirdsSettings& settings)
{
    std::int32_t useBmp = settings.UseBMP;
    settings = SirdsSettings{};
    settings.UseBMP = useBmp;
}

// The numeric edits and the check boxes; the list and Restore Defaults are
// left to the callers, which treat them differently.
static void fillControls(const SirdsSettings& settings, SettingsDialogState& state)
{
    state.width = decimal(settings.w);
    state.height = decimal(settings.h);
    state.dx = decimal(settings.dx);
    state.dy = decimal(settings.dy);
    state.zmax = decimal(settings.zmax);
    state.zmin = decimal(settings.zmin);
    state.da = decimal(settings.da);
    state.gap = decimal(settings.gapValue);
    state.depthByColor = settings.DepthSel == ByColor;
    state.markers = settings.Marker != 0;
    state.useOpenBitmap = settings.UseBMP != 0;
    state.freshFill = settings.hidden.FreshFill != 0;
}

static int listIndexOf(std::int32_t shiftDir)
{
    return shiftDir >= LeftToRight && shiftDir <= HiddenSurface ? shiftDir - 1 : -1;
}

SettingsDialogState dialogStateFrom(const SirdsSettings& settings)
{
    SettingsDialogState state;
    fillControls(settings, state);
    state.scanIndex = listIndexOf(settings.ShiftDir);
    state.restoreDefaults = false;
    return state;
}

void onRestoreDefaultsClicked(bool nowChecked, SirdsSettings& settings, SettingsDialogState& state)
{
    state.restoreDefaults = nowChecked;
    if (!nowChecked)
        return;
    restoreDefaults(settings);
    fillControls(settings, state);
    state.scanIndex = listIndexOf(settings.ShiftDir);
}

std::int32_t readDialogInteger(std::string_view text)
{
    // The edit is fetched into a 20-byte buffer: 19 characters and the end.
    text = text.substr(0, std::min<std::size_t>(text.size(), 19));
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Nineteen digits fit in 64 bits only just; stop growing once the value
    // is beyond every 32-bit number, the saturated result is the same.
    std::int64_t value = 0;
    constexpr std::int64_t kBeyond = std::int64_t{1} << 40;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kBeyond)
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

void applyDialogState(const SettingsDialogState& state, SirdsSettings& settings)
{
    if (state.restoreDefaults)
        return;
    settings.DepthSel = state.depthByColor ? ByColor : ByBrightness;
    settings.ShiftDir = state.scanIndex + 1;
    settings.Marker = state.markers ? 1 : 0;
    settings.UseBMP = state.useOpenBitmap ? 1 : 0;
    settings.hidden.FreshFill = state.freshFill ? 1 : 0;
    settings.dx = inRangeOr(readDialogInteger(state.dx), -kMaxDisplacement, kMaxDisplacement, 0);
    settings.dy = inRangeOr(readDialogInteger(state.dy), -kMaxDisplacement, kMaxDisplacement, 0);
    settings.da = inRangeOr(readDialogInteger(state.da), -kMaxAngle, kMaxAngle, 0);
    std::int32_t zmin = readDialogInteger(state.zmin);
    std::int32_t zmax = readDialogInteger(state.zmax);
    settings.zmin = std::min(zmin, zmax);
    settings.zmax = std::max(zmin, zmax);
    settings.gapValue = inRangeOr(readDialogInteger(state.gap), kMinGap, kMaxGap, 100);
    std::int32_t width = readDialogInteger(state.width);
    if (width <= 2 * settings.gapValue)
        width = 2 * settings.gapValue;
    else if (width > kMaxWidth)
        width = 400;
    settings.w = width;
    settings.h = inRangeOr(readDialogInteger(state.height), 1, kMaxHeight, 400);
}

static std::string rangeMessage(std::string_view option, std::int32_t low, std::int32_t high)
{
    return platform::format("%.*s must be between %d and %d", static_cast<int>(option.size()), option.data(), low,
                            high);
}

static bool outside(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return value < low || value > high;
}

std::string checkSettings(const SirdsSettings& s, const SettingsOptionNames& names)
{
    if (outside(s.gapValue, kMinGap, kMaxGap))
        return rangeMessage(names.gapValue, kMinGap, kMaxGap);
    if (outside(s.w, 2 * s.gapValue, kMaxWidth))
        return rangeMessage(names.w, 2 * s.gapValue, kMaxWidth);
    if (outside(s.h, 1, kMaxHeight))
        return rangeMessage(names.h, 1, kMaxHeight);
    if (outside(s.dx, -kMaxDisplacement, kMaxDisplacement))
        return rangeMessage(names.dx, -kMaxDisplacement, kMaxDisplacement);
    if (outside(s.dy, -kMaxDisplacement, kMaxDisplacement))
        return rangeMessage(names.dy, -kMaxDisplacement, kMaxDisplacement);
    if (outside(s.da, -kMaxAngle, kMaxAngle))
        return rangeMessage(names.da, -kMaxAngle, kMaxAngle);
    if (s.zmin >= s.zmax)
        return platform::format("%.*s must be less than %.*s", static_cast<int>(names.zmin.size()),
                                names.zmin.data(), static_cast<int>(names.zmax.size()), names.zmax.data());
    if (outside(s.DepthSel, ByColor, ByBrightness))
        return rangeMessage(names.DepthSel, ByColor, ByBrightness);
    if (outside(s.ShiftDir, LeftToRight, HiddenSurface))
        return rangeMessage(names.ShiftDir, LeftToRight, HiddenSurface);
    if (outside(s.Marker, 0, 1))
        return rangeMessage(names.Marker, 0, 1);
    if (outside(s.UseBMP, 0, 1))
        return rangeMessage(names.UseBMP, 0, 1);
    return checkHiddenSurface(s.hidden);
}

} // namespace engine
