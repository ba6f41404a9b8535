#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/FileKinds.h"
#include "app/SavedPicture.h"
#include "pictrans/TGraphIO.h"

#include <ostream>
#include <unistd.h>

namespace app {

// Writes picture with palette to out in the format its name asks for.
// Returns kExitOk or kExitOutput (after saying why).
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err)
{
    int format = formatForSaveName(out);
    if (format == kFormatDepthMap)
        format = GFORMAT_BMP; // a picture saved under a depth map name is written as BMP
    TGraphIO io(&window, &window);
    io.SetGraphicFormat(format);
    const PictureToWrite written = pictureForFormat(picture, picture.description(), palette, format);
    if (written.bitmap && io.Write_File(out, written.description, written.bitmap, palette))
        return kExitOk;
    window.endProgress();
    if (window.declined())
        err << "dotscape: " << out << " exists and was not overwritten (use --force)\n";
    else
        err << "dotscape: " << out << " was not written\n";
    return kExitOutput;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace app
