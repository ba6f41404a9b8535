#include "gui/FileFilters.h"

#include "app/FileKinds.h"
#include "pictrans/GraphicFormats.h"

#include <string_view>

namespace gui {

namespace {

// "*.a *.b" of a kind's extensions.
std::string patterns(const app::FileKind& kind)
{
    std::string text;
    for (const char* ext : kind.extensions) {
        if (!text.empty())
            text += ' ';
        text.append("*.").append(ext);
    }
    return text;
}

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
    const unsigned cap = save ? pictrans::kWrites : pictrans::kReads;
    FileFilters out;
    if (!save) {
        std::string all;
        for (const app::FileKind& kind : app::fileKinds())
            if (kind.can(cap))
                all.append(all.empty() ? "" : " ").append(patterns(kind));
        out.filters.push_back(filterText(kAllSupportedFiles, all));
        out.formats.push_back(0);
    }
    for (const app::FileKind& kind : app::fileKinds()) {
        if (!kind.can(cap))
            continue;
        if (kind.code == lastFormat)
            out.selected = out.filters.size();
        out.filters.push_back(filterText(kind.filterName, patterns(kind)));
        out.formats.push_back(kind.code);
    }
    return out;
}

} // namespace

FileFilters OpenFileFilters(int lastFormat) { return filtersFor(false, lastFormat); }

FileFilters SaveFileFilters(int lastFormat) { return filtersFor(true, lastFormat); }

} // namespace gui
