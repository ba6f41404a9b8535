#pragma once
// Animated stereograms: a run of stereograms of one source with the same
// settings and pattern, one parameter changing by the same step from frame
// to frame. Frame k (counted from 0) is exactly the stereogram the single
// generation makes with frame k's settings, so frames differ only where the
// depth differs: rows whose depth is unchanged come out unchanged, with the
// same pattern tiling behind every frame.
//
// The driver hands each finished frame to a sink as soon as it is made (a
// GIF writer, or a list kept for a player), so a long animation of large
// frames need not be held in memory. Progress counts frames; stopping works
// between bands as in a single generation.

#include "engine/Generation.h"
#include "engine/SirdsSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace engine {

enum class AnimatedParameter {
    Angle,  // da, wrapped within −180 … 180 (math figures)
    ShiftX, // dx (math figures)
    ShiftY, // dy (math figures)
    Depth,  // zmax, the far end of the depth resolution (every source)
    Camera, // a model's camera turns (yaw and pitch steps); the settings stay as they are
};

inline constexpr std::int32_t kMinFrames = 2;
inline constexpr std::int32_t kMaxFrames = 360;
// A sequence of depth pictures or a depth video may run longer: its frames
// are encoded as they are made.
inline constexpr std::int32_t kMaxSequenceFrames = 100000;
inline constexpr std::int32_t kDefaultDelayMs = 80;
inline constexpr std::int32_t kMinDelayMs = 20;
inline constexpr std::int32_t kMaxDelayMs = 655350;

struct AnimationPlan {
    std::int32_t frames = 12;
    AnimatedParameter parameter = AnimatedParameter::Angle;
    std::int32_t step = 30;
    std::int32_t delayMs = kDefaultDelayMs; // how long each frame shows
};

// An angle in degrees brought within −180 … 180 by whole turns; angles
// already inside stay as they are (so 180 stays 180, and 210 becomes −150).
std::int32_t wrapAngle(std::int64_t degrees);

// The settings of frame k: base with the animated parameter advanced by
// k × step (the angle wrapped). The other fields are base's.
SirdsSettings frameSettings(const SirdsSettings& base, const AnimationPlan& plan, std::int32_t k);

// Option names used in the checker's messages.
struct AnimationOptionNames {
    std::string_view frames = "--frames";
    std::string_view delay = "--delay";
    std::string_view angleStep = "--da-step";
    std::string_view shiftXStep = "--dx-step";
    std::string_view shiftYStep = "--dy-step";
    std::string_view depthStep = "--z-step";
    std::string_view cameraStep = "--yaw-step";
};

// Refuses a plan that cannot be made, with a message naming the option:
// a frame count outside 2 … 360, a delay outside 20 … 655350 ms, a shift or
// angle step for a source that is not a math figure, a camera step for a
// math figure (the caller sees that the source is a model), or any frame whose
// settings checkSettings refuses (named by frame, 1 to N). Frame 1 is base
// itself, so a refusal of base is its plain message. Empty when usable.
std::string checkAnimation(const SirdsSettings& base, const AnimationPlan& plan, bool figureSource,
                           const SettingsOptionNames& names = {},
                           const AnimationOptionNames& animationNames = {});

// Makes one frame from its settings (makeFromFigure, makeFromPicture or
// makeFromDepthMap over the same source), reporting to host.
using FrameMaker = std::function<GenerationResult(const SirdsSettings& settings, GenerationHost& host)>;
// Makes frame k from its settings: a source whose depth changes from frame
// to frame (a sequence of depth pictures, a depth video) reads frame k's.
using IndexedFrameMaker =
    std::function<GenerationResult(std::int32_t k, const SirdsSettings& settings, GenerationHost& host)>;
// Takes frame k, in order from 0. False stops the animation as failed; the
// sink has said why.
using FrameSink = std::function<bool(std::int32_t k, Stereogram&& frame)>;

struct AnimationOptions {
    // The sink runs on a thread of its own and encodes frame k while frame
    // k + 1 is made, at most kFramesAside frames waiting for it. Such a sink
    // must not call the host; when it fails it keeps its reason for the
    // caller.
    bool sinkAside = false;
};
inline constexpr std::size_t kFramesAside = 2;

struct AnimationResult {
    GenerationStatus status = GenerationStatus::Failed;
    std::int32_t frames = 0; // frames handed to the sink
    std::string error;       // only when failed

    bool finished() const { return status == GenerationStatus::Finished; }
};

// Messages of refused animations.
inline constexpr std::string_view kFramesDifferMessage =
    "The frames of the animation came out in different sizes or colours.";

// Runs the plan (which the caller has checked): frame k is make(frame k's
// settings). The host sees one busy phase for the whole run with the text
// "Making Animation" (after the first frame followed by the frames made and
// the time left, "Making Animation 3/120 0:41 left") and progress done =
// frames made, total = frames; the frames' own progress reports are not
// passed on. Every frame is made with the pattern the host gave for the
// first one, and must come out with the first frame's size and palette.
AnimationResult makeAnimation(const SirdsSettings& base, const AnimationPlan& plan, const FrameMaker& make,
                              const FrameSink& sink, GenerationHost& host);
AnimationResult makeAnimation(const SirdsSettings& base, const AnimationPlan& plan, const IndexedFrameMaker& make,
                              const FrameSink& sink, GenerationHost& host, const AnimationOptions& options = {});

// The progress text after done of total frames in elapsed seconds.
std::string animationProgressText(std::int32_t done, std::int32_t total, double elapsedSeconds);

// Refuses a sequence of frames that cannot be made (1 … kMaxSequenceFrames
// frames, settings checkSettings takes), with a message; empty when usable.
std::string checkSequence(const SirdsSettings& base, std::int32_t frames, const SettingsOptionNames& names = {});

} // namespace engine
