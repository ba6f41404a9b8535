#include "engine/Animation.h"

#include "platform/Window.h"

#include <algorithm>
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

static AnimationResult animationImpl(const SirdsSettings& base, const AnimationPlan& plan, const FrameMaker& make,
                                     const FrameSink& sink, GenerationHost& host)
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

    FrameHost frameHost(host);
    std::int32_t width = 0, height = 0;
    platform::Palette palette;
    for (std::int32_t k = 0; k < plan.frames; ++k) {
        GenerationResult frame = make(frameSettings(base, plan, k), frameHost);
        if (frame.status == GenerationStatus::Stopped) {
            AnimationResult r;
            r.status = GenerationStatus::Stopped;
            r.frames = k;
            return r;
        }
        if (!frame.finished() || !frame.picture.bitmap) // the frame host has shown why
            return animationFailure(nullptr, frame.error.empty() ? std::string(kNoMemoryMessage) : frame.error, k);
        const platform::Bitmap& b = *frame.picture.bitmap;
        if (k == 0) {
            width = b.width();
            height = b.height();
            palette = frame.picture.palette;
        } else if (b.width() != width || b.height() != height || !(frame.picture.palette == palette)) {
            return animationFailure(&host, std::string(kFramesDifferMessage), k);
        }
        if (!sink(k, std::move(frame.picture))) {
            AnimationResult r;
            r.status = GenerationStatus::Failed;
            r.frames = k;
            return r;
        }
        record.done = k + 1;
        host.progress(kProgressStep, record);
        if (host.pumpMessages()) {
            AnimationResult r;
            r.status = GenerationStatus::Stopped;
            r.frames = k + 1;
            return r;
        }
    }
    AnimationResult r;
    r.status = GenerationStatus::Finished;
    r.frames = plan.frames;
    return r;
}

AnimationResult makeAnimation(const SirdsSettings& base, const AnimationPlan& plan, const FrameMaker& make,
                              const FrameSink& sink, GenerationHost& host)
{
    try {
        return animationImpl(base, plan, make, sink, host);
    } catch (const std::bad_alloc&) {
        return animationFailure(&host, std::string(kNoMemoryMessage), 0);
    }
}

} // namespace engine
