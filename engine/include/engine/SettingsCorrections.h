#pragma once
// What the settings dialog's OK would replace: each number the user typed
// that the dialog's rules (applyDialogState) store differently, with a
// one-line note of the range, so the dialog can mark the field as the user
// types instead of changing the value silently.

#include "engine/SirdsSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct DialogCorrection {
    int editId = 0;            // 101 … 114, as TSettDialog::Edit takes it
    std::int32_t typed = 0;    // the number as the dialog reads the text
    std::int32_t stored = 0;   // what OK stores instead
    std::string note;          // "Gap Value 30 becomes 100: it must be from 51 to 150."
};

// The corrections in the dialog's field order (width, height, gap, the
// three displacements, Zmin and Zmax); none with "Restore Defaults" checked.
std::vector<DialogCorrection> dialogCorrections(const SettingsDialogState& state);

} // namespace engine
