#pragma once
// Save As: the file type chosen in the dialog decides the format. A name
// typed without an extension of a known format gets the chosen type's
// extension; a name whose extension names another format contradicts the
// choice, and the user is asked which one is meant. Nothing here knows
// about widgets.

#include <string>
#include <string_view>

namespace gui {

struct SaveAsName {
    std::string name;      // what is written, with the chosen type's extension where it had none
    int format = 0;        // the chosen type's format code
    // The typed extension names another format (typedFormat): ask.
    bool contradicts = false;
    int typedFormat = 0;
};

// The format code a file name's extension names (the last dot of its file
// name, without regard to case; "jpeg" counts as JPEG), or 0 for none.
int FormatOfExtension(std::string_view name);

// typed: the name as the dialog gave it; chosenFormat: the format code of
// the type chosen.
SaveAsName ResolveSaveAsName(std::string_view typed, int chosenFormat);

// The same name with its extension replaced by the one of format.
std::string WithExtensionOf(std::string_view name, int format);

} // namespace gui
