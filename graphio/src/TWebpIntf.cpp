#include "pictrans/TWebpIntf.h"

#include "pictrans/PictureBuild.h"
#include "pictrans/PictureRows.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char* kNotFound = "%s not found";
constexpr const char* kNotWebp = "File is not a valid WebP file";
constexpr const char* kReadError = "Error reading WebP file: %s.";
constexpr const char* kTooLarge = "A picture of %d x %d pixels is too large to be read.";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kNoDevice = "Could not access Graphics Device.";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kTooLargeToWrite = "A picture of %d x %d pixels is too large for a WebP file (at most 16383 x 16383).";
constexpr const char* kWriteMemory = "Insufficient memory to write WebP image.";
constexpr const char* kWriteError = "Error writing WebP file: %s.";
constexpr const char* kReading = "Reading WebP Image";
constexpr const char* kWriting = "Writing WebP Image";

const char* why(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
        return "the picture's parameters are invalid";
    case VP8_STATUS_BITSTREAM_ERROR:
        return "the data is damaged";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "the file uses a feature that is not supported";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "the file ends before the picture does";
    default:
        return "the decoder stopped";
    }
}

bool isRiffWebp(std::span<const std::uint8_t> b)
{
    return b.size() >= 12 && std::memcmp(b.data(), "RIFF", 4) == 0 && std::memcmp(b.data() + 8, "WEBP", 4) == 0;
}

// RGBA rows from the top (stride bytes apart), width × height, into the
// bitmap with their top left at (left, top), alpha dropped onto black.
void flattenInto(const std::uint8_t* rgba, std::size_t stride, int width, int height, int left, int top,
                 platform::Bitmap& bitmap)
{
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = rgba + static_cast<std::size_t>(y) * stride;
        std::uint8_t* d = bitmap.rowFromTop(top + y) + 3 * static_cast<std::size_t>(left);
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = pictrans::over8(s[2], s[3]);
            d[1] = pictrans::over8(s[1], s[3]);
            d[2] = pictrans::over8(s[0], s[3]);
        }
    }
}

// Decodes a WebP bitstream of width × height pixels and flattens it into
// the bitmap with its top left at (left, top). Returns what went wrong,
// empty when nothing did.
std::string decodeOnto(const std::uint8_t* bytes, std::size_t size, int width, int height, int left, int top,
                       platform::Bitmap& bitmap)
{
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> rgba;
    try {
        rgba.resize(stride * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return kImageMemory;
    }
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rgba.data();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = rgba.size();
    const VP8StatusCode status = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return platform::format(kReadError, why(status));
    flattenInto(rgba.data(), stride, width, height, left, top, bitmap);
    return {};
}

struct DemuxFree {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

struct IteratorRelease {
    void operator()(WebPIterator* i) const { WebPDemuxReleaseIterator(i); }
};

} // namespace

TWebpIntf::TWebpIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("WebP");
}

std::unique_ptr<platform::Bitmap> TWebpIntf::ReadFile(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kNotFound, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TWebpIntf::ReadStream(InStream& in)
{
    resultGrey16_.reset();
    sourceBits_ = 0;
    const auto file = in.bytes();
    if (!isRiffWebp(file))
        return ErrorMsg(kNotWebp), nullptr;
    WebPBitstreamFeatures features;
    if (const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &features); status != VP8_STATUS_OK)
        return ErrorMsg(platform::format(kReadError, why(status))), nullptr;
    const int width = features.width, height = features.height;
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > platform::Bitmap::kMaxPixels)
        return ErrorMsg(platform::format(kTooLarge, width, height)), nullptr;

    auto bitmap = platform::Bitmap::create(width, height, 24);
    if (!bitmap)
        return ErrorMsg(kImageMemory), nullptr;
    DoStatusMsg(0, 0, kReading);
    if (features.has_animation) {
        // The first frame as it stands on the canvas, which starts
        // transparent (black once flattened, as the bitmap starts): only
        // the frame's own rectangle is decoded, whatever the canvas's size.
        const WebPData data{file.data(), file.size()};
        std::unique_ptr<WebPDemuxer, DemuxFree> demux(WebPDemux(&data));
        WebPIterator frame;
        if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame))
            return ErrorMsg(platform::format(kReadError, "the data is damaged")), nullptr;
        const std::unique_ptr<WebPIterator, IteratorRelease> release(&frame);
        if (frame.x_offset < 0 || frame.y_offset < 0 || frame.width <= 0 || frame.height <= 0 ||
            frame.x_offset > width - frame.width || frame.y_offset > height - frame.height)
            return ErrorMsg(platform::format(kReadError, "the data is damaged")), nullptr;
        if (const std::string problem = decodeOnto(frame.fragment.bytes, frame.fragment.size, frame.width, frame.height,
                                                   frame.x_offset, frame.y_offset, *bitmap);
            !problem.empty())
            return ErrorMsg(problem), nullptr;
    } else if (features.has_alpha) {
        if (const std::string problem = decodeOnto(file.data(), file.size(), width, height, 0, 0, *bitmap);
            !problem.empty())
            return ErrorMsg(problem), nullptr;
    } else {
        // Straight into the bitmap, whose rows run bottom-up: the decoder
        // starts at the top row and steps back by the stride.
        WebPDecoderConfig config;
        WebPInitDecoderConfig(&config);
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = bitmap->rowFromTop(0);
        config.output.u.RGBA.stride = -static_cast<int>(bitmap->stride());
        config.output.u.RGBA.size = bitmap->stride() * static_cast<std::size_t>(height);
        const VP8StatusCode status = WebPDecode(file.data(), file.size(), &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK)
            return ErrorMsg(platform::format(kReadError, why(status))), nullptr;
    }
    resultPalette_ = std::make_unique<platform::Palette>(std::vector<platform::PALETTEENTRY>{});
    sourceBits_ = 8;
    DoStatusMsg(100, 100, "Done");
    return bitmap;
}

int TWebpIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                         const platform::Palette* palette)
{
    if (!bitmap || bm.bmWidth != bitmap->width() || bm.bmHeight != bitmap->height())
        return ErrorMsg(kNoDevice);
    if (bitmap->width() > kMaxSide || bitmap->height() > kMaxSide)
        return ErrorMsg(platform::format(kTooLargeToWrite, bitmap->width(), bitmap->height()));
    return pictrans::writeThroughTemporary(*this, fileName,
                                           [&](OutStream& out) { return WriteStream(out, *bitmap, palette); });
}

int TWebpIntf::WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette)
{
    const int depth = bitmap.bitsPerPixel();
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return ErrorMsg(kBits);
    const int w = bitmap.width(), h = bitmap.height();
    if (w > kMaxSide || h > kMaxSide)
        return ErrorMsg(platform::format(kTooLargeToWrite, w, h));
    const pictrans::PictureRows rows(bitmap, palette);
    std::vector<std::uint8_t> rgb;
    try {
        rgb.resize(static_cast<std::size_t>(w) * 3 * static_cast<std::size_t>(h));
    } catch (const std::bad_alloc&) {
        return ErrorMsg(kWriteMemory);
    }
    const int stride = w * 3;
    for (int y = 0; y < h; ++y)
        rows.rgb(y, rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride));
    DoStatusMsg(0, 0, kWriting);
    // The encoder as libwebp's one-call functions set it up (lossless at
    // effort 70, or lossy at the quality asked), with a progress hook: the
    // encoder reports as it goes and ends when the status window stops it.
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, Quality() < 0 ? 70.0f : static_cast<float>(Quality())) ||
        !WebPPictureInit(&picture))
        return ErrorMsg(platform::format(kWriteError, "the encoder failed"));
    config.lossless = Quality() < 0 ? 1 : 0;
    picture.use_argb = config.lossless;
    picture.width = w;
    picture.height = h;
    WebPMemoryWriter written;
    WebPMemoryWriterInit(&written);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &written;
    picture.user_data = this;
    picture.progress_hook = [](int percent, const WebPPicture* p) -> int {
        auto* self = static_cast<TWebpIntf*>(p->user_data);
        if (percent > 0 && percent < 100)
            self->DoStatusMsg(1000, 10 * percent, kWriting); // a total of 100 would read as "done"
        return self->Stopped() ? 0 : 1;
    };
    const bool encoded = WebPPictureImportRGB(&picture, rgb.data(), stride) && WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    const bool produced = encoded && written.size > 0;
    const bool ok = produced && !Stopped() && out.write(written.mem, written.size);
    WebPMemoryWriterClear(&written);
    if (Stopped())
        return 0;
    if (!produced)
        return ErrorMsg(platform::format(kWriteError, "the encoder failed"));
    if (!ok)
        return ErrorMsg(platform::format(kWriteError, "the file could not be written"));
    return 1;
}
