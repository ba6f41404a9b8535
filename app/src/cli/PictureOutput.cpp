#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/FileKinds.h"
#include "app/SavedPicture.h"
#include "pictrans/GraphicFormats.h"
#include "pictrans/TGraphIO.h"
#include "pictrans/TPngIntf.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace {

// Copies the whole file at path to out; false when it cannot be read or out fails.
bool copyTo(const std::string& path, std::ostream& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<char> chunk(std::size_t{1} << 16);
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0)
        out.write(chunk.data(), static_cast<std::streamsize>(n));
    const bool ok = !std::ferror(f);
    std::fclose(f);
    out.flush();
    return ok && out.good();
}

// The writers seek back to fill in their headers, which a pipe cannot do,
// so a picture for standard output is written to a private folder first and
// then copied out. write writes the file it is given, true when it did.
int writeToStandardOutput(const std::function<bool(const std::string&)>& write, TerminalWindow& window,
                          std::ostream& err, std::ostream& standardOutput)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/dotscape-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        err << "dotscape: no temporary folder for standard output: " << std::strerror(errno) << '\n';
        return kExitOutput;
    }
    const std::string file = folder + "/picture";
    int status = kExitOk;
    if (!write(file)) {
        window.endProgress();
        err << "dotscape: the picture was not written to standard output\n";
        status = kExitOutput;
    } else if (!copyTo(file, standardOutput)) {
        err << "dotscape: standard output could not take the picture\n";
        status = kExitOutput;
    }
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
    return status;
}

int notWritten(const std::string& out, TerminalWindow& window, std::ostream& err)
{
    window.endProgress();
    if (window.declined())
        err << "dotscape: " << out << " exists and was not overwritten (use --force)\n";
    else
        err << "dotscape: " << out << " was not written\n";
    return kExitOutput;
}

} // namespace

int formatByName(std::string_view name)
{
    const FileKind* kind = pictureKindByFormatName(name);
    return kind ? kind->code : 0;
}

int parseQuality(std::string_view text)
{
    int quality = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), quality);
    return ec == std::errc() && end == text.data() + text.size() && quality >= 1 && quality <= 100 ? quality : 0;
}

// Writes picture with palette to out in the format given or the one its name
// asks for. Returns kExitOk or kExitOutput (after saying why).
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err, std::ostream& standardOutput, int format, int quality)
{
    if (!format)
        format = out == "-" ? GFORMAT_BMP : formatForSaveName(out);
    const FileKind* kind = kindByCode(format);
    if (!kind || !kind->picture || !kind->can(pictrans::kWrites))
        format = GFORMAT_BMP; // a picture saved under a depth map name is written as BMP
    const PictureToWrite written = pictureForFormat(picture, picture.description(), palette, format);
    const auto write = [&](const std::string& file) {
        TGraphIO io(&window, &window);
        io.SetGraphicFormat(format);
        io.SetQuality(quality);
        return written.bitmap && io.Write_File(file, written.description, written.bitmap, palette) != 0;
    };
    if (out == "-")
        return writeToStandardOutput(write, window, err, standardOutput);
    return write(out) ? kExitOk : notWritten(out, window, err);
}

int writeDepthPicture(const std::string& out, const platform::Grey16Image& depth, TerminalWindow& window,
                      std::ostream& err, std::ostream& standardOutput)
{
    const auto write = [&](const std::string& file) {
        TPngIntf png(&window, &window);
        return png.WriteGrey16File(file, depth) != 0;
    };
    if (out == "-")
        return writeToStandardOutput(write, window, err, standardOutput);
    return write(out) ? kExitOk : notWritten(out, window, err);
}

int readPicture(const std::string& path, TerminalWindow& window, std::ostream& err, PictureRead& picture)
{
    if (const std::string problem = openProblem(path); !problem.empty()) {
        err << "dotscape: " << path << " could not be read: " << problem << '\n';
        return kExitInput;
    }
    TGraphIO io(&window, &window);
    picture.bitmap = io.Read_File(path);
    window.endProgress();
    if (!picture.bitmap) {
        err << "dotscape: " << path << " could not be read\n";
        return kExitInput;
    }
    picture.palette = io.GetPalette();
    picture.grey16 = io.GetGrey16();
    return kExitOk;
}

std::string openProblem(const std::string& path)
{
    // Opened without waiting: a pipe without a writer opens at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::strerror(errno);
    struct stat st{};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    ::close(fd);
    return folder ? std::strerror(EISDIR) : std::string();
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace app
