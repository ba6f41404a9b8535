#pragma once
// dotscape make's options of the hidden-surface method, and the size rule of
// math stereograms made for print.

#include "engine/SirdsSettings.h"

#include <string>

namespace app {

// Printed after make's usage.
extern const char* const kHiddenSurfaceUsage;

// Whether option belongs here; takesValue tells whether a value follows.
bool isHiddenSurfaceOption(const std::string& option, bool& takesValue);

// Applies one option with its value to the settings; the text of a usage
// error when the value cannot be read, else empty.
std::string applyHiddenSurfaceOption(engine::SirdsSettings& settings, const std::string& option,
                                     const std::string& value);

// Math stereograms from the command line may be as large as this on either
// side (the settings dialog keeps its own limit).
inline constexpr std::int32_t kMaxPrintSide = 16384;

// "--width must be between 2g and 16384" and the like, or empty.
std::string checkFigureSize(const engine::SirdsSettings& settings);

} // namespace app
