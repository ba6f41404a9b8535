#include "app/CommandLine.h"

#include "PictureOutput.h"

#include "app/FileKinds.h"
#include "app/TerminalWindow.h"
#include "depthmap/TMapDocument.h"
#include "pictrans/GraphicFormats.h"
#include "models/ModelFormats.h"
#include "models/ModelImport.h"
#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"
#include "terrakit/terrakit.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

std::string usage()
{
    const std::string formats = formatNameList();
    return "Usage: dotscape [FILE...]\n"
           "       dotscape COMMAND [OPTIONS]\n"
           "Makes single-image random-dot stereograms.\n"
           "\n"
           "Without a command the desktop program opens, and opens each FILE given (a picture,\n"
           "a .rds depth map or a 3-D model) in a window of its own. A command name always\n"
           "runs that command, without a display; a file of that name opens with\n"
           "'dotscape ./NAME' or 'dotscape -- NAME'.\n"
           "\n"
           "Commands:\n"
           "  make [OPTIONS] -o OUT   make a stereogram (dotscape make --help lists the options)\n"
           "  convert [--force] [--format F] [--quality Q] IN OUT\n"
           "                      read a picture and write it in the format OUT's name gives\n"
           "                      (its extension; BMP for any other name); --format F chooses\n"
           "                      it (" + formats + "); --quality Q (1 to 100)\n"
           "                      makes a lossy writer's picture smaller or better; OUT - is\n"
           "                      standard output\n"
           "  depth [SOURCE] -o OUT\n"
           "                      write the depth a stereogram is made from as a 16-bit grey PNG\n"
           "                      (dotscape depth --help lists the options)\n"
           "  reveal IN -o OUT    recover the depth hidden in a stereogram as a grey picture\n"
           "                      (dotscape reveal --help lists the options)\n"
           "  info FILE...        describe pictures, depth maps and 3-D models, one line each\n"
           "  figures             list the math figures: number, a tab, the title\n"
           "\n"
           "  -h, --help          show this help\n"
           "  --version           show the version\n"
           "\n"
           "Exit status: 0 done, 1 usage error, 2 input not readable, 3 output not written.\n";
}

const char* formatName(int code)
{
    const FileKind* kind = kindByCode(code);
    return kind ? kind->name : "unknown";
}

int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    bool force = false;
    int format = 0;
    int quality = -1;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--force" || a == "-f")
            force = true;
        else if (a == "--format") {
            format = i + 1 < args.size() ? formatByName(args[++i]) : 0;
            if (!format)
                return err << "dotscape convert: --format must be " << formatNameList() << "\n", kExitUsage;
        } else if (a == "--quality") {
            quality = i + 1 < args.size() ? parseQuality(args[++i]) : 0;
            if (quality < 1)
                return err << "dotscape convert: --quality takes a whole number from 1 to 100\n", kExitUsage;
        } else if (a.size() > 1 && a[0] == '-')
            return err << "dotscape convert: unknown option '" << a << "'\n", kExitUsage;
        else
            files.push_back(a);
    }
    if (files.size() != 2) {
        err << "Usage: dotscape convert [--force] [--format F] [--quality Q] IN OUT\n";
        return kExitUsage;
    }
    TerminalWindow window(err, force ? TerminalWindow::Answer::Yes : TerminalWindow::Answer::Ask,
                          stderrIsTerminal());
    PictureRead picture;
    if (const int status = readPicture(files[0], window, err, picture); status != kExitOk)
        return status;
    return writePicture(files[1], *picture.bitmap, picture.palette.get(), window, err, out, format, quality);
}

// One line: the format, the triangle count and the box in the model's own axes.
bool describeModel(const std::string& file, const models::ModelFormat& format, std::ostream& out)
{
    const models::ImportResult r = models::importModel(file);
    if (!r.ok) {
        out << file << ": 3-D model (" << format.name << "), cannot be read: " << r.error << '\n';
        return false;
    }
    const models::Box box = r.mesh.bounds();
    const models::Vec3 size = box.size();
    char text[256];
    std::snprintf(text, sizeof text, "%zu triangles, box %g x %g x %g from (%g, %g, %g) to (%g, %g, %g)",
                  r.mesh.triangles(), size.x, size.y, size.z, box.lo.x, box.lo.y, box.lo.z, box.hi.x, box.hi.y,
                  box.hi.z);
    out << file << ": 3-D model (" << (r.mesh.format.empty() ? std::string(format.name) : r.mesh.format) << "), "
        << text << '\n';
    return true;
}

int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "Usage: dotscape info FILE...\n";
        return kExitUsage;
    }
    int status = kExitOk;
    for (const auto& file : args) {
        TerminalWindow window(err, TerminalWindow::Answer::No, false);
        window.setSilent(true);
        if (const std::string problem = openProblem(file); !problem.empty()) {
            out << file << ": cannot be read: " << problem << '\n';
            status = kExitInput;
            continue;
        }
        const FileKind* kind = detectFileKind(file);
        if (kind && kind->code == kFormatDepthMap) {
            depthmap::TMapDocument map("", 400, 400, &window);
            if (!map.ReadFile(file)) {
                const std::string why = window.lastMessage();
                out << file << ": depth map, cannot be read: "
                    << (why.empty() ? std::string("The file cannot be opened.") : why) << '\n';
                status = kExitInput;
                continue;
            }
            auto lines = map.Describe();
            for (std::size_t i = 0; i < lines.size(); ++i)
                out << (i == 0 ? file + ": " : std::string("  ")) << lines[i] << '\n';
            continue;
        }
        if (const models::ModelFormat* model = models::detectModelFormat(file)) {
            if (!describeModel(file, *model, out))
                status = kExitInput;
            continue;
        }
        TGraphIO io(&window, &window);
        int format = io.GetGraphicFormat(file);
        if (format <= 0) {
            out << file << ": cannot be read: "
                << (format < 0 ? "File Access Failed." : "File Format is not supported.") << '\n';
            status = kExitInput;
            continue;
        }
        auto picture = io.Read_File(file);
        if (!picture) {
            out << file << ": " << formatName(format) << ", cannot be read: " << window.lastMessage() << '\n';
            status = kExitInput;
            continue;
        }
        auto palette = io.GetPalette();
        out << file << ": " << formatName(format) << ' ' << picture->width() << " x " << picture->height() << ", "
            << picture->bitsPerPixel() << " bits per pixel, ";
        // The file's own depth where the bitmap cannot show it (16-bit grey).
        if (io.GetSourceBits() > 8)
            out << io.GetSourceBits() << " bits per sample, ";
        if (palette && !palette->empty())
            out << palette->size() << " colours\n";
        else
            out << "true colour\n";
    }
    return status;
}

int runFigures(std::ostream& out)
{
    InitFigureTitles();
    char title[41] = {};
    for (int i = 0; i < GetFigureCount(); ++i) {
        GetFigureTitle(i, title, 40);
        out << i + 1 << '\t' << title << '\n';
    }
    UnloadFigureTitles();
    return kExitOk;
}

} // namespace

namespace {

// Every sub-command, the one place that names them: a first argument of one
// of these names always runs it, whatever files there are.
struct SubCommand {
    const char* name;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const CaptionPainter& painter);
};

using Args = const std::vector<std::string>&;
constexpr SubCommand kSubCommands[] = {
    {"make", [](Args a, std::ostream& o, std::ostream& e, const CaptionPainter& p) { return runMake(a, o, e, p); }},
    {"convert", [](Args a, std::ostream& o, std::ostream& e, const CaptionPainter&) { return runConvert(a, o, e); }},
    {"depth", [](Args a, std::ostream& o, std::ostream& e, const CaptionPainter&) { return runDepth(a, o, e); }},
    {"reveal", [](Args a, std::ostream& o, std::ostream& e, const CaptionPainter&) { return runReveal(a, o, e); }},
    {"info", [](Args a, std::ostream& o, std::ostream& e, const CaptionPainter&) { return runInfo(a, o, e); }},
    {"figures", [](Args, std::ostream& o, std::ostream&, const CaptionPainter&) { return runFigures(o); }},
    {"help", [](Args, std::ostream& o, std::ostream&, const CaptionPainter&) { return (o << usage(), kExitOk); }},
};

} // namespace

bool isSubCommand(const std::string& word)
{
    for (const SubCommand& command : kSubCommands)
        if (word == command.name)
            return true;
    return false;
}

bool isCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        return false;
    const std::string& first = args[0];
    if (first == "--")
        return false;
    if (isSubCommand(first) || first[0] == '-')
        return true;
    // A word that names no file and does not look like a path is a mistyped
    // (or newer) command: the command line says so rather than the desktop
    // program opening with a file that is not there.
    std::error_code error;
    const bool looksLikeFile = first.find_first_of("/.") != std::string::npos ||
                               std::filesystem::symlink_status(first, error).type() !=
                                   std::filesystem::file_type::not_found;
    return !looksLikeFile;
}

std::vector<std::string> desktopFiles(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--")
        return {args.begin() + 1, args.end()};
    return args;
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CaptionPainter& painter)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << usage();
        return kExitOk;
    }
    if (args[0] == "--version") {
        char math[8] = {};
        char graphics[32] = {};
        GetLibVersion(math);
        TGraphIO::GetVersionString(graphics);
        out << "dotscape 1.0.0 (" << graphics << ", math library " << math << ")\n";
        return kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const SubCommand& command : kSubCommands)
        if (args[0] == command.name)
            return command.run(rest, out, err, painter);
    err << "dotscape: unknown command '" << args[0] << "'\n" << usage();
    return kExitUsage;
}

} // namespace app
