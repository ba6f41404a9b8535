#include "app/CommandLine.h"
#include "engine/CaptionText.h"
#include "platform/FileIO.h"
#include "platform/ModuleLoader.h"

#include <dlfcn.h>
#include <iostream>
#include <string>
#include <vector>

namespace {

#ifdef DOTSCAPE_DESKTOP_MODULE
// Loads the desktop module from the library folder beside the program's
// and runs it.
int runDesktop(int argc, char** argv)
{
    std::string reason;
    void* module = platform::openModule(DOTSCAPE_DESKTOP_MODULE, reason);
    if (!module) {
        std::cerr << "dotscape: the desktop program cannot be started: " << reason << '\n'
                  << "dotscape --help lists the commands that run without it.\n";
        return app::kExitUsage;
    }
    using Entry = int (*)(int, char**);
    auto entry = reinterpret_cast<Entry>(::dlsym(module, "dotscape_run_desktop"));
    if (!entry) {
        std::cerr << "dotscape: the desktop module is damaged: " << ::dlerror() << '\n';
        return app::kExitUsage;
    }
    return entry(argc, argv);
}
#endif

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef DOTSCAPE_DESKTOP_MODULE
    if (!app::isCommandLine(args))
        return runDesktop(argc, argv);
#endif
    platform::installInterruptCleanup();
    return app::runCommandLine(args, std::cout, std::cerr, engine::drawCaptionText);
}
