#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/FileKinds.h"
#include "app/SavedPicture.h"
#include "pictrans/Stream.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGraphIO.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
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

// A BMP is made in memory and written out in one piece.
int writeBmpToStandardOutput(const platform::Bitmap& picture, const platform::Palette* palette,
                             TerminalWindow& window, std::ostream& err, std::ostream& standardOutput)
{
    MemoryOutStream bytes;
    TBmpIntf bmp(&window, &window);
    if (!bmp.WriteStream(bytes, picture.description(), &picture, palette)) {
        window.endProgress();
        err << "dotscape: the picture was not written to standard output\n";
        return kExitOutput;
    }
    standardOutput.write(reinterpret_cast<const char*>(bytes.data().data()),
                         static_cast<std::streamsize>(bytes.data().size()));
    standardOutput.flush();
    if (!standardOutput.good()) {
        err << "dotscape: standard output could not take the picture\n";
        return kExitOutput;
    }
    return kExitOk;
}

// The writers seek back to fill in their headers, which a pipe cannot do,
// so a picture for standard output is written to a private folder first and
// then copied out (a BMP is made in memory instead).
int writeToStandardOutput(int format, const platform::Bitmap& picture, const platform::Palette* palette,
                          TerminalWindow& window, std::ostream& err, std::ostream& standardOutput)
{
    if (format == GFORMAT_BMP)
        return writeBmpToStandardOutput(picture, palette, window, err, standardOutput);
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/dotscape-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        err << "dotscape: no temporary folder for standard output: " << std::strerror(errno) << '\n';
        return kExitOutput;
    }
    const std::string file = folder + "/picture";
    TGraphIO io(&window, &window);
    io.SetGraphicFormat(format);
    int status = kExitOk;
    if (!io.Write_File(file, picture.description(), &picture, palette)) {
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

} // namespace

int formatByName(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "bmp")
        return GFORMAT_BMP;
    if (lower == "pcx")
        return GFORMAT_PCX;
    if (lower == "gif")
        return GFORMAT_GIF;
    if (lower == "jpg" || lower == "jpeg")
        return GFORMAT_JPEG;
    if (lower == "png")
        return GFORMAT_PNG;
    return 0;
}

// Writes picture with palette to out in the format given or the one its name
// asks for. Returns kExitOk or kExitOutput (after saying why).
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err, std::ostream& standardOutput, int format)
{
    if (out == "-")
        return writeToStandardOutput(format ? format : GFORMAT_BMP, picture, palette, window, err, standardOutput);
    if (!format)
        format = formatForSaveName(out);
    if (format == kFormatDepthMap)
        format = GFORMAT_BMP; // a picture saved under a depth map name is written as BMP
    TGraphIO io(&window, &window);
    io.SetGraphicFormat(format);
    const PictureToWrite written = pictureForFormat(picture, picture.description(), palette, format);
    if (written.bitmap && io.Write_File(out, written.description, written.bitmap, palette))
        return kExitOk;
    window.endProgress();
    if (window.declined())
        err << "dotscape: " << out << " exists and was not overwritten (use --force)\n";
    else
        err << "dotscape: " << out << " was not written\n";
    return kExitOutput;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace app
