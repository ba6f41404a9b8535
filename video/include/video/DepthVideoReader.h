#pragma once
// Reads a depth video frame by frame through FFmpeg: each frame becomes an
// 8-bit picture of its brightness (full range, 0 black … 255 white, limited-
// range video expanded) whose palette is the 256 greys, so depth by colour
// and depth by brightness read the same level.
//
// A video is untrusted input: FFmpeg's demuxers and decoders check their
// own bytes, and the reader checks the frame size before it allocates
// anything of its own. Frames are counted before the first is decoded, so
// an animation knows its length; a frame that cannot be decoded, or that
// has another size than the first, is refused with its number.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <memory>
#include <string>

namespace video {

struct VideoSpan {
    double start = 0;     // seconds from the beginning
    double duration = -1; // seconds; negative: to the end
};

class DepthVideoReader {
public:
    DepthVideoReader();
    ~DepthVideoReader();
    DepthVideoReader(const DepthVideoReader&) = delete;
    DepthVideoReader& operator=(const DepthVideoReader&) = delete;

    // Opens the file and counts the frames of span. The refusal's text
    // (naming the file), or empty.
    std::string open(const std::string& fileName, const VideoSpan& span = {});
    int width() const;
    int height() const;
    // Frames in the span; at least 1 once open succeeded.
    int frameCount() const;
    // Frames a second as the file gives them (num / den); 0 / 1 when unknown.
    int fpsNum() const;
    int fpsDen() const;

    // The next frame, in order. Null with error set when it cannot be had.
    std::unique_ptr<platform::Bitmap> next(std::string& error);
    // The 256 greys.
    static platform::Palette greys();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace video
