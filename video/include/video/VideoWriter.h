#pragma once
// Writes stereograms as a video file: MP4 holding H.264, or WebM holding
// VP9, both in 4:2:0 YUV (yuv420p) so that every player plays them, tagged
// BT.709 with limited range so that players show the colours meant.
//
// Frames are encoded as they are added; only the encoder's own look-ahead
// is held. The file is written through a temporary beside its target and
// replaces it only when finish() succeeds: a writer destroyed before that
// leaves no partial file and an old file untouched.
//
// 4:2:0 needs an even width and height: a picture of odd size gains one
// column (or row) repeating its last.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <memory>
#include <string>

namespace video {

enum class Codec {
    H264, // .mp4
    VP9,  // .webm
};

struct VideoSettings {
    Codec codec = Codec::H264;
    int width = 0;
    int height = 0;
    // Frames a second as a fraction; each frame lasts den / num seconds.
    int fpsNum = 25;
    int fpsDen = 1;
    // The constant rate factor: 0 … 51 for H.264, 0 … 63 for VP9; lower is
    // better and larger.
    int quality = 18;
};

inline constexpr int kDefaultQuality = 18;
// The highest constant rate factor of a codec.
int maxQuality(Codec codec);

// Video files are written and read by a module loaded on first use. Empty
// when it is there; otherwise why not ("Video support is not installed: …").
std::string supportMissing();

class VideoWriter {
public:
    VideoWriter();
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Creates the temporary file and starts the encoder. The refusal's text,
    // or empty.
    std::string open(const std::string& fileName, const VideoSettings& settings);
    // Encodes one picture (8-bit with its palette, or 24-bit) of the size
    // given to open. The error's text, or empty; a failed writer stays failed.
    std::string addFrame(const platform::Bitmap& frame, const platform::Palette& palette);
    // Drains the encoder, ends the file and puts it in place.
    std::string finish();

    int framesWritten() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Converts rows of 8-bit blue, green, red pixels (width × height, padded to
// even size by the caller's buffer) to BT.709 limited-range 4:2:0: each
// chroma sample the mean of its 2 × 2 block. Planes at their given strides.
void bgrToYuv420(const std::uint8_t* bgr, std::size_t bgrStride, int width, int height, std::uint8_t* y,
                 int yStride, std::uint8_t* u, int uStride, std::uint8_t* v, int vStride);

} // namespace video
