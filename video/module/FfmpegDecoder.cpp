// Depth videos read frame by frame through FFmpeg's libraries.
#include "FfmpegModule.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <vector>

namespace video::module {

namespace {

// The largest frame side FFmpeg's decoders are trusted with here.
constexpr int kMaxSide = 16384;

class FfmpegDecoder final : public Decoder {
public:
    ~FfmpegDecoder() override
    {
        sws_freeContext(scaler_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    std::string open(const std::string& fileName, double start, double duration, std::int64_t maxPixels) override
    {
        name_ = fileName;
        const std::string unreadable = fileName + " could not be read as a video";
        if (avformat_open_input(&format_, fileName.c_str(), nullptr, nullptr) < 0)
            return unreadable;
        if (avformat_find_stream_info(format_, nullptr) < 0)
            return unreadable;
        const AVCodec* decoder = nullptr;
        stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (stream_ < 0 || !decoder)
            return fileName + " holds no video this program can decode";
        AVStream* st = format_->streams[stream_];
        const AVCodecParameters& par = *st->codecpar;
        // Our own buffers are sized from these, so they are checked first.
        if (par.width < 1 || par.height < 1 || par.width > kMaxSide || par.height > kMaxSide ||
            static_cast<std::int64_t>(par.width) * par.height > maxPixels)
            return fileName + " has frames of a size this program cannot use";
        width_ = par.width;
        height_ = par.height;
        rate_ = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;

        const AVRational tb = st->time_base;
        if (tb.num <= 0 || tb.den <= 0)
            return unreadable;
        if (!std::isfinite(start) || start < 0)
            return "the start must be a time from 0 seconds";
        const std::int64_t origin = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        first_ = origin + static_cast<std::int64_t>(std::llround(start * tb.den / tb.num));
        if (duration >= 0 && std::isfinite(duration))
            end_ = first_ + static_cast<std::int64_t>(std::llround(duration * tb.den / tb.num));

        codec_ = avcodec_alloc_context3(decoder);
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!codec_ || !packet_ || !frame_)
            return "not enough memory to read " + fileName;
        if (avcodec_parameters_to_context(codec_, &par) < 0 || avcodec_open2(codec_, decoder, nullptr) < 0)
            return fileName + " holds no video this program can decode";
        countFrames();
        if (count_ < 1)
            return fileName + " has no frames in the part asked for";
        return {};
    }

    int width() const override { return width_; }
    int height() const override { return height_; }
    int frameCount() const override { return count_; }
    int fpsNum() const override { return rate_.num; }
    int fpsDen() const override { return rate_.den > 0 ? rate_.den : 1; }

    std::string next(std::uint8_t* top, std::ptrdiff_t stride) override
    {
        if (!codec_)
            return "the video was not opened";
        if (delivered_ >= count_)
            return name_ + " has no more frames";
        std::string error;
        if (!decode(error))
            return error.empty() ? frameName() + " could not be decoded" : error;
        AVFrame& f = *frame_;
        if (f.width != width_ || f.height != height_)
            return frameName() + " is " + std::to_string(f.width) + " x " + std::to_string(f.height) + ", not " +
                   std::to_string(width_) + " x " + std::to_string(height_) + " as the first frame";
        scaler_ = sws_getCachedContext(scaler_, f.width, f.height, static_cast<AVPixelFormat>(f.format), f.width,
                                       f.height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr);
        if (!scaler_)
            return frameName() + " could not be decoded";
        // Limited-range video spreads to the full 0 … 255 of a depth picture.
        const int* table = sws_getCoefficients(f.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
        // Grey pictures (no chroma) are full range unless tagged otherwise, as
        // a grey PNG is; YUV video is limited unless tagged full.
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f.format));
        const bool grey = desc && desc->nb_components <= 2 && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int srcFull = f.color_range == AVCOL_RANGE_JPEG || f.format == AV_PIX_FMT_YUVJ420P ||
                            f.format == AV_PIX_FMT_YUVJ422P || f.format == AV_PIX_FMT_YUVJ444P ||
                            (grey && f.color_range != AVCOL_RANGE_MPEG);
        sws_setColorspaceDetails(scaler_, table, srcFull, table, 1, 0, 1 << 16, 1 << 16);
        // Scaled into a buffer of its own, then copied to the caller's rows.
        const std::size_t width = static_cast<std::size_t>(width_);
        grey_.resize(width * static_cast<std::size_t>(height_));
        std::uint8_t* planes[4] = {grey_.data(), nullptr, nullptr, nullptr};
        int strides[4] = {width_, 0, 0, 0};
        sws_scale(scaler_, f.data, f.linesize, 0, f.height, planes, strides);
        for (int y = 0; y < height_; ++y)
            std::memcpy(top + y * stride, grey_.data() + width * static_cast<std::size_t>(y), width);
        av_frame_unref(frame_);
        ++delivered_;
        return {};
    }

private:
    std::string frameName() const { return name_ + ": frame " + std::to_string(delivered_ + 1); }

    static std::int64_t timeOf(const AVPacket& p) { return p.pts != AV_NOPTS_VALUE ? p.pts : p.dts; }
    bool inSpan(std::int64_t t) const { return t == AV_NOPTS_VALUE || (t >= first_ && t < end_); }

    // Counts the packets of the span, then goes back to its start.
    void countFrames()
    {
        while (av_read_frame(format_, packet_) >= 0) {
            if (packet_->stream_index == stream_ && inSpan(timeOf(*packet_)))
                ++count_;
            av_packet_unref(packet_);
        }
        av_seek_frame(format_, stream_, first_ > 0 ? first_ : 0, AVSEEK_FLAG_BACKWARD);
    }

    // The next decoded frame of the span into frame_; false at the end or on
    // a decoding error (error set then).
    bool decode(std::string& error)
    {
        for (;;) {
            const int got = avcodec_receive_frame(codec_, frame_);
            if (got == 0) {
                const std::int64_t t = frame_->best_effort_timestamp;
                if (t != AV_NOPTS_VALUE && t < first_)
                    continue; // before the span: decoded for the frames that follow
                return true;
            }
            if (got == AVERROR_EOF)
                return false;
            if (got != AVERROR(EAGAIN)) {
                error = frameName() + " could not be decoded";
                return false;
            }
            if (draining_)
                return false;
            const int read = av_read_frame(format_, packet_);
            if (read < 0) {
                draining_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_) {
                const int sent = avcodec_send_packet(codec_, packet_);
                if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet_);
                    error = frameName() + " could not be decoded";
                    return false;
                }
            }
            av_packet_unref(packet_);
        }
    }

    std::string name_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* scaler_ = nullptr;
    int stream_ = -1;
    int width_ = 0, height_ = 0;
    int count_ = 0;     // frames in the span
    int delivered_ = 0; // frames handed out
    std::int64_t first_ = 0, end_ = INT64_MAX; // the span in the stream's time base
    bool draining_ = false;
    AVRational rate_{0, 1};
    std::vector<std::uint8_t> grey_; // one frame, rows from the top
};

} // namespace

Decoder* newFfmpegDecoder()
{
    return new FfmpegDecoder;
}

} // namespace video::module
