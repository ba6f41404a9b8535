#include "AnimationOutput.h"

#include "app/CommandLine.h"
#include "app/FileKinds.h"
#include "pictrans/TGifAnimation.h"
#include "pictrans/TGraphIO.h"

#include <algorithm>
#include <charconv>
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

} // namespace

std::int32_t AnimationArgs::step(const std::string& option) const
{
    for (std::size_t i = 0; i < steps_.size(); ++i)
        if (stepOptions_[i] == option)
            return steps_[i].second;
    return 0;
}

bool AnimationArgs::isOption(const std::string& option)
{
    if (option == "--frames" || option == "--delay")
        return true;
    for (const auto& s : kSteps) {
        if (option == s.name)
            return true;
    }
    return false;
}

std::string AnimationArgs::add(const std::string& option, const std::string& value)
{
    const auto n = wholeNumber(value);
    if (!n)
        return option + " takes a whole number, not '" + value + "'";
    given_ = true;
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

std::string AnimationArgs::plan(const std::string& output, engine::AnimationPlan& plan) const
{
    if (!frames_)
        return "an animation needs --frames N (2 to 360) with one of --da-step, --dx-step, --dy-step or --z-step";
    if (steps_.empty())
        return "--frames needs one parameter to change: --da-step, --dx-step, --dy-step or --z-step";
    const bool camera = std::ranges::all_of(steps_, [](const auto& st) { return st.first == engine::AnimatedParameter::Camera; });
    if (steps_.size() > 1 && !(camera && steps_.size() == 2 && stepOptions_[0] != stepOptions_[1]))
        return "give one of --da-step, --dx-step, --dy-step and --z-step, not " + stepOptions_[0] + " and " +
               stepOptions_[1];
    if (formatForSaveName(output) != GFORMAT_GIF)
        return "--frames writes an animated GIF: give an output name ending in .gif, not '" + output + "'";
    plan.frames = *frames_;
    if (camera)
        plan.step = 0; // the camera's steps are read with step()
    plan.parameter = steps_[0].first;
    if (!camera)
        plan.step = steps_[0].second;
    plan.delayMs = delay_.value_or(engine::kDefaultDelayMs);
    return {};
}

int writeAnimation(const std::string& out, const engine::SirdsSettings& settings, const engine::AnimationPlan& plan,
                   const engine::FrameMaker& make, engine::GenerationHost& host, TerminalWindow& window,
                   std::ostream& err)
{
    TGifAnimation gif(nullptr, &window);
    bool begun = false;
    const engine::FrameSink sink = [&](std::int32_t, engine::Stereogram&& frame) {
        const platform::Bitmap& b = *frame.bitmap;
        if (!begun) {
            if (!gif.Begin(out, b.width(), b.height(), b.bitsPerPixel(), frame.palette, plan.delayMs))
                return false;
            begun = true;
        }
        return gif.AddFrame(b) != 0;
    };
    const engine::AnimationResult result = engine::makeAnimation(settings, plan, make, sink, host);
    window.endProgress();
    if (result.finished() && gif.Finish())
        return kExitOk;
    window.endProgress();
    if (result.status == engine::GenerationStatus::Stopped)
        err << "dotscape: the animation was stopped; nothing was written\n";
    else if (window.declined())
        err << "dotscape: " << out << " exists and was not overwritten (use --force)\n";
    else
        err << "dotscape: " << out << " was not written\n";
    return kExitOutput;
}

} // namespace app
