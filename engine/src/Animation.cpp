#include "engine/Animation.h"

#include "platform/Window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <limits>
#include <new>
#include <optional>

namespace engine {

std::int32_t wrapAngle(std::int64_t degrees)
{
    if (degrees >= -kMaxAngle && degrees <= kMaxAngle)
        return static_cast<std::int32_t>(degrees);
    std::int64_t a = degrees % 360; // −359 … 359
    if (a > kMaxAngle)
        a -= 360;
    else if (a < -kMaxAngle)
        a += 360;
    return static_cast<std::int32_t>(a);
}

namespace {

// The animated value of frame k before it is stored, so that the checker
// can see a value beyond the 32-bit range.
std::int64_t frameValue(const SirdsSettings& base, const AnimationPlan& plan, std::int32_t k)
{
    const std::int64_t advance = static_cast<std::int64_t>(k) * plan.step;
    switch (plan.parameter) {
    case AnimatedParameter::Angle:
        return wrapAngle(base.da + advance);
    case AnimatedParameter::ShiftX:
        return base.dx + advance;
    case AnimatedParameter::ShiftY:
        return base.dy + advance;
    case AnimatedParameter::Depth:
        return base.zmax + advance;
    case AnimatedParameter::Camera:
        break;
    }
    return 0;
}

std::int32_t& field(SirdsSettings& s, AnimatedParameter p)
{
    switch (p) {
    case AnimatedParameter::Angle:
        return s.da;
    case AnimatedParameter::ShiftX:
        return s.dx;
    case AnimatedParameter::ShiftY:
        return s.dy;
    case AnimatedParameter::Depth:
    case AnimatedParameter::Camera:
        break;
    }
    return s.zmax;
}

std::string_view stepName(AnimatedParameter p, const AnimationOptionNames& names)
{
    switch (p) {
    case AnimatedParameter::Angle:
        return names.angleStep;
    case AnimatedParameter::ShiftX:
        return names.shiftXStep;
    case AnimatedParameter::ShiftY:
        return names.shiftYStep;
    case AnimatedParameter::Camera:
        return names.cameraStep;
    case AnimatedParameter::Depth:
        break;
    }
    return names.depthStep;
}

std::string_view fieldName(AnimatedParameter p, const SettingsOptionNames& names)
{
    switch (p) {
    case AnimatedParameter::Angle:
        return names.da;
    case AnimatedParameter::ShiftX:
        return names.dx;
    case AnimatedParameter::ShiftY:
        return names.dy;
    case AnimatedParameter::Depth:
    case AnimatedParameter::Camera:
        break;
    }
    return names.zmax;
}

std::string str(std::string_view v)
{
    return std::string(v);
}

// The frames' own reports stay inside; the pattern is the one the outer
// host gave for the first frame; pumping, captions and errors go out.
class FrameHost final : public GenerationHost {
public:
    explicit FrameHost(GenerationHost& outer) : outer_(outer) {}

    void progress(int, const ProgressRecord&) override {}
    PatternRef pattern() override
    {
        if (!pattern_)
            pattern_ = outer_.pattern();
        return *pattern_;
    }
    bool pumpMessages() override { return outer_.pumpMessages(); }
    void drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y, std::string_view text,
                  Rgb colour) override
    {
        outer_.drawText(image, palette, x, y, text, colour);
    }
    void showError(std::string_view message) override { outer_.showError(message); }
    void beep() override { outer_.beep(); }

private:
    GenerationHost& outer_;
    std::optional<PatternRef> pattern_;
};

AnimationResult animationFailure(GenerationHost* host, std::string message, std::int32_t frames)
{
    if (host)
        host->showError(message);
    AnimationResult r;
    r.status = GenerationStatus::Failed;
    r.error = std::move(message);
    r.frames = frames;
    return r;
}

} // namespace

SirdsSettings frameSettings(const SirdsSettings& base, const AnimationPlan& plan, std::int32_t k)
{
    SirdsSettings s = base;
    if (plan.parameter == AnimatedParameter::Camera)
        return s;
    const std::int64_t v = frameValue(base, plan, k);
    field(s, plan.parameter) = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return s;
}

std::string checkAnimation(const SirdsSettings& base, const AnimationPlan& plan, bool figureSource,
                           const SettingsOptionNames& names, const AnimationOptionNames& animationNames)
{
    if (plan.frames < kMinFrames || plan.frames > kMaxFrames)
        return platform::format("%s must be between %d and %d", str(animationNames.frames).c_str(), kMinFrames,
                                kMaxFrames);
    if (plan.delayMs < kMinDelayMs || plan.delayMs > kMaxDelayMs)
        return platform::format("%s must be between %d and %d (milliseconds)", str(animationNames.delay).c_str(),
                                kMinDelayMs, kMaxDelayMs);
    const std::string step = str(stepName(plan.parameter, animationNames));
    if (figureSource && plan.parameter == AnimatedParameter::Camera)
        return step + " turns a model; give --model FILE";
    if (plan.parameter == AnimatedParameter::Camera)
        return checkSettings(base, names);
    if (!figureSource && plan.parameter != AnimatedParameter::Depth)
        return step + " moves a math figure; other sources can only change the depth (" +
               str(animationNames.depthStep) + ")";
    if (std::string problem = checkSettings(base, names); !problem.empty())
        return problem;
    for (std::int32_t k = 1; k < plan.frames; ++k) {
        const std::int64_t v = frameValue(base, plan, k);
        std::string problem;
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            problem = "the value is beyond the range of whole numbers";
        else
            problem = checkSettings(frameSettings(base, plan, k), names);
        if (!problem.empty())
            return platform::format("%s %d takes %s to %lld at frame %d of %d: ", step.c_str(), plan.step,
                                    str(fieldName(plan.parameter, names)).c_str(), static_cast<long long>(v), k + 1,
                                    plan.frames) +
                   problem;
    }
    return {};
}

std::string animationProgressText(std::int32_t done, std::int32_t total, double elapsedSeconds)
{
    std::string text = "Making Animation";
    if (done < 1 || total < 1 || !(elapsedSeconds >= 0))
        return text;
    const double left = elapsedSeconds / done * std::max(total - done, 0);
    const long long seconds = std::llround(std::min(left, 359999.0));
    if (seconds >= 3600)
        text += platform::format(" %d/%d %lld:%02lld:%02lld left", done, total, seconds / 3600, seconds / 60 % 60,
                                 seconds % 60);
    else
        text += platform::format(" %d/%d %lld:%02lld left", done, total, seconds / 60, seconds % 60);
    return text;
}

std::string checkSequence(const SirdsSettings& base, std::int32_t frames, const SettingsOptionNames& names)
{
    if (frames < 1 || frames > kMaxSequenceFrames)
        return platform::format("a sequence must have from 1 to %d frames, not %d", kMaxSequenceFrames, frames);
    return checkSettings(base, names);
}

namespace {

// Runs the sink on a thread of its own, frames waiting for it in order.
class AsideSink {
public:
    explicit AsideSink(const FrameSink& sink) : sink_(sink), thread_([this] { run(); }) {}
    ~AsideSink() { close(); }

    // Waits while the queue is full; false once the sink has failed.
    bool push(std::int32_t k, Stereogram&& frame)
    {
        std::unique_lock lock(mutex_);
        space_.wait(lock, [&] { return queue_.size() < kFramesAside || failed_; });
        if (failed_)
            return false;
        queue_.emplace_back(k, std::move(frame));
        ready_.notify_one();
        return true;
    }
    // Lets the sink take what is waiting (or drops it) and waits for it to
    // end; true when it took every frame.
    bool close(bool drop = false)
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            if (drop)
                queue_.clear();
            ready_.notify_one();
        }
        if (thread_.joinable())
            thread_.join();
        return !failed_;
    }

private:
    void run()
    {
        for (;;) {
            std::pair<std::int32_t, Stereogram> item;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !queue_.empty() || closed_; });
                if (queue_.empty())
                    return;
                item = std::move(queue_.front());
                queue_.pop_front();
            }
            bool ok = false;
            try {
                ok = sink_(item.first, std::move(item.second));
            } catch (const std::bad_alloc&) {
            }
            if (!ok) {
                std::lock_guard lock(mutex_);
                failed_ = true;
                queue_.clear();
                space_.notify_all();
                return;
            }
            std::lock_guard lock(mutex_);
            space_.notify_all();
        }
    }

    const FrameSink& sink_;
    std::mutex mutex_;
    std::condition_variable ready_, space_;
    std::deque<std::pair<std::int32_t, Stereogram>> queue_;
    bool closed_ = false;
    bool failed_ = false;
    std::thread thread_;
};

AnimationResult ended(GenerationStatus status, std::int32_t frames)
{
    AnimationResult r;
    r.status = status;
    r.frames = frames;
    return r;
}

} // namespace

static AnimationResult animationImpl(const SirdsSettings& base, const AnimationPlan& plan,
                                     const IndexedFrameMaker& make, const FrameSink& sink, GenerationHost& host,
                                     const AnimationOptions& options)
{
    ProgressRecord record;
    record.setText("Making Animation");
    record.done = 0;
    record.total = plan.frames;
    host.progress(kProgressStart, record);
    struct EndGuard {
        GenerationHost& host;
        ProgressRecord& record;
        ~EndGuard() { host.progress(kProgressEnd, record); }
    } end{host, record};
    host.progress(kProgressText, record);

    std::optional<AsideSink> aside;
    if (options.sinkAside)
        aside.emplace(sink);
    const auto began = std::chrono::steady_clock::now();
    FrameHost frameHost(host);
    std::int32_t width = 0, height = 0;
    platform::Palette palette;
    for (std::int32_t k = 0; k < plan.frames; ++k) {
        GenerationResult frame = make(k, frameSettings(base, plan, k), frameHost);
        if (frame.status == GenerationStatus::Stopped) {
            if (aside)
                aside->close(true);
            return ended(GenerationStatus::Stopped, k);
        }
        if (!frame.finished() || !frame.picture.bitmap) { // the frame host has shown why
            if (aside)
                aside->close(true);
            return animationFailure(nullptr, frame.error.empty() ? std::string(kNoMemoryMessage) : frame.error, k);
        }
        const platform::Bitmap& b = *frame.picture.bitmap;
        if (k == 0) {
            width = b.width();
            height = b.height();
            palette = frame.picture.palette;
        } else if (b.width() != width || b.height() != height || !(frame.picture.palette == palette)) {
            if (aside)
                aside->close(true);
            return animationFailure(&host, std::string(kFramesDifferMessage), k);
        }
        if (!(aside ? aside->push(k, std::move(frame.picture)) : sink(k, std::move(frame.picture)))) {
            if (aside)
                aside->close(true);
            return ended(GenerationStatus::Failed, k);
        }
        record.done = k + 1;
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - began;
        record.setText(animationProgressText(k + 1, plan.frames, elapsed.count()));
        host.progress(kProgressStep, record);
        if (host.pumpMessages()) {
            if (aside)
                aside->close(true);
            return ended(GenerationStatus::Stopped, k + 1);
        }
    }
    if (aside && !aside->close())
        return ended(GenerationStatus::Failed, plan.frames);
    return ended(GenerationStatus::Finished, plan.frames);
}

AnimationResult makeAnimation(const SirdsSettings& base, const AnimationPlan& plan, const IndexedFrameMaker& make,
                              const FrameSink& sink, GenerationHost& host, const AnimationOptions& options)
{
    try {
        return animationImpl(base, plan, make, sink, host, options);
    } catch (const std::bad_alloc&) {
        return animationFailure(&host, std::string(kNoMemoryMessage), 0);
    }
}

AnimationResult makeAnimation(const SirdsSettings& base, const AnimationPlan& plan, const FrameMaker& make,
                              const FrameSink& sink, GenerationHost& host)
{
    const IndexedFrameMaker indexed = [&](std::int32_t, const SirdsSettings& s, GenerationHost& h) {
        return make(s, h);
    };
    return makeAnimation(base, plan, indexed, sink, host);
}

} // namespace engine
