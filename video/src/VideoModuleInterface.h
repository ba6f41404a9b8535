#pragma once
// The boundary between the program and its video module
// (libdotscape_video.so), the one part that links FFmpeg's libraries. The
// program loads the module the first time a video is written or read, so
// every other command starts without those libraries.
//
// The module exports one C function, dotscape_video_module(), returning a
// table of two factories. The objects they make are abstract classes whose
// virtual functions the module implements; both sides are built from this
// header by the same build, and the table's version is checked on loading.
//
// The module keeps to encoding and decoding: the program converts pictures
// to and from its bitmaps, owns the output file (its temporary and its
// removal on interruption) and hands the encoder a byte sink.

#include <cstddef>
#include <cstdint>
#include <string>

namespace video::module {

inline constexpr int kInterfaceVersion = 1;

// Where an encoder's bytes go; seek takes SEEK_SET, SEEK_CUR or SEEK_END
// and returns the new offset, or -1.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    virtual std::int64_t seek(std::int64_t offset, int whence) = 0;
};

struct EncoderSettings {
    int codec = 0; // 0: H.264 in MP4, 1: VP9 in WebM
    int width = 0; // even
    int height = 0; // even
    int fpsNum = 25;
    int fpsDen = 1;
    int quality = 18; // constant rate factor, within the codec's range
};

// One picture in BT.709 limited-range 4:2:0, planes Y, U, V.
struct Planes {
    const std::uint8_t* data[3] = {};
    std::ptrdiff_t stride[3] = {};
};

class Encoder {
public:
    virtual ~Encoder() = default;
    // The refusal's text, or empty.
    virtual std::string open(const EncoderSettings& settings, ByteSink& sink) = 0;
    virtual std::string add(const Planes& picture) = 0;
    // Drains the encoder and ends the container.
    virtual std::string finish() = 0;
};

class Decoder {
public:
    virtual ~Decoder() = default;
    // Opens the file, takes from start for duration seconds (negative: to
    // the end) and counts the frames; frames of more than maxPixels are
    // refused before anything is allocated for them. Messages name the file.
    virtual std::string open(const std::string& fileName, double start, double duration,
                             std::int64_t maxPixels) = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int frameCount() const = 0;
    virtual int fpsNum() const = 0; // 0 when unknown
    virtual int fpsDen() const = 0;
    // The next frame's brightness, full range, into height rows of width
    // bytes from the top, stride apart. The error's text (naming the frame),
    // or empty.
    virtual std::string next(std::uint8_t* top, std::ptrdiff_t stride) = 0;
};

struct Table {
    int version;
    Encoder* (*newEncoder)();
    Decoder* (*newDecoder)();
};

inline constexpr const char* kEntryName = "dotscape_video_module";
using Entry = const Table* (*)();

// The module, loaded on first use; null with the reason (starting "Video
// support is not installed: ") when it cannot be had.
const Table* table(std::string& error);

} // namespace video::module
