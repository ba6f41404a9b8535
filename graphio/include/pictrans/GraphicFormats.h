#pragma once
// The one table of the picture formats the graphics library knows: for each
// its code, names, file name extensions, MIME types, how it is recognised by
// its first bytes, the interface that reads and writes it, and what it can
// hold. Detection, reading and writing go through this table, and so do the
// program's file dialogs, command-line format names and desktop entry: a new
// format is one row.

#include "pictrans/Export.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class TGIntf;

namespace pictrans {

enum FormatCaps : unsigned {
    kReads = 1u << 0,
    kWrites = 1u << 1,
    kHoldsPalette = 1u << 2, // writes 1/4/8-bit palette pictures as they are
    kHoldsTrueColour = 1u << 3,
    kHoldsGrey16 = 1u << 4,
    kLossy = 1u << 5,
};

struct GraphicFormat {
    int code;                                  // GFORMAT_*: 1 BMP, 2 PCX, 3 GIF, 4 JPEG, 6 PNG, 7 WebP, 8 TIFF, 9 PNM
    const char* name;                          // "BMP", "PCX", "GIF", "JPEG", "PNG", "WebP", "TIFF", "PNM"
    const char* filterName;                    // file dialogs: "BMP Files", ...
    std::span<const char* const> extensions;   // lower case, no dot; [0] is added when saving ("jpg","jpeg")
    std::span<const char* const> mimeTypes;    // [0] is the primary ("image/jpeg")
    bool (*detect)(std::span<const std::uint8_t> head); // first bytes of the file (up to 128, fewer if shorter)
    std::unique_ptr<TGIntf> (*make)(platform::Window* status, platform::Window* owner);
    unsigned caps;

    bool can(unsigned cap) const { return (caps & cap) == cap; }
};

// How many first bytes of a file detection looks at.
inline constexpr std::size_t kDetectBytes = 128;

PICTRANS_API std::span<const GraphicFormat> graphicFormats();   // in detection order
PICTRANS_API const GraphicFormat* formatByCode(int code);       // null if none
PICTRANS_API const GraphicFormat* formatByExtension(std::string_view ext); // "png", ".PNG" both work
// The first format that can read and recognises head; null: unknown.
PICTRANS_API const GraphicFormat* detectFormat(std::span<const std::uint8_t> head);
// A file chooser's filter of every readable format, one pair a format:
// "Bitmap Files (*.BMP)|*.bmp *.dib|...", each part ended by '|'.
PICTRANS_API std::string readableFilterString();

} // namespace pictrans
