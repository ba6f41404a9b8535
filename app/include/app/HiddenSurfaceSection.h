#pragma once
// Section "Hidden Surface" of the configuration file: the hidden-surface
// method's options, kept apart from "DEMO" so that a file written by this
// program still reads as before in a program without the method (which
// ignores the section), and a file without the section gives the defaults.

#include "engine/HiddenSurfaceSettings.h"
#include "platform/Profile.h"

namespace app {

inline constexpr const char* kHiddenSurfaceSection = "Hidden Surface";

// Each key's value, or its default where the key is missing or not a
// number. Values are taken as they are; the engine keeps to its ranges.
engine::HiddenSurfaceSettings loadHiddenSurface(const platform::ProfileFile& file);
// Writes every key: Oversample, DepthOfField, Dpi, EyeSepMm, CrossEyed,
// RandomDots, Seed (the two fractions as decimals, the rest as integers).
void saveHiddenSurface(platform::ProfileFile& file, const engine::HiddenSurfaceSettings& settings);

} // namespace app
