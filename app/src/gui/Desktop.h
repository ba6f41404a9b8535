#pragma once
// Entry point of the desktop program.

namespace gui {

// Builds the application and the main frame and runs the event loop.
int runDesktop(int argc, char** argv);

} // namespace gui
