#pragma once
// Depth that changes from frame to frame: a run of depth pictures, one a
// frame, or a depth video read frame by frame. Each frame is made into a
// stereogram with the same settings, pattern and seed as every other, so
// the dots stay where they were wherever the depth stays the same.

#include "engine/Animation.h"
#include "engine/Generation.h"

#include "platform/Bitmap.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

struct DepthFrame {
    std::unique_ptr<platform::Bitmap> picture;
    std::unique_ptr<platform::Palette> palette;
    std::unique_ptr<platform::Grey16Image> depth16; // a 16-bit grey picture's own samples
};

class DepthSequence {
public:
    virtual ~DepthSequence() = default;
    virtual std::int32_t frameCount() const = 0;
    // How messages name frame k: its file, or the video and the frame's number.
    virtual std::string frameName(std::int32_t k) const = 0;
    // Frame k, the frames read in order from 0. False with error (naming the
    // frame) when it cannot be read.
    virtual bool read(std::int32_t k, DepthFrame& frame, std::string& error) = 0;
    // Frames a second the source suggests (num / den); 0 when it has none.
    virtual int fpsNum() const { return 0; }
    virtual int fpsDen() const { return 1; }
};

// The files a picture pattern names: a printf-style name with one whole-
// number conversion (depth_%04d.png), counted from the first number that
// exists on for as long as files exist; or a glob ('frames/*.png'), the
// matches in name order. Empty with error when nothing matches or the
// pattern is neither.
std::vector<std::string> pictureSequenceFiles(const std::string& pattern, std::string& error);

// A sequence of depth pictures. Null with error when no file matches.
std::unique_ptr<DepthSequence> openPictureSequence(const std::string& pattern, std::string& error);
// A depth video from start for duration seconds (negative: to the end).
// Null with error (naming the file) when it cannot be read.
std::unique_ptr<DepthSequence> openVideoSequence(const std::string& file, double start, double duration,
                                                 std::string& error);

// Frame k of the sequence made into a stereogram as a single picture is
// (makeFromPicture). A frame whose size differs from the first frame's, or
// that cannot be read, fails the frame with a message naming it, shown to
// the host.
class SequenceFrameMaker {
public:
    explicit SequenceFrameMaker(DepthSequence& sequence) : sequence_(sequence) {}
    GenerationResult operator()(std::int32_t k, const SirdsSettings& settings, GenerationHost& host);

private:
    DepthSequence& sequence_;
    DepthFrame current_;
    std::int32_t width_ = 0, height_ = 0;
};

// Messages about a frame of the wrong size: "NAME is W x H, not W0 x H0 as
// the first frame".
std::string frameSizeMessage(const std::string& name, int width, int height, int firstWidth, int firstHeight);

} // namespace engine
