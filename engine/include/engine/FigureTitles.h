#pragma once
// The math figure library's titles as strings, for menus, lists, captions
// and window titles.

#include <string>

namespace engine {

// The title of figure slot index (0 .. count - 1), at most as long as the
// program's title buffer; the library's "UNDEFINED" outside its catalogue.
std::string figureTitle(int index);

} // namespace engine
