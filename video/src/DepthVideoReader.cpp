#include "video/DepthVideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <vector>

namespace video {

namespace {

// Pictures up to this many pixels are made into stereograms.
constexpr std::int64_t kMaxFramePixels = platform::Bitmap::kMaxPixels;

} // namespace

struct DepthVideoReader::State {
    std::string name;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    int stream = -1;
    int width = 0, height = 0;
    int count = 0;     // frames in the span
    int delivered = 0; // frames handed out
    std::int64_t first = 0, end = INT64_MAX; // the span in the stream's time base
    bool draining = false;
    AVRational rate{0, 1};
    std::vector<std::uint8_t> grey; // one frame, rows from the top

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    std::string frameName(int k) const { return name + ": frame " + std::to_string(k + 1); }

    static std::int64_t timeOf(const AVPacket& p)
    {
        return p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
    }
    bool inSpan(std::int64_t t) const { return t == AV_NOPTS_VALUE || (t >= first && t < end); }

    // Counts the packets of the span, then goes back to its start.
    void countFrames()
    {
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream && inSpan(timeOf(*packet)))
                ++count;
            av_packet_unref(packet);
        }
        av_seek_frame(format, stream, first > 0 ? first : 0, AVSEEK_FLAG_BACKWARD);
    }

    // The next decoded frame of the span into frame; false at the end or on
    // a decoding error (error set then).
    bool decode(std::string& error)
    {
        for (;;) {
            const int got = avcodec_receive_frame(codec, frame);
            if (got == 0) {
                const std::int64_t t = frame->best_effort_timestamp;
                if (t != AV_NOPTS_VALUE && t < first)
                    continue; // before the span: decoded for the frames that follow
                return true;
            }
            if (got == AVERROR_EOF)
                return false;
            if (got != AVERROR(EAGAIN)) {
                error = frameName(delivered) + " could not be decoded";
                return false;
            }
            if (draining)
                return false;
            const int read = av_read_frame(format, packet);
            if (read < 0) {
                draining = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                const int sent = avcodec_send_packet(codec, packet);
                if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet);
                    error = frameName(delivered) + " could not be decoded";
                    return false;
                }
            }
            av_packet_unref(packet);
        }
    }
};

DepthVideoReader::DepthVideoReader() = default;
DepthVideoReader::~DepthVideoReader() = default;

int DepthVideoReader::width() const { return state_ ? state_->width : 0; }
int DepthVideoReader::height() const { return state_ ? state_->height : 0; }
int DepthVideoReader::frameCount() const { return state_ ? state_->count : 0; }
int DepthVideoReader::fpsNum() const { return state_ ? state_->rate.num : 0; }
int DepthVideoReader::fpsDen() const { return state_ && state_->rate.den > 0 ? state_->rate.den : 1; }

platform::Palette DepthVideoReader::greys()
{
    std::vector<platform::PALETTEENTRY> entries(platform::Palette::kMaxEntries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        entries[i] = {v, v, v, 0};
    }
    return platform::Palette(entries);
}

std::string DepthVideoReader::open(const std::string& fileName, const VideoSpan& span)
{
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.name = fileName;
    const std::string unreadable = fileName + " could not be read as a video";
    av_log_set_level(AV_LOG_FATAL);
    if (avformat_open_input(&s.format, fileName.c_str(), nullptr, nullptr) < 0)
        return unreadable;
    if (avformat_find_stream_info(s.format, nullptr) < 0)
        return unreadable;
    const AVCodec* decoder = nullptr;
    s.stream = av_find_best_stream(s.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s.stream < 0 || !decoder)
        return fileName + " holds no video this program can decode";
    AVStream* st = s.format->streams[s.stream];
    const AVCodecParameters& par = *st->codecpar;
    // Our own buffers are sized from these, so they are checked first.
    if (par.width < 1 || par.height < 1 || par.width > 16384 || par.height > 16384 ||
        static_cast<std::int64_t>(par.width) * par.height > kMaxFramePixels)
        return fileName + " has frames of a size this program cannot use";
    s.width = par.width;
    s.height = par.height;
    s.rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;

    const AVRational tb = st->time_base;
    if (tb.num <= 0 || tb.den <= 0)
        return unreadable;
    if (!std::isfinite(span.start) || span.start < 0)
        return "the start must be a time from 0 seconds";
    const std::int64_t origin = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    s.first = origin + static_cast<std::int64_t>(std::llround(span.start * tb.den / tb.num));
    if (span.duration >= 0 && std::isfinite(span.duration))
        s.end = s.first + static_cast<std::int64_t>(std::llround(span.duration * tb.den / tb.num));

    s.codec = avcodec_alloc_context3(decoder);
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    if (!s.codec || !s.packet || !s.frame)
        return "not enough memory to read " + fileName;
    if (avcodec_parameters_to_context(s.codec, &par) < 0 || avcodec_open2(s.codec, decoder, nullptr) < 0)
        return fileName + " holds no video this program can decode";
    s.countFrames();
    if (s.count < 1)
        return fileName + " has no frames in the part asked for";
    return {};
}

std::unique_ptr<platform::Bitmap> DepthVideoReader::next(std::string& error)
{
    if (!state_ || !state_->codec) {
        error = "the video was not opened";
        return nullptr;
    }
    State& s = *state_;
    if (s.delivered >= s.count) {
        error = s.name + " has no more frames";
        return nullptr;
    }
    if (!s.decode(error)) {
        if (error.empty())
            error = s.frameName(s.delivered) + " could not be decoded";
        return nullptr;
    }
    AVFrame& f = *s.frame;
    if (f.width != s.width || f.height != s.height) {
        error = s.frameName(s.delivered) + " is " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                ", not " + std::to_string(s.width) + " x " + std::to_string(s.height) + " as the first frame";
        return nullptr;
    }
    s.scaler = sws_getCachedContext(s.scaler, f.width, f.height, static_cast<AVPixelFormat>(f.format), f.width,
                                    f.height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s.scaler) {
        error = s.frameName(s.delivered) + " could not be decoded";
        return nullptr;
    }
    // Limited-range video spreads to the full 0 … 255 of a depth picture.
    const int* table = sws_getCoefficients(f.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    // Grey pictures (no chroma) are full range unless tagged otherwise, as
    // a grey PNG is; YUV video is limited unless tagged full.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f.format));
    const bool grey = desc && desc->nb_components <= 2 && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    const int srcFull = f.color_range == AVCOL_RANGE_JPEG || f.format == AV_PIX_FMT_YUVJ420P ||
                        f.format == AV_PIX_FMT_YUVJ422P || f.format == AV_PIX_FMT_YUVJ444P ||
                        (grey && f.color_range != AVCOL_RANGE_MPEG);
    sws_setColorspaceDetails(s.scaler, table, srcFull, table, 1, 0, 1 << 16, 1 << 16);
    auto picture = platform::Bitmap::create(s.width, s.height, 8);
    if (!picture) {
        error = "not enough memory to read " + s.name;
        return nullptr;
    }
    // Scaled into a buffer of its own, then copied into the bitmap's
    // bottom-up rows.
    const std::size_t width = static_cast<std::size_t>(s.width);
    s.grey.resize(width * static_cast<std::size_t>(s.height));
    std::uint8_t* planes[4] = {s.grey.data(), nullptr, nullptr, nullptr};
    int strides[4] = {s.width, 0, 0, 0};
    sws_scale(s.scaler, f.data, f.linesize, 0, f.height, planes, strides);
    for (int y = 0; y < s.height; ++y)
        std::memcpy(picture->rowFromTop(y), s.grey.data() + width * static_cast<std::size_t>(y), width);
    av_frame_unref(s.frame);
    ++s.delivered;
    return picture;
}

} // namespace video
