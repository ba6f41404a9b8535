// dotscape make: a stereogram from a math figure, a picture or a depth map,
// with the same engine, patterns and configuration as the desktop program.

#include "AnimationOutput.h"
#include "HiddenSurfaceOptions.h"
#include "ModelOptions.h"
#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "app/FileKinds.h"
#include "app/TerminalWindow.h"
#include "depthmap/TMapDocument.h"
#include "engine/DepthSequence.h"
#include "engine/DepthFit.h"
#include "engine/Generation.h"
#include "engine/MapGeneration.h"
#include "engine/ModelGeneration.h"
#include "engine/PatternDirs.h"
#include "engine/PatternScaling.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "pictrans/TGraphIO.h"
#include "terrakit/terrakit.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace app {

namespace {

const char* const kMakeUsage =
    "Usage: dotscape make [SOURCE] [OPTIONS] -o OUT\n"
    "\n"
    "Source (one of them; a math figure when none is given):\n"
    "  --figure N|TITLE     a math figure by number (1 to 23) or exact title; default 1\n"
    "  --picture FILE       depth from a picture (any format convert reads)\n"
    "  --depthmap FILE.rds  depth from a depth map file\n"
    "  --model FILE         depth from a 3-D model (STL, OBJ, PLY, glTF, 3MF, OFF)\n"
    "\n"
    "Options (settings start from the configuration file, then these):\n"
    "  --method M           left-to-right | mcmahon | feucht | hidden-surface\n"
    "  --depth-by D         color | brightness (pictures only)\n"
    "  --width W --height H size of a math or model stereogram (1 to 16384; width at least twice the gap)\n"
    "  --gap G              separation of two copies of a far point (51 to 150)\n"
    "  --zmin Z --zmax Z    depth resolution (zmin less than zmax)\n"
    "  --fit-depth          scale the picture's, map's or model's own depth range onto\n"
    "                       zmin..zmax (without it, depth beyond zmax is warned of)\n"
    "  --dx X --dy Y        shift of a math figure right and up (-200 to 200)\n"
    "  --da A               angle of a math figure (-180 to 180)\n"
    "  --markers | --no-markers\n"
    "  --pattern N          pattern number, from 0 (out of range: the first)\n"
    "  --pattern-dir DIR    where the patNN.gif files are (default: the program's own)\n"
    "  --pattern-file FILE  any picture as the pattern (any format convert reads);\n"
    "                       a true-colour pattern makes a true-colour stereogram\n"
    "  --pattern-scale K    the pattern magnified K times, 1 to 8 (smooth)\n"
    "  --pattern-scale-nearest  magnify in blocks of whole pixels instead\n"
    "  --config FILE        settings from FILE instead of the user's DOTSCAPE.INI\n"
    "                       (a missing file gives the defaults; make never writes it)\n"
    "  -o, --output OUT     the stereogram, in the format OUT's name gives (as convert);\n"
    "                       - writes it to standard output\n"
    "  --format F           bmp | pcx | gif | jpg | png, whatever OUT's name says\n"
    "                       (standard output: BMP unless given)\n"
    "  -f, --force          overwrite OUT without asking\n"
    "\n"
    "Animation (OUT's name gives the format: .gif, .webp, .mp4 or .webm):\n"
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
    "                       hundredths of a second, rounded to the nearest); default 80\n"
    "  --fps F              frames a second instead of --delay (25, 29.97, 30000/1001);\n"
    "                       a depth video's own rate when neither is given\n"
    "  --quality Q          a single picture: 1 to 100 for JPEG and lossy WebP;\n"
    "                       an animation: .webp lossy at quality 0 to 100 (default lossless);\n"
    "                       .mp4: rate factor 0 to 51, .webm: 0 to 63 (default 18)\n"
    "  Ctrl-C stops an animation; nothing is written then.\n";

struct MakeOptions {
    enum class Source { Figure, Picture, DepthMap, Model, Pictures, Video };
    Source source = Source::Figure;
    std::string figure = "1";
    std::string input;
    std::string output;
    std::optional<std::string> configFile;
    std::optional<std::string> patternDir;
    std::optional<int> pattern;
    std::optional<std::string> patternFile;
    int patternScale = 1;
    bool patternNearest = false;
    bool tileable = false;
    int format = 0;
    bool force = false;
    double start = 0;
    double duration = -1;
    bool fitDepth = false;
    AnimationArgs animation;
    models::Camera camera;
};

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
struct SettingOverride {
    std::string option;
    std::string value;
};

MakeOptions parseArgs(const std::vector<std::string>& args, std::vector<SettingOverride>& overrides)
{
    MakeOptions o;
    int sources = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool takesValue = false;
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (a == "--figure") {
            o.source = MakeOptions::Source::Figure;
            o.figure = value();
            ++sources;
        } else if (a == "--picture") {
            o.source = MakeOptions::Source::Picture;
            o.input = value();
            ++sources;
        } else if (a == "--depthmap") {
            o.source = MakeOptions::Source::DepthMap;
            o.input = value();
            ++sources;
        } else if (a == "--model") {
            o.source = MakeOptions::Source::Model;
            o.input = value();
            ++sources;
        } else if (isModelOption(a)) {
            if (std::string problem = applyModelOption(o.camera, a, value()); !problem.empty())
                throw UsageError(problem);
        } else if (a == "--pictures") {
            o.source = MakeOptions::Source::Pictures;
            o.input = value();
            ++sources;
        } else if (a == "--video") {
            o.source = MakeOptions::Source::Video;
            o.input = value();
            ++sources;
        } else if (a == "--start" || a == "--duration") {
            const std::string& v = value();
            double seconds = 0;
            auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), seconds);
            if (ec != std::errc() || ptr != v.data() + v.size() || v.empty() || !(seconds >= 0))
                throw UsageError(a + " takes a time in seconds from 0, not '" + v + "'");
            (a == "--start" ? o.start : o.duration) = seconds;
        } else if (a == "-o" || a == "--output") {
            o.output = value();
        } else if (a == "--format") {
            o.format = formatByName(value());
            if (!o.format)
                throw UsageError("--format must be " + formatNameList() + ", not '" + args[i] + "'");
        } else if (a == "--config") {
            o.configFile = value();
        } else if (a == "--pattern-dir") {
            o.patternDir = value();
        } else if (a == "--pattern") {
            o.pattern = parseInt(a, value());
        } else if (a == "--pattern-file") {
            o.patternFile = value();
        } else if (a == "--pattern-scale") {
            o.patternScale = parseInt(a, value());
            if (o.patternScale < engine::kMinPatternScale || o.patternScale > engine::kMaxPatternScale)
                throw UsageError(platform::format("--pattern-scale must be between %d and %d",
                                                  engine::kMinPatternScale, engine::kMaxPatternScale));
        } else if (a == "--pattern-scale-nearest") {
            o.patternNearest = true;
        } else if (a == "--force" || a == "-f") {
            o.force = true;
        } else if (a == "--fit-depth") {
            o.fitDepth = true;
        } else if (isHiddenSurfaceOption(a, takesValue)) {
            o.tileable = o.tileable || a == "--tileable";
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
        throw UsageError("give one source: --figure, --picture, --depthmap, --model, --pictures or --video");
    if (o.output.empty())
        throw UsageError("no output file: give -o OUT");
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

// Figure numbers 1 to 23, or an exact title. -1 when neither.
int figureIndex(const std::string& figure)
{
    int n = 0;
    auto [ptr, ec] = std::from_chars(figure.data(), figure.data() + figure.size(), n);
    if (ec == std::errc() && ptr == figure.data() + figure.size())
        return n >= 1 && n <= GetFigureCount() ? n - 1 : -1;
    return GetFigureIndex(figure.c_str());
}

std::string baseName(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class CommandLineHost : public engine::GenerationHost {
public:
    CommandLineHost(TerminalWindow& window, std::ostream& err, engine::PatternRef pattern,
                    const CaptionPainter& painter)
        : window_(window), err_(err), pattern_(pattern), painter_(painter)
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
    engine::PatternRef pattern() override { return pattern_; }
    bool pumpMessages() override { return animationStopRequested(); }
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
    engine::PatternRef pattern_;
    const CaptionPainter& painter_;
    std::string text_;
};

} // namespace

int runMake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const CaptionPainter& painter)
{
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            err << kMakeUsage << kModelUsage << kTurntableUsage << kHiddenSurfaceUsage;
            return kExitOk;
        }
    }
    MakeOptions options;
    engine::SirdsSettings settings;
    Configuration config;
    try {
        std::vector<SettingOverride> overrides;
        options = parseArgs(args, overrides);
        config.load(options.configFile ? *options.configFile : configPath());
        settings = config.demo;
        for (const auto& o : overrides)
            applyOverride(settings, o);
    } catch (const UsageError& e) {
        err << "dotscape make: " << e.text() << "\n" << kMakeUsage << kHiddenSurfaceUsage;
        return kExitUsage;
    }

    // The width and height belong to math stereograms, which may be made
    // for print up to 16384 pixels a side; other sources take their size
    // from the picture or the map. Models are drawn at the width and height.
    const bool sized = options.source == MakeOptions::Source::Figure || options.source == MakeOptions::Source::Model;
    engine::SirdsSettings checked = settings;
    if (!sized) {
        checked.w = 2 * checked.gapValue;
        checked.h = 1;
    }
    engine::SettingsOptionNames names;
    names.da = "--da";
    names.DepthSel = "--depth-by";
    {
        engine::SirdsSettings sizeless = checked;
        sizeless.w = 2 * sizeless.gapValue;
        sizeless.h = 1;
        std::string problem = engine::checkSettings(sizeless, names);
        if (problem.empty() && sized)
            problem = checkFigureSize(settings);
        if (!problem.empty()) {
            err << "dotscape make: " << problem << '\n';
            return kExitUsage;
        }
    }
    if (options.tileable && settings.ShiftDir != engine::HiddenSurface) {
        // The classic methods link from one edge or from the middle; their
        // repeats cannot run across the picture's edges.
        err << "dotscape make: --tileable needs --method hidden-surface\n";
        return kExitUsage;
    }
    const bool sequence =
        options.source == MakeOptions::Source::Pictures || options.source == MakeOptions::Source::Video;
    engine::AnimationPlan plan;
    AnimationFormat format;
    if (const auto q = options.animation.quality(); q && !options.animation.requested() && !sequence &&
                                                    (*q < 1 || *q > 100)) {
        err << "dotscape make: --quality of a single picture must be between 1 and 100\n";
        return kExitUsage;
    }
    if (options.animation.requested() && !sequence) {
        // The size is checked above and is the same in every frame.
        engine::SirdsSettings sizeless = checked;
        sizeless.w = 2 * sizeless.gapValue;
        sizeless.h = 1;
        std::string problem = options.animation.plan(options.output, plan, format);
        if (problem.empty())
            problem = engine::checkAnimation(sizeless, plan, options.source == MakeOptions::Source::Figure, names);
        if (problem.empty() && plan.parameter == engine::AnimatedParameter::Camera &&
            options.source != MakeOptions::Source::Model)
            problem = "--yaw-step and --pitch-step turn a model; give --model FILE";
        if (!problem.empty()) {
            err << "dotscape make: " << problem << '\n';
            return kExitUsage;
        }
    }

    TerminalWindow window(err, options.force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());

    // The source, read before the patterns so that a bad input fails fast.
    InitFigureTitles();
    struct TitleTable {
        ~TitleTable() { UnloadFigureTitles(); }
    } titles;
    int figure = -1;
    std::unique_ptr<platform::Bitmap> picture;
    std::unique_ptr<platform::Palette> picturePalette;
    std::unique_ptr<platform::Grey16Image> pictureDepth16; // a 16-bit grey picture's own samples
    std::unique_ptr<depthmap::TMapDocument> map;
    std::optional<models::Mesh> model;
    std::unique_ptr<engine::DepthSequence> frames;
    switch (options.source) {
    case MakeOptions::Source::Figure:
        figure = figureIndex(options.figure);
        if (figure < 0) {
            err << "dotscape make: --figure must be a number from 1 to " << GetFigureCount()
                << " or a figure's exact title (dotscape figures lists them), not '" << options.figure << "'\n";
            return kExitUsage;
        }
        break;
    case MakeOptions::Source::Picture: {
        PictureRead read;
        // One stereogram reads the picture once: its rows may stay in the
        // file, which is checked again before the stereogram is written.
        const bool keepFile = !options.animation.requested();
        if (const int status = readPicture(options.input, window, err, read, keepFile); status != kExitOk)
            return status;
        picture = std::move(read.bitmap);
        picturePalette = std::move(read.palette);
        pictureDepth16 = std::move(read.grey16);
        if (const std::string_view note = engine::pictureDepthNote(settings.DepthSel, *picture); !note.empty())
            err << "dotscape: " << note << '\n';
        break;
    }
    case MakeOptions::Source::DepthMap:
        if (const std::string problem = openProblem(options.input); !problem.empty()) {
            err << "dotscape: " << options.input << " could not be read: " << problem << '\n';
            return kExitInput;
        }
        map = std::make_unique<depthmap::TMapDocument>(baseName(options.input), 400, 400, &window);
        if (!map->ReadFile(options.input)) {
            err << "dotscape: " << options.input << " could not be read as a depth map\n";
            return kExitInput;
        }
        break;
    case MakeOptions::Source::Model:
        model = readModel(options.input, err);
        if (!model)
            return kExitInput;
        break;
    case MakeOptions::Source::Pictures:
    case MakeOptions::Source::Video: {
        std::string problem;
        frames = options.source == MakeOptions::Source::Pictures
                     ? engine::openPictureSequence(options.input, problem)
                     : engine::openVideoSequence(options.input, options.start, options.duration, problem);
        if (!frames) {
            err << "dotscape: " << problem << '\n';
            return kExitInput;
        }
        problem = options.animation.sequencePlan(options.output, frames->frameCount(), frames->fpsNum(),
                                                 frames->fpsDen(), plan, format);
        if (problem.empty())
            problem = engine::checkSequence(checked, plan.frames, names);
        if (!problem.empty()) {
            err << "dotscape: " << problem << '\n';
            return kExitUsage;
        }
        break;
    }
    }

    engine::PatternDirs dirs = engine::DefaultPatternDirs();
    std::vector<std::string> search = options.patternDir ? std::vector<std::string>{*options.patternDir} : dirs.searchDirs;
    // Only the pattern the stereogram uses is read.
    std::unique_ptr<engine::TSirdPatt> patterns;
    PictureRead patternPicture;
    if (options.patternFile) {
        if (const int status = readPicture(*options.patternFile, window, err, patternPicture); status != kExitOk)
            return status;
    } else {
        patterns = engine::LoadChosenPattern(options.patternDir ? *options.patternDir : dirs.userDir, search,
                                             config.Select, config.Count, options.pattern);
    }
    engine::PatternRef pattern = patterns ? engine::PatternRef{patterns->GetBitmap(), patterns->GetPalette()}
                                          : engine::PatternRef{patternPicture.bitmap.get(), patternPicture.palette.get()};
    std::unique_ptr<platform::Bitmap> scaledPattern;
    if (options.patternScale > 1 && pattern.tile) {
        scaledPattern = engine::scalePattern(*pattern.tile, pattern.palette, options.patternScale, options.patternNearest);
        if (!scaledPattern) {
            err << "dotscape make: the pattern magnified " << options.patternScale << " times is too large\n";
            return kExitInput;
        }
        pattern.tile = scaledPattern.get();
    }

    CommandLineHost host(window, err, pattern, painter);
    const std::string pictureTitle = baseName(options.input);
    // The depth the source gives, fitted onto each frame's Zmin..Zmax when
    // asked; otherwise depth beyond Zmax is only warned of.
    // A single picture not fitted is warned of from the rows its stereogram
    // samples, which saves reading a large picture twice.
    const bool rangeFromRows = picture && !options.fitDepth && !sequence && !options.animation.requested();
    engine::DepthRange sourceRange;
    if (picture && !rangeFromRows)
        sourceRange = engine::pictureDepthRange(*picture, picturePalette.get(), settings.DepthSel);
    else if (map)
        sourceRange = engine::mapDepthRange(engine::MapDocumentSource(*map));
    else if (model)
        sourceRange.add(0), sourceRange.add(255); // a model spans the far background to its front
    const auto warnBeyond = [&](const engine::DepthRange& range) {
        if (!options.fitDepth && range.beyond(settings.zmax))
            err << "dotscape make: warning: the depth of " << options.input << " goes up to " << range.highest
                << ", beyond Zmax " << settings.zmax << "; deeper levels come out as streaks (--fit-depth scales it onto "
                << settings.zmin << ".." << settings.zmax << ")\n";
    };
    if (!rangeFromRows)
        warnBeyond(sourceRange);
    // A single BMP goes out as it is made.
    std::unique_ptr<BmpStreamSink> sink;
    if (!sequence && !options.animation.requested()) {
        if (options.output == "-" && (options.format == 0 || options.format == GFORMAT_BMP))
            sink = std::make_unique<BmpStreamSink>(window, out);
        else if (streamsToFile(options.output, options.format, options.force))
            sink = BmpStreamSink::toFile(window, options.output);
    }
    const auto fitFor = [&](const engine::SirdsSettings& s) {
        engine::GenerationOptions o;
        o.sink = sink.get();
        if (options.fitDepth && !sourceRange.empty)
            o.fit.emplace(sourceRange, s.zmin, s.zmax);
        return o;
    };
    // One stereogram of the source; a turntable's camera turns with the
    // number of the frame being made.
    std::int32_t frame = 0;
    const engine::FrameMaker make = [&](const engine::SirdsSettings& s, engine::GenerationHost& to) {
        engine::GenerationResult result;
        switch (options.source) {
        case MakeOptions::Source::Figure: {
            char title[41] = {};
            GetFigureTitle(figure, title, 40);
            engine::FigureJob job;
            job.figureCode = -(figure + 1);
            job.title = title;
            result = engine::makeFromFigure(s, job, to);
            break;
        }
        case MakeOptions::Source::Picture: {
            engine::PictureJob job;
            job.picture = picture.get();
            job.palette = picturePalette.get();
            job.depth16 = pictureDepth16.get();
            job.title = pictureTitle;
            job.options = fitFor(s);
            if (rangeFromRows)
                job.sampled = &sourceRange;
            result = engine::makeFromPicture(s, job, to);
            break;
        }
        case MakeOptions::Source::DepthMap:
            result = engine::makeFromDepthMap(s, *map, map->FileName(), to, fitFor(s));
            break;
        case MakeOptions::Source::Model: {
            engine::ModelJob job;
            job.mesh = &*model;
            job.camera = models::turntableFrame(options.camera, options.animation.step("--yaw-step"),
                                                options.animation.step("--pitch-step"), frame);
            job.title = pictureTitle;
            job.options = fitFor(s);
            result = engine::makeFromModel(s, job, to);
            break;
        }
        case MakeOptions::Source::Pictures:
        case MakeOptions::Source::Video:
            break;
        }
        return result;
    };
    if (sequence) {
        engine::SequenceFrameMaker frameMaker(*frames);
        const engine::IndexedFrameMaker indexed = [&](std::int32_t k, const engine::SirdsSettings& s,
                                                      engine::GenerationHost& to) { return frameMaker(k, s, to); };
        return writeAnimation(options.output, settings, plan, format, indexed, host, window, err);
    }
    if (options.animation.requested()) {
        const engine::IndexedFrameMaker indexed = [&](std::int32_t k, const engine::SirdsSettings& s,
                                                      engine::GenerationHost& to) {
            frame = k;
            return make(s, to);
        };
        return writeAnimation(options.output, settings, plan, format, indexed, host, window, err);
    }
    engine::GenerationResult result = make(settings, host);
    window.endProgress();
    if (rangeFromRows && result.finished())
        warnBeyond(sourceRange);
    if (result.finished() && result.streamed) {
        // A file is held back from a picture that changed while it was read;
        // standard output has had it, and is only told.
        const bool unchanged = !picture || pictureUnchanged(options.input, *picture, err);
        if (!unchanged && options.output != "-")
            return kExitInput;
        if (!sink->finish()) {
            if (options.output == "-")
                err << "dotscape: standard output could not take the picture\n";
            else
                err << "dotscape: " << options.output << " was not written\n";
            return kExitOutput;
        }
        return unchanged ? kExitOk : kExitInput;
    }
    if (!result.finished() || !result.picture.bitmap) {
        if (result.status == engine::GenerationStatus::Stopped)
            err << "dotscape: the stereogram was stopped; nothing was written\n";
        return kExitOutput;
    }
    if (picture && !pictureUnchanged(options.input, *picture, err))
        return kExitInput;
    return writePicture(options.output, *result.picture.bitmap, &result.picture.palette, window, err, out,
                        options.format, options.animation.quality().value_or(-1));
}

} // namespace app
