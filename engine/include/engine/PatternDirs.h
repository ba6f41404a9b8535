#pragma once
// Where the pattern files live.
//
// Numbered files combine across folders by number: for each number the
// user's folder ($XDG_DATA_HOME/dotscape/sirdspat) is tried first, then
// sirdspat beside the executable, then the installed set in
// <prefix>/share/dotscape/sirdspat; the first file that reads wins. So the
// user can replace a shipped pattern by saving one of the same number, and
// patterns the program adds are saved in the user's folder, which is
// writable where the program's folders usually are not.

#include <string>
#include <vector>

namespace engine {

struct PatternDirs {
    // Where new patterns are written (the library's directory).
    std::string userDir;
    // Folders tried for each number, in order; no duplicates.
    std::vector<std::string> searchDirs;
};

// The folder that holds the running executable; empty when it cannot be found.
std::string ExecutableDir();

// The user's data folder: xdgDataHome when it is an absolute path, else
// home/.local/share (the XDG rule); empty when neither is usable.
std::string UserDataHome(const std::string& xdgDataHome, const std::string& home);

// The folders for an executable in exeDir with the given environment values
// (empty strings for unset variables).
PatternDirs MakePatternDirs(const std::string& exeDir, const std::string& xdgDataHome, const std::string& home);
// The same for this process: its executable and its environment.
PatternDirs DefaultPatternDirs();

// "dir/name", without doubling a slash.
std::string JoinPath(const std::string& dir, const std::string& name);
// Creates dir and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& dir);

} // namespace engine
