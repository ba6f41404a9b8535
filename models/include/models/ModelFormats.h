#pragma once
// The model formats the importer reads, one row each: how a file of the
// format starts (where it says so) and the names it goes by. A file is known
// by its content where the format marks it, else by its name's extension,
// as the importer itself decides.

#include <span>
#include <string>
#include <string_view>

namespace models {

struct ModelFormat {
    std::string_view name;       // as shown to the user
    std::string_view extensions; // space-separated, lower case, with the dot
};

std::span<const ModelFormat> modelFormats();
// "*.stl *.obj ..." for a file dialog's filter.
std::string modelFilePatterns();
// The format of the file at path (its first bytes and its size), or null
// when it is not a model the importer reads.
const ModelFormat* detectModelFormat(const std::string& path);
// The same from the first bytes (up to 512), the file's size and its name.
const ModelFormat* detectModelFormat(std::span<const unsigned char> head, unsigned long long size,
                                     std::string_view name);

} // namespace models
