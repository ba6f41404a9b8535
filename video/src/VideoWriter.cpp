#include "video/VideoWriter.h"

#include "platform/FileIO.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdio>
#include <vector>

namespace video {

namespace {

constexpr int kIoBufferSize = 1 << 16;

struct CodecInfo {
    Codec codec;
    const char* encoder;   // FFmpeg's name of the encoder
    const char* container; // and of the muxer
    int maxQuality;
};

constexpr CodecInfo kCodecs[] = {
    {Codec::H264, "libx264", "mp4", 51},
    {Codec::VP9, "libvpx-vp9", "webm", 63},
};

const CodecInfo& info(Codec codec)
{
    for (const CodecInfo& c : kCodecs) {
        if (c.codec == codec)
            return c;
    }
    return kCodecs[0];
}

std::string avError(const char* what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

// BT.709 in 8-bit limited range, 16-bit fixed point:
// Y = 16 + 219 (0.2126 R + 0.7152 G + 0.0722 B) / 255, and
// Cb, Cr = 128 + 224 (B − Y', R − Y') / (2 (1 − Kb or Kr)) / 255.
constexpr int kYr = 11966, kYg = 40254, kYb = 4064;     // 219 / 255 × K × 65536
constexpr int kUr = -6596, kUg = -22189, kUb = 28784;   // Cb
constexpr int kVr = 28784, kVg = -26145, kVb = -2639;   // Cr
constexpr int kRound = 1 << 15;

std::uint8_t clampByte(int v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

int maxQuality(Codec codec)
{
    return info(codec).maxQuality;
}

void bgrToYuv420(const std::uint8_t* bgr, std::size_t bgrStride, int width, int height, std::uint8_t* y,
                 int yStride, std::uint8_t* u, int uStride, std::uint8_t* v, int vStride)
{
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* in = bgr + static_cast<std::size_t>(r) * bgrStride;
        std::uint8_t* out = y + static_cast<std::ptrdiff_t>(r) * yStride;
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = clampByte(16 + ((kYr * in[2] + kYg * in[1] + kYb * in[0] + kRound) >> 16));
    }
    for (int r = 0; r + 1 < height; r += 2) {
        const std::uint8_t* a = bgr + static_cast<std::size_t>(r) * bgrStride;
        const std::uint8_t* b = a + bgrStride;
        std::uint8_t* cu = u + static_cast<std::ptrdiff_t>(r / 2) * uStride;
        std::uint8_t* cv = v + static_cast<std::ptrdiff_t>(r / 2) * vStride;
        for (int x = 0; x + 1 < width; x += 2) {
            const int i = 3 * x;
            const int blue = a[i] + a[i + 3] + b[i] + b[i + 3];
            const int green = a[i + 1] + a[i + 4] + b[i + 1] + b[i + 4];
            const int red = a[i + 2] + a[i + 5] + b[i + 2] + b[i + 5];
            // The sums are four times the means: two more bits of shift.
            cu[x / 2] = clampByte(128 + ((kUr * red + kUg * green + kUb * blue + (kRound << 2)) >> 18));
            cv[x / 2] = clampByte(128 + ((kVr * red + kVg * green + kVb * blue + (kRound << 2)) >> 18));
        }
    }
}

struct VideoWriter::State {
    std::unique_ptr<platform::SafeFile> file;
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<std::uint8_t> bgr; // one frame at the padded size
    int width = 0, height = 0;     // of the pictures
    int frames = 0;
    std::string error;

    ~State()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format)
            avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (file)
            file->discard();
    }

    std::string fail(std::string message)
    {
        error = std::move(message);
        if (file)
            file->discard();
        return error;
    }

    static int writeBytes(void* opaque, std::uint8_t* data, int size)
    {
        auto* f = static_cast<platform::SafeFile*>(opaque);
        return f->write(data, static_cast<std::size_t>(size)) ? size : AVERROR(EIO);
    }
    static std::int64_t seekTo(void* opaque, std::int64_t offset, int whence)
    {
        std::FILE* f = static_cast<platform::SafeFile*>(opaque)->stream();
        if (whence == AVSEEK_SIZE)
            return -1;
        if (std::fflush(f) != 0 || fseeko(f, offset, whence & ~AVSEEK_FORCE) != 0)
            return -1;
        return ftello(f);
    }

    // Hands every packet the encoder has ready to the muxer.
    std::string drain()
    {
        for (;;) {
            const int got = avcodec_receive_packet(codec, packet);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return {};
            if (got < 0)
                return avError("the video could not be encoded", got);
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int wrote = av_interleaved_write_frame(format, packet);
            if (wrote < 0)
                return avError("the video could not be written", wrote);
        }
    }
};

VideoWriter::VideoWriter() = default;
VideoWriter::~VideoWriter() = default;

int VideoWriter::framesWritten() const
{
    return state_ ? state_->frames : 0;
}

std::string VideoWriter::open(const std::string& fileName, const VideoSettings& settings)
{
    state_ = std::make_unique<State>();
    State& s = *state_;
    const CodecInfo& c = info(settings.codec);
    if (settings.width < 1 || settings.height < 1 ||
        static_cast<std::int64_t>(settings.width) * settings.height > platform::Bitmap::kMaxPixels ||
        settings.width > 16384 || settings.height > 16384)
        return s.fail("a video cannot have that size");
    if (settings.fpsNum < 1 || settings.fpsDen < 1)
        return s.fail("a video needs a positive frame rate");
    s.width = settings.width;
    s.height = settings.height;
    const int paddedWidth = (settings.width + 1) & ~1, paddedHeight = (settings.height + 1) & ~1;

    const AVCodec* encoder = avcodec_find_encoder_by_name(c.encoder);
    if (!encoder)
        return s.fail(std::string("this FFmpeg has no ") + c.encoder + " encoder");
    if (int e = avformat_alloc_output_context2(&s.format, nullptr, c.container, nullptr); e < 0 || !s.format)
        return s.fail(avError("the video file could not be started", e));
    s.codec = avcodec_alloc_context3(encoder);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    s.stream = avformat_new_stream(s.format, nullptr);
    if (!s.codec || !s.frame || !s.packet || !s.stream)
        return s.fail("not enough memory for the video encoder");

    AVCodecContext& cc = *s.codec;
    cc.width = paddedWidth;
    cc.height = paddedHeight;
    cc.pix_fmt = AV_PIX_FMT_YUV420P;
    cc.time_base = AVRational{settings.fpsDen, settings.fpsNum};
    cc.framerate = AVRational{settings.fpsNum, settings.fpsDen};
    cc.sample_aspect_ratio = AVRational{1, 1};
    cc.color_range = AVCOL_RANGE_MPEG;
    cc.colorspace = AVCOL_SPC_BT709;
    cc.color_primaries = AVCOL_PRI_BT709;
    cc.color_trc = AVCOL_TRC_BT709;
    cc.bit_rate = 0; // quality alone decides
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        cc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "crf", std::clamp(settings.quality, 0, c.maxQuality), 0);
    if (settings.codec == Codec::H264) {
        // Random dots are noise to a video encoder: the quick presets lose
        // little on them and take a fraction of the time. Tuned for
        // fidelity rather than looks, the dots keep 4 to 5 dB more of
        // their brightness at the same rate factor.
        av_dict_set(&options, "preset", "veryfast", 0);
        av_dict_set(&options, "tune", "psnr", 0);
    } else {
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    const int opened = avcodec_open2(s.codec, encoder, &options);
    av_dict_free(&options);
    if (opened < 0)
        return s.fail(avError("the video encoder could not be started", opened));
    if (int e = avcodec_parameters_from_context(s.stream->codecpar, s.codec); e < 0)
        return s.fail(avError("the video encoder could not be started", e));
    s.stream->time_base = cc.time_base;
    s.stream->avg_frame_rate = cc.framerate;

    s.frame->format = cc.pix_fmt;
    s.frame->width = cc.width;
    s.frame->height = cc.height;
    s.frame->color_range = cc.color_range;
    s.frame->colorspace = cc.colorspace;
    s.frame->color_primaries = cc.color_primaries;
    s.frame->color_trc = cc.color_trc;
    if (av_frame_get_buffer(s.frame, 0) < 0)
        return s.fail("not enough memory for the video encoder");
    try {
        s.bgr.resize(static_cast<std::size_t>(paddedWidth) * 3 * static_cast<std::size_t>(paddedHeight));
    } catch (const std::bad_alloc&) {
        return s.fail("not enough memory for the video encoder");
    }

    s.file = std::make_unique<platform::SafeFile>(fileName);
    if (!s.file->open())
        return s.fail(fileName + " could not be created");
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    s.io = buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, s.file.get(), nullptr, &State::writeBytes,
                                       &State::seekTo)
                  : nullptr;
    if (!s.io) {
        av_free(buffer);
        return s.fail("not enough memory for the video file");
    }
    s.format->pb = s.io;
    if (int e = avformat_write_header(s.format, nullptr); e < 0)
        return s.fail(avError("the video file could not be started", e));
    return {};
}

std::string VideoWriter::addFrame(const platform::Bitmap& picture, const platform::Palette& palette)
{
    if (!state_)
        return "the video was not started";
    State& s = *state_;
    if (!s.error.empty())
        return s.error;
    if (picture.width() != s.width || picture.height() != s.height ||
        (picture.bitsPerPixel() != 8 && picture.bitsPerPixel() != 24))
        return s.fail("every frame of a video must have the size of the first");
    const int w = s.codec->width, h = s.codec->height;
    const std::size_t stride = static_cast<std::size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = picture.rowFromTop(std::min(y, s.height - 1));
        std::uint8_t* out = s.bgr.data() + static_cast<std::size_t>(y) * stride;
        if (picture.bitsPerPixel() == 24) {
            std::copy(in, in + 3 * static_cast<std::size_t>(s.width), out);
        } else {
            for (int x = 0; x < s.width; ++x) {
                const platform::PALETTEENTRY e = in[x] < palette.size() ? palette[in[x]] : platform::PALETTEENTRY{};
                out[3 * x] = e.peBlue;
                out[3 * x + 1] = e.peGreen;
                out[3 * x + 2] = e.peRed;
            }
        }
        if (w != s.width)
            std::copy(out + 3 * (s.width - 1), out + 3 * s.width, out + 3 * s.width);
    }
    if (av_frame_make_writable(s.frame) < 0)
        return s.fail("not enough memory for the video encoder");
    bgrToYuv420(s.bgr.data(), stride, w, h, s.frame->data[0], s.frame->linesize[0], s.frame->data[1],
                s.frame->linesize[1], s.frame->data[2], s.frame->linesize[2]);
    s.frame->pts = s.frames;
    if (int e = avcodec_send_frame(s.codec, s.frame); e < 0)
        return s.fail(avError("the video could not be encoded", e));
    if (std::string problem = s.drain(); !problem.empty())
        return s.fail(problem);
    ++s.frames;
    return {};
}

std::string VideoWriter::finish()
{
    if (!state_)
        return "the video was not started";
    State& s = *state_;
    if (!s.error.empty())
        return s.error;
    if (s.frames == 0)
        return s.fail("a video needs at least one frame");
    if (int e = avcodec_send_frame(s.codec, nullptr); e < 0)
        return s.fail(avError("the video could not be encoded", e));
    if (std::string problem = s.drain(); !problem.empty())
        return s.fail(problem);
    if (int e = av_write_trailer(s.format); e < 0)
        return s.fail(avError("the video could not be written", e));
    avio_flush(s.io);
    if (s.io->error < 0 || !s.file->commit())
        return s.fail(s.file->target() + " could not be written");
    s.file.reset();
    return {};
}

} // namespace video
