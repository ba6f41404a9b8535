#pragma once
// What the sub-commands share: writing the finished picture.

#include "app/TerminalWindow.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <iosfwd>
#include <string>

namespace app {

// Writes picture with palette to out in the format its name asks for; a
// name that asks for a depth map gets BMP. Returns kExitOk, or kExitOutput
// after saying why.
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err);

bool stderrIsTerminal();

} // namespace app
