#include "engine/PatternDirs.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

std::string envValue(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string homeFromPasswd()
{
    struct passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string();
}

// Removes "." and "name/.." steps so that the same folder reached two ways
// compares equal without having to exist.
std::string normalise(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (path.empty() || path.front() != '/')
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string out = !path.empty() && path.front() == '/' ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '/';
        out += parts[i];
    }
    return out.empty() ? std::string(".") : out;
}

} // namespace

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string ExecutableDir()
{
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return {};
    std::string exe(buffer, static_cast<std::size_t>(n));
    auto slash = exe.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string UserDataHome(const std::string& xdgDataHome, const std::string& home)
{
    // Relative values are invalid by the XDG rules and are ignored.
    if (!xdgDataHome.empty() && xdgDataHome.front() == '/')
        return xdgDataHome;
    if (!home.empty())
        return JoinPath(home, ".local/share");
    return {};
}

PatternDirs MakePatternDirs(const std::string& exeDir, const std::string& xdgDataHome, const std::string& home)
{
    PatternDirs dirs;
    std::string dataHome = UserDataHome(xdgDataHome, home);
    if (!dataHome.empty())
        dirs.userDir = normalise(JoinPath(dataHome, "dotscape/sirdspat"));

    auto add = [&](const std::string& dir) {
        if (dir.empty())
            return;
        for (const auto& known : dirs.searchDirs) {
            if (known == dir)
                return;
        }
        dirs.searchDirs.push_back(dir);
    };
    add(dirs.userDir);
    if (!exeDir.empty()) {
        add(normalise(JoinPath(exeDir, "sirdspat")));
        add(normalise(JoinPath(exeDir, "../share/dotscape/sirdspat")));
    }
    // Without a user folder the program's own folder takes new patterns.
    if (dirs.userDir.empty() && !dirs.searchDirs.empty())
        dirs.userDir = dirs.searchDirs.front();
    return dirs;
}

PatternDirs DefaultPatternDirs()
{
    std::string home = envValue("HOME");
    if (home.empty())
        home = homeFromPasswd();
    return MakePatternDirs(ExecutableDir(), envValue("XDG_DATA_HOME"), home);
}

bool MakeDirectories(const std::string& dir)
{
    if (dir.empty())
        return false;
    struct stat st{};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

} // namespace engine
