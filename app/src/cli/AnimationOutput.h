#pragma once
// dotscape make --frames: the animation options, their checks, and writing
// the frames as one looping animated GIF.

#include "app/TerminalWindow.h"
#include "engine/Animation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace app {

class AnimationArgs {
public:
    // True for --frames, --delay and the step options.
    static bool isOption(const std::string& option);
    // Takes one of them with its value; the refusal's text, or empty.
    std::string add(const std::string& option, const std::string& value);
    // True when any animation option was given.
    bool requested() const { return given_; }
    // The value given with a step option, 0 when it was not given.
    std::int32_t step(const std::string& option) const;
    // The plan the options ask for, once the output name is known: --frames
    // and exactly one step option must be given, and the output must be a
    // GIF. The refusal's text, or empty.
    std::string plan(const std::string& output, engine::AnimationPlan& plan) const;

private:
    bool given_ = false;
    std::optional<std::int32_t> frames_;
    std::optional<std::int32_t> delay_;
    std::vector<std::pair<engine::AnimatedParameter, std::int32_t>> steps_;
    std::vector<std::string> stepOptions_;
};

// Makes the frames and writes them to out as they come. Returns kExitOk,
// or kExitOutput after saying why.
int writeAnimation(const std::string& out, const engine::SirdsSettings& settings, const engine::AnimationPlan& plan,
                   const engine::FrameMaker& make, engine::GenerationHost& host, TerminalWindow& window,
                   std::ostream& err);

} // namespace app
