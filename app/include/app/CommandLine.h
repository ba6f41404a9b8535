#pragma once
// The headless side of dotscape: sub-commands that run without a display.

#include "engine/Finishing.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Exit statuses of the sub-commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitInput = 2;
inline constexpr int kExitOutput = 3;

// True when args (without the program name) select the command line: a
// sub-command name or an option first, or a first word that is no file and
// does not look like a path (reported as an unknown command). False means
// the desktop program opens: no arguments, file names, or "--" and file
// names.
bool isCommandLine(const std::vector<std::string>& args);
// True for the name of a sub-command.
bool isSubCommand(const std::string& word);
// The files the desktop program opens for args that do not select the
// command line: args without a leading "--".
std::vector<std::string> desktopFiles(const std::vector<std::string>& args);

// Draws the caption of math stereograms (a bold sans-serif font needs a
// toolkit, which this library does not have). Without one, no caption.
using CaptionPainter = std::function<void(platform::Bitmap& image, const platform::Palette& palette, int x,
                                          int y, std::string_view text, engine::Rgb colour)>;

// Runs a sub-command; messages go to err, results to out.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CaptionPainter& painter = {});

// dotscape make.
int runMake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const CaptionPainter& painter);

// dotscape depth.
int runDepth(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// dotscape reveal.
int runReveal(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace app
