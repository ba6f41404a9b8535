#pragma once
// The headless side of dotscape: sub-commands that run without a display.

#include <iosfwd>
#include <string>
#include <vector>

namespace app {

// Exit statuses of the sub-commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitInput = 2;
inline constexpr int kExitOutput = 3;

// True when args (without the program name) name a sub-command or an option
// that the command line handles; false means the desktop program should open.
bool isCommandLine(const std::vector<std::string>& args);

// Runs a sub-command; messages go to err, results to out.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace app
