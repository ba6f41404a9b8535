#include "engine/SettingsCorrections.h"

#include "platform/Window.h"

#include <string_view>

namespace engine {

namespace {

struct Field {
    int editId;
    std::string_view label;
    std::string SettingsDialogState::*text;
    std::int32_t SirdsSettings::*value;
};

constexpr Field kFields[] = {
    {104, "Width", &SettingsDialogState::width, &SirdsSettings::w},
    {105, "Height", &SettingsDialogState::height, &SirdsSettings::h},
    {107, "Gap Value", &SettingsDialogState::gap, &SirdsSettings::gapValue},
    {101, "Horizontal displacement", &SettingsDialogState::dx, &SirdsSettings::dx},
    {102, "Vertical displacement", &SettingsDialogState::dy, &SirdsSettings::dy},
    {110, "Angular displacement", &SettingsDialogState::da, &SirdsSettings::da},
    {103, "Zmin", &SettingsDialogState::zmin, &SirdsSettings::zmin},
    {114, "Zmax", &SettingsDialogState::zmax, &SirdsSettings::zmax},
};

std::string rangeOf(int editId, const SirdsSettings& stored)
{
    switch (editId) {
    case 104:
        return platform::format("from twice the gap (%d) to %d", 2 * stored.gapValue, kMaxWidth);
    case 105:
        return platform::format("from 1 to %d", kMaxHeight);
    case 107:
        return platform::format("from %d to %d", kMinGap, kMaxGap);
    case 101:
    case 102:
        return platform::format("from %d to %d", -kMaxDisplacement, kMaxDisplacement);
    case 110:
        return platform::format("from %d to %d", -kMaxAngle, kMaxAngle);
    default:
        return "Zmin below Zmax: the two are swapped";
    }
}

} // namespace

std::vector<DialogCorrection> dialogCorrections(const SettingsDialogState& state)
{
    std::vector<DialogCorrection> out;
    if (state.restoreDefaults)
        return out;
    SirdsSettings stored;
    applyDialogState(state, stored);
    for (const Field& f : kFields) {
        const std::int32_t typed = readDialogInteger(state.*f.text);
        const std::int32_t kept = stored.*f.value;
        if (typed == kept)
            continue;
        DialogCorrection c;
        c.editId = f.editId;
        c.typed = typed;
        c.stored = kept;
        const bool swapped = f.editId == 103 || f.editId == 114;
        const std::string range = (swapped ? "" : "it must be ") + rangeOf(f.editId, stored);
        c.note = platform::format("%.*s %d becomes %d: %s.", static_cast<int>(f.label.size()), f.label.data(), typed,
                                  kept, range.c_str());
        out.push_back(std::move(c));
    }
    return out;
}

} // namespace engine
