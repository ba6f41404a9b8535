#include "video/VideoWriter.h"

#include "VideoModuleInterface.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

namespace video {

namespace {

// Per codec, in the order of Codec.
constexpr int kMaxQuality[] = {51, 63};

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

// The output file as the encoder's byte sink.
class FileSink final : public module::ByteSink {
public:
    explicit FileSink(platform::SafeFile& file) : file_(file) {}
    bool write(const std::uint8_t* data, std::size_t size) override
    {
        failed_ = failed_ || !file_.write(data, size);
        return !failed_;
    }
    std::int64_t seek(std::int64_t offset, int whence) override
    {
        std::FILE* f = file_.stream();
        if (std::fflush(f) != 0 || fseeko(f, offset, whence) != 0)
            return -1;
        return ftello(f);
    }
    bool failed() const { return failed_; }

private:
    platform::SafeFile& file_;
    bool failed_ = false;
};

} // namespace

int maxQuality(Codec codec)
{
    return kMaxQuality[static_cast<int>(codec)];
}

std::string supportMissing()
{
    std::string error;
    module::table(error);
    return error;
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
    std::unique_ptr<FileSink> sink;
    std::unique_ptr<module::Encoder> encoder;
    std::vector<std::uint8_t> bgr;               // one frame at the padded size
    std::vector<std::uint8_t> yuv;               // its planes
    int width = 0, height = 0;                   // of the pictures
    int paddedWidth = 0, paddedHeight = 0;       // of the video
    int frames = 0;
    std::string error;

    ~State()
    {
        encoder.reset(); // before the sink it writes to
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
    if (settings.width < 1 || settings.height < 1 ||
        static_cast<std::int64_t>(settings.width) * settings.height > platform::Bitmap::kMaxPixels ||
        settings.width > 16384 || settings.height > 16384)
        return s.fail("a video cannot have that size");
    if (settings.fpsNum < 1 || settings.fpsDen < 1)
        return s.fail("a video needs a positive frame rate");
    std::string missing;
    const module::Table* table = module::table(missing);
    if (!table)
        return s.fail(missing);
    s.width = settings.width;
    s.height = settings.height;
    s.paddedWidth = (settings.width + 1) & ~1;
    s.paddedHeight = (settings.height + 1) & ~1;
    try {
        const auto pixels = static_cast<std::size_t>(s.paddedWidth) * static_cast<std::size_t>(s.paddedHeight);
        s.bgr.resize(pixels * 3);
        s.yuv.resize(pixels + pixels / 2);
    } catch (const std::bad_alloc&) {
        return s.fail("not enough memory for the video encoder");
    }
    s.file = std::make_unique<platform::SafeFile>(fileName);
    if (!s.file->open())
        return s.fail(fileName + " could not be created");
    s.sink = std::make_unique<FileSink>(*s.file);
    s.encoder.reset(table->newEncoder());
    if (!s.encoder)
        return s.fail("not enough memory for the video encoder");
    module::EncoderSettings e;
    e.codec = static_cast<int>(settings.codec);
    e.width = s.paddedWidth;
    e.height = s.paddedHeight;
    e.fpsNum = settings.fpsNum;
    e.fpsDen = settings.fpsDen;
    e.quality = std::clamp(settings.quality, 0, maxQuality(settings.codec));
    if (std::string problem = s.encoder->open(e, *s.sink); !problem.empty())
        return s.fail(problem);
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
    const int w = s.paddedWidth, h = s.paddedHeight;
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
    module::Planes planes;
    const std::size_t luma = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::uint8_t* y = s.yuv.data();
    std::uint8_t* u = y + luma;
    std::uint8_t* v = u + luma / 4;
    bgrToYuv420(s.bgr.data(), stride, w, h, y, w, u, w / 2, v, w / 2);
    planes.data[0] = y;
    planes.data[1] = u;
    planes.data[2] = v;
    planes.stride[0] = w;
    planes.stride[1] = planes.stride[2] = w / 2;
    if (std::string problem = s.encoder->add(planes); !problem.empty())
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
    const std::string problem = s.encoder->finish();
    if (s.sink->failed() || (problem.empty() && !s.file->commit()))
        return s.fail(s.file->target() + " could not be written");
    if (!problem.empty())
        return s.fail(problem);
    s.file.reset();
    return {};
}

} // namespace video
