// dotscape depth: the depth a stereogram of a source is made from, as a
// 16-bit grey picture, to look at, check, or use in other programs.

#include "DepthSource.h"
#include "HiddenSurfaceOptions.h"
#include "ModelOptions.h"
#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "app/TerminalWindow.h"
#include "engine/SirdsSettings.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace app {

std::string depthUsage()
{
    return "Usage: dotscape depth [SOURCE] [OPTIONS] -o OUT\n"
           "Writes the depth a stereogram of SOURCE is made from as a 16-bit grey PNG of the\n"
           "stereogram's size: near is bright. 8-bit depth (levels 0 to 255) is scaled by 257,\n"
           "so level 255 is 65535; a 16-bit grey picture's samples and a model's depth (1 at\n"
           "the back of its turned box to 65535 at its front, 0 around it) are written as\n"
           "they are.\n"
           "\n"
           "Source (one of them, as for make; a math figure when none is given):\n" +
           sourceUsage() +
           "\n"
           "Options (settings start from the configuration file, then these):\n"
           "  --width W --height H size of a math figure's or a model's depth (1 to 16384)\n"
           "  --dx X --dy Y --da A shift and angle of a math figure\n"
           "  --gap G --method M   a math figure is centred as the scan method centres it\n"
           "  --depth-by D         color | brightness: a picture's depth by colour index or by\n"
           "                       brightness (a true-colour picture always by brightness)\n"
           "  --config FILE        settings from FILE instead of the user's DOTSCAPE.INI\n"
           "  -o, --output OUT     the depth picture, a PNG whatever the name; - writes it to\n"
           "                       standard output\n"
           "  -f, --force          overwrite OUT without asking\n" +
           kModelUsage;
}

namespace {

// The settings that move a figure or choose a picture's depth; the
// configuration file gives the rest.
std::string applySetting(engine::SirdsSettings& s, const std::string& option, const std::string& value)
{
    if (option == "--method") {
        static const std::pair<const char*, std::int32_t> methods[] = {
            {"left-to-right", engine::LeftToRight}, {"1", engine::LeftToRight}, {"mcmahon", engine::McMahon},
            {"2", engine::McMahon}, {"feucht", engine::Feucht}, {"3", engine::Feucht},
            {"hidden-surface", engine::HiddenSurface}, {"4", engine::HiddenSurface}};
        for (const auto& [name, method] : methods)
            if (value == name)
                return s.ShiftDir = method, std::string();
        return "--method must be left-to-right, mcmahon, feucht or hidden-surface, not '" + value + "'";
    }
    if (option == "--depth-by") {
        if (value == "color" || value == "colour" || value == "1")
            return s.DepthSel = engine::ByColor, std::string();
        if (value == "brightness" || value == "2")
            return s.DepthSel = engine::ByBrightness, std::string();
        return "--depth-by must be color or brightness, not '" + value + "'";
    }
    std::int32_t n = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data() + (value.starts_with('+') ? 1 : 0), end, n);
    if (value.empty() || ec != std::errc() || ptr != end)
        return option + " takes a whole number, not '" + value + "'";
    std::int32_t* const fields[] = {&s.w, &s.h, &s.gapValue, &s.dx, &s.dy, &s.da};
    const char* const names[] = {"--width", "--height", "--gap", "--dx", "--dy", "--da"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (option == names[i])
            return *fields[i] = n, std::string();
    return "unknown option '" + option + "'";
}

struct DepthRequest {
    std::unique_ptr<DepthSource> source;
    models::Camera camera; // a model's, from the camera options as make takes them
    std::string output;
    bool force = false;
    engine::SirdsSettings settings;
};

// The problem with the arguments, or empty.
std::string parse(const std::vector<std::string>& args, DepthRequest& request)
{
    std::optional<std::string> configFile;
    std::vector<std::pair<std::string, std::string>> settings;
    int sources = 0;
    // The source is made once every option is known: the camera options may
    // follow --model.
    const SourceOption* sourceRow = nullptr;
    std::string sourceValue;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool flag = a == "-f" || a == "--force";
        if (!flag && i + 1 >= args.size())
            return a.starts_with('-') ? a + " needs a value" : "unknown argument '" + a + "'";
        if (flag)
            request.force = true;
        else if (const SourceOption* source = findSourceOption(a))
            sourceRow = source, sourceValue = args[++i], ++sources;
        else if (isModelOption(a)) {
            if (std::string problem = applyModelOption(request.camera, a, args[++i]); !problem.empty())
                return problem;
        } else if (a == "-o" || a == "--output")
            request.output = args[++i];
        else if (a == "--config")
            configFile = args[++i];
        else if (a == "--method" || a == "--depth-by" || a == "--width" || a == "--height" || a == "--gap" ||
                 a == "--dx" || a == "--dy" || a == "--da")
            settings.emplace_back(a, args[++i]);
        else
            return "unknown option '" + a + "'";
    }
    if (sources > 1)
        return "give one source: " + sourceOptionList();
    if (request.output.empty())
        return "no output file: give -o OUT";
    request.source = sourceRow ? sourceRow->make(sourceValue, request.camera) : defaultSource();
    Configuration config;
    config.load(configFile ? *configFile : configPath());
    request.settings = config.demo;
    for (const auto& [option, value] : settings)
        if (std::string problem = applySetting(request.settings, option, value); !problem.empty())
            return problem;
    return {};
}

} // namespace

int runDepth(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            err << depthUsage();
            return kExitOk;
        }
    }
    DepthRequest request;
    if (const std::string problem = parse(args, request); !problem.empty()) {
        err << "dotscape depth: " << problem << '\n' << depthUsage();
        return kExitUsage;
    }
    // The settings' own ranges, and a figure's size as make checks them.
    engine::SettingsOptionNames names;
    names.da = "--da";
    names.DepthSel = "--depth-by";
    engine::SirdsSettings sizeless = request.settings;
    sizeless.w = 2 * sizeless.gapValue;
    sizeless.h = 1;
    std::string problem = engine::checkSettings(sizeless, names);
    if (problem.empty() && request.source->sizedBySettings())
        problem = checkFigureSize(request.settings);
    if (!problem.empty()) {
        err << "dotscape depth: " << problem << '\n';
        return kExitUsage;
    }
    TerminalWindow window(err, request.force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());
    if (const int status = request.source->load(window, err); status != kExitOk)
        return status;
    const auto depth = request.source->depth(request.settings);
    if (!depth) {
        err << "dotscape: not enough memory for the depth picture\n";
        return kExitOutput;
    }
    return writeDepthPicture(request.output, *depth, window, err, out);
}

} // namespace app
