#include "ConfinedIOSystem.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

ConfinedIOSystem::ConfinedIOSystem(std::string folder, std::string model)
    : folder_(std::move(folder)), model_(std::move(model))
{
}

bool ConfinedIOSystem::allowed(const std::string& requested) const
{
    std::string name = requested;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty() || name.front() == '/' || name.find("://") != std::string::npos)
        return false;
    // No ".." anywhere as a part of the path.
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (name.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    std::string lower = name;
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".mtl") == 0)
        return false;
    // Symbolic links may still lead out of the folder.
    char real[PATH_MAX];
    if (!::realpath(name.c_str(), real))
        return false;
    const std::string path(real);
    return path.size() > folder_.size() && path.compare(0, folder_.size(), folder_) == 0 && path[folder_.size()] == '/';
}

bool ConfinedIOSystem::Exists(const char* file) const
{
    return file && allowed(file) && Assimp::DefaultIOSystem::Exists(file);
}

Assimp::IOStream* ConfinedIOSystem::Open(const char* file, const char* mode)
{
    if (!file || !mode || std::string(mode).find_first_of("wa+") != std::string::npos)
        return nullptr;
    if (!allowed(file))
        return nullptr;
    return Assimp::DefaultIOSystem::Open(file, mode);
}
