#include "pictrans/TWebpAnimation.h"

#include "platform/FileIO.h"

#include <webp/encode.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr const char* kNotStarted = "The animation was not started.";
constexpr const char* kFrameSize = "Every frame of an animation must have the size of the first.";
constexpr const char* kTooLarge = "Picture too large for a WebP file.";
constexpr const char* kNoMemory = "Insufficient memory to write WebP File.";
constexpr const char* kEncodeError = "The frame could not be encoded as WebP.";
constexpr const char* kWriteError = "Error Writing to File.";
constexpr const char* kNoFrames = "An animation needs at least one frame.";

// The largest side of a WebP picture, and of a frame's delay in ms.
constexpr int kMaxSide = WEBP_MAX_DIMENSION;
constexpr int kMaxDuration = (1 << 24) - 1;

// ANMF flags: bit 1 set means "do not blend" (the frame's pixels replace
// the canvas's), bit 0 clear "leave the frame in place".
constexpr std::uint8_t kNoBlend = 0x02;
// VP8X flags: the file is an animation.
constexpr std::uint8_t kAnimationFlag = 0x02;

void put24(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put24(out, v);
    out.push_back(static_cast<std::uint8_t>(v >> 24));
}

void putTag(std::vector<std::uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// The rectangle where two frames (rows from the top, 3 bytes a pixel)
// differ, its corner moved to even coordinates; 1 × 1 at the origin when
// they are the same.
struct Rect {
    int x = 0, y = 0, w = 1, h = 1;
};

Rect changedRect(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height)
{
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* ra = a.data() + stride * static_cast<std::size_t>(y);
        const std::uint8_t* rb = b.data() + stride * static_cast<std::size_t>(y);
        if (std::memcmp(ra, rb, stride) == 0)
            continue;
        top = std::min(top, y);
        bottom = y;
        int x = 0;
        while (x < left && std::memcmp(ra + 3 * x, rb + 3 * x, 3) == 0)
            ++x;
        left = std::min(left, x);
        int r = width - 1;
        while (r > right && std::memcmp(ra + 3 * r, rb + 3 * r, 3) == 0)
            --r;
        right = std::max(right, r);
    }
    if (bottom < 0)
        return {};
    Rect rect;
    rect.x = left & ~1;
    rect.y = top & ~1;
    rect.w = right + 1 - rect.x;
    rect.h = bottom + 1 - rect.y;
    return rect;
}

} // namespace

struct TWebpAnimation::Encoder {
    WebPConfig config{};
    std::vector<std::uint8_t> rgb, previous; // this frame and the one before, rows from the top
    std::unique_ptr<platform::SafeFile> file;
    std::uint64_t bytes = 0; // written after the RIFF header's first 8 bytes
};

TWebpAnimation::TWebpAnimation() = default;
TWebpAnimation::~TWebpAnimation() = default;

std::string TWebpAnimation::Fail(std::string message)
{
    error_ = std::move(message);
    encoder_.reset(); // the temporary goes with it
    return error_;
}

std::string TWebpAnimation::Begin(const std::string& fileName, int width, int height, int delayMs, int quality)
{
    error_.clear();
    frames_ = 0;
    fileName_ = fileName;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return Fail(kTooLarge);
    width_ = width;
    height_ = height;
    delayMs_ = std::clamp(delayMs, 1, kMaxDuration);
    try {
        encoder_ = std::make_unique<Encoder>();
        encoder_->rgb.resize(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return Fail(kNoMemory);
    }
    Encoder& e = *encoder_;
    if (!WebPConfigInit(&e.config))
        return Fail(kNoMemory);
    // Effort 1 of 0 … 9: random dots hardly compress better with more, and
    // the higher levels take many times as long.
    if (!WebPConfigLosslessPreset(&e.config, 1))
        return Fail(kNoMemory);
    e.config.exact = 1;
    // A quality makes the lossless coder near-lossless: pixel values move a
    // little (more at lower quality) to compress better, but every pixel
    // keeps its own colour. WebP's lossy coder stores colour at a quarter
    // of the pixels (4:2:0), which loses the one-pixel colours of random
    // dots and much of their brightness with them.
    // Qualities 0 … 100 take near-lossless levels 40 … 100, so that even the
    // lowest keeps the dots' brightness (at least 2 of every 8 bits' worth).
    if (quality != kLossless)
        e.config.near_lossless = 40 + std::clamp(quality, 0, 100) * 60 / 100;
    e.config.thread_level = 1;

    e.file = std::make_unique<platform::SafeFile>(fileName);
    if (!e.file->open())
        return Fail(kWriteError);
    std::vector<std::uint8_t> head;
    putTag(head, "RIFF");
    put32(head, 0); // the size, filled in by Finish
    putTag(head, "WEBP");
    putTag(head, "VP8X");
    put32(head, 10);
    head.push_back(kAnimationFlag);
    put24(head, 0);
    put24(head, static_cast<std::uint32_t>(width - 1));
    put24(head, static_cast<std::uint32_t>(height - 1));
    putTag(head, "ANIM");
    put32(head, 6);
    put32(head, 0xFF000000u); // opaque black behind the first frame
    head.push_back(0);        // loop count 0: for ever
    head.push_back(0);
    if (!e.file->write(head.data(), head.size()))
        return Fail(kWriteError);
    e.bytes = head.size() - 8;
    return {};
}

std::string TWebpAnimation::AddFrame(const platform::Bitmap& frame, const platform::Palette& palette)
{
    if (!error_.empty())
        return error_;
    if (!encoder_)
        return Fail(kNotStarted);
    if (frame.width() != width_ || frame.height() != height_ ||
        (frame.bitsPerPixel() != 8 && frame.bitsPerPixel() != 24))
        return Fail(kFrameSize);
    Encoder& e = *encoder_;
    const std::size_t stride = static_cast<std::size_t>(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* in = frame.rowFromTop(y);
        std::uint8_t* out = e.rgb.data() + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < width_; ++x, out += 3) {
            if (frame.bitsPerPixel() == 24) {
                out[0] = in[3 * x + 2];
                out[1] = in[3 * x + 1];
                out[2] = in[3 * x];
            } else {
                const platform::PALETTEENTRY c = in[x] < palette.size() ? palette[in[x]] : platform::PALETTEENTRY{};
                out[0] = c.peRed;
                out[1] = c.peGreen;
                out[2] = c.peBlue;
            }
        }
    }
    const Rect r = frames_ == 0 ? Rect{0, 0, width_, height_} : changedRect(e.rgb, e.previous, width_, height_);

    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return Fail(kNoMemory);
    picture.width = r.w;
    picture.height = r.h;
    picture.use_argb = 1;
    WebPMemoryWriter encoded;
    WebPMemoryWriterInit(&encoded);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &encoded;
    const std::uint8_t* corner = e.rgb.data() + stride * static_cast<std::size_t>(r.y) + 3 * static_cast<std::size_t>(r.x);
    const bool ok = WebPPictureImportRGB(&picture, corner, static_cast<int>(stride)) && WebPEncode(&e.config, &picture);
    WebPPictureFree(&picture);
    if (!ok || encoded.size < 12) {
        WebPMemoryWriterClear(&encoded);
        return Fail(kEncodeError);
    }
    // The still file libwebp made: its image chunks (after "RIFF", size,
    // "WEBP") become the frame's data; a VP8X header of its own is dropped.
    std::vector<std::uint8_t> chunk;
    putTag(chunk, "ANMF");
    put32(chunk, 0);
    put24(chunk, static_cast<std::uint32_t>(r.x / 2));
    put24(chunk, static_cast<std::uint32_t>(r.y / 2));
    put24(chunk, static_cast<std::uint32_t>(r.w - 1));
    put24(chunk, static_cast<std::uint32_t>(r.h - 1));
    put24(chunk, static_cast<std::uint32_t>(delayMs_));
    chunk.push_back(kNoBlend);
    for (std::size_t at = 12; at + 8 <= encoded.size;) {
        const std::uint32_t size = get32(encoded.mem + at + 4);
        const std::size_t whole = 8 + static_cast<std::size_t>(size) + (size & 1);
        if (whole > encoded.size - at)
            break;
        if (std::memcmp(encoded.mem + at, "VP8X", 4) != 0)
            chunk.insert(chunk.end(), encoded.mem + at, encoded.mem + at + whole);
        at += whole;
    }
    WebPMemoryWriterClear(&encoded);
    const std::uint32_t payload = static_cast<std::uint32_t>(chunk.size() - 8);
    for (int i = 0; i < 4; ++i)
        chunk[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(payload >> (8 * i));
    if (e.bytes + chunk.size() > 0xFFFFFFF0u)
        return Fail(kTooLarge);
    if (!e.file->write(chunk.data(), chunk.size()))
        return Fail(kWriteError);
    e.bytes += chunk.size();
    e.rgb.swap(e.previous);
    if (e.rgb.size() != e.previous.size())
        e.rgb.resize(e.previous.size());
    ++frames_;
    return {};
}

std::string TWebpAnimation::Finish()
{
    if (!error_.empty())
        return error_;
    if (!encoder_)
        return Fail(kNotStarted);
    if (frames_ == 0)
        return Fail(kNoFrames);
    Encoder& e = *encoder_;
    std::vector<std::uint8_t> size;
    put32(size, static_cast<std::uint32_t>(e.bytes));
    std::FILE* f = e.file->stream();
    if (std::fflush(f) != 0 || std::fseek(f, 4, SEEK_SET) != 0 || !e.file->write(size.data(), size.size()) ||
        !e.file->commit())
        return Fail(kWriteError);
    encoder_.reset();
    return {};
}
