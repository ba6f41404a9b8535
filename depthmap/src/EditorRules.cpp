// The level dialog's arithmetic and the colour table's layout.

#include "depthmap/ColorTableLayout.h"
#include "depthmap/LevelText.h"

#include <algorithm>
#include <limits>

namespace depthmap {

std::int32_t ParseLevelText(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), kLevelTextLength));
    std::size_t i = 0;
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    while (i < text.size() && space(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // At most 15 characters: the value fits 64 bits before it is clamped.
    std::int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t LevelStepUp(std::int32_t level)
{
    const std::int64_t next = std::int64_t{level} + 1;
    return next > kMaxLevel ? kMinLevel : static_cast<std::int32_t>(next);
}

std::int32_t LevelStepDown(std::int32_t level)
{
    const std::int64_t next = std::int64_t{level} - 1;
    return next < kMinLevel ? kMaxLevel : static_cast<std::int32_t>(next);
}

bool IsAcceptedLevel(std::int32_t level)
{
    return level >= kMinLevel && level <= kMaxLevel;
}

platform::Rect SwatchRect(int index)
{
    const int r = index / kSwatchesPerRow, c = index % kSwatchesPerRow;
    return {kSwatchSize * c, kSwatchSize * r, kSwatchSize * c + kSwatchSize, kSwatchSize * r + kSwatchSize};
}

platform::Point SwatchLabelPoint(int index)
{
    const int r = index / kSwatchesPerRow, c = index % kSwatchesPerRow;
    return {kSwatchSize * c + kSwatchSize / 2, kSwatchSize * r + 4};
}

ScrollRanges ColorTableScrollRanges(int colorCount, int clientWidth, int clientHeight)
{
    return {std::max(0, kColorTableWidth - clientWidth), std::max(0, ColorTableHeight(colorCount) - clientHeight)};
}

} // namespace depthmap
