#include "engine/Generation.h"

#include "engine/HiddenSurface.h"
#include "engine/ScanMethods.h"
#include "engine/Tiling.h"

#include "RowWorkers.h"

#include "platform/BitmapInfo.h"
#include "platform/NearestColour.h"
#include "platform/Window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "terrakit/terrakit.h"

namespace engine {

// ---------------------------------------------------------------------------
// Progress record and band size

void ProgressRecord::setText(std::string_view value)
{
    std::size_t n = std::min(value.size(), sizeof(text) - 1);
    std::memcpy(text, value.data(), n);
    std::memset(text + n, 0, sizeof(text) - n);
}

std::string_view ProgressRecord::textView() const
{
    return std::string_view(text, strnlen(text, sizeof(text)));
}

std::int32_t ProgressRecord::percent() const
{
    if (total <= 0)
        return 0;
    std::int64_t p = static_cast<std::int64_t>(done) * 100 / total;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(p, 0, 100));
}

std::int32_t bandRows(std::int32_t height, std::size_t stride)
{
    constexpr std::size_t kBandBytes = 32000;
    std::int32_t b = std::max(height, 1);
    while (static_cast<std::size_t>(b) * stride > kBandBytes && b > 1)
        b = b / 2 + b % 2;
    return b;
}

// ---------------------------------------------------------------------------
// Shared machinery of the three operations

namespace {

constexpr std::int64_t kMaxSide = std::numeric_limits<std::int32_t>::max() / 8;

// Sends the closing progress report once phase 1 has gone out, on every
// path out of an operation.
class BusyGuard {
public:
    explicit BusyGuard(GenerationHost& host) : host_(host) {}
    ~BusyGuard()
    {
        if (started_)
            host_.progress(kProgressEnd, record);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    void start(const ProgressRecord& r)
    {
        record = r;
        started_ = true;
        host_.progress(kProgressStart, record);
    }
    void report(int phase)
    {
        host_.progress(phase, record);
    }

    ProgressRecord record;

private:
    GenerationHost& host_;
    bool started_ = false;
};

GenerationResult failure(GenerationHost& host, std::string message)
{
    host.showError(message);
    GenerationResult result;
    result.status = GenerationStatus::Failed;
    result.error = std::move(message);
    return result;
}

GenerationResult stopped()
{
    GenerationResult result;
    result.status = GenerationStatus::Stopped;
    return result;
}

bool sizeUsable(std::int64_t w, std::int64_t h)
{
    return w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide && w * h <= platform::Bitmap::kMaxPixels;
}

GenerationResult badSize(GenerationHost& host, std::int64_t w, std::int64_t h)
{
    auto clampInt = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                         std::numeric_limits<int>::max()));
    };
    return failure(host, platform::format(kBadSizeFormat, clampInt(w), clampInt(h)));
}

// Fills the depth row of one image row (r counted from the bottom).
class RowSampler {
public:
    virtual ~RowSampler() = default;
    // Entries each worker's depth row must hold.
    virtual std::int32_t depthSize() const = 0;
    // Scratch entries each worker needs beside its depth row.
    virtual std::int32_t scratchSize() const { return 0; }
    virtual void sample(std::int32_t r, std::int32_t* depth, std::int32_t* scratch) const = 0;
};

// The band loop: every row of the finished picture out made, a band at a
// time, with message pumping and progress between bands. Each row is worked
// at workWidth: tiled with the pattern (or, without tiles, taken as out
// holds it), sampled and shifted, then its first out.width() columns are the
// finished row; a picture as wide as the work is worked in place. Returns
// false when the user stopped it.
bool runBands(platform::Bitmap& out, std::int32_t workWidth, const TileRows* tiles, const ScanTable& table,
              const RowSampler& sampler, BusyGuard& busy, GenerationHost& host, const GenerationOptions& options,
              HiddenSurfacePass* hidden = nullptr)
{
    const std::int32_t w = workWidth;
    const std::int32_t h = out.height();
    const std::int32_t band = bandRows(h, platform::dibStride(w, 8));
    const bool inPlace = out.width() == w;

    RowWorkers workers(RowWorkers::chooseSize(options.threads));
    const std::size_t depthSize = static_cast<std::size_t>(std::max(sampler.depthSize(), w));
    const std::size_t scratchSize = static_cast<std::size_t>(std::max(sampler.scratchSize(), 0));
    const std::size_t workSize = inPlace ? 0 : static_cast<std::size_t>(w);
    const std::size_t finished = static_cast<std::size_t>(out.width());
    std::vector<std::vector<std::int32_t>> depth(static_cast<std::size_t>(workers.size()));
    std::vector<std::vector<std::int32_t>> scratch(depth.size());
    std::vector<std::vector<std::uint8_t>> work(depth.size());
    for (std::size_t i = 0; i < depth.size(); ++i) {
        depth[i].assign(depthSize, 0);
        scratch[i].assign(scratchSize, 0);
        work[i].assign(workSize, 0);
    }

    std::int32_t bandStart = 0;
    const RowWorkers::Task task = [&](int worker, std::int32_t begin, std::int32_t end) {
        const std::size_t k = static_cast<std::size_t>(worker);
        std::int32_t* d = depth[k].data();
        std::int32_t* s = scratch[k].data();
        for (std::int32_t i = begin; i < end; ++i) {
            const std::int32_t r = bandStart + i;
            std::uint8_t* row = inPlace ? out.row(r) : work[k].data();
            if (tiles)
                tiles->fill(row, h - 1 - r);
            else if (!inPlace)
                std::memcpy(row, out.row(r), std::min(finished, workSize));
            sampler.sample(r, d, s);
            if (options.fit)
                options.fit->apply(d, static_cast<std::int32_t>(depthSize));
            if (hidden)
                hidden->shift(worker, r, row, d);
            else
                shiftRow(row, d, table);
            if (!inPlace)
                std::memcpy(out.row(r), row, std::min(finished, workSize));
        }
    };

    const std::int64_t total = static_cast<std::int64_t>(w) * h;
    std::int64_t lastPercent = 0;
    for (std::int32_t y = 0; y < h; y += band) {
        bandStart = y;
        workers.run(std::min(band, h - y), task);
        if (host.pumpMessages())
            return false;
        const std::int64_t percent = total > 0 ? static_cast<std::int64_t>(w) * y * 100 / total : 0;
        // Each whole per cent moves the gauge: on a large picture ten per
        // cent can take seconds.
        if (percent > lastPercent) {
            busy.record.done = static_cast<std::int32_t>(static_cast<std::int64_t>(w) * y);
            busy.report(kProgressStep);
            lastPercent = percent;
        }
    }
    return true;
}

ScanTable makeTable(const SirdsSettings& s, std::int32_t gap, DepthScale scale, std::int32_t width)
{
    ScanParams params;
    params.method = s.ShiftDir;
    params.gap = gap;
    params.zmin = s.zmin;
    params.zmax = s.zmax;
    params.scale = scale;
    return ScanTable(params, width);
}

bool hasStrip(std::int32_t method)
{
    return method == LeftToRight || method == McMahon;
}

// Row y (from the bottom) of a picture of any depth as 8-bit indices; 24-bit
// colours become the nearest entries of palette (entry 0 without one).
void indexRow(const platform::Bitmap& picture, int y, const platform::Palette* palette, std::uint8_t* dst,
              const platform::NearestColour* quick = nullptr)
{
    const int width = picture.width();
    switch (picture.bitsPerPixel()) {
    case 8:
        std::memcpy(dst, picture.row(y), static_cast<std::size_t>(width));
        return;
    case 24: {
        if (!palette || palette->empty()) {
            std::memset(dst, 0, static_cast<std::size_t>(width));
            return;
        }
        // Depth pictures run in spans of one colour: the last match is kept.
        const std::uint8_t* src = picture.row(y);
        std::uint32_t lastColour = 0xFFFFFFFFu;
        std::uint8_t lastIndex = 0;
        for (int x = 0; x < width; ++x, src += 3) {
            const std::uint32_t colour = (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[1]} << 8) | src[0];
            if (colour != lastColour) {
                lastIndex = quick ? (*quick)(src[2], src[1], src[0]) : palette->nearest(src[2], src[1], src[0]);
                lastColour = colour;
            }
            dst[x] = lastIndex;
        }
        return;
    }
    default:
        for (int x = 0; x < width; ++x)
            dst[x] = static_cast<std::uint8_t>(picture.pixel(x, y));
        return;
    }
}

// An 8-bit copy of a picture of any depth, converted as indexRow does.
std::unique_ptr<platform::Bitmap> indexedCopy(const platform::Bitmap& picture, const platform::Palette* palette)
{
    auto out = platform::Bitmap::create(picture.width(), picture.height(), 8);
    if (!out)
        return nullptr;
    for (int y = 0; y < picture.height(); ++y)
        indexRow(picture, y, palette, out->row(y));
    return out;
}

// Samples a picture of any depth: 8-bit rows directly, others through one
// row of indices in the worker's scratch, so no indexed copy of the whole
// picture is made. A picture shown zoomed is scaled row by row as it is
// sampled (nearest pixel: scaled column i shows column trunc(i ÷ zoom), row
// y from the top row trunc(y ÷ zoom)), so no scaled copy is made either and
// the work goes on under the progress reports.
class PictureSampler final : public RowSampler {
public:
    PictureSampler(const platform::Bitmap& source, const platform::Palette* palette, SampleLayout layout,
                   std::span<const std::int32_t, 256> lookup, double zoom, std::int32_t height)
        : source_(source), palette_(palette), layout_(layout), lookup_(lookup), zoom_(zoom), height_(height)
    {
        // A large true-colour picture looks up millions of colours: the
        // quick search gives the same entries many times faster.
        if (source_.bitsPerPixel() == 24 && palette_ && !palette_->empty() &&
            static_cast<std::int64_t>(source_.width()) * source_.height() >= platform::NearestColour::kWorthwhilePixels)
            quick_.emplace(*palette_);
        if (zoom_ != 1.0) {
            columns_.resize(static_cast<std::size_t>(layout_.sourceWidth));
            for (std::int32_t i = 0; i < layout_.sourceWidth; ++i)
                columns_[static_cast<std::size_t>(i)] = std::min(static_cast<std::int32_t>(i / zoom_),
                                                                 source_.width() - 1);
        }
    }
    std::int32_t depthSize() const override { return layout_.n; }
    std::int32_t scratchSize() const override { return indexWords() + (zoom_ != 1.0 ? words(layout_.sourceWidth) : 0); }
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t* scratch) const override
    {
        std::int32_t sourceRow = r;
        if (zoom_ != 1.0) {
            const std::int32_t y = height_ - 1 - r;
            const std::int32_t sy = std::min(static_cast<std::int32_t>(y / zoom_), source_.height() - 1);
            sourceRow = source_.height() - 1 - sy;
        }
        const std::uint8_t* row = source_.row(sourceRow);
        if (source_.bitsPerPixel() != 8) {
            auto* indices = reinterpret_cast<std::uint8_t*>(scratch);
            indexRow(source_, sourceRow, palette_, indices, quick_ ? &*quick_ : nullptr);
            row = indices;
        }
        if (zoom_ != 1.0) {
            auto* scaled = reinterpret_cast<std::uint8_t*>(scratch + indexWords());
            for (std::size_t i = 0; i < columns_.size(); ++i)
                scaled[i] = row[columns_[i]];
            row = scaled;
        }
        samplePictureRow(depth, layout_.n, row, layout_, lookup_);
    }

private:
    static std::int32_t words(std::int32_t bytes) { return (bytes + 3) / 4; }
    std::int32_t indexWords() const { return source_.bitsPerPixel() == 8 ? 0 : words(source_.width()); }

    const platform::Bitmap& source_;
    const platform::Palette* palette_;
    SampleLayout layout_;
    std::span<const std::int32_t, 256> lookup_;
    double zoom_;
    std::int32_t height_;
    std::vector<std::int32_t> columns_;
    std::optional<platform::NearestColour> quick_;
};

class MapSampler final : public RowSampler {
public:
    MapSampler(const DepthMapSource& map, SampleLayout layout, std::int32_t height)
        : map_(map), layout_(layout), height_(height),
          columns_(std::min(layout.count(), layout.sourceWidth))
    {
    }
    std::int32_t depthSize() const override { return layout_.n; }
    std::int32_t scratchSize() const override { return std::max(columns_, 1); }
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t* levels) const override
    {
        if (columns_ > 0)
            map_.levelRow(height_ - 1 - r, levels, columns_);
        sampleLevelRow(depth, layout_.n, levels, layoutFor());
    }

private:
    SampleLayout layoutFor() const
    {
        SampleLayout l = layout_;
        l.sourceWidth = columns_;
        return l;
    }

    const DepthMapSource& map_;
    SampleLayout layout_;
    std::int32_t height_;
    std::int32_t columns_;
};

class FigureSampler final : public RowSampler {
public:
    explicit FigureSampler(const FigureSampling& figure) : figure_(figure) {}
    std::int32_t depthSize() const override { return figure_.width; }
    void sample(std::int32_t r, std::int32_t* depth, std::int32_t*) const override
    {
        sampleFigureRow(depth, r, figure_);
    }

private:
    FigureSampling figure_;
};

GenerationResult finished(std::unique_ptr<platform::Bitmap> bitmap, platform::Palette palette, std::string title)
{
    GenerationResult result;
    result.status = GenerationStatus::Finished;
    result.picture.bitmap = std::move(bitmap);
    result.picture.palette = std::move(palette);
    result.picture.title = std::move(title);
    return result;
}

FigureLevelFn libraryFigureLevel()
{
    return &GetFigureLevel;
}

bool patternUsable(const PatternRef& p, bool needTile)
{
    if (!p.palette || p.palette->empty())
        return false;
    return !needTile || (p.tile && p.tile->width() > 0 && p.tile->height() > 0);
}

} // namespace

// ---------------------------------------------------------------------------
// Make from a math figure

static GenerationResult figureImpl(const SirdsSettings& s, const FigureJob& job, GenerationHost& host)
{
    BusyGuard busy(host);
    busy.record.setText("Generating Dots");
    busy.start(busy.record);

    const PatternRef pattern = host.pattern();
    const bool drawOver = s.UseBMP != 0 && job.drawOver && job.drawOver->width() > 0;
    const bool dots = !drawOver && usesRandomDots(s);
    if (!dots && !patternUsable(pattern, !drawOver))
        return failure(host, std::string(kNoPatternMessage));
    const FigureLevelFn level = job.level ? job.level : libraryFigureLevel();
    if (!level)
        return failure(host, std::string(kNoFigureMessage));
    const std::int32_t g = s.gapValue;
    if (g < 1)
        return failure(host, platform::format(kBadGapFormat, g));

    const platform::Palette palette = dots ? randomDotPalette(s.hidden) : stereogramPalette(*pattern.palette);
    std::unique_ptr<platform::Bitmap> image;
    if (drawOver) {
        image = indexedCopy(*job.drawOver, &palette);
    } else {
        if (!sizeUsable(s.w, s.h))
            return badSize(host, s.w, s.h);
        image = platform::Bitmap::create(s.w, s.h, 8);
    }
    if (!image)
        return failure(host, std::string(kNoMemoryMessage));
    const std::int32_t w = image->width();
    const std::int32_t h = image->height();

    busy.record.setText("Generating Dots");
    busy.report(kProgressText);
    // Each row is tiled as it is made, while it is in the cache.
    std::optional<TileRows> tiles;
    if (dots)
        fillRandomDots(*image, s.hidden);
    else if (!drawOver)
        tiles.emplace(*pattern.tile, w, s.ShiftDir, pattern.palette);

    host.statusRefresh();
    busy.record.setText("Shifting Dots");
    busy.record.done = 0;
    busy.record.total = static_cast<std::int32_t>(static_cast<std::int64_t>(w) * h);

    FigureSampling figure;
    figure.level = level;
    figure.figureCode = job.figureCode;
    figure.width = w;
    figure.height = h;
    figure.gap = g;
    figure.dx = s.dx;
    figure.dy = s.dy;
    figure.da = s.da;
    figure.method = s.ShiftDir;
    const ScanTable table = makeTable(s, g, DepthScale::figure(), w);
    const auto hidden = makeHiddenSurfacePass(s, g, w, h, palette);
    if (!runBands(*image, w, tiles ? &*tiles : nullptr, table, FigureSampler(figure), busy, host, job.options,
                  hidden.get()))
        return stopped();
    if (hidden)
        image = hidden->finish(std::move(image));

    if (s.Marker == 1)
        drawMarkers(*image, palette, hidden ? hidden->tables().farSeparation() : g);
    const std::string caption = captionText(job.title);
    drawTextAnyDepth(host, *image, palette, 9, h - 21, caption, kCaptionShadow);
    drawTextAnyDepth(host, *image, palette, 10, h - 20, caption, kCaptionColour);
    return finished(std::move(image), palette, std::string(job.title));
}

GenerationResult makeFromFigure(const SirdsSettings& settings, const FigureJob& job, GenerationHost& host)
{
    try {
        return figureImpl(settings, job, host);
    } catch (const std::bad_alloc&) {
        return failure(host, std::string(kNoMemoryMessage));
    }
}

// ---------------------------------------------------------------------------
// Make from a picture

static GenerationResult pictureImpl(const SirdsSettings& s, const PictureJob& job, GenerationHost& host)
{
    BusyGuard busy(host);
    if (!job.picture || job.picture->width() < 1 || job.picture->height() < 1)
        return failure(host, std::string(kNoPictureMessage));
    const PatternRef pattern = host.pattern();
    const bool dots = usesRandomDots(s);
    if (!dots && !patternUsable(pattern, true))
        return failure(host, std::string(kNoPatternMessage));
    if (s.gapValue < 1)
        return failure(host, platform::format(kBadGapFormat, s.gapValue));

    const double zoom = std::isfinite(job.zoom) && job.zoom > 0 ? job.zoom : 1.0;
    const std::int64_t pw = static_cast<std::int64_t>(job.picture->width() * zoom);
    const std::int64_t ph = static_cast<std::int64_t>(job.picture->height() * zoom);
    const std::int64_t g64 = static_cast<std::int64_t>(s.gapValue * zoom);
    const std::int64_t w64 = hasStrip(s.ShiftDir) ? pw + g64 : pw;
    if (!sizeUsable(w64, ph) || g64 < 1 || pw < 1)
        return badSize(host, pw, ph);
    const std::int32_t w = static_cast<std::int32_t>(w64);
    const std::int32_t h = static_cast<std::int32_t>(ph);
    const std::int32_t g = static_cast<std::int32_t>(g64);

    // Busy from here: every pass over the picture comes after the first report.
    busy.start(ProgressRecord{});

    // The finished picture is made directly, without the strip; the source
    // is read as it is, row by row, at the size the window shows it.
    const platform::Palette palette = dots ? randomDotPalette(s.hidden) : stereogramPalette(*pattern.palette);
    auto image = platform::Bitmap::create(finishedWidth(w, g, s.ShiftDir, true), h, 8);
    if (!image)
        return failure(host, std::string(kNoMemoryMessage));
    std::optional<TileRows> tiles;
    if (dots)
        fillRandomDots(*image, s.hidden);
    else
        tiles.emplace(*pattern.tile, w, s.ShiftDir, pattern.palette);

    busy.record.setText("Generating Dots");
    busy.record.done = 0;
    busy.record.total = 100;
    busy.report(kProgressText);

    busy.record.setText("Shifting Dots");
    busy.record.done = 0;
    busy.record.total = static_cast<std::int32_t>(static_cast<std::int64_t>(w) * h);
    std::array<std::int32_t, 256> lookup{};
    depthLookup(s.DepthSel, job.palette, lookup);
    const SampleLayout layout = sampleLayout(static_cast<std::int32_t>(pw), w, g, s.ShiftDir);
    const ScanTable table = makeTable(s, g, DepthScale::picture(), w);
    // A picture row costs a copy and a shift, far less than handing bands
    // between threads, so pictures are made on the calling thread unless the
    // caller asks otherwise.
    // The hidden-surface method's rows cost more: they are worth sharing.
    const auto hidden = makeHiddenSurfacePass(s, g, w, h, palette);
    const platform::Grey16Image* plane = job.depth16;
    if (hidden && plane && s.DepthSel == ByBrightness && plane->width == job.picture->width() &&
        plane->height == job.picture->height())
        hidden->useGrey16(plane, zoom);
    GenerationOptions options = job.options;
    if (options.threads == 0 && !hidden)
        options.threads = 1;
    if (!runBands(*image, w, tiles ? &*tiles : nullptr, table, PictureSampler(*job.picture, job.palette, layout, lookup, zoom, h),
                  busy, host, options, hidden.get())) {
        host.beep();
        return stopped();
    }
    if (hidden)
        image = hidden->finish(std::move(image));

    if (s.Marker == 1)
        drawMarkers(*image, palette, hidden ? hidden->tables().farSeparation() : g);
    return finished(std::move(image), palette, std::string(job.title) + "{sird}");
}

GenerationResult makeFromPicture(const SirdsSettings& settings, const PictureJob& job, GenerationHost& host)
{
    try {
        return pictureImpl(settings, job, host);
    } catch (const std::bad_alloc&) {
        return failure(host, std::string(kNoMemoryMessage));
    }
}

// ---------------------------------------------------------------------------
// Make from a depth map

static GenerationResult mapImpl(const SirdsSettings& s, const DepthMapJob& job, GenerationHost& host)
{
    BusyGuard busy(host);
    if (!job.map)
        return failure(host, std::string(kNoPictureMessage));
    const PatternRef pattern = host.pattern();
    const bool dots = usesRandomDots(s);
    if (!dots && !patternUsable(pattern, true))
        return failure(host, std::string(kNoPatternMessage));
    const std::int32_t g = s.gapValue;
    if (g < 1)
        return failure(host, platform::format(kBadGapFormat, g));
    const std::int64_t mw = job.map->width();
    const std::int64_t mh = job.map->height();
    const std::int64_t w64 = hasStrip(s.ShiftDir) ? mw + g : mw;
    if (mw < 1 || !sizeUsable(w64, mh))
        return badSize(host, mw, mh);
    const std::int32_t w = static_cast<std::int32_t>(w64);
    const std::int32_t h = static_cast<std::int32_t>(mh);

    // The finished picture is made directly, without the strip.
    const platform::Palette palette = dots ? randomDotPalette(s.hidden) : stereogramPalette(*pattern.palette);
    auto image = platform::Bitmap::create(finishedWidth(w, g, s.ShiftDir, true), h, 8);
    if (!image)
        return failure(host, std::string(kNoMemoryMessage));

    busy.start(ProgressRecord{});
    busy.record.setText("Generating Dots");
    busy.report(kProgressText);
    std::optional<TileRows> tiles;
    if (dots)
        fillRandomDots(*image, s.hidden);
    else
        tiles.emplace(*pattern.tile, w, s.ShiftDir, pattern.palette);

    host.statusRefresh();
    busy.record.setText("Shifting Dots");
    busy.record.done = 0;
    busy.record.total = static_cast<std::int32_t>(static_cast<std::int64_t>(w) * h);
    const SampleLayout layout = sampleLayout(static_cast<std::int32_t>(mw), w, g, s.ShiftDir);
    const ScanTable table = makeTable(s, g, DepthScale::depthMap(), w);
    const auto hidden = makeHiddenSurfacePass(s, g, w, h, palette);
    if (!runBands(*image, w, tiles ? &*tiles : nullptr, table, MapSampler(*job.map, layout, h), busy, host,
                  job.options, hidden.get()))
        return stopped();
    if (hidden)
        image = hidden->finish(std::move(image));

    if (s.Marker == 1)
        drawMarkers(*image, palette, hidden ? hidden->tables().farSeparation() : g);
    return finished(std::move(image), palette, std::string(job.title));
}

GenerationResult makeFromDepthMap(const SirdsSettings& settings, const DepthMapJob& job, GenerationHost& host)
{
    try {
        return mapImpl(settings, job, host);
    } catch (const std::bad_alloc&) {
        return failure(host, std::string(kNoMemoryMessage));
    }
}

} // namespace engine
