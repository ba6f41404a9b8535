#pragma once
// The file dialogs' filters, made from the table of file kinds
// (app/FileKinds.h). The Open dialog offers every readable kind at once
// first; Save offers the kinds that can be written. Each dialog preselects
// the filter of the last format used when that format has one. Nothing
// here knows about widgets.

#include <cstddef>
#include <string>
#include <vector>

namespace gui {

struct FileFilters {
    // "Description (*.a *.b)", as the toolkit's file dialogs take them.
    std::vector<std::string> filters;
    // Index into filters of the one to preselect.
    std::size_t selected = 0;
    // The format code of each filter (0 for "All supported files").
    std::vector<int> formats;
};

inline constexpr const char* kAllSupportedFiles = "All supported files";

// Open: "All supported files (...)" first, then one filter per readable
// format; the last format's own filter is preselected, else the first.
FileFilters OpenFileFilters(int lastFormat);
// Save: one filter per writable format; the last format's own filter is
// preselected, else the first (BMP). The name typed decides the format.
FileFilters SaveFileFilters(int lastFormat);

} // namespace gui
