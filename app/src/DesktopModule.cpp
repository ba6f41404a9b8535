// The desktop program as a loadable module: dotscape loads it only when no
// sub-command is given, so the command line never pays for the toolkit.
#include "gui/Desktop.h"

extern "C" __attribute__((visibility("default"))) int dotscape_run_desktop(int argc, char** argv)
{
    return gui::runDesktop(argc, argv);
}
