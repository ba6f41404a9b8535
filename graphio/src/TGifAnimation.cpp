#include "pictrans/TGifAnimation.h"

#include "pictrans/GifCodec.h"
#include "pictrans/GifRecords.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

namespace {

// Messages, each naming one fault.
constexpr const char* kWriteError = "Error Writing to File.";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kTooLarge = "Picture too large for a GIF file.";
constexpr const char* kFrameSize = "Every frame of an animation must have the size and depth of the first.";
constexpr const char* kNoFrames = "An animation needs at least one frame.";
constexpr const char* kNotStarted = "The animation was not started.";
constexpr const char* kPixelMemory = "Insufficient memory to write GIF File.";

// Graphic control flags: disposal method 1 (leave the frame in place), no
// user input, no transparent colour.
constexpr std::uint8_t kLeaveInPlace = 1 << 2;

// The looping block: application "NETSCAPE" with code "2.0", then a
// sub-block of 3 bytes: 1 (the loop count follows) and the count, 0 for
// "for ever".
int putLoopBlock(OutStream& out)
{
    GIFAPPEXT app;
    std::memcpy(app.apname, "NETSCAPE", 8);
    std::memcpy(app.apcode, "2.0", 3);
    if (app.put(out) != 0)
        return -1;
    const std::uint8_t loop[5] = {3, 1, 0, 0, 0};
    return out.write(loop, sizeof loop) ? 0 : -1;
}

} // namespace

TGifAnimation::TGifAnimation(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("GIF");
}

TGifAnimation::~TGifAnimation() = default;

int TGifAnimation::DelayHundredths(int delayMs)
{
    const long long cs = (static_cast<long long>(delayMs) + 5) / 10;
    return static_cast<int>(std::clamp<long long>(cs, 1, 0xFFFF));
}

int TGifAnimation::Fail(const char* message)
{
    failed_ = true;
    if (file_)
        file_->discard();
    return ErrorMsg(message);
}

int TGifAnimation::Begin(const std::string& fileName, int width, int height, int depth,
                         const platform::Palette& palette, int delayMs)
{
    if (!OverwriteOk(fileName))
        return 0;
    file_ = std::make_unique<platform::SafeFile>(fileName);
    if (!file_->open()) {
        file_.reset();
        return Fail(kWriteError);
    }
    fileOut_ = std::make_unique<FileOutStream>(file_->stream());
    out_ = fileOut_.get();
    return Start(width, height, depth, palette, delayMs);
}

int TGifAnimation::BeginStream(OutStream& out, int width, int height, int depth, const platform::Palette& palette,
                               int delayMs)
{
    file_.reset();
    fileOut_.reset();
    out_ = &out;
    return Start(width, height, depth, palette, delayMs);
}

int TGifAnimation::Start(int width, int height, int depth, const platform::Palette& palette, int delayMs)
{
    failed_ = false;
    frames_ = 0;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return Fail(kBits);
    if (depth == 24 && palette.empty())
        return Fail(kBits);
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        return Fail(kTooLarge);
    width_ = width;
    height_ = height;
    depth_ = depth;
    fileDepth_ = depth == 24 ? 8 : depth;
    palette_ = palette;
    delay_ = DelayHundredths(delayMs);
    depth = fileDepth_;

    // The screen descriptor declares a table of the full depth, so exactly
    // that many entries are written, missing ones black.
    std::vector<std::uint8_t> table(3 * (std::size_t{1} << depth), 0);
    auto entries = palette.entries();
    for (std::size_t i = 0; i < entries.size() && 3 * i < table.size(); ++i) {
        table[3 * i] = entries[i].peRed;
        table[3 * i + 1] = entries[i].peGreen;
        table[3 * i + 2] = entries[i].peBlue;
    }

    GIFHEADER header;
    std::memcpy(header.ver, "89a", 3);
    GIFSCDESC screen;
    screen.scwidth = static_cast<std::uint16_t>(width);
    screen.scheight = static_cast<std::uint16_t>(height);
    screen.flags = static_cast<std::uint8_t>(0x80 | ((depth - 1) << 4) | (depth - 1));
    if (header.put(*out_) != 0 || screen.put(*out_) != 0 || !out_->write(table.data(), table.size()) ||
        putLoopBlock(*out_) != 0)
        return Fail(kWriteError);
    return 1;
}

int TGifAnimation::AddFrame(const platform::Bitmap& frame)
{
    if (failed_)
        return 0; // already reported
    if (!out_)
        return Fail(kNotStarted);
    if (frame.width() != width_ || frame.height() != height_ || frame.bitsPerPixel() != depth_)
        return Fail(kFrameSize);

    GIFCTLEXT control;
    control.flags = kLeaveInPlace;
    control.delay = static_cast<std::uint16_t>(delay_);
    GIFIMDESC desc;
    desc.imwidth = static_cast<std::uint16_t>(width_);
    desc.imheight = static_cast<std::uint16_t>(height_);
    const int minCodeSize = fileDepth_ < 8 ? fileDepth_ + 1 : 8;
    if (control.put(*out_) != 0 || !out_->putc(0) || desc.put(*out_) != 0 ||
        !out_->putc(static_cast<std::uint8_t>(minCodeSize)))
        return Fail(kWriteError);

    std::vector<std::uint8_t> pixels;
    // A true-colour picture holds few distinct colours (averages of the
    // pattern's), so each is looked up once.
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    if (depth_ != 8) {
        try {
            pixels.assign(static_cast<std::size_t>(width_), 0);
        } catch (const std::bad_alloc&) {
            return Fail(kPixelMemory);
        }
    }
    GifEncoder encoder(*out_, minCodeSize);
    encoder.init();
    for (int y = 0; y < height_ && encoder.status() == CODEC_OK; ++y) {
        if (depth_ == 8) {
            encoder.encode(frame.rowFromTop(y), width_);
        } else if (depth_ == 24) {
            const std::uint8_t* in = frame.rowFromTop(y);
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2];
                auto [it, added] =
                    nearest.try_emplace((std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b, std::uint8_t{0});
                if (added)
                    it->second = palette_.nearest(r, g, b);
                pixels[static_cast<std::size_t>(x)] = it->second;
            }
            encoder.encode(pixels.data(), width_);
        } else {
            BmpDecode(frame.rowFromTop(y), pixels.data(), depth_, width_);
            encoder.encode(pixels.data(), width_);
        }
    }
    if (encoder.term() != CODEC_OK || !out_->putc(0))
        return Fail(kWriteError);
    ++frames_;
    return 1;
}

int TGifAnimation::Finish()
{
    if (failed_)
        return 0;
    if (!out_)
        return Fail(kNotStarted);
    if (frames_ == 0)
        return Fail(kNoFrames);
    if (!out_->putc(GIF_TRAILER) || (file_ && !file_->commit()))
        return Fail(kWriteError);
    out_ = nullptr;
    fileOut_.reset();
    file_.reset();
    DoStatusMsg(100, 100, "Done");
    return 1;
}

int TGifAnimation::WriteAnimation(const std::string& fileName, std::span<const platform::Bitmap* const> frames,
                                  const platform::Palette& palette, int delayMs)
{
    if (frames.empty() || !frames.front())
        return ErrorMsg(kNoFrames);
    const platform::Bitmap& first = *frames.front();
    if (!Begin(fileName, first.width(), first.height(), first.bitsPerPixel(), palette, delayMs))
        return 0;
    for (const platform::Bitmap* f : frames) {
        if (!f || !AddFrame(*f))
            return f ? 0 : Fail(kFrameSize);
    }
    return Finish();
}

int TGifAnimation::WriteAnimationStream(OutStream& out, std::span<const platform::Bitmap* const> frames,
                                        const platform::Palette& palette, int delayMs)
{
    if (frames.empty() || !frames.front())
        return ErrorMsg(kNoFrames);
    const platform::Bitmap& first = *frames.front();
    if (!BeginStream(out, first.width(), first.height(), first.bitsPerPixel(), palette, delayMs))
        return 0;
    for (const platform::Bitmap* f : frames) {
        if (!f || !AddFrame(*f))
            return f ? 0 : Fail(kFrameSize);
    }
    return Finish();
}
