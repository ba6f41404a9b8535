#include "AnimationOutput.h"

#include "app/CommandLine.h"
#include "pictrans/TGIntf.h"
#include "pictrans/TGifAnimation.h"
#include "pictrans/TWebpAnimation.h"
#include "platform/Window.h"
#include "video/VideoWriter.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <memory>
#include <ostream>

namespace app {

namespace {

struct StepOption {
    const char* name;
    engine::AnimatedParameter parameter;
};

constexpr StepOption kSteps[] = {
    {"--da-step", engine::AnimatedParameter::Angle},
    {"--dx-step", engine::AnimatedParameter::ShiftX},
    {"--dy-step", engine::AnimatedParameter::ShiftY},
    {"--z-step", engine::AnimatedParameter::Depth},
    {"--yaw-step", engine::AnimatedParameter::Camera},
    {"--pitch-step", engine::AnimatedParameter::Camera},
};

// The animation formats, by the output's name.
struct FormatRow {
    const char* suffix;
    AnimationFormat::Kind kind;
    int maxQuality;       // --quality from 0 to this; -1: no --quality
    bool video;           // a frame rate rather than a delay per frame
};

constexpr FormatRow kFormats[] = {
    {".gif", AnimationFormat::Kind::Gif, -1, false},
    {".webp", AnimationFormat::Kind::Webp, 100, false},
    {".mp4", AnimationFormat::Kind::Mp4, 51, true},
    {".webm", AnimationFormat::Kind::Webm, 63, true},
};

// The highest frame rate a video is written at.
constexpr int kMaxFps = 240;

const FormatRow* formatRow(const std::string& output)
{
    std::string lower = output;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const FormatRow& row : kFormats) {
        if (lower.ends_with(row.suffix))
            return &row;
    }
    return nullptr;
}

std::optional<std::int32_t> wholeNumber(const std::string& value)
{
    std::int32_t n = 0;
    const char* begin = value.data() + (value.starts_with('+') ? 1 : 0);
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(begin, end, n);
    if (ec != std::errc() || ptr != end || begin == end)
        return std::nullopt;
    return n;
}

// A frame rate: a whole number, a decimal (29.97) or a fraction
// (30000/1001), as num / den.
std::optional<std::pair<int, int>> frameRate(const std::string& value)
{
    if (const auto slash = value.find('/'); slash != std::string::npos) {
        const auto num = wholeNumber(value.substr(0, slash)), den = wholeNumber(value.substr(slash + 1));
        if (!num || !den || *num < 1 || *den < 1)
            return std::nullopt;
        return std::pair{*num, *den};
    }
    double f = 0;
    auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), f);
    if (ec != std::errc() || ptr != value.data() + value.size() || value.empty() || !(f > 0) || f > 1e6)
        return std::nullopt;
    return std::pair{static_cast<int>(std::llround(f * 1000)), 1000};
}

std::atomic<bool> stopRequested{false};

extern "C" void onStopSignal(int)
{
    stopRequested = true;
}

// SIGINT and SIGTERM ask for a stop while it lives.
class StopSignals {
public:
    StopSignals()
    {
        stopRequested = false;
        struct sigaction sa{};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt_);
        sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_{}, oldTerm_{};
};

// One animation file being written. begin() comes with the first frame.
class AnimationFile {
public:
    virtual ~AnimationFile() = default;
    // Whether the file may be written on a thread of its own.
    virtual bool aside() const { return true; }
    virtual std::string begin(const std::string& out, const engine::Stereogram& first) = 0;
    virtual std::string add(const engine::Stereogram& frame) = 0;
    virtual std::string finish() = 0;
};

// GIF reports its own faults to the terminal, so it stays on the thread
// that shows progress.
class GifFile final : public AnimationFile {
public:
    GifFile(TerminalWindow& window, int delayMs) : gif_(nullptr, &window), delayMs_(delayMs) {}
    bool aside() const override { return false; }
    std::string begin(const std::string& out, const engine::Stereogram& first) override
    {
        const platform::Bitmap& b = *first.bitmap;
        return gif_.Begin(out, b.width(), b.height(), b.bitsPerPixel(), first.palette, delayMs_) ? "" : kShown;
    }
    std::string add(const engine::Stereogram& frame) override { return gif_.AddFrame(*frame.bitmap) ? "" : kShown; }
    std::string finish() override { return gif_.Finish() ? "" : kShown; }
    static constexpr const char* kShown = "-";

private:
    TGifAnimation gif_;
    int delayMs_;
};

class WebpFile final : public AnimationFile {
public:
    WebpFile(int delayMs, int quality) : delayMs_(delayMs), quality_(quality) {}
    std::string begin(const std::string& out, const engine::Stereogram& first) override
    {
        return webp_.Begin(out, first.bitmap->width(), first.bitmap->height(), delayMs_,
                           quality_ < 0 ? TWebpAnimation::kLossless : quality_);
    }
    std::string add(const engine::Stereogram& frame) override { return webp_.AddFrame(*frame.bitmap, frame.palette); }
    std::string finish() override { return webp_.Finish(); }

private:
    TWebpAnimation webp_;
    int delayMs_, quality_;
};

class VideoFile final : public AnimationFile {
public:
    explicit VideoFile(video::VideoSettings settings) : settings_(settings) {}
    std::string begin(const std::string& out, const engine::Stereogram& first) override
    {
        settings_.width = first.bitmap->width();
        settings_.height = first.bitmap->height();
        return writer_.open(out, settings_);
    }
    std::string add(const engine::Stereogram& frame) override { return writer_.addFrame(*frame.bitmap, frame.palette); }
    std::string finish() override { return writer_.finish(); }

private:
    video::VideoSettings settings_;
    video::VideoWriter writer_;
};

std::unique_ptr<AnimationFile> animationFile(const AnimationFormat& format, const engine::AnimationPlan& plan,
                                             TerminalWindow& window)
{
    video::VideoSettings v;
    v.fpsNum = format.fpsNum;
    v.fpsDen = format.fpsDen;
    v.quality = format.quality < 0 ? video::kDefaultQuality : format.quality;
    switch (format.kind) {
    case AnimationFormat::Kind::Gif:
        return std::make_unique<GifFile>(window, plan.delayMs);
    case AnimationFormat::Kind::Webp:
        return std::make_unique<WebpFile>(plan.delayMs, format.quality);
    case AnimationFormat::Kind::Mp4:
        v.codec = video::Codec::H264;
        break;
    case AnimationFormat::Kind::Webm:
        v.codec = video::Codec::VP9;
        break;
    }
    return std::make_unique<VideoFile>(v);
}

} // namespace

std::int32_t AnimationArgs::step(const std::string& option) const
{
    for (std::size_t i = 0; i < steps_.size(); ++i)
        if (stepOptions_[i] == option)
            return steps_[i].second;
    return 0;
}

bool animationStopRequested()
{
    return stopRequested;
}

bool AnimationArgs::isOption(const std::string& option)
{
    if (option == "--frames" || option == "--delay" || option == "--fps" || option == "--quality")
        return true;
    for (const auto& s : kSteps) {
        if (option == s.name)
            return true;
    }
    return false;
}

std::string AnimationArgs::add(const std::string& option, const std::string& value)
{
    // --quality alone is also the quality of a single picture.
    given_ = given_ || option != "--quality";
    if (option == "--fps") {
        fps_ = frameRate(value);
        if (!fps_)
            return "--fps takes a frame rate such as 25, 29.97 or 30000/1001, not '" + value + "'";
        return {};
    }
    const auto n = wholeNumber(value);
    if (!n)
        return option + " takes a whole number, not '" + value + "'";
    if (option == "--quality") {
        quality_ = *n;
        return {};
    }
    if (option == "--frames") {
        frames_ = *n;
        return {};
    }
    if (option == "--delay") {
        delay_ = *n;
        return {};
    }
    for (const auto& s : kSteps) {
        if (option == s.name) {
            steps_.emplace_back(s.parameter, *n);
            stepOptions_.push_back(option);
            return {};
        }
    }
    return "unknown option '" + option + "'";
}

std::string AnimationArgs::outputFormat(const std::string& output, engine::AnimationPlan& plan,
                                        AnimationFormat& format, int sourceFpsNum, int sourceFpsDen) const
{
    const FormatRow* row = formatRow(output);
    if (!row)
        return "an animation is written as .gif, .webp, .mp4 or .webm: give an output name ending in one of "
               "them, not '" + output + "'";
    format = {};
    format.kind = row->kind;
    if (quality_) {
        if (row->maxQuality < 0)
            return std::string("--quality is for .webp, .mp4 and .webm animations, not ") + row->suffix;
        if (*quality_ < 0 || *quality_ > row->maxQuality)
            return std::string("--quality for ") + row->suffix + " must be between 0 and " +
                   std::to_string(row->maxQuality);
        format.quality = *quality_;
    }
    if (fps_ && delay_)
        return "give --fps or --delay, not both";
    std::pair<int, int> rate{1000, delay_.value_or(engine::kDefaultDelayMs)};
    if (fps_)
        rate = *fps_;
    else if (!delay_ && sourceFpsNum > 0 && sourceFpsDen > 0)
        rate = {sourceFpsNum, sourceFpsDen};
    if (static_cast<double>(rate.first) / rate.second > kMaxFps)
        return "--fps must be at most " + std::to_string(kMaxFps);
    format.fpsNum = rate.first;
    format.fpsDen = rate.second;
    const double ms = 1000.0 * rate.second / rate.first;
    plan.delayMs = delay_ ? *delay_ : static_cast<std::int32_t>(std::min(std::llround(ms), 100000000LL));
    // Pictures store a delay per frame; videos a rate, any delay the rate allows.
    if (row->video && plan.delayMs < engine::kMinDelayMs)
        plan.delayMs = engine::kMinDelayMs;
    if (!row->video && (plan.delayMs < engine::kMinDelayMs || plan.delayMs > engine::kMaxDelayMs))
        return platform::format("%s must be between %d and %d (milliseconds)", fps_ ? "1000 / --fps" : "--delay",
                                engine::kMinDelayMs, engine::kMaxDelayMs);
    return {};
}

std::string AnimationArgs::plan(const std::string& output, engine::AnimationPlan& plan, AnimationFormat& format) const
{
    if (!frames_)
        return "an animation needs --frames N (2 to 360) with one of --da-step, --dx-step, --dy-step or --z-step";
    if (steps_.empty())
        return "--frames needs one parameter to change: --da-step, --dx-step, --dy-step or --z-step";
    const bool camera = std::ranges::all_of(steps_, [](const auto& st) { return st.first == engine::AnimatedParameter::Camera; });
    if (steps_.size() > 1 && !(camera && steps_.size() == 2 && stepOptions_[0] != stepOptions_[1]))
        return "give one of --da-step, --dx-step, --dy-step and --z-step, not " + stepOptions_[0] + " and " +
               stepOptions_[1];
    plan.frames = *frames_;
    if (camera)
        plan.step = 0; // the camera's steps are read with step()
    plan.parameter = steps_[0].first;
    if (!camera)
        plan.step = steps_[0].second;
    return outputFormat(output, plan, format, 0, 1);
}

std::string AnimationArgs::sequencePlan(const std::string& output, std::int32_t frames, int sourceFpsNum,
                                        int sourceFpsDen, engine::AnimationPlan& plan, AnimationFormat& format) const
{
    if (!stepOptions_.empty())
        return stepOptions_[0] + " changes one stereogram from frame to frame; a sequence's frames change by "
                                 "themselves";
    if (frames_ && *frames_ < 1)
        return "--frames must be at least 1";
    plan.frames = frames_ ? std::min(*frames_, frames) : frames;
    plan.parameter = engine::AnimatedParameter::Depth;
    plan.step = 0;
    return outputFormat(output, plan, format, sourceFpsNum, sourceFpsDen);
}

int writeAnimation(const std::string& out, const engine::SirdsSettings& settings, const engine::AnimationPlan& plan,
                   const AnimationFormat& format, const engine::IndexedFrameMaker& make, engine::GenerationHost& host,
                   TerminalWindow& window, std::ostream& err)
{
    {
        TGIntf asker(nullptr, &window);
        if (!asker.OverwriteOk(out)) {
            window.endProgress();
            if (window.declined())
                err << "dotscape: " << out << " exists and was not overwritten (use --force)\n";
            return kExitOutput;
        }
    }
    // Video support is a module of its own: missing, it is told before any frame is made.
    if (format.kind == AnimationFormat::Kind::Mp4 || format.kind == AnimationFormat::Kind::Webm) {
        if (const std::string missing = video::supportMissing(); !missing.empty()) {
            window.endProgress();
            err << "dotscape: " << missing << "; " << out << " was not written\n";
            return kExitOutput;
        }
    }
    std::unique_ptr<AnimationFile> file = animationFile(format, plan, window);
    std::string problem;
    const engine::FrameSink sink = [&](std::int32_t k, engine::Stereogram&& frame) {
        if (k == 0)
            problem = file->begin(out, frame);
        if (problem.empty())
            problem = file->add(frame);
        return problem.empty();
    };
    const StopSignals signals;
    engine::AnimationOptions options;
    options.sinkAside = file->aside();
    const engine::AnimationResult result = engine::makeAnimation(settings, plan, make, sink, host, options);
    if (result.finished() && problem.empty())
        problem = file->finish();
    window.endProgress();
    if (result.finished() && problem.empty())
        return kExitOk;
    file.reset(); // the temporary goes with it
    if (result.status == engine::GenerationStatus::Stopped)
        err << "dotscape: the animation was stopped; nothing was written\n";
    else if (!problem.empty() && problem != GifFile::kShown)
        err << "dotscape: " << problem << "; " << out << " was not written\n";
    else
        err << "dotscape: " << out << " was not written\n";
    return kExitOutput;
}

} // namespace app
