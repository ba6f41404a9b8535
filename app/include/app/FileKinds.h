#pragma once
// Which graphics format a file name asks for when saving.

#include <string_view>

namespace app {

inline constexpr int kFormatDepthMap = 5;
inline constexpr int kFormatPng = 6; // the graphics library's code for PNG

// The format code for saving under name: its file name (not the folders
// above it), compared without regard to case, contains ".gif" → 3 (GIF),
// else ".pcx" → 2 (PCX), else ".jpg" → 4 (JPEG), else ".png" → 6 (PNG),
// else ".rds" → 5 (depth map), else 1 (BMP).
int formatForSaveName(std::string_view name);

} // namespace app
