#pragma once
// The level dialog's arithmetic: the text of its edit field read as a
// number, the step buttons that wrap around, and the range OK accepts.

#include <cstdint>
#include <string_view>

namespace depthmap {

inline constexpr std::int32_t kMinLevel = 0;
inline constexpr std::int32_t kMaxLevel = 255;
// The edit field is read up to this many characters.
inline constexpr std::size_t kLevelTextLength = 15;

// The first 15 characters read as a decimal number: leading white space and
// one sign allowed, reading stops at the first character that is not a
// digit, a text without digits gives 0. Numbers beyond the 32-bit range
// stay at its ends.
std::int32_t ParseLevelText(std::string_view text);
// One step up: past 255 the level starts again at 0.
std::int32_t LevelStepUp(std::int32_t level);
// One step down: below 0 the level starts again at 255.
std::int32_t LevelStepDown(std::int32_t level);
bool IsAcceptedLevel(std::int32_t level);

} // namespace depthmap
