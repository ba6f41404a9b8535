#pragma once
// Writes looping animated WebP files: lossless true colour, near-lossless
// when a quality is given, every frame shown for the same delay, looping for ever.
//
// libwebp encodes each frame; the container (RIFF, VP8X, ANIM, one ANMF
// chunk a frame) is written here, frame by frame as they come, so only the
// previous picture is held, never the animation. A frame stores only the
// rectangle where it differs from the one before (its corner on even
// coordinates, as the format needs), replacing those pixels without
// blending, so a frame whose depth changed in a few rows costs those rows;
// a frame equal to the one before is still a frame of its own, with its own
// delay. A file is written through a temporary beside its target and
// replaces it only when Finish succeeds.

#include "pictrans/Export.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <memory>
#include <string>

class PICTRANS_API TWebpAnimation {
public:
    // Quality for lossless frames.
    static constexpr int kLossless = -1;

    TWebpAnimation();
    ~TWebpAnimation();
    TWebpAnimation(const TWebpAnimation&) = delete;
    TWebpAnimation& operator=(const TWebpAnimation&) = delete;

    // Starts an animation of width × height pixels, each frame shown for
    // delayMs; quality 0 … 100 makes near-lossless frames (every pixel's
    // value may move a little, less the higher the quality), kLossless
    // exact ones.
    // The refusal's text, or empty.
    std::string Begin(const std::string& fileName, int width, int height, int delayMs, int quality = kLossless);
    // Adds a picture of Begin's size: 8-bit with its palette, or 24-bit.
    // The error's text, or empty; a failed writer stays failed.
    std::string AddFrame(const platform::Bitmap& frame, const platform::Palette& palette);
    // Assembles the file and puts it in place.
    std::string Finish();

    int FramesWritten() const { return frames_; }

private:
    struct Encoder;
    std::string Fail(std::string message);

    std::unique_ptr<Encoder> encoder_;
    std::string fileName_;
    int width_ = 0;
    int height_ = 0;
    int delayMs_ = 0;
    int frames_ = 0;
    std::string error_;
};
