#include "platform/ModuleLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef DOTSCAPE_LIBDIR_FROM_BINDIR
#define DOTSCAPE_LIBDIR_FROM_BINDIR "../lib"
#endif

namespace platform {

namespace {

// The folder of the running program.
std::string programDir()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    const std::string exe(path, static_cast<std::size_t>(n));
    const auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool isFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

void* openModule(const std::string& fileName, std::string& error)
{
    const std::string dir = programDir();
    const std::string candidates[] = {
        dir + "/../lib/" + fileName,                      // the build tree
        dir + "/" DOTSCAPE_LIBDIR_FROM_BINDIR "/" + fileName, // installed
    };
    std::string reason;
    for (const std::string& path : candidates) {
        if (dir.empty() || !isFile(path))
            continue;
        if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        reason = ::dlerror();
    }
    if (void* module = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL))
        return module;
    const char* last = ::dlerror();
    error = !reason.empty() ? reason : last ? std::string(last) : fileName + " could not be loaded";
    return nullptr;
}

} // namespace platform
