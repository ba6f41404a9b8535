#pragma once
// What the sub-commands share: reading their input picture and writing
// the finished one.

#include "app/TerminalWindow.h"
#include "engine/Generation.h"
#include "pictrans/Stream.h"
#include "platform/FileIO.h"
#include "platform/Bitmap.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace app {

// Writes picture with palette to out in the given format (a GFORMAT_ code),
// or with format 0 in the format its name asks for; a name that asks for a
// depth map gets BMP. The name "-" is standard output (stdout), BMP unless
// a format is given. quality (1 to 100; -1 the format's default) goes to
// lossy writers. Returns kExitOk, or kExitOutput after saying why.
int writePicture(const std::string& out, const platform::Bitmap& picture, const platform::Palette* palette,
                 TerminalWindow& window, std::ostream& err, std::ostream& standardOutput, int format = 0,
                 int quality = -1);

// Takes a stereogram band by band as it is made and writes it as an
// uncompressed BMP: the headers as soon as the size is known, then the rows,
// bottom row first, straight from the generation's own buffer.
class BmpStreamSink final : public engine::BandSink {
public:
    // To out (standard output).
    BmpStreamSink(TerminalWindow& window, std::ostream& out);
    // To a file through a temporary, which replaces it only at finish.
    static std::unique_ptr<BmpStreamSink> toFile(TerminalWindow& window, const std::string& file);
    ~BmpStreamSink() override;

    bool begin(std::int32_t width, std::int32_t height, int bitsPerPixel, const platform::Palette& palette) override;
    bool rows(const std::uint8_t* bits, std::size_t stride, std::int32_t count) override;
    // Flushes, and puts a file in place; true when every byte went.
    bool finish();

private:
    BmpStreamSink(TerminalWindow& window, std::unique_ptr<platform::SafeFile> file);

    TerminalWindow& window_;
    std::unique_ptr<platform::SafeFile> file_;
    std::unique_ptr<OutStream> stream_;
    std::ostream* out_ = nullptr;
};

// True when a stereogram for the file out may be written while it is made:
// a BMP, at a name that is free or, with force, a regular file.
bool streamsToFile(const std::string& out, int format, bool force);

// The format code of a --format value (a writable picture format's name or
// extension, any case: bmp, jpg, jpeg, ...); 0 for anything else.
int formatByName(std::string_view name);
// A --quality value, 1 to 100; 0 for anything else.
int parseQuality(std::string_view text);

// Checks that path can be opened for reading: empty, or "No such file or
// directory" and the like (the system's reason). A folder is refused as
// "Is a directory".
std::string openProblem(const std::string& path);

// A picture as the graphics library read it.
struct PictureRead {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
    std::unique_ptr<platform::Grey16Image> grey16; // a 16-bit grey picture's own samples
};

// Reads the picture at path into picture. Returns kExitOk, or kExitInput
// after naming the file and why: the system's reason when it cannot be
// opened ("No such file or directory"), else the reader's message. With
// keepFile a large uncompressed picture may stay over its file instead of
// being copied (TGraphIO::SetKeepFile); the caller then checks
// pictureUnchanged before it trusts what it made of it.
int readPicture(const std::string& path, TerminalWindow& window, std::ostream& err, PictureRead& picture,
                bool keepFile = false);
// True when the picture read from path is still what its file held; else
// names the file and says it changed (kFileChangedMessage).
bool pictureUnchanged(const std::string& path, const platform::Bitmap& picture, std::ostream& err);

// Writes a depth picture as a 16-bit grey PNG to out, by the rules of
// writePicture ("-" is standard output). kExitOk, or kExitOutput after
// saying why.
int writeDepthPicture(const std::string& out, const platform::Grey16Image& depth, TerminalWindow& window,
                      std::ostream& err, std::ostream& standardOutput);

bool stderrIsTerminal();

} // namespace app
