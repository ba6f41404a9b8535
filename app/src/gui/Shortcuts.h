#pragma once
// The keys of the frame's commands, in the portable text form of key
// sequences ("Ctrl+S"), and the hints that name them. The first key of a
// command is the one its hints show; further keys are alternatives (Ctrl+=
// for Ctrl++ on keyboards where + needs Shift). Nothing here knows about
// widgets: the frame turns the texts into its actions' shortcuts.

#include <span>
#include <string>
#include <string_view>

namespace gui {

// Every key of the command, first the one shown; empty when it has none.
std::span<const std::string_view> ShortcutKeys(int id);
// The key the hints show; empty when the command has none.
std::string_view ShortcutText(int id);
// The command's hint followed by its key in brackets ("Save Image to Disk
// (Ctrl+S)"); the hint alone for a command without a key; empty for a
// command without a hint.
std::string HintWithShortcut(int id);
// The ids of every command that has a key, in table order.
std::span<const int> CommandsWithShortcuts();

} // namespace gui
