#include "engine/CaptionText.h"
#include "app/CommandLine.h"
#include "platform/FileIO.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef DOTSCAPE_GUI
#include "gui/Desktop.h"
#endif

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef DOTSCAPE_GUI
    if (!app::isCommandLine(args))
        return gui::runDesktop(argc, argv);
#endif
    platform::installInterruptCleanup();
    return app::runCommandLine(args, std::cout, std::cerr, engine::drawCaptionText);
}
