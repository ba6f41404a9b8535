#include "app/CommandLine.h"
#include "engine/CaptionText.h"
#include "platform/FileIO.h"

#include <dlfcn.h>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

#ifdef DOTSCAPE_DESKTOP_MODULE
// The folder of the running program.
std::string programDir()
{
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<std::size_t>(n));
    auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

// Loads the desktop module from the library folder beside the program's
// (lib/ next to bin/, in the build tree and when installed) and runs it.
int runDesktop(int argc, char** argv)
{
    const std::string dir = programDir();
    void* module = nullptr;
    for (const std::string& candidate : {dir + "/../lib/" DOTSCAPE_DESKTOP_MODULE,
                                         dir + "/../lib64/" DOTSCAPE_DESKTOP_MODULE,
                                         std::string(DOTSCAPE_DESKTOP_MODULE)}) {
        module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module)
            break;
    }
    if (!module) {
        std::cerr << "dotscape: the desktop program cannot be started: " << ::dlerror() << '\n'
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
