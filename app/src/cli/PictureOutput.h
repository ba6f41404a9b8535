#pragma once
// What the sub-commands share: writing the finished picture.

#include "app/TerminalWindow.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace app {

// Writes picture with palette to out in the given format (a GFORMAT_ code),
// or with format 0 in the format its name asks for; a name that asks for a
// depth map gets BMP. The name "-" is standard output (stdout), BMP unless
// a format is given. Returns kExitOk, or kExitOutput after saying why.
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err, std::ostream& standardOutput, int format = 0);

// The format code of a --format value (bmp, pcx, gif, jpg or jpeg, any
// case); 0 for anything else.
int formatByName(std::string_view name);

bool stderrIsTerminal();

} // namespace app
