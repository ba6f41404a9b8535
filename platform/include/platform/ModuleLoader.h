#pragma once
// Loads one of the program's own modules (the desktop program, video
// support) when it is first needed, so that a command that needs neither
// never loads the libraries they bring.
//
// A module lies in the library folder beside the program's: lib/ next to
// bin/ in the build tree, the installation's library folder when installed
// (the tree may be moved), and the loader's usual search last.

#include <string>

namespace platform {

// The module's handle, or null with the loader's reason in error. The
// reason of a module that is there but cannot be loaded (a library it
// needs is missing) wins over that of the places where none is.
void* openModule(const std::string& fileName, std::string& error);

} // namespace platform
