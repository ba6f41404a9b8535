#include "engine/DepthSequence.h"

#include "pictrans/TGraphIO.h"
#include "platform/Window.h"
#include "video/DepthVideoReader.h"

#include <algorithm>
#include <filesystem>
#include <glob.h>

namespace engine {

namespace {

// The printf-style conversion of a pattern: where it stands, how long it
// is, and the digits it pads to.
struct Conversion {
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    int width = 0;
    bool zeros = false;
};

// One %d, %5d or %05d and no other per cent sign: the conversion. Otherwise
// none (at npos); bad set when there are per cent signs but not that.
Conversion findConversion(const std::string& pattern, bool& bad)
{
    Conversion c;
    bad = false;
    for (std::size_t i = pattern.find('%'); i != std::string::npos; i = pattern.find('%', i + 1)) {
        std::size_t j = i + 1;
        const bool zeros = j < pattern.size() && pattern[j] == '0';
        if (zeros)
            ++j;
        int width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100)
            width = width * 10 + (pattern[j++] - '0');
        if (j >= pattern.size() || pattern[j] != 'd' || c.at != std::string::npos || width >= 100) {
            bad = true;
            return {};
        }
        c = {i, j + 1 - i, width, zeros};
        i = j;
    }
    return c;
}

std::string numbered(const std::string& pattern, const Conversion& c, std::int32_t n)
{
    std::string digits = std::to_string(n);
    if (static_cast<int>(digits.size()) < c.width)
        digits.insert(0, static_cast<std::size_t>(c.width) - digits.size(), c.zeros ? '0' : ' ');
    return pattern.substr(0, c.at) + digits + pattern.substr(c.at + c.length);
}

bool exists(const std::string& file)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

// The first number a numbered sequence may start from is searched up to here.
constexpr std::int32_t kFirstNumberLimit = 100000;

class PictureSequence final : public DepthSequence {
public:
    explicit PictureSequence(std::vector<std::string> files) : files_(std::move(files)) {}
    std::int32_t frameCount() const override { return static_cast<std::int32_t>(files_.size()); }
    std::string frameName(std::int32_t k) const override { return files_[static_cast<std::size_t>(k)]; }
    bool read(std::int32_t k, DepthFrame& frame, std::string& error) override
    {
        const std::string& name = files_[static_cast<std::size_t>(k)];
        TGraphIO io(nullptr, nullptr);
        frame.picture = io.Read_File(name);
        if (!frame.picture) {
            error = name + " could not be read as a picture";
            return false;
        }
        frame.palette = io.GetPalette();
        frame.depth16 = io.GetGrey16();
        return true;
    }

private:
    std::vector<std::string> files_;
};

class VideoSequence final : public DepthSequence {
public:
    explicit VideoSequence(std::unique_ptr<video::DepthVideoReader> reader, std::string name)
        : reader_(std::move(reader)), name_(std::move(name)), greys_(video::DepthVideoReader::greys())
    {
    }
    std::int32_t frameCount() const override { return reader_->frameCount(); }
    std::string frameName(std::int32_t k) const override { return name_ + ": frame " + std::to_string(k + 1); }
    bool read(std::int32_t k, DepthFrame& frame, std::string& error) override
    {
        if (k != next_) {
            error = frameName(k) + " was asked for out of order";
            return false;
        }
        frame.picture = reader_->next(error);
        if (!frame.picture)
            return false;
        ++next_;
        frame.palette = std::make_unique<platform::Palette>(greys_);
        frame.depth16.reset();
        return true;
    }
    int fpsNum() const override { return reader_->fpsNum(); }
    int fpsDen() const override { return reader_->fpsDen(); }

private:
    std::unique_ptr<video::DepthVideoReader> reader_;
    std::string name_;
    platform::Palette greys_;
    std::int32_t next_ = 0;
};

} // namespace

std::vector<std::string> pictureSequenceFiles(const std::string& pattern, std::string& error)
{
    std::vector<std::string> files;
    bool bad = false;
    const Conversion c = findConversion(pattern, bad);
    if (bad) {
        error = "'" + pattern + "' must hold one whole-number conversion such as %04d, and no other %";
        return files;
    }
    if (c.at != std::string::npos) {
        std::int32_t n = 0;
        while (n < kFirstNumberLimit && !exists(numbered(pattern, c, n)))
            ++n;
        for (; n < kFirstNumberLimit + kMaxSequenceFrames && exists(numbered(pattern, c, n)); ++n) {
            files.push_back(numbered(pattern, c, n));
            if (files.size() > static_cast<std::size_t>(kMaxSequenceFrames))
                break;
        }
        if (files.empty())
            error = "no picture matches '" + pattern + "'";
        return files;
    }
    if (pattern.find_first_of("*?[") == std::string::npos) {
        error = "'" + pattern + "' names no sequence: give a numbered name such as depth_%04d.png, or a quoted "
                "pattern such as 'frames/*.png'";
        return files;
    }
    glob_t found{};
    if (::glob(pattern.c_str(), GLOB_NOSORT, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            if (exists(found.gl_pathv[i]))
                files.emplace_back(found.gl_pathv[i]);
        }
    }
    ::globfree(&found);
    std::sort(files.begin(), files.end());
    if (files.empty())
        error = "no picture matches '" + pattern + "'";
    return files;
}

std::unique_ptr<DepthSequence> openPictureSequence(const std::string& pattern, std::string& error)
{
    std::vector<std::string> files = pictureSequenceFiles(pattern, error);
    if (files.empty())
        return nullptr;
    if (files.size() > static_cast<std::size_t>(kMaxSequenceFrames)) {
        error = platform::format("'%s' matches more than %d pictures", pattern.c_str(), kMaxSequenceFrames);
        return nullptr;
    }
    return std::make_unique<PictureSequence>(std::move(files));
}

std::unique_ptr<DepthSequence> openVideoSequence(const std::string& file, double start, double duration,
                                                 std::string& error)
{
    auto reader = std::make_unique<video::DepthVideoReader>();
    error = reader->open(file, {start, duration});
    if (!error.empty())
        return nullptr;
    if (reader->frameCount() > kMaxSequenceFrames) {
        error = platform::format("%s has more than %d frames: take part of it with --start and --duration",
                                 file.c_str(), kMaxSequenceFrames);
        return nullptr;
    }
    return std::make_unique<VideoSequence>(std::move(reader), file);
}

std::string frameSizeMessage(const std::string& name, int width, int height, int firstWidth, int firstHeight)
{
    return platform::format("%s is %d x %d, not %d x %d as the first frame", name.c_str(), width, height,
                            firstWidth, firstHeight);
}

GenerationResult SequenceFrameMaker::operator()(std::int32_t k, const SirdsSettings& settings, GenerationHost& host)
{
    GenerationResult failed;
    failed.status = GenerationStatus::Failed;
    if (!sequence_.read(k, current_, failed.error)) {
        host.showError(failed.error);
        return failed;
    }
    const platform::Bitmap& picture = *current_.picture;
    if (k == 0) {
        width_ = picture.width();
        height_ = picture.height();
    } else if (picture.width() != width_ || picture.height() != height_) {
        failed.error = frameSizeMessage(sequence_.frameName(k), picture.width(), picture.height(), width_, height_);
        host.showError(failed.error);
        return failed;
    }
    const std::string title = sequence_.frameName(k);
    PictureJob job;
    job.picture = current_.picture.get();
    job.palette = current_.palette.get();
    job.depth16 = current_.depth16.get();
    job.title = title;
    return makeFromPicture(settings, job, host);
}

} // namespace engine
