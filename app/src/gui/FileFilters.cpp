#include "gui/FileFilters.h"

#include "gui/Commands.h"

#include <string_view>

namespace gui {

namespace {

struct FormatEntry {
    int code;
    std::string_view description;
    std::string_view patterns; // separated by blanks
    bool opens;
    bool saves;
};

// One line per format, in the dialogs' order.
constexpr FormatEntry kFormats[] = {
    {kFormatBmp, "Bitmap Files", "*.bmp", true, true},
    {kFormatPcx, "PCX Files", "*.pcx", true, true},
    {kFormatGif, "GIF Files", "*.gif", true, true},
    {kFormatPng, "PNG Files", "*.png", true, true},
    {kFormatJpeg, "JPEG Files", "*.jpg", false, true},
    {kFormatDepthMap, "Depth Map File", "*.rds", true, true},
    {kFormatModel, "3-D Models", "*.stl *.obj *.ply *.gltf *.glb *.3mf *.off", true, false},
};

std::string filterText(std::string_view description, std::string_view patterns)
{
    std::string text(description);
    text += " (";
    text += patterns;
    text += ')';
    return text;
}

FileFilters filtersFor(bool save, int lastFormat)
{
    FileFilters out;
    if (!save) {
        std::string all;
        for (const FormatEntry& f : kFormats) {
            if (!f.opens)
                continue;
            if (!all.empty())
                all += ' ';
            all += f.patterns;
        }
        out.filters.push_back(filterText(kAllSupportedFiles, all));
        out.formats.push_back(0);
    }
    for (const FormatEntry& f : kFormats) {
        if (!(save ? f.saves : f.opens))
            continue;
        if (f.code == lastFormat)
            out.selected = out.filters.size();
        out.filters.push_back(filterText(f.description, f.patterns));
        out.formats.push_back(f.code);
    }
    return out;
}

} // namespace

FileFilters OpenFileFilters(int lastFormat) { return filtersFor(false, lastFormat); }

FileFilters SaveFileFilters(int lastFormat) { return filtersFor(true, lastFormat); }

} // namespace gui
