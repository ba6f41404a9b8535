#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "app/FileKinds.h"
#include "app/SavedPicture.h"
#include "pictrans/GraphicFormats.h"
#include "pictrans/Stream.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGraphIO.h"
#include "pictrans/TPngIntf.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <ostream>
#include <span>
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

// What a writer writes, kept as pieces: copies of what it writes from its
// own buffers, and where it writes runs of the picture's rows as they
// stand, only where they are (the picture outlives the writing), so a
// large picture is not copied once more before it goes out. A seek back
// rewrites the pieces in place.
class PieceOutStream final : public OutStream {
public:
    explicit PieceOutStream(std::span<const std::uint8_t> picture) : picture_(picture) {}

    bool write(const void* data, std::size_t n) override
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (n > 0 && pos_ < size_) { // over what was written before
            Piece& piece = pieceAt(pos_);
            if (piece.shared) {
                piece.own.assign(piece.shared, piece.shared + piece.size);
                piece.shared = nullptr;
            }
            const std::size_t offset = pos_ - piece.at;
            const std::size_t k = std::min(n, piece.size - offset);
            std::memcpy(piece.own.data() + offset, bytes, k);
            bytes += k;
            n -= k;
            pos_ += k;
        }
        if (n == 0)
            return true;
        const bool inPicture = !picture_.empty() && bytes >= picture_.data() && n <= picture_.size() &&
                               static_cast<std::size_t>(bytes - picture_.data()) <= picture_.size() - n;
        if (inPicture && n >= kShareFrom) {
            pieces_.push_back({size_, bytes, {}, n});
        } else if (!pieces_.empty() && !pieces_.back().shared) {
            pieces_.back().own.insert(pieces_.back().own.end(), bytes, bytes + n);
            pieces_.back().size += n;
        } else {
            pieces_.push_back({size_, nullptr, std::vector<std::uint8_t>(bytes, bytes + n), n});
        }
        size_ += n;
        pos_ = size_;
        return true;
    }
    std::size_t tell() const override { return pos_; }
    bool seek(std::size_t offset) override
    {
        if (offset > size_)
            return false;
        pos_ = offset;
        return true;
    }
    // Writes every piece in order to out.
    bool sendTo(std::ostream& out) const
    {
        for (const Piece& piece : pieces_) {
            const std::uint8_t* bytes = piece.shared ? piece.shared : piece.own.data();
            out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(piece.size));
        }
        out.flush();
        return out.good();
    }

private:
    static constexpr std::size_t kShareFrom = 4096;
    struct Piece {
        std::size_t at;               // offset in the stream
        const std::uint8_t* shared;   // the picture's own bytes, or null
        std::vector<std::uint8_t> own; // a copy, when shared is null
        std::size_t size;
    };
    Piece& pieceAt(std::size_t offset)
    {
        auto it = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                                   [](std::size_t o, const Piece& p) { return o < p.at; });
        return *(it - 1);
    }

    std::span<const std::uint8_t> picture_;
    std::vector<Piece> pieces_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
};

// Forward writes to an ostream; a seek may only stay where the stream is.
class ForwardOutStream final : public OutStream {
public:
    explicit ForwardOutStream(std::ostream& out) : out_(out) {}
    bool write(const void* data, std::size_t n) override
    {
        out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
        pos_ += n;
        error_ = error_ || !out_.good();
        return !error_;
    }
    std::size_t tell() const override { return pos_; }
    bool seek(std::size_t offset) override { return offset == pos_; }

private:
    std::ostream& out_;
    std::size_t pos_ = 0;
};

// A BMP is written out from the picture's rows as they stand, headers in front.
int writeBmpToStandardOutput(const platform::Bitmap& picture, const platform::Palette* palette,
                             TerminalWindow& window, std::ostream& err, std::ostream& standardOutput)
{
    PieceOutStream bytes(picture.bits());
    TBmpIntf bmp(&window, &window);
    if (!bmp.WriteStream(bytes, picture.description(), &picture, palette)) {
        window.endProgress();
        err << "dotscape: the picture was not written to standard output\n";
        return kExitOutput;
    }
    bytes.sendTo(standardOutput);
    if (!standardOutput.good()) {
        err << "dotscape: standard output could not take the picture\n";
        return kExitOutput;
    }
    return kExitOk;
}

// The writers seek back to fill in their headers, which a pipe cannot do,
// so a picture for standard output is written to a private folder first and
// then copied out (a BMP is made in memory instead, above). write writes
// the file it is given, true when it did.
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

BmpStreamSink::BmpStreamSink(TerminalWindow& window, std::ostream& out)
    : window_(window), stream_(std::make_unique<ForwardOutStream>(out)), out_(&out)
{
}

BmpStreamSink::BmpStreamSink(TerminalWindow& window, std::unique_ptr<platform::SafeFile> file)
    : window_(window), file_(std::move(file))
{
}

BmpStreamSink::~BmpStreamSink() = default;

std::unique_ptr<BmpStreamSink> BmpStreamSink::toFile(TerminalWindow& window, const std::string& file)
{
    return std::unique_ptr<BmpStreamSink>(new BmpStreamSink(window, std::make_unique<platform::SafeFile>(file)));
}

bool BmpStreamSink::begin(std::int32_t width, std::int32_t height, int bitsPerPixel, const platform::Palette& palette)
{
    // The temporary is made only for a picture that streams.
    if (file_) {
        if (!file_->open())
            return false;
        stream_ = std::make_unique<FileOutStream>(file_->stream());
    }
    TBmpIntf bmp(&window_, &window_);
    return bmp.WriteHeader(*stream_, width, height, bitsPerPixel, &palette) != 0;
}

bool BmpStreamSink::rows(const std::uint8_t* bits, std::size_t stride, std::int32_t count)
{
    return stream_->write(bits, stride * static_cast<std::size_t>(count));
}

bool BmpStreamSink::finish()
{
    if (file_)
        return stream_ && !stream_->error() && file_->commit();
    out_->flush();
    return !stream_->error() && out_->good();
}

bool streamsToFile(const std::string& out, int format, bool force)
{
    if (out == "-" || (format ? format : formatForSaveName(out)) != GFORMAT_BMP)
        return false;
    // A folder that takes no file is left to the writer that says so.
    const std::filesystem::path parent = std::filesystem::path(out).parent_path();
    if (::access(parent.empty() ? "." : parent.c_str(), W_OK) != 0)
        return false;
    struct stat st{};
    if (::stat(out.c_str(), &st) != 0)
        return errno == ENOENT;
    return force && S_ISREG(st.st_mode);
}

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
    if (out == "-" && format == GFORMAT_BMP)
        return writeBmpToStandardOutput(picture, palette, window, err, standardOutput);
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

int readPicture(const std::string& path, TerminalWindow& window, std::ostream& err, PictureRead& picture,
                bool keepFile)
{
    if (const std::string problem = openProblem(path); !problem.empty()) {
        err << "dotscape: " << path << " could not be read: " << problem << '\n';
        return kExitInput;
    }
    TGraphIO io(&window, &window);
    io.SetKeepFile(keepFile);
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

bool pictureUnchanged(const std::string& path, const platform::Bitmap& picture, std::ostream& err)
{
    if (!picture.sourceChanged())
        return true;
    err << "dotscape: " << path << ": " << platform::kFileChangedMessage << '\n';
    return false;
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
