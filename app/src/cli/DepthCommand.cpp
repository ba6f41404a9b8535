// dotscape depth: the depth a stereogram of a source is made from, as a
// 16-bit grey picture, to look at, check, or use in other programs.

#include "DepthSource.h"
#include "MakeRequest.h"
#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/TerminalWindow.h"

#include <ostream>

namespace app {

std::string depthUsage()
{
    return "Usage: dotscape depth [SOURCE] [OPTIONS] -o OUT\n"
           "Writes the depth a stereogram of SOURCE is made from as a 16-bit grey PNG of the\n"
           "stereogram's size: near is bright. 8-bit depth (levels 0 to 255) is scaled by 257,\n"
           "so level 255 is 65535; a 16-bit grey picture's samples are written as they are.\n"
           "\n"
           "Source (one of them, as for make; a math figure when none is given):\n" +
           sourceUsage() +
           "\n"
           "Options (settings start from the configuration file, then these):\n"
           "  --width W --height H size of a math figure's depth (1 to 16384)\n"
           "  --dx X --dy Y --da A shift and angle of a math figure\n"
           "  --gap G --method M   a math figure is centred as the scan method centres it\n"
           "  --depth-by D         color | brightness: a picture's depth by colour index or by\n"
           "                       brightness (a true-colour picture always by brightness)\n"
           "  --config FILE        settings from FILE instead of the user's DOTSCAPE.INI\n"
           "  -o, --output OUT     the depth picture, a PNG whatever the name; - writes it to\n"
           "                       standard output\n"
           "  -f, --force          overwrite OUT without asking\n";
}

int runDepth(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            err << depthUsage();
            return kExitOk;
        }
    }
    MakeRequest request;
    if (const int status = readMakeRequest(args, true, err, request); status != kExitOk)
        return status;
    TerminalWindow window(err, request.force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());
    if (const int status = request.source->load(window, err); status != kExitOk)
        return status;
    const auto depth = request.source->depth(request.settings);
    if (!depth) {
        err << "dotscape: not enough memory for the depth picture\n";
        return kExitOutput;
    }
    return writeDepthPicture(request.output, *depth, window, err, out);
}

} // namespace app
