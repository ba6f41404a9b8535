#pragma once
// The kinds of file the program opens and saves, one row each: the
// graphics library's picture formats (from its own table) and the
// program's depth maps. Which format a save name asks for, the command
// line's --format names, the file dialogs' filters, the wizard's picture
// filter and the desktop entry's MIME types all come from here, so a new
// picture format is one row of the graphics library's table and a new
// kind of file one row of kOwnKinds in FileKinds.cpp.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr int kFormatDepthMap = 5;
inline constexpr int kFormatPng = 6; // the graphics library's code for PNG
inline constexpr int kFormatModel = 64; // any 3-D model the importer reads

struct FileKind {
    int code;               // the graphics library's format code; 5 for depth maps
    const char* name;       // "PNG", "Depth Map": status texts and `info`
    const char* filterName; // "PNG Files": the file dialogs
    std::span<const char* const> extensions; // lower case, no dot; [0] is the one added when saving
    std::span<const char* const> mimeTypes;
    bool (*detect)(std::span<const std::uint8_t> head); // the file's first bytes (up to 128); null: not by them
    unsigned caps;          // the graphics library's FormatCaps (kReads, kWrites, ...)
    bool picture;           // read and written by the graphics library

    bool can(unsigned cap) const { return (caps & cap) == cap; }
};

// Every kind: the pictures in the graphics library's order, then the
// program's own kinds.
std::span<const FileKind> fileKinds();
// The row of a code, or null.
const FileKind* kindByCode(int code);
// The kind whose extensions hold ext ("png" or ".PNG"), or null.
const FileKind* kindByExtension(std::string_view ext);
// A --format value: a writable picture kind's name or one of its
// extensions ("jpg", "JPEG", "tif"), any case; null for anything else.
const FileKind* pictureKindByFormatName(std::string_view name);
// "bmp, pcx, gif, jpg, png" and so on: the writable picture kinds' first
// extensions, for usage texts and messages.
std::string formatNameList();

// The format code for saving under name. Its file name (not the folders
// above it), compared without regard to case, decides: the first of GIF
// (".gif"), PCX (".pcx"), JPEG (".jpg"), PNG (".png") and the depth map
// (".rds") whose extension it contains, in that order, as it always has
// been; then any other writable kind whose extension ends it or, failing
// that, that it contains, in the table's order; else 1 (BMP).
int formatForSaveName(std::string_view name);

// The kind of the file at path by its first bytes; null when it cannot be
// read or its content is of no known kind.
const FileKind* detectFileKind(const std::string& path);

// The MIME types of every kind that reads, in the table's order, each once:
// the desktop entry's MimeType list.
std::vector<std::string> mimeTypeList();

// The readable picture kinds as "Description (*.EXT)|*.ext *.ext2|" pairs,
// the wizard's picture filter.
std::string pictureFilterString();
// One kind as such a pair (the wizard's model filter); empty for an unknown code.
std::string kindFilterString(int code);

} // namespace app
