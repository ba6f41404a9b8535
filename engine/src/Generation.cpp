#include "engine/Generation.h"

#include "engine/HiddenSurface.h"
#include "engine/NoiseField.h"
#include "engine/ScanMethods.h"
#include "engine/Tiling.h"

#include "StereogramSource.h"
#include "RowSamplers.h"
#include "RowWorkers.h"

#include "platform/BitmapInfo.h"
#include "platform/Window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
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

// The band loop: every row of the finished picture out made, a band at a
// time, with message pumping and progress between bands. Each row is worked
// at workWidth: tiled with the pattern (or, without tiles, taken as out
// holds it), sampled and shifted, then its first out.width() columns are the
// finished row; a picture as wide as the work is worked in place. Returns
// false when the user stopped it.
//
// With colourTiles the texture is true colour: each row is tiled into
// 0x00RRGGBB pixels, linked there, and written into out, a 24-bit picture.
// With a stream, the picture is made in blocks of stream->rows rows, and
// out holds one of them: row r of the picture is out's row r mod
// stream->rows. Each time a block is done (or the picture) stream->finish
// gives it out; it returns false when the rows could not go.
struct BandStream {
    std::int32_t height = 0; // the picture's
    std::int32_t rows = 0;   // a block's, a whole number of bands
    std::function<bool(std::int32_t first, std::int32_t count)> finish;
};

// The rows a streamed picture is held in: whole bands, about a quarter of a
// megabyte of finished rows.
std::int32_t streamRows(std::int32_t band, std::int32_t height, std::size_t finishedStride)
{
    constexpr std::size_t kStreamBytes = std::size_t{1} << 18;
    const std::size_t bandBytes = std::max<std::size_t>(static_cast<std::size_t>(band) * finishedStride, 1);
    const auto bands = static_cast<std::int32_t>(std::max<std::size_t>(kStreamBytes / bandBytes, 1));
    return static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(band) * bands, height));
}

bool runBands(platform::Bitmap& out, std::int32_t workWidth, const TileRows* tiles, const ScanTable& table,
              const RowSampler& sampler, BusyGuard& busy, GenerationHost& host, const GenerationOptions& options,
              HiddenSurfacePass* hidden = nullptr, const ColourTileRows* colourTiles = nullptr,
              const BandStream* stream = nullptr)
{
    const std::int32_t w = workWidth;
    const std::int32_t h = stream ? stream->height : out.height();
    const std::int32_t held = stream ? stream->rows : h;
    // A stream's blocks are shared out whole: fewer meetings of the workers.
    const std::int32_t band = stream ? held : bandRows(h, platform::dibStride(w, 8));
    const bool inPlace = out.width() == w;

    RowWorkers workers(RowWorkers::chooseSize(options.threads));
    const std::size_t depthSize = static_cast<std::size_t>(std::max(sampler.depthSize(), w));
    const std::size_t scratchSize = static_cast<std::size_t>(std::max(sampler.scratchSize(), 0));
    const std::size_t workSize = inPlace ? 0 : static_cast<std::size_t>(w);
    const std::size_t finished = static_cast<std::size_t>(out.width());
    std::vector<std::vector<std::int32_t>> depth(static_cast<std::size_t>(workers.size()));
    std::vector<std::vector<std::int32_t>> scratch(depth.size());
    std::vector<std::vector<std::uint8_t>> work(depth.size());
    std::vector<std::vector<std::uint32_t>> colourWork(depth.size());
    for (std::size_t i = 0; i < depth.size(); ++i) {
        depth[i].assign(depthSize, 0);
        scratch[i].assign(scratchSize, 0);
        work[i].assign(colourTiles ? 0 : workSize, 0);
        colourWork[i].assign(colourTiles ? static_cast<std::size_t>(w) : 0, 0);
    }

    std::int32_t bandStart = 0;
    const RowWorkers::Task task = [&](int worker, std::int32_t begin, std::int32_t end) {
        const std::size_t k = static_cast<std::size_t>(worker);
        std::int32_t* d = depth[k].data();
        std::int32_t* s = scratch[k].data();
        for (std::int32_t i = begin; i < end; ++i) {
            const std::int32_t r = bandStart + i;
            if (colourTiles) {
                std::uint32_t* texture = colourWork[k].data();
                colourTiles->fill(texture, h - 1 - r);
                sampler.sample(r, d, s);
                if (options.fit)
                    options.fit->apply(d, static_cast<std::int32_t>(depthSize));
                std::uint8_t* dst = out.row(r % held);
                if (hidden) {
                    hidden->shiftColour(worker, r, texture, d, dst);
                    continue;
                }
                shiftRow(texture, d, table);
                for (std::size_t x = 0; x < finished; ++x) {
                    dst[3 * x] = static_cast<std::uint8_t>(texture[x]);
                    dst[3 * x + 1] = static_cast<std::uint8_t>(texture[x] >> 8);
                    dst[3 * x + 2] = static_cast<std::uint8_t>(texture[x] >> 16);
                }
                continue;
            }
            std::uint8_t* row = inPlace ? out.row(r % held) : work[k].data();
            if (tiles)
                tiles->fill(row, h - 1 - r);
            else if (!inPlace)
                std::memcpy(row, out.row(r % held), std::min(finished, workSize));
            sampler.sample(r, d, s);
            if (options.fit)
                options.fit->apply(d, static_cast<std::int32_t>(depthSize));
            if (hidden)
                hidden->shift(worker, r, row, d);
            else
                shiftRow(row, d, table);
            if (!inPlace)
                std::memcpy(out.row(r % held), row, std::min(finished, workSize));
        }
    };

    const std::int64_t total = static_cast<std::int64_t>(w) * h;
    std::int64_t lastPercent = 0;
    for (std::int32_t y = 0; y < h; y += band) {
        bandStart = y;
        const std::int32_t rows = std::min(band, h - y);
        workers.run(rows, task);
        if (stream && ((y + rows) % held == 0 || y + rows == h)) {
            const std::int32_t first = (y + rows - 1) / held * held;
            if (!stream->finish(first, y + rows - first))
                return false;
        }
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
    params.freshFill = usableHiddenSurface(s.hidden).FreshFill != 0;
    return ScanTable(params, width);
}

bool hasStrip(std::int32_t method)
{
    return method == LeftToRight || method == McMahon;
}

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
    const bool tiled = p.tile && p.tile->width() > 0 && p.tile->height() > 0;
    // A true-colour tile carries its colours itself.
    const bool colours = (p.palette && !p.palette->empty()) || (tiled && p.tile->bitsPerPixel() == 24);
    return colours && (!needTile || tiled);
}

} // namespace

// ---------------------------------------------------------------------------
// The driver: one prepare and one finish around the source's row sampler

static GenerationResult generateImpl(const SirdsSettings& s, const StereogramSource& source, GenerationHost& host)
{
    BusyGuard busy(host);
    const BusyFrom busyFrom = source.busyFrom();
    if (busyFrom == BusyFrom::Start) {
        busy.record.setText("Generating Dots");
        busy.start(busy.record);
    }
    if (const std::string_view why = source.missing(); !why.empty())
        return failure(host, std::string(why));
    const PatternRef pattern = host.pattern();
    const platform::Bitmap* drawOver = source.drawOver();
    const bool dots = !drawOver && usesRandomDots(s);
    if (!dots && !patternUsable(pattern, !drawOver))
        return failure(host, std::string(kNoPatternMessage));
    if (const std::string_view why = source.unavailable(); !why.empty())
        return failure(host, std::string(why));
    if (s.gapValue < 1)
        return failure(host, platform::format(kBadGapFormat, s.gapValue));
    const Sizing sizing = source.size(s);
    if (!sizing.size)
        return badSize(host, sizing.askedWidth, sizing.askedHeight);
    const MakeSize size = *sizing.size;
    if (busyFrom == BusyFrom::Sized)
        busy.start(ProgressRecord{});

    const platform::Palette palette = dots ? randomDotPalette(s.hidden)
                                           : stereogramPalette(pattern.palette ? *pattern.palette : platform::Palette());
    // A true-colour pattern, and noise dots in colour, make a true-colour
    // stereogram; everything else is worked in colour indices.
    const bool colourNoise = dots && usesColourNoise(s);
    const bool colour = colourNoise || (!dots && !drawOver && pattern.tile->bitsPerPixel() == 24);
    // A sink takes the picture band by band where every row can be finished
    // on its own: not under a caption or over a picture, nor from dots that
    // are made over the whole picture.
    BandSink* const sink = source.options(false).sink;
    const bool streams = sink && !drawOver && !dots && !source.caption();
    // Oversampled links over indices are averaged into true colour.
    const bool averaged =
        s.ShiftDir == HiddenSurface && !colour && HiddenSurfaceParams::from(s, size.gap, size.work).oversample > 1;
    const int depth = colour || averaged ? 24 : 8;
    const std::int32_t band = bandRows(size.height, platform::dibStride(size.work, 8));
    // A streamed picture is held a block at a time.
    const std::int32_t held =
        streams ? streamRows(band, size.height, platform::dibStride(size.width, depth)) : size.height;
    // The finished picture is made directly, without the strip.
    std::unique_ptr<platform::Bitmap> image =
        drawOver ? indexedCopy(*drawOver, &palette) : platform::Bitmap::create(size.width, held, colour ? 24 : 8);
    if (!image)
        return failure(host, std::string(kNoMemoryMessage));
    if (busyFrom == BusyFrom::Allocated)
        busy.start(ProgressRecord{});

    busy.record.setText("Generating Dots");
    busy.report(kProgressText);
    // Each row is tiled as it is made, while it is in the cache.
    std::optional<TileRows> tiles;
    std::optional<ColourTileRows> colourTiles;
    if (colourNoise) {
        const std::unique_ptr<platform::Bitmap> noise = noiseTexture(size.work, size.height, s.hidden);
        if (!noise)
            return failure(host, std::string(kNoMemoryMessage));
        colourTiles.emplace(*noise, size.work, s.ShiftDir);
    } else if (dots) {
        fillRandomDots(*image, s.hidden);
    } else if (colour) {
        colourTiles.emplace(*pattern.tile, size.work, s.ShiftDir, pattern.palette);
    } else if (!drawOver) {
        tiles.emplace(*pattern.tile, size.work, s.ShiftDir, pattern.palette);
    }
    if (source.refreshesStatus())
        host.statusRefresh();

    busy.record.setText("Shifting Dots");
    busy.record.done = 0;
    busy.record.total = static_cast<std::int32_t>(static_cast<std::int64_t>(size.work) * size.height);
    const ScanTable table = makeTable(s, size.gap, source.scale(), size.work);
    const auto hidden = makeHiddenSurfacePass(s, size.gap, size.work, size.height, palette, colour, held);
    if (hidden)
        source.prepareHidden(s, *hidden);
    const std::unique_ptr<RowSampler> sampler = source.sampler(s, size);
    const std::int32_t markerGap = hidden ? hidden->tables().farSeparation() : size.gap;
    BandStream stream;
    bool unsent = false;
    if (streams) {
        if (!sink->begin(size.width, size.height, depth, palette))
            return failure(host, std::string(kNotSentMessage));
        stream.height = size.height;
        stream.rows = held;
        stream.finish = [&](std::int32_t first, std::int32_t count) {
            platform::Bitmap& rows = hidden && hidden->output() ? *hidden->output() : *image;
            // The held rows' top stands for picture row height − first − held
            // (from the top): above the picture for a last, shorter block,
            // whose rows are the lowest held.
            if (s.Marker == 1)
                drawMarkers(rows, palette, markerGap, size.height - first - held);
            unsent = !sink->rows(rows.row(0), rows.stride(), count);
            return !unsent;
        };
    }
    if (!runBands(*image, size.work, tiles ? &*tiles : nullptr, table, *sampler, busy, host,
                  source.options(hidden != nullptr), hidden.get(), colourTiles ? &*colourTiles : nullptr,
                  streams ? &stream : nullptr)) {
        if (unsent)
            return failure(host, std::string(kNotSentMessage));
        if (source.beepsWhenStopped())
            host.beep();
        return stopped();
    }

    if (streams) {
        GenerationResult result = finished(nullptr, palette, source.title());
        result.streamed = true;
        return result;
    }
    if (hidden)
        image = hidden->finish(std::move(image));
    if (s.Marker == 1)
        drawMarkers(*image, palette, markerGap);
    if (const std::optional<std::string> caption = source.caption()) {
        const std::int32_t h = image->height();
        drawTextAnyDepth(host, *image, palette, 9, h - 21, *caption, kCaptionShadow);
        drawTextAnyDepth(host, *image, palette, 10, h - 20, *caption, kCaptionColour);
    }
    return finished(std::move(image), palette, source.title());
}

GenerationResult generate(const SirdsSettings& settings, const StereogramSource& source, GenerationHost& host)
{
    try {
        return generateImpl(settings, source, host);
    } catch (const std::bad_alloc&) {
        return failure(host, std::string(kNoMemoryMessage));
    }
}

// ---------------------------------------------------------------------------
// The sources of depth

namespace {

// Sizes of the pictures and maps that carry the strip of the classic
// methods: the work is the source plus the strip, the finished picture the
// source's size.
Sizing stripSizing(const SirdsSettings& s, std::int64_t sourceWidth, std::int64_t sourceHeight, std::int64_t gap)
{
    Sizing sizing;
    sizing.askedWidth = sourceWidth;
    sizing.askedHeight = sourceHeight;
    const std::int64_t work = hasStrip(s.ShiftDir) ? sourceWidth + gap : sourceWidth;
    if (gap < 1 || sourceWidth < 1 || !sizeUsable(work, sourceHeight))
        return sizing;
    MakeSize size;
    size.work = static_cast<std::int32_t>(work);
    size.height = static_cast<std::int32_t>(sourceHeight);
    size.gap = static_cast<std::int32_t>(gap);
    size.width = finishedWidth(size.work, size.gap, s.ShiftDir, true);
    sizing.size = size;
    return sizing;
}

// A math figure: its caption names it, it shows the busy state from the
// first check, and it may be drawn over an open picture.
class FigureSource final : public StereogramSource {
public:
    FigureSource(const SirdsSettings& s, const FigureJob& job)
        : job_(job), level_(job.level ? job.level : libraryFigureLevel()),
          drawOver_(s.UseBMP != 0 && job.drawOver && job.drawOver->width() > 0 ? job.drawOver : nullptr)
    {
    }
    std::string_view unavailable() const override { return level_ ? std::string_view{} : kNoFigureMessage; }
    const platform::Bitmap* drawOver() const override { return drawOver_; }
    Sizing size(const SirdsSettings& s) const override
    {
        Sizing sizing;
        sizing.askedWidth = s.w;
        sizing.askedHeight = s.h;
        if (!drawOver_ && !sizeUsable(s.w, s.h))
            return sizing;
        MakeSize size;
        size.work = size.width = drawOver_ ? drawOver_->width() : s.w;
        size.height = drawOver_ ? drawOver_->height() : s.h;
        size.gap = s.gapValue;
        sizing.size = size;
        return sizing;
    }
    DepthScale scale() const override { return DepthScale::figure(); }
    std::unique_ptr<RowSampler> sampler(const SirdsSettings& s, const MakeSize& size) const override
    {
        FigureSampling figure;
        figure.level = level_;
        figure.figureCode = job_.figureCode;
        figure.width = size.work;
        figure.height = size.height;
        figure.gap = size.gap;
        figure.dx = s.dx;
        figure.dy = s.dy;
        figure.da = s.da;
        figure.method = s.ShiftDir;
        return std::make_unique<FigureSampler>(figure);
    }
    GenerationOptions options(bool) const override { return job_.options; }
    std::string title() const override { return std::string(job_.title); }
    std::optional<std::string> caption() const override { return captionText(job_.title); }
    BusyFrom busyFrom() const override { return BusyFrom::Start; }

private:
    const FigureJob& job_;
    FigureLevelFn level_;
    const platform::Bitmap* drawOver_;
};

// Pictures of this many stereogram pixels or more are made on every core.
// Whole processes writing a BMP to a pipe, two cores against one: 1200 x
// 1200 takes 0.91 of the time (0.86 from a 24-bit picture), 700 x 700 1.07
// (1.03) and 400 x 400 1.14, the second thread's start costing some 0.4 ms.
constexpr double kSharedPicturePixels = 1e6;

// A picture, made at the zoom its window shows it: its colour indices (or
// brightness) are the depth, and it is read row by row as it is.
class PictureSource final : public StereogramSource {
public:
    explicit PictureSource(const SirdsSettings& s, const PictureJob& job)
        : job_(job), zoom_(std::isfinite(job.zoom) && job.zoom > 0 ? job.zoom : 1.0)
    {
        if (job.picture)
            pictureDepthLookup(s.DepthSel, *job.picture, job.palette, lookup_);
        if (job.sampled)
            seen_.emplace(lookup_);
    }
    std::string_view missing() const override
    {
        const bool empty = !job_.picture || job_.picture->width() < 1 || job_.picture->height() < 1;
        return empty ? kNoPictureMessage : std::string_view{};
    }
    Sizing size(const SirdsSettings& s) const override
    {
        return stripSizing(s, static_cast<std::int64_t>(job_.picture->width() * zoom_),
                           static_cast<std::int64_t>(job_.picture->height() * zoom_),
                           static_cast<std::int64_t>(s.gapValue * zoom_));
    }
    DepthScale scale() const override { return DepthScale::picture(); }
    std::unique_ptr<RowSampler> sampler(const SirdsSettings& s, const MakeSize& size) const override
    {
        const std::int32_t pw = static_cast<std::int32_t>(job_.picture->width() * zoom_);
        const SampleLayout layout = sampleLayout(pw, size.work, size.gap, s.ShiftDir);
        return std::make_unique<PictureSampler>(*job_.picture, job_.palette, layout, lookup_, zoom_, size.height,
                                                seen_ ? &*seen_ : nullptr);
    }
    void prepareHidden(const SirdsSettings& s, HiddenSurfacePass& hidden) const override
    {
        const platform::Grey16Image* plane = job_.depth16;
        if (plane && s.DepthSel == ByBrightness && plane->width == job_.picture->width() &&
            plane->height == job_.picture->height())
            hidden.useGrey16(plane, zoom_);
    }
    GenerationOptions options(bool hiddenSurface) const override
    {
        // A picture row costs a copy and a shift: a small picture is done
        // before a helper would have earned its start, so it is made on the
        // calling thread unless the caller asks otherwise. Large pictures,
        // and the hidden-surface method's costlier rows, are worth sharing.
        GenerationOptions options = job_.options;
        const double pixels = job_.picture->width() * zoom_ * job_.picture->height() * zoom_;
        if (options.threads == 0 && !hiddenSurface && pixels < kSharedPicturePixels)
            options.threads = 1;
        return options;
    }
    std::string title() const override { return std::string(job_.title) + "{sird}"; }
    BusyFrom busyFrom() const override { return BusyFrom::Sized; }
    bool refreshesStatus() const override { return false; }
    bool beepsWhenStopped() const override { return true; }
    DepthRange sampled() const { return seen_ ? seen_->range() : DepthRange{}; }

private:
    const PictureJob& job_;
    double zoom_;
    std::array<std::int32_t, 256> lookup_{};
    mutable std::optional<SampledValues> seen_;
};

// A depth map: each point's level is its depth.
class MapSource final : public StereogramSource {
public:
    explicit MapSource(const DepthMapJob& job) : job_(job) {}
    std::string_view missing() const override { return job_.map ? std::string_view{} : kNoPictureMessage; }
    Sizing size(const SirdsSettings& s) const override
    {
        return stripSizing(s, job_.map->width(), job_.map->height(), s.gapValue);
    }
    DepthScale scale() const override { return DepthScale::depthMap(); }
    std::unique_ptr<RowSampler> sampler(const SirdsSettings& s, const MakeSize& size) const override
    {
        const SampleLayout layout = sampleLayout(job_.map->width(), size.work, size.gap, s.ShiftDir);
        return std::make_unique<MapSampler>(*job_.map, layout, size.height);
    }
    GenerationOptions options(bool) const override { return job_.options; }
    std::string title() const override { return std::string(job_.title); }

private:
    const DepthMapJob& job_;
};

} // namespace

GenerationResult makeFromFigure(const SirdsSettings& settings, const FigureJob& job, GenerationHost& host)
{
    return generate(settings, FigureSource(settings, job), host);
}

GenerationResult makeFromPicture(const SirdsSettings& settings, const PictureJob& job, GenerationHost& host)
{
    const PictureSource source(settings, job);
    GenerationResult result = generate(settings, source, host);
    if (job.sampled)
        *job.sampled = source.sampled();
    return result;
}

GenerationResult makeFromDepthMap(const SirdsSettings& settings, const DepthMapJob& job, GenerationHost& host)
{
    return generate(settings, MapSource(job), host);
}

} // namespace engine
