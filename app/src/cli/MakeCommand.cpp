// dotscape make: a stereogram from a math figure, a picture or a depth map,
// with the same engine, patterns and configuration as the desktop program.

#include "MakeRequest.h"

#include "AnimationOutput.h"
#include "DepthSource.h"
#include "HiddenSurfaceOptions.h"
#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "app/FileKinds.h"
#include "app/TerminalWindow.h"
#include "engine/Generation.h"
#include "engine/PatternDirs.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace app {

namespace {


const char* const kMakeUsageHead =
    "Usage: dotscape make [SOURCE] [OPTIONS] -o OUT\n"
    "\n"
    "Source (one of them; a math figure when none is given):\n";
const char* const kMakeUsage =
    "\n"
    "Options (settings start from the configuration file, then these):\n"
    "  --method M           left-to-right | mcmahon | feucht | hidden-surface\n"
    "  --depth-by D         color | brightness (pictures only)\n"
    "  --width W --height H size of a math stereogram (1 to 16384; width at least twice the gap)\n"
    "  --gap G              separation of two copies of a far point (51 to 150)\n"
    "  --zmin Z --zmax Z    depth resolution (zmin less than zmax)\n"
    "  --dx X --dy Y        shift of a math figure right and up (-200 to 200)\n"
    "  --da A               angle of a math figure (-180 to 180)\n"
    "  --markers | --no-markers\n"
    "  --pattern N          pattern number, from 0 (out of range: the first)\n"
    "  --pattern-dir DIR    where the patNN.gif files are (default: the program's own)\n"
    "  --config FILE        settings from FILE instead of the user's DOTSCAPE.INI\n"
    "                       (a missing file gives the defaults; make never writes it)\n"
    "  -o, --output OUT     the stereogram, in the format OUT's name gives (as convert);\n"
    "                       - writes it to standard output\n"
    "  --format F           the format whatever OUT's name says (standard output: BMP\n"
    "                       unless given); F is one of: %FORMATS%\n"
    "  --quality Q          1 to 100: smaller or better pictures from lossy formats\n"
    "  -f, --force          overwrite OUT without asking\n"
    "\n"
    "Animation (a looping animated GIF; OUT must be a .gif):\n"
    "  --frames N           N stereograms (2 to 360), one parameter changing by a step\n"
    "                       from frame to frame; frame 1 has the settings as given\n"
    "  --da-step A          a math figure turns A degrees a frame (the angle wraps\n"
    "                       within -180 to 180: 12 frames of 30 make a full turn;\n"
    "                       figures 14 and 16 to 23 change with the angle)\n"
    "  --dx-step X          a math figure moves X pixels right a frame\n"
    "  --dy-step Y          a math figure moves Y pixels up a frame\n"
    "  --z-step Z           Zmax grows by Z a frame (negative: shrinks), any source;\n"
    "                       every frame's value must lie in its range\n"
    "  --delay MS           each frame shows MS milliseconds (20 to 655350; stored in\n"
    "                       hundredths of a second, rounded to the nearest); default 80\n";

// What depth reads of make's options: the source, the settings that
// change the depth, and where the depth goes.
bool isDepthOption(const std::string& a)
{
    for (const char* name : {"-o", "--output", "--config", "-f", "--force", "--method", "--depth-by", "--width",
                             "--height", "--gap", "--dx", "--dy", "--da"})
        if (a == name)
            return true;
    return findSourceOption(a) != nullptr;
}

class UsageError {
public:
    explicit UsageError(std::string text) : text_(std::move(text)) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

std::int32_t parseInt(const std::string& option, const std::string& value)
{
    std::int32_t n = 0;
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(value.data() + (value.starts_with('+') ? 1 : 0), end, n);
    if (ec != std::errc() || ptr != end || value.empty())
        throw UsageError(option + " takes a whole number, not '" + value + "'");
    return n;
}

std::int32_t parseMethod(const std::string& value)
{
    if (value == "left-to-right" || value == "1")
        return engine::LeftToRight;
    if (value == "mcmahon" || value == "2")
        return engine::McMahon;
    if (value == "feucht" || value == "3")
        return engine::Feucht;
    if (value == "hidden-surface" || value == "4")
        return engine::HiddenSurface;
    throw UsageError("--method must be left-to-right, mcmahon, feucht or hidden-surface, not '" + value + "'");
}

std::int32_t parseDepthBy(const std::string& value)
{
    if (value == "color" || value == "colour" || value == "1")
        return engine::ByColor;
    if (value == "brightness" || value == "2")
        return engine::ByBrightness;
    throw UsageError("--depth-by must be color or brightness, not '" + value + "'");
}

// The settings come from the configuration file first; the options given
// override them one by one, in the order given.
// The whole usage text, with the sources and formats of the tables.
std::string makeUsage()
{
    std::string options = kMakeUsage;
    const std::string mark = "%FORMATS%";
    options.replace(options.find(mark), mark.size(), formatNameList());
    return kMakeUsageHead + sourceUsage() + options + kHiddenSurfaceUsage;
}

struct SettingOverride {
    std::string option;
    std::string value;
};

MakeRequest parseArgs(const std::vector<std::string>& args, std::vector<SettingOverride>& overrides, bool depthOnly)
{
    MakeRequest o;
    int sources = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool takesValue = false;
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (depthOnly && !isDepthOption(a))
            throw UsageError("unknown option '" + a + "'");
        if (const SourceOption* source = findSourceOption(a)) {
            o.source = source->make(value());
            ++sources;
        } else if (a == "-o" || a == "--output") {
            o.output = value();
        } else if (a == "--format") {
            o.format = formatByName(value());
            if (!o.format)
                throw UsageError("--format must be " + formatNameList() + ", not '" + args[i] + "'");
        } else if (a == "--quality") {
            o.quality = parseQuality(value());
            if (!o.quality)
                throw UsageError("--quality takes a whole number from 1 to 100, not '" + args[i] + "'");
        } else if (a == "--config") {
            o.configFile = value();
        } else if (a == "--pattern-dir") {
            o.patternDir = value();
        } else if (a == "--pattern") {
            o.pattern = parseInt(a, value());
        } else if (a == "--force" || a == "-f") {
            o.force = true;
        } else if (isHiddenSurfaceOption(a, takesValue)) {
            overrides.push_back({a, takesValue ? value() : std::string()});
        } else if (a == "--markers" || a == "--no-markers") {
            overrides.push_back({a, ""});
        } else if (a == "--method" || a == "--depth-by" || a == "--width" || a == "--height" || a == "--gap" ||
                   a == "--zmin" || a == "--zmax" || a == "--dx" || a == "--dy" || a == "--da") {
            overrides.push_back({a, value()});
        } else if (AnimationArgs::isOption(a)) {
            if (std::string problem = o.animation.add(a, value()); !problem.empty())
                throw UsageError(problem);
        } else {
            throw UsageError("unknown option '" + a + "'");
        }
    }
    if (sources > 1)
        throw UsageError("give one source: " + sourceOptionList());
    if (o.output.empty())
        throw UsageError("no output file: give -o OUT");
    if (!o.source)
        o.source = defaultSource();
    return o;
}

void applyOverride(engine::SirdsSettings& s, const SettingOverride& o)
{
    const std::string& v = o.value;
    if (o.option == "--markers")
        s.Marker = 1;
    else if (o.option == "--no-markers")
        s.Marker = 0;
    else if (o.option == "--method")
        s.ShiftDir = parseMethod(v);
    else if (o.option == "--depth-by")
        s.DepthSel = parseDepthBy(v);
    else if (o.option == "--width")
        s.w = parseInt(o.option, v);
    else if (o.option == "--height")
        s.h = parseInt(o.option, v);
    else if (o.option == "--gap")
        s.gapValue = parseInt(o.option, v);
    else if (o.option == "--zmin")
        s.zmin = parseInt(o.option, v);
    else if (o.option == "--zmax")
        s.zmax = parseInt(o.option, v);
    else if (o.option == "--dx")
        s.dx = parseInt(o.option, v);
    else if (o.option == "--dy")
        s.dy = parseInt(o.option, v);
    else if (o.option == "--da")
        s.da = parseInt(o.option, v);
    else if (std::string problem = applyHiddenSurfaceOption(s, o.option, v); !problem.empty())
        throw UsageError(problem);
}

class CommandLineHost : public engine::GenerationHost {
public:
    CommandLineHost(TerminalWindow& window, std::ostream& err, const engine::TSirdPatt& patterns,
                    const CaptionPainter& painter)
        : window_(window), err_(err), patterns_(patterns), painter_(painter)
    {
    }

    void progress(int phase, const engine::ProgressRecord& record) override
    {
        if (phase == engine::kProgressEnd) {
            window_.endProgress();
            return;
        }
        std::string text(record.textView());
        if (!text.empty())
            text_ = text;
        if (!text_.empty())
            window_.progress(text_, record.done, record.total);
    }
    engine::PatternRef pattern() override { return {patterns_.GetBitmap(), patterns_.GetPalette()}; }
    bool pumpMessages() override { return false; }
    void drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y, std::string_view text,
                  engine::Rgb colour) override
    {
        if (painter_)
            painter_(image, palette, x, y, text, colour);
    }
    void showError(std::string_view message) override
    {
        window_.endProgress();
        err_ << "Error: " << message << '\n';
    }

private:
    TerminalWindow& window_;
    std::ostream& err_;
    const engine::TSirdPatt& patterns_;
    const CaptionPainter& painter_;
    std::string text_;
};

} // namespace

int readMakeRequest(const std::vector<std::string>& args, bool depthOnly, std::ostream& err, MakeRequest& request)
{
    const char* const command = depthOnly ? "dotscape depth: " : "dotscape make: ";
    const auto usage = [&] {
        if (depthOnly)
            err << depthUsage();
        else
            err << makeUsage();
    };
    try {
        std::vector<SettingOverride> overrides;
        request = parseArgs(args, overrides, depthOnly);
        request.config.load(request.configFile ? *request.configFile : configPath());
        request.settings = request.config.demo;
        for (const auto& o : overrides)
            applyOverride(request.settings, o);
    } catch (const UsageError& e) {
        err << command << e.text() << "\n";
        usage();
        return kExitUsage;
    }

    // The width and height belong to math stereograms, which may be made
    // for print up to 16384 pixels a side; other sources take their size
    // from the picture or the map.
    const bool sized = request.source->sizedBySettings();
    engine::SettingsOptionNames names;
    names.da = "--da";
    names.DepthSel = "--depth-by";
    engine::SirdsSettings sizeless = request.settings;
    sizeless.w = 2 * sizeless.gapValue;
    sizeless.h = 1;
    std::string problem = engine::checkSettings(sizeless, names);
    if (problem.empty() && sized)
        problem = checkFigureSize(request.settings);
    // The size is checked above and is the same in every frame.
    if (problem.empty() && request.animation.requested()) {
        problem = request.animation.plan(request.output, request.plan);
        if (problem.empty())
            problem = engine::checkAnimation(sizeless, request.plan, request.source->movable(), names);
    }
    if (!problem.empty()) {
        err << command << problem << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

int runMake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const CaptionPainter& painter)
{
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            err << makeUsage();
            return kExitOk;
        }
    }
    MakeRequest options;
    if (const int status = readMakeRequest(args, false, err, options); status != kExitOk)
        return status;
    const engine::SirdsSettings& settings = options.settings;

    TerminalWindow window(err, options.force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());

    // The source, read before the patterns so that a bad input fails fast.
    if (const int status = options.source->load(window, err); status != kExitOk)
        return status;

    engine::PatternDirs dirs = engine::DefaultPatternDirs();
    std::vector<std::string> search = options.patternDir ? std::vector<std::string>{*options.patternDir} : dirs.searchDirs;
    auto patterns = engine::LoadPatterns(nullptr, options.patternDir ? *options.patternDir : dirs.userDir, search,
                                         options.config.Select, options.config.Count);
    if (options.pattern)
        patterns->Select(*options.pattern);

    CommandLineHost host(window, err, *patterns, painter);
    // One stereogram of the source; an animation makes one per frame.
    const DepthSource& source = *options.source;
    const engine::FrameMaker make = [&source](const engine::SirdsSettings& s, engine::GenerationHost& to) {
        return source.make(s, to);
    };
    if (options.animation.requested())
        return writeAnimation(options.output, settings, options.plan, make, host, window, err);
    engine::GenerationResult result = make(settings, host);
    window.endProgress();
    if (!result.finished() || !result.picture.bitmap) {
        if (result.status == engine::GenerationStatus::Stopped)
            err << "dotscape: the stereogram was stopped; nothing was written\n";
        return kExitOutput;
    }
    return writePicture(options.output, *result.picture.bitmap, &result.picture.palette, window, err, out,
                        options.format, options.quality);
}

} // namespace app
