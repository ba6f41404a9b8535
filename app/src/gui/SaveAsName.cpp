#include "gui/SaveAsName.h"

#include "gui/Commands.h"
#include "gui/FrameRules.h"

#include <algorithm>
#include <cctype>

namespace gui {

namespace {

struct Extension {
    std::string_view text;
    int format;
};

constexpr Extension kExtensions[] = {
    {"bmp", kFormatBmp}, {"pcx", kFormatPcx}, {"gif", kFormatGif}, {"jpg", kFormatJpeg},
    {"jpeg", kFormatJpeg}, {"png", kFormatPng}, {"rds", kFormatDepthMap},
};

// Position of the extension's dot in the file name part, or npos.
std::size_t extensionDot(std::string_view name)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.find_last_of('.');
    // A leading dot (".png") names a hidden file, not an extension.
    return dot == std::string_view::npos || dot <= start ? std::string_view::npos : dot;
}

std::string lowerExtension(int format)
{
    std::string ext(SaveDefaultExtension(format));
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

int FormatOfExtension(std::string_view name)
{
    const std::size_t dot = extensionDot(name);
    if (dot == std::string_view::npos)
        return 0;
    std::string ext(name.substr(dot + 1));
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Extension& e : kExtensions)
        if (e.text == ext)
            return e.format;
    return 0;
}

SaveAsName ResolveSaveAsName(std::string_view typed, int chosenFormat)
{
    SaveAsName out;
    out.format = chosenFormat;
    out.typedFormat = FormatOfExtension(typed);
    out.name = std::string(typed);
    if (out.typedFormat == 0) {
        out.name += '.';
        out.name += lowerExtension(chosenFormat);
    }
    else if (out.typedFormat != chosenFormat)
        out.contradicts = true;
    return out;
}

std::string WithExtensionOf(std::string_view name, int format)
{
    const std::size_t dot = extensionDot(name);
    std::string out(dot == std::string_view::npos ? name : name.substr(0, dot));
    out += '.';
    out += lowerExtension(format);
    return out;
}

} // namespace gui
