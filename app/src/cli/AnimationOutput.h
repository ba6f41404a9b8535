#pragma once
// dotscape make --frames, --pictures and --video: the animation options,
// their checks, and writing the frames as they are made to the animation
// file the output's name asks for (.gif, .webp, .mp4 or .webm).

#include "app/TerminalWindow.h"
#include "engine/Animation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace app {

// How the frames are written, from the output's name and the options.
struct AnimationFormat {
    enum class Kind { Gif, Webp, Mp4, Webm };
    Kind kind = Kind::Gif;
    int quality = -1; // -1: the format's default (lossless WebP, rate factor 18)
    int fpsNum = 0;   // frames a second as num / den (video files)
    int fpsDen = 1;
};

class AnimationArgs {
public:
    // True for --frames, --delay, --fps, --quality and the step options.
    static bool isOption(const std::string& option);
    // Takes one of them with its value; the refusal's text, or empty.
    std::string add(const std::string& option, const std::string& value);
    // True when any option that asks for a parameter animation was given.
    bool requested() const { return given_; }
    // --quality as given, for a single picture as for an animation.
    std::optional<std::int32_t> quality() const { return quality_; }
    // The value given with a step option, 0 when it was not given.
    std::int32_t step(const std::string& option) const;
    // The plan the options ask for, once the output name is known: --frames
    // and exactly one step option must be given, and the output must be an
    // animation format. The refusal's text, or empty.
    std::string plan(const std::string& output, engine::AnimationPlan& plan, AnimationFormat& format) const;
    // The plan of a sequence of frames (pictures, a video): no step option,
    // --frames at most takes the first N; sourceFps (num / den, 0 when
    // unknown) is the rate when neither --fps nor --delay is given.
    std::string sequencePlan(const std::string& output, std::int32_t frames, int sourceFpsNum, int sourceFpsDen,
                             engine::AnimationPlan& plan, AnimationFormat& format) const;

private:
    std::string outputFormat(const std::string& output, engine::AnimationPlan& plan, AnimationFormat& format,
                             int sourceFpsNum, int sourceFpsDen) const;

    bool given_ = false;
    std::optional<std::int32_t> frames_;
    std::optional<std::int32_t> delay_;
    std::optional<std::pair<int, int>> fps_;
    std::optional<std::int32_t> quality_;
    std::vector<std::pair<engine::AnimatedParameter, std::int32_t>> steps_;
    std::vector<std::string> stepOptions_;
};

// True once SIGINT or SIGTERM came while an animation was being written: the
// generation host's pump reports it as a stop.
bool animationStopRequested();

// Makes the frames and writes them to out as they come. Returns kExitOk,
// or kExitOutput after saying why.
int writeAnimation(const std::string& out, const engine::SirdsSettings& settings, const engine::AnimationPlan& plan,
                   const AnimationFormat& format, const engine::IndexedFrameMaker& make, engine::GenerationHost& host,
                   TerminalWindow& window, std::ostream& err);

} // namespace app
