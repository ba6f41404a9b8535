#include "app/FileKinds.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace app {

int formatForSaveName(std::string_view name)
{
    auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string lower(name);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find(".gif") != std::string::npos)
        return 3;
    if (lower.find(".pcx") != std::string::npos)
        return 2;
    if (lower.find(".jpg") != std::string::npos)
        return 4;
    if (lower.find(".png") != std::string::npos)
        return kFormatPng;
    if (lower.find(".rds") != std::string::npos)
        return kFormatDepthMap;
    return 1;
}

} // namespace app
