// dotscape reveal: the depth hidden in a stereogram, as a grey picture.

#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/TerminalWindow.h"
#include "engine/Reveal.h"
#include "engine/RevealViews.h"

#include <charconv>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace app {

namespace {

const char* const kRevealUsage =
    "Usage: dotscape reveal IN -o OUT [--anaglyph | --side-by-side] [--min-sep A --max-sep B] [-v] [-f]\n"
    "Recovers the depth hidden in a single-image stereogram (made here or by any other\n"
    "program) from its pixels alone, and writes it as a grey picture: near is bright.\n"
    "\n"
    "  IN                   the stereogram: any picture dotscape reads\n"
    "  -o, --output OUT     the depth picture, in the format OUT's name gives (as convert;\n"
    "                       - is standard output, BMP)\n"
    "  --anaglyph           write a red/cyan anaglyph of the hidden scene instead (red\n"
    "                       filter on the left eye), made from the stereogram's pixels\n"
    "  --side-by-side       write a stereo pair for cross-eyed viewing instead\n"
    "  --min-sep A --max-sep B\n"
    "                       the separations, in pixels, at which the stereogram repeats;\n"
    "                       without them they are found from the picture. With them, the\n"
    "                       grey scale spans A (white) to B (black); without, the\n"
    "                       separations found\n"
    "  -v, --verbose        tell the separations searched and the share of pixels matched\n"
    "  -f, --force          overwrite OUT without asking\n";

struct RevealArgs {
    std::string input;
    std::string output;
    std::optional<int> minSep;
    std::optional<int> maxSep;
    bool force = false;
    bool verbose = false;
    bool anaglyph = false;
    bool sideBySide = false;
};

// Fills args; returns the problem, or an empty text.
std::string parse(const std::vector<std::string>& list, RevealArgs& args)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string& a = list[i];
        const bool takesValue = a == "-o" || a == "--output" || a == "--min-sep" || a == "--max-sep";
        if (takesValue && i + 1 >= list.size())
            return a + " needs a value";
        if (a == "-o" || a == "--output") {
            args.output = list[++i];
        } else if (a == "--min-sep" || a == "--max-sep") {
            const std::string& v = list[++i];
            int n = 0;
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
            if (ec != std::errc() || end != v.data() + v.size() || n < 1)
                return a + " takes a whole number of pixels from 1, not '" + v + "'";
            (a == "--min-sep" ? args.minSep : args.maxSep) = n;
        } else if (a == "-f" || a == "--force") {
            args.force = true;
        } else if (a == "-v" || a == "--verbose") {
            args.verbose = true;
        } else if (a == "--anaglyph") {
            args.anaglyph = true;
        } else if (a == "--side-by-side") {
            args.sideBySide = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (args.input.empty()) {
            args.input = a;
        } else {
            return "one input picture only ('" + a + "' is a second)";
        }
    }
    if (args.input.empty())
        return "no input picture";
    if (args.output.empty())
        return "no output file: give -o OUT";
    if (args.anaglyph && args.sideBySide)
        return "give --anaglyph or --side-by-side, not both";
    if (args.minSep.has_value() != args.maxSep.has_value())
        return "give both --min-sep and --max-sep, or neither";
    if (args.minSep && *args.minSep >= *args.maxSep)
        return "--min-sep must be less than --max-sep";
    return {};
}

} // namespace

int runReveal(const std::vector<std::string>& list, std::ostream& out, std::ostream& err)
{
    for (const auto& a : list) {
        if (a == "--help" || a == "-h") {
            err << kRevealUsage;
            return kExitOk;
        }
    }
    RevealArgs args;
    if (std::string problem = parse(list, args); !problem.empty()) {
        err << "dotscape reveal: " << problem << "\n" << kRevealUsage;
        return kExitUsage;
    }

    TerminalWindow window(err, args.force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());
    PictureRead read;
    if (const int status = readPicture(args.input, window, err, read); status != kExitOk)
        return status;
    const platform::Bitmap* picture = read.bitmap.get();
    const platform::Palette* palette = read.palette.get();

    engine::RevealOptions options;
    options.minSep = args.minSep.value_or(0);
    options.maxSep = args.maxSep.value_or(0);
    options.progress = [&window](int done, int total) {
        window.progress("Revealing Depth", done, total);
        return true;
    };
    engine::RevealResult result = engine::revealDepth(*picture, palette, options);
    window.endProgress();
    if (!result.done()) {
        err << "dotscape: " << args.input << ": " << result.error << '\n';
        return kExitInput;
    }
    if (args.verbose)
        err << "dotscape reveal: separations " << result.range.minSep << " to " << result.range.maxSep << ", period "
            << result.range.period << ", " << static_cast<int>(result.matched * 100.0 + 0.5) << "% of pixels matched\n";
    if (!args.anaglyph && !args.sideBySide)
        return writePicture(args.output, *result.depth, &result.palette, window, err, out);
    const engine::EyeViews views = engine::eyeViews(engine::rgbPlanes(*picture, palette), result);
    const std::unique_ptr<platform::Bitmap> pair = args.anaglyph ? engine::anaglyph(views) : engine::sideBySide(views);
    if (!pair) {
        err << "dotscape: " << args.input << ": " << engine::kRevealNoMemoryMessage << '\n';
        return kExitInput;
    }
    return writePicture(args.output, *pair, nullptr, window, err, out);
}

} // namespace app
