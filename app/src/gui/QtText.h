#pragma once
// Text from the toolkit-free code (UTF-8) as the toolkit's strings.

#include <QString>

#include <string_view>

namespace gui {

inline QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace gui
