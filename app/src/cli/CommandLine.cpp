#include "app/CommandLine.h"

#include <ostream>

namespace app {

namespace {

const char* const kUsage =
    "Usage: dotscape [COMMAND] [OPTIONS]\n"
    "Makes single-image random-dot stereograms.\n"
    "\n"
    "Commands:\n"
    "  convert IN OUT      read a BMP, PCX or GIF picture and write it in the format OUT's name gives\n"
    "  info FILE...        describe pictures and depth maps\n"
    "  figures             list the math figures\n"
    "  make [OPTIONS] -o OUT   make a stereogram\n"
    "\n"
    "  --help              show this help\n"
    "  --version           show the version\n";

} // namespace

bool isCommandLine(const std::vector<std::string>& args)
{
    return !args.empty();
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        out << kUsage;
        return kExitOk;
    }
    if (args[0] == "--version") {
        out << "dotscape 1.0.0\n";
        return kExitOk;
    }
    err << "dotscape: unknown command '" << args[0] << "'\n" << kUsage;
    return kExitUsage;
}

} // namespace app
