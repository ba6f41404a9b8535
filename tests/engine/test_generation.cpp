// The generation driver against a recording host: sizes per source, band
// sizes, progress, stopping, refusals, and properties of whole stereograms.

#include "engine/Generation.h"
#include "engine/SirdsSettings.h"

#include "engine/MapGeneration.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

using namespace engine;

namespace {

struct Report {
    int phase;
    std::string text;
    std::int32_t done;
    std::int32_t total;
};

struct TextCall {
    int x, y;
    std::string text;
    Rgb colour;
};

// 16-colour pattern of 37 × 23 with varied indices, yellow at 14 and
// black at 0.
struct Pattern {
    std::unique_ptr<platform::Bitmap> tile;
    platform::Palette palette;

    Pattern()
    {
        tile = platform::Bitmap::create(37, 23, 8);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 7 + y * 3) % 13 + 1));
        std::vector<platform::PALETTEENTRY> e(16);
        for (int i = 0; i < 16; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 8), static_cast<std::uint8_t>(100 + i),
                                              static_cast<std::uint8_t>(200 - i), 0};
        e[0] = {0, 0, 0, 0};
        e[14] = {255, 255, 0, 0};
        palette = platform::Palette(e);
    }
};

class FakeHost : public GenerationHost {
public:
    explicit FakeHost(const Pattern* p) : pattern_(p) {}

    void progress(int phase, const ProgressRecord& r) override
    {
        reports.push_back({phase, std::string(r.textView()), r.done, r.total});
    }
    PatternRef pattern() override
    {
        ++patternRequests;
        if (!pattern_)
            return {};
        return {pattern_->tile.get(), &pattern_->palette};
    }
    void statusRefresh() override { ++refreshes; }
    bool pumpMessages() override
    {
        ++pumps;
        return stopAtPump > 0 && pumps >= stopAtPump;
    }
    void drawText(platform::Bitmap&, const platform::Palette&, int x, int y, std::string_view text,
                  Rgb colour) override
    {
        texts.push_back({x, y, std::string(text), colour});
    }
    void showError(std::string_view message) override { errors.emplace_back(message); }
    void beep() override { ++beeps; }

    int count(int phase) const
    {
        int n = 0;
        for (const Report& r : reports)
            n += r.phase == phase;
        return n;
    }
    std::vector<Report> reports;
    std::vector<TextCall> texts;
    std::vector<std::string> errors;
    int patternRequests = 0;
    int refreshes = 0;
    int pumps = 0;
    int stopAtPump = 0;
    int beeps = 0;

private:
    const Pattern* pattern_;
};

std::int32_t craterLike(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t,
                        std::int32_t)
{
    const std::int64_t dx = x - cx, dy = y - cy;
    const std::int64_t r2 = dx * dx + dy * dy;
    return r2 < 90 * 90 ? static_cast<std::int32_t>(63 - r2 / 130) : 0;
}

std::int32_t flatFigure(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return 0;
}

std::unique_ptr<platform::Bitmap> uniformPicture(int w, int h, std::uint8_t index)
{
    auto p = platform::Bitmap::create(w, h, 8);
    std::fill(p->bits().begin(), p->bits().end(), index);
    return p;
}

// True when every row from the top row `from` down repeats with the period
// across the whole width.
bool rowsPeriodic(const platform::Bitmap& image, int period, int from)
{
    for (int y = from; y < image.height(); ++y) {
        const std::uint8_t* row = image.rowFromTop(y);
        for (int x = period; x < image.width(); ++x)
            if (row[x] != row[x - period])
                return false;
    }
    return true;
}

int shiftingTotal(const FakeHost& host)
{
    for (const Report& r : host.reports)
        if (r.text == "Shifting Dots")
            return r.total;
    return -1;
}

class GridMap : public DepthMapSource {
public:
    GridMap(int w, int h, std::int32_t level) : w_(w), h_(h), level_(level) {}
    std::int32_t width() const override { return w_; }
    std::int32_t height() const override { return h_; }
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override
    {
        {
            std::lock_guard lock(mutex_);
            rows.push_back(y);
            widths.insert(n);
        }
        for (std::int32_t x = 0; x < n; ++x)
            out[x] = x < w_ ? level_ + ((x / 40 + y / 30) % 2) * 16 : 0;
    }
    mutable std::vector<std::int32_t> rows;
    mutable std::set<std::int32_t> widths;

private:
    int w_, h_;
    std::int32_t level_;
    mutable std::mutex mutex_;
};

} // namespace

TEST(BandRows, HalvedUntilABandFitsIn32000Bytes)
{
    EXPECT_EQ(bandRows(400, 400), 50);  // 400 → 200 → 100 → 50
    EXPECT_EQ(bandRows(100, 320), 100); // exactly 32000 bytes
    EXPECT_EQ(bandRows(101, 320), 51);  // halves round up
    EXPECT_EQ(bandRows(1200, 1200), 19);
    EXPECT_EQ(bandRows(5, 40000), 1);
    EXPECT_EQ(bandRows(0, 400), 1);
}

TEST(ProgressRecord, TextIsCutAndPercentNeverDividesByZero)
{
    ProgressRecord r;
    r.setText(std::string(60, 'x'));
    EXPECT_EQ(r.textView(), std::string(39, 'x'));
    EXPECT_EQ(r.text[39], '\0');
    r.setText("Shifting Dots");
    EXPECT_EQ(r.textView(), "Shifting Dots");
    r.done = 50;
    r.total = 0;
    EXPECT_EQ(r.percent(), 0);
    r.total = -5;
    EXPECT_EQ(r.percent(), 0);
    r.total = 200;
    EXPECT_EQ(r.percent(), 25);
    r.done = 2000000000;
    r.total = 1000000000;
    EXPECT_EQ(r.percent(), 100) << "no overflow, clamped";
}

TEST(Generation, BandsDecideHowOftenMessagesArePumped)
{
    Pattern pattern;
    SirdsSettings s;
    FigureJob job;
    job.level = &craterLike;
    FakeHost host(&pattern);
    ASSERT_TRUE(makeFromFigure(s, job, host).finished());
    EXPECT_EQ(host.pumps, 8) << "400 rows in bands of 50";

    s.w = 320;
    s.h = 100;
    FakeHost one(&pattern);
    ASSERT_TRUE(makeFromFigure(s, job, one).finished());
    EXPECT_EQ(one.pumps, 1);
}

TEST(Generation, PictureSizesPerScanMethod)
{
    Pattern pattern;
    auto picture = uniformPicture(300, 200, 5);
    struct Case {
        std::int32_t method;
        int total;
    } cases[] = {{McMahon, 400 * 200}, {LeftToRight, 400 * 200}, {Feucht, 300 * 200}};
    for (const Case& c : cases) {
        SirdsSettings s;
        s.ShiftDir = c.method;
        PictureJob job;
        job.picture = picture.get();
        job.palette = &pattern.palette;
        job.title = "moon.gif";
        FakeHost host(&pattern);
        GenerationResult r = makeFromPicture(s, job, host);
        ASSERT_TRUE(r.finished()) << c.method;
        EXPECT_EQ(shiftingTotal(host), c.total) << "working size, method " << c.method;
        EXPECT_EQ(r.picture.bitmap->width(), 300);
        EXPECT_EQ(r.picture.bitmap->height(), 200);
        EXPECT_EQ(r.picture.bitmap->bitsPerPixel(), 8);
        EXPECT_EQ(r.picture.title, "moon.gif{sird}");
        EXPECT_EQ(r.picture.palette, stereogramPalette(pattern.palette));
        EXPECT_TRUE(host.texts.empty()) << "no caption on pictures";
    }
}

TEST(Generation, DepthMapSizesAndRowsAskedFor)
{
    Pattern pattern;
    for (std::int32_t method : {McMahon, Feucht}) {
        GridMap map(300, 200, 20);
        SirdsSettings s;
        s.ShiftDir = method;
        DepthMapJob job;
        job.map = &map;
        job.title = "hills.rds";
        FakeHost host(&pattern);
        GenerationResult r = makeFromDepthMap(s, job, host);
        ASSERT_TRUE(r.finished());
        EXPECT_EQ(r.picture.bitmap->width(), 300);
        EXPECT_EQ(r.picture.bitmap->height(), 200);
        EXPECT_EQ(shiftingTotal(host), method == Feucht ? 300 * 200 : 400 * 200);
        EXPECT_EQ(host.refreshes, 1);
        // Every map row exactly once; only the columns the layout takes.
        std::multiset<std::int32_t> rows(map.rows.begin(), map.rows.end());
        ASSERT_EQ(rows.size(), 200u);
        for (int y = 0; y < 200; ++y)
            EXPECT_EQ(rows.count(y), 1u) << y;
        EXPECT_EQ(map.widths, (std::set<std::int32_t>{method == Feucht ? 300 : 250}));
    }
}

TEST(Generation, MathFigureHasTheSettingsSizeMarkersAndCaption)
{
    Pattern pattern;
    SirdsSettings s;
    s.w = 400;
    s.h = 300;
    FigureJob job;
    job.level = &craterLike;
    job.figureCode = -1;
    job.title = "Round Crater";
    FakeHost host(&pattern);
    GenerationResult r = makeFromFigure(s, job, host);
    ASSERT_TRUE(r.finished());
    const platform::Bitmap& b = *r.picture.bitmap;
    EXPECT_EQ(b.width(), 400);
    EXPECT_EQ(b.height(), 300);
    EXPECT_EQ(r.picture.title, "Round Crater");
    // Markers at 200 ± 50, in the pattern's yellow (14) and black (0).
    EXPECT_EQ(b.rowFromTop(7)[150], 14);
    EXPECT_EQ(b.rowFromTop(5)[148], 0);
    EXPECT_EQ(b.rowFromTop(9)[252], 0);
    EXPECT_EQ(b.rowFromTop(7)[250], 14);
    // The caption: yellow shadow first, navy on top one pixel right and down.
    ASSERT_EQ(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[0].x, 9);
    EXPECT_EQ(host.texts[0].y, 279);
    EXPECT_EQ(host.texts[0].colour, (Rgb{255, 255, 0}));
    EXPECT_EQ(host.texts[1].x, 10);
    EXPECT_EQ(host.texts[1].y, 280);
    EXPECT_EQ(host.texts[1].colour, (Rgb{0, 0, 128}));
    EXPECT_EQ(host.texts[0].text, "Round Crater - Dotscape - " + std::string(kCaptionCredit));
    EXPECT_EQ(host.texts[1].text, host.texts[0].text);
}

TEST(Generation, MarkersOnlyWhenAskedFor)
{
    Pattern pattern;
    SirdsSettings s;
    s.Marker = 0;
    s.ShiftDir = 0; // the plain tiled pattern
    FigureJob job;
    job.level = &craterLike;
    FakeHost host(&pattern);
    GenerationResult r = makeFromFigure(s, job, host);
    ASSERT_TRUE(r.finished());
    // Without shifting and markers the picture is the centred tiling.
    const int phase = 400 / 2 - 37 / 2;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(r.picture.bitmap->rowFromTop(y)[x],
                      pattern.tile->rowFromTop(y % 23)[((x - phase) % 37 + 37) % 37]);
}

TEST(Generation, ProgressRunsFromStartToEnd)
{
    Pattern pattern;
    SirdsSettings s;
    FigureJob job;
    job.level = &craterLike;
    FakeHost host(&pattern);
    ASSERT_TRUE(makeFromFigure(s, job, host).finished());
    ASSERT_GE(host.reports.size(), 4u);
    EXPECT_EQ(host.reports.front().phase, kProgressStart);
    EXPECT_EQ(host.reports.front().text, "Generating Dots");
    EXPECT_EQ(host.reports[1].phase, kProgressText);
    EXPECT_EQ(host.reports.back().phase, kProgressEnd);
    EXPECT_EQ(host.count(kProgressStart), 1);
    EXPECT_EQ(host.count(kProgressEnd), 1);
    // Steps of at least ten per cent: bands start at 0, 50 … 350 of 400 rows.
    std::vector<std::int32_t> done;
    for (const Report& r : host.reports)
        if (r.phase == kProgressStep) {
            EXPECT_EQ(r.text, "Shifting Dots");
            EXPECT_EQ(r.total, 400 * 400);
            done.push_back(r.done);
        }
    EXPECT_EQ(done, (std::vector<std::int32_t>{400 * 50, 400 * 100, 400 * 150, 400 * 200, 400 * 250,
                                               400 * 300, 400 * 350}));
}

TEST(Generation, ProgressStepsComeAtEachWholePerCent)
{
    // A tall picture has many bands (64 of 19 rows, each more than one per
    // cent): every band moves the gauge.
    Pattern pattern;
    auto picture = uniformPicture(1000, 1200, 3);
    SirdsSettings s;
    s.ShiftDir = Feucht;
    PictureJob job;
    job.picture = picture.get();
    job.palette = &pattern.palette;
    FakeHost host(&pattern);
    ASSERT_TRUE(makeFromPicture(s, job, host).finished());
    EXPECT_EQ(host.pumps, 64);
    EXPECT_EQ(host.count(kProgressStep), 63);

    // With almost five hundred bands of 13 rows the gauge still moves at
    // most a hundred times, once for each per cent.
    auto tall = uniformPicture(2000, 6400, 3);
    job.picture = tall.get();
    FakeHost many(&pattern);
    ASSERT_TRUE(makeFromPicture(s, job, many).finished());
    EXPECT_EQ(many.pumps, 493);
    EXPECT_EQ(many.count(kProgressStep), 99);
    std::int32_t last = 0;
    for (const Report& r : many.reports)
        if (r.phase == kProgressStep) {
            EXPECT_GT(r.done, last);
            last = r.done;
        }
}

TEST(Generation, StopLeavesNoPicture)
{
    Pattern pattern;
    auto picture = uniformPicture(300, 200, 5);
    GridMap map(300, 200, 20);
    for (int stopAt : {1, 3}) {
        SirdsSettings s;
        FigureJob figure;
        figure.level = &craterLike;
        FakeHost a(&pattern);
        a.stopAtPump = stopAt;
        GenerationResult ra = makeFromFigure(s, figure, a);
        EXPECT_EQ(ra.status, GenerationStatus::Stopped);
        EXPECT_FALSE(ra.picture.bitmap);
        EXPECT_EQ(a.pumps, stopAt) << "stops right after the band in progress";
        EXPECT_EQ(a.count(kProgressEnd), 1);
        EXPECT_TRUE(a.texts.empty());
        EXPECT_TRUE(a.errors.empty());

        PictureJob pj;
        pj.picture = picture.get();
        pj.palette = &pattern.palette;
        FakeHost b(&pattern);
        b.stopAtPump = stopAt;
        GenerationResult rb = makeFromPicture(s, pj, b);
        EXPECT_EQ(rb.status, GenerationStatus::Stopped);
        EXPECT_FALSE(rb.picture.bitmap);
        EXPECT_EQ(b.beeps, 1);
        EXPECT_EQ(b.count(kProgressEnd), 1);

        DepthMapJob mj;
        mj.map = &map;
        FakeHost c(&pattern);
        c.stopAtPump = stopAt;
        GenerationResult rc = makeFromDepthMap(s, mj, c);
        EXPECT_EQ(rc.status, GenerationStatus::Stopped);
        EXPECT_FALSE(rc.picture.bitmap);
        EXPECT_EQ(c.beeps, 0);
        EXPECT_EQ(c.count(kProgressEnd), 1);
    }
}

TEST(Generation, EmptyPatternLibraryIsRefusedWithAMessage)
{
    auto picture = uniformPicture(300, 200, 5);
    GridMap map(300, 200, 20);
    Pattern pattern;
    SirdsSettings s;

    FigureJob figure;
    figure.level = &craterLike;
    FakeHost a(nullptr);
    GenerationResult ra = makeFromFigure(s, figure, a);
    EXPECT_EQ(ra.status, GenerationStatus::Failed);
    EXPECT_FALSE(ra.picture.bitmap);
    EXPECT_EQ(a.errors, (std::vector<std::string>{std::string(kNoPatternMessage)}));
    EXPECT_EQ(a.count(kProgressStart), a.count(kProgressEnd)) << "the frame leaves its busy state";

    PictureJob pj;
    pj.picture = picture.get();
    pj.palette = &pattern.palette;
    FakeHost b(nullptr);
    EXPECT_EQ(makeFromPicture(s, pj, b).status, GenerationStatus::Failed);
    EXPECT_EQ(b.errors, (std::vector<std::string>{std::string(kNoPatternMessage)}));
    EXPECT_EQ(b.count(kProgressStart), b.count(kProgressEnd));

    DepthMapJob mj;
    mj.map = &map;
    FakeHost c(nullptr);
    EXPECT_EQ(makeFromDepthMap(s, mj, c).status, GenerationStatus::Failed);
    EXPECT_EQ(c.errors, (std::vector<std::string>{std::string(kNoPatternMessage)}));
    EXPECT_EQ(c.pumps, 0);
}

TEST(Generation, UnusableSettingsAreRefusedNotCrashed)
{
    Pattern pattern;
    FigureJob figure;
    figure.level = &craterLike;
    auto picture = uniformPicture(30, 20, 5);
    PictureJob pj;
    pj.picture = picture.get();
    pj.palette = &pattern.palette;

    SirdsSettings noGap;
    noGap.gapValue = 0;
    FakeHost a(&pattern);
    EXPECT_EQ(makeFromFigure(noGap, figure, a).status, GenerationStatus::Failed);
    ASSERT_EQ(a.errors.size(), 1u);
    EXPECT_NE(a.errors[0].find("gap value 0"), std::string::npos);
    FakeHost b(&pattern);
    EXPECT_EQ(makeFromPicture(noGap, pj, b).status, GenerationStatus::Failed);

    SirdsSettings noWidth;
    noWidth.w = 0;
    FakeHost c(&pattern);
    EXPECT_EQ(makeFromFigure(noWidth, figure, c).status, GenerationStatus::Failed);
    EXPECT_EQ(c.errors, (std::vector<std::string>{"A stereogram of 0 x 400 pixels cannot be made."}));

    SirdsSettings huge;
    huge.w = 2000000000;
    huge.h = 2000000000;
    FakeHost d(&pattern);
    EXPECT_EQ(makeFromFigure(huge, figure, d).status, GenerationStatus::Failed);
    EXPECT_EQ(d.count(kProgressStart), d.count(kProgressEnd));

    FakeHost e(&pattern);
    EXPECT_EQ(makeFromPicture(SirdsSettings{}, PictureJob{}, e).status, GenerationStatus::Failed);
    EXPECT_EQ(e.errors, (std::vector<std::string>{std::string(kNoPictureMessage)}));
}

namespace {

// A map whose rows cannot be had: memory runs out part-way through.
class ExhaustedMap : public DepthMapSource {
public:
    std::int32_t width() const override { return 300; }
    std::int32_t height() const override { return 200; }
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override
    {
        if (y < 120)
            throw std::bad_alloc();
        std::fill(out, out + n, 0);
    }
};

} // namespace

TEST(Generation, RunningOutOfMemoryIsReportedOnEveryThreadCount)
{
    Pattern pattern;
    ExhaustedMap map;
    for (int threads : {1, 2}) {
        DepthMapJob job;
        job.map = &map;
        job.options.threads = threads;
        FakeHost host(&pattern);
        GenerationResult r = makeFromDepthMap(SirdsSettings{}, job, host);
        EXPECT_EQ(r.status, GenerationStatus::Failed);
        EXPECT_FALSE(r.picture.bitmap);
        EXPECT_EQ(r.error, kNoMemoryMessage);
        EXPECT_EQ(host.errors, (std::vector<std::string>{std::string(kNoMemoryMessage)}));
        EXPECT_EQ(host.count(kProgressStart), 1);
        EXPECT_EQ(host.count(kProgressEnd), 1);
    }
}

TEST(Generation, EqualZminAndZmaxGiveAFlatPicture)
{
    Pattern pattern;
    SirdsSettings s;
    s.zmin = 30;
    s.zmax = 30;
    s.Marker = 0;
    FigureJob job;
    job.level = &craterLike;
    for (std::int32_t method : {McMahon, LeftToRight}) {
        s.ShiftDir = method;
        FakeHost host(&pattern);
        GenerationResult r = makeFromFigure(s, job, host);
        ASSERT_TRUE(r.finished());
        EXPECT_TRUE(rowsPeriodic(*r.picture.bitmap, 100, 0)) << method;
    }
}

TEST(Generation, PictureDepthRepeatsAtTheSeparationItAsksFor)
{
    // McMahon: index 0 by colour is depth 0 (separation g = 100); white by
    // brightness is 255, which with zmax 255 is separation g − g ÷ 2 = 50.
    Pattern pattern;
    std::vector<platform::PALETTEENTRY> e(4, platform::PALETTEENTRY{255, 255, 255, 0});
    const platform::Palette white(e);
    auto picture = uniformPicture(300, 120, 2);
    SirdsSettings s;
    s.zmax = 255;
    PictureJob job;
    job.picture = picture.get();
    job.palette = &white;

    s.DepthSel = ByBrightness;
    FakeHost a(&pattern);
    GenerationResult ra = makeFromPicture(s, job, a);
    ASSERT_TRUE(ra.finished());
    EXPECT_TRUE(rowsPeriodic(*ra.picture.bitmap, 50, 10));

    auto zero = uniformPicture(300, 120, 0);
    job.picture = zero.get();
    s.DepthSel = ByColor;
    FakeHost b(&pattern);
    GenerationResult rb = makeFromPicture(s, job, b);
    ASSERT_TRUE(rb.finished());
    EXPECT_TRUE(rowsPeriodic(*rb.picture.bitmap, 100, 10));
    EXPECT_FALSE(rowsPeriodic(*rb.picture.bitmap, 50, 10));
}

TEST(Generation, PackedPicturesAreReadAsIndicesAndTrueColourByBrightness)
{
    // The same picture at 8, 4 and 24 bits: packed indices are widened and
    // give the 8-bit picture's stereogram; the true-colour picture has no
    // indices, so by colour and by brightness alike it gives the stereogram
    // of the 8-bit picture by brightness.
    Pattern pattern;
    std::vector<platform::PALETTEENTRY> grey(16);
    for (int i = 0; i < 16; ++i)
        grey[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(i * 17),
                                             static_cast<std::uint8_t>(i * 17), 0};
    const platform::Palette palette(grey);
    auto p8 = platform::Bitmap::create(210, 60, 8);
    auto p4 = platform::Bitmap::create(210, 60, 4);
    auto p24 = platform::Bitmap::create(210, 60, 24);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 210; ++x) {
            const std::uint32_t v = static_cast<std::uint32_t>((x / 30 + y / 20) % 16);
            p8->setPixel(x, y, v);
            p4->setPixel(x, y, v);
            p24->setPixel(x, y, (v * 17) << 16 | (v * 17) << 8 | (v * 17));
        }
    auto make = [&](const platform::Bitmap& picture, std::int32_t depthSel) {
        SirdsSettings s;
        s.DepthSel = depthSel;
        PictureJob job;
        job.picture = &picture;
        job.palette = &palette;
        FakeHost host(&pattern);
        GenerationResult r = makeFromPicture(s, job, host);
        EXPECT_TRUE(r.finished());
        return r.finished() ? std::vector<std::uint8_t>(r.picture.bitmap->bits().begin(), r.picture.bitmap->bits().end())
                            : std::vector<std::uint8_t>();
    };
    const std::vector<std::uint8_t> byBrightness = make(*p8, ByBrightness);
    EXPECT_NE(make(*p8, ByColor), byBrightness) << "the two depths differ, so the checks below can fail";
    for (std::int32_t depthSel : {ByColor, ByBrightness}) {
        EXPECT_EQ(make(*p4, depthSel), make(*p8, depthSel)) << "4-bit, DepthSel " << depthSel;
        EXPECT_EQ(make(*p24, depthSel), byBrightness) << "24-bit, DepthSel " << depthSel;
    }
}

TEST(Generation, ZoomedPictureIsMadeAtTheSizeItIsShown)
{
    Pattern pattern;
    auto picture = uniformPicture(150, 100, 0);
    SirdsSettings s;
    PictureJob job;
    job.picture = picture.get();
    job.palette = &pattern.palette;
    job.zoom = 2.0;
    FakeHost host(&pattern);
    GenerationResult r = makeFromPicture(s, job, host);
    ASSERT_TRUE(r.finished());
    EXPECT_EQ(r.picture.bitmap->width(), 300);
    EXPECT_EQ(r.picture.bitmap->height(), 200);
    EXPECT_EQ(shiftingTotal(host), (300 + 200) * 200) << "the gap is scaled too";
    // A flat picture repeats at the scaled gap.
    EXPECT_TRUE(rowsPeriodic(*r.picture.bitmap, 200, 10));

    job.zoom = 0.5;
    FakeHost half(&pattern);
    GenerationResult h = makeFromPicture(s, job, half);
    ASSERT_TRUE(h.finished());
    EXPECT_EQ(h.picture.bitmap->width(), 75);
    EXPECT_EQ(h.picture.bitmap->height(), 50);
}

TEST(Generation, AZoomedPictureIsTheSameAsItsScaledCopyAtItsOwnSize)
{
    // The picture is scaled row by row as it is sampled; the result must be
    // what the documented scaling (column i shows trunc(i / zoom), row y from
    // the top trunc(y / zoom)) of the whole picture gives at zoom 1 with the
    // scaled gap.
    Pattern pattern;
    for (int bits : {8, 24}) {
        auto picture = platform::Bitmap::create(151, 101, bits);
        for (int y = 0; y < 101; ++y)
            for (int x = 0; x < 151; ++x) {
                const std::uint32_t v = static_cast<std::uint32_t>((x * 7 + y * 3) % 97 + (y > 50 ? 120 : 0));
                picture->setPixel(x, y, bits == 8 ? v : (v << 16) | (v << 8) | (255 - v));
            }
        for (double zoom : {2.0, 0.5, 0.25}) {
            const int w = static_cast<int>(151 * zoom);
            const int h = static_cast<int>(101 * zoom);
            auto scaled = platform::Bitmap::create(w, h, bits);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    scaled->setPixel(x, h - 1 - y,
                                     picture->pixel(std::min(static_cast<int>(x / zoom), 150),
                                                    100 - std::min(static_cast<int>(y / zoom), 100)));
            SirdsSettings s;
            s.ShiftDir = McMahon;
            PictureJob zoomed;
            zoomed.picture = picture.get();
            zoomed.palette = &pattern.palette;
            zoomed.zoom = zoom;
            FakeHost a(&pattern);
            const GenerationResult made = makeFromPicture(s, zoomed, a);
            SirdsSettings atOwnSize = s;
            atOwnSize.gapValue = static_cast<int>(s.gapValue * zoom);
            PictureJob plain;
            plain.picture = scaled.get();
            plain.palette = &pattern.palette;
            FakeHost b(&pattern);
            const GenerationResult expected = makeFromPicture(atOwnSize, plain, b);
            ASSERT_TRUE(made.finished()) << bits << " " << zoom;
            ASSERT_TRUE(expected.finished()) << bits << " " << zoom;
            EXPECT_TRUE(*made.picture.bitmap == *expected.picture.bitmap) << bits << " bits, zoom " << zoom;
        }
    }
}

TEST(Generation, ATrueColourPictureHasTheDepthOfItsPaletteVersionAtEveryPixel)
{
    // Pictures of random colours, in runs as depth pictures have them, once
    // as true colour and once as 8-bit indices into a palette of the same
    // colours: pixel by pixel the true colour's depth (by colour or by
    // brightness) is the palette version's depth by brightness, and so the
    // stereograms of every scan method are the same.
    Pattern pattern;
    const int w = 331, h = 120;
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        std::vector<platform::PALETTEENTRY> colours(256);
        std::uint32_t state = seed;
        auto next = [&state] { return state = state * 1664525u + 1013904223u; };
        for (auto& c : colours) {
            const std::uint32_t v = next() >> 8;
            c = {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 0};
        }
        const platform::Palette palette(colours);
        auto indexed = platform::Bitmap::create(w, h, 8);
        auto colour = platform::Bitmap::create(w, h, 24);
        for (int y = 0; y < h; ++y) {
            std::uint32_t index = 0;
            for (int x = 0; x < w; ++x) {
                if (next() % 4 == 0)
                    index = next() >> 24;
                const platform::PALETTEENTRY& c = colours[index];
                indexed->setPixel(x, y, index);
                colour->setPixel(x, y, std::uint32_t{c.peRed} << 16 | std::uint32_t{c.peGreen} << 8 | c.peBlue);
            }
        }

        std::array<std::int32_t, 256> byPalette{};
        depthLookup(ByBrightness, &palette, byPalette);
        for (std::int32_t depthSel : {ByColor, ByBrightness}) {
            std::array<std::int32_t, 256> byColour{};
            pictureDepthLookup(depthSel, *colour, nullptr, byColour);
            std::vector<std::uint8_t> sampled(static_cast<std::size_t>(w));
            for (int y = 0; y < h; ++y) {
                brightnessRow(colour->row(y), w, sampled.data());
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(byColour[sampled[static_cast<std::size_t>(x)]], byPalette[indexed->row(y)[x]])
                        << "seed " << seed << ", DepthSel " << depthSel << ", pixel " << x << ", " << y;
            }
        }

        for (std::int32_t method : {LeftToRight, McMahon, Feucht, HiddenSurface}) {
            auto make = [&](const platform::Bitmap& picture, std::int32_t depthSel) {
                SirdsSettings s;
                s.ShiftDir = method;
                s.DepthSel = depthSel;
                PictureJob job;
                job.picture = &picture;
                job.palette = &palette;
                FakeHost host(&pattern);
                return makeFromPicture(s, job, host);
            };
            const GenerationResult expected = make(*indexed, ByBrightness);
            const GenerationResult flat = make(*uniformPicture(w, h, 0), ByBrightness);
            ASSERT_TRUE(expected.finished() && flat.finished());
            EXPECT_FALSE(*expected.picture.bitmap == *flat.picture.bitmap) << "the depth is not flat";
            for (std::int32_t depthSel : {ByColor, ByBrightness}) {
                const GenerationResult made = make(*colour, depthSel);
                ASSERT_TRUE(made.finished());
                EXPECT_TRUE(*made.picture.bitmap == *expected.picture.bitmap)
                    << "seed " << seed << ", method " << method << ", DepthSel " << depthSel;
            }
        }
    }
    auto grey = uniformPicture(4, 4, 0);
    auto rgb = platform::Bitmap::create(4, 4, 24);
    EXPECT_EQ(pictureDepthNote(ByColor, *rgb), kTrueColourDepthNote);
    EXPECT_EQ(pictureDepthNote(ByBrightness, *rgb), "");
    EXPECT_EQ(pictureDepthNote(ByColor, *grey), "");
}

TEST(Generation, DrawingOverTheOpenPictureKeepsItAsTexture)
{
    Pattern pattern;
    auto picture = platform::Bitmap::create(250, 90, 8);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 250; ++x)
            picture->setPixel(x, y, static_cast<std::uint32_t>((x * 31 + y * 17) % 251));
    SirdsSettings s;
    s.UseBMP = 1;
    s.Marker = 0;
    s.ShiftDir = 0;
    FigureJob job;
    job.level = &flatFigure;
    job.drawOver = picture.get();
    FakeHost host(&pattern);
    GenerationResult r = makeFromFigure(s, job, host);
    ASSERT_TRUE(r.finished());
    EXPECT_EQ(r.picture.bitmap->width(), 250);
    EXPECT_EQ(r.picture.bitmap->height(), 90);
    EXPECT_EQ(r.picture.bitmap->bits().size(), picture->bits().size());
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 250; ++x)
            ASSERT_EQ(r.picture.bitmap->pixel(x, y), picture->pixel(x, y));
    // The original stays untouched.
    EXPECT_EQ(picture->pixel(3, 4), static_cast<std::uint32_t>((3 * 31 + 4 * 17) % 251));

    // Without UseBMP the settings' size is used and the picture ignored.
    s.UseBMP = 0;
    FakeHost other(&pattern);
    GenerationResult n = makeFromFigure(s, job, other);
    ASSERT_TRUE(n.finished());
    EXPECT_EQ(n.picture.bitmap->width(), 400);
}

TEST(Generation, ThreadCountDoesNotChangeThePicture)
{
    Pattern pattern;
    for (std::int32_t method : {LeftToRight, McMahon, Feucht}) {
        SirdsSettings s;
        s.ShiftDir = method;
        s.w = 333;
        s.h = 211;
        std::vector<std::vector<std::uint8_t>> figures, maps, pictures;
        auto picture = platform::Bitmap::create(333, 211, 8);
        for (int y = 0; y < 211; ++y)
            for (int x = 0; x < 333; ++x)
                picture->setPixel(x, y, static_cast<std::uint32_t>(craterLike(x, y, 166, 105, 0, 0)));
        for (int threads : {1, 2, 3}) {
            FigureJob job;
            job.level = &craterLike;
            job.options.threads = threads;
            FakeHost host(&pattern);
            GenerationResult r = makeFromFigure(s, job, host);
            ASSERT_TRUE(r.finished());
            figures.emplace_back(r.picture.bitmap->bits().begin(), r.picture.bitmap->bits().end());

            GridMap map(301, 157, 10);
            DepthMapJob mj;
            mj.map = &map;
            mj.options.threads = threads;
            FakeHost mh(&pattern);
            GenerationResult m = makeFromDepthMap(s, mj, mh);
            ASSERT_TRUE(m.finished());
            maps.emplace_back(m.picture.bitmap->bits().begin(), m.picture.bitmap->bits().end());

            PictureJob pj;
            pj.picture = picture.get();
            pj.palette = &pattern.palette;
            pj.options.threads = threads;
            FakeHost ph(&pattern);
            GenerationResult pr = makeFromPicture(s, pj, ph);
            ASSERT_TRUE(pr.finished());
            pictures.emplace_back(pr.picture.bitmap->bits().begin(), pr.picture.bitmap->bits().end());
        }
        EXPECT_EQ(pictures[0], pictures[1]) << method;
        EXPECT_EQ(pictures[0], pictures[2]) << method;
        EXPECT_EQ(figures[0], figures[1]) << method;
        EXPECT_EQ(figures[0], figures[2]) << method;
        EXPECT_EQ(maps[0], maps[1]) << method;
        EXPECT_EQ(maps[0], maps[2]) << method;
    }
}

TEST(Generation, DepthMapDocumentLevelsSetTheSeparation)
{
    // One box at level 32 over the whole map: McMahon separation
    // 100 − (32 × 50) ÷ 63 = 75 across the finished width.
    Pattern pattern;
    depthmap::TMapDocument map("box.rds", 300, 150);
    map.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, -10, -10, 310, 160, depthmap::DepthKind::SquareBox, 32));
    ASSERT_EQ(map.LevelAt(150, 75), 32);
    SirdsSettings s;
    FakeHost host(&pattern);
    GenerationResult r = makeFromDepthMap(s, map, "box.rds", host);
    ASSERT_TRUE(r.finished());
    EXPECT_EQ(r.picture.bitmap->width(), 300);
    EXPECT_EQ(r.picture.bitmap->height(), 150);
    EXPECT_EQ(r.picture.title, "box.rds");
    EXPECT_TRUE(rowsPeriodic(*r.picture.bitmap, 75, 10));
    EXPECT_FALSE(rowsPeriodic(*r.picture.bitmap, 100, 10));
}

TEST(Generation, MathFigureLibraryIsTheDefaultSource)
{
    // The crater raises the middle: the centre rows are not a pure repeat
    // at the gap, the corner rows far from it are.
    Pattern pattern;
    SirdsSettings s;
    s.Marker = 0;
    FigureJob job;
    job.figureCode = -1;
    FakeHost host(&pattern);
    GenerationResult r = makeFromFigure(s, job, host);
    ASSERT_TRUE(r.finished());
    const platform::Bitmap& b = *r.picture.bitmap;
    bool centreRepeats = true;
    for (int x = 100; x < 400; ++x)
        centreRepeats = centreRepeats && b.rowFromTop(200)[x] == b.rowFromTop(200)[x - 100];
    EXPECT_FALSE(centreRepeats);
}

TEST(Generation, ThePicturesSampledRangeIsItsOwn)
{
    // What the make saw of a picture it shows whole (methods without the
    // strip, which leave no columns out) must be the range the picture's own
    // pass finds: by index, by an unordered palette's brightness, by the
    // pixels' brightness, on one thread and on two, with the extremes in the
    // first and the last rows and columns.
    Pattern pattern;
    std::vector<platform::PALETTEENTRY> entries(256);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i * 97 % 256);
        entries[i] = {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(i), 0};
    }
    const platform::Palette shuffled(entries);
    auto indexed = platform::Bitmap::create(1700, 1800, 8);
    auto colour = platform::Bitmap::create(1700, 1800, 24);
    for (int y = 0; y < 1800; ++y)
        for (int x = 0; x < 1700; ++x) {
            const std::uint32_t v = static_cast<std::uint32_t>(40 + (x * 7 + y * 3) % 150);
            indexed->setPixel(x, y, v);
            colour->setPixel(x, y, v << 16 | (v / 2) << 8 | (255 - v));
        }
    indexed->setPixel(1699, 0, 7), indexed->setPixel(0, 1799, 250);
    colour->setPixel(1699, 0, 0x000000u), colour->setPixel(0, 1799, 0xF0F0F0u);
    struct Case {
        const platform::Bitmap* picture;
        const platform::Palette* palette;
        std::int32_t by;
    } cases[] = {{indexed.get(), &pattern.palette, ByColor},
                 {indexed.get(), &shuffled, ByBrightness},
                 {colour.get(), &shuffled, ByBrightness}};
    for (const Case& c : cases)
        for (int threads : {1, 2}) {
            SirdsSettings s;
            s.ShiftDir = threads == 1 ? Feucht : HiddenSurface;
            s.DepthSel = c.by;
            DepthRange seen;
            PictureJob job;
            job.picture = c.picture;
            job.palette = c.palette;
            job.sampled = &seen;
            job.options.threads = threads;
            FakeHost host(&pattern);
            ASSERT_TRUE(makeFromPicture(s, job, host).finished());
            const DepthRange whole = pictureDepthRange(*c.picture, c.palette, c.by);
            EXPECT_FALSE(seen.empty);
            EXPECT_EQ(seen.lowest, whole.lowest) << c.picture->bitsPerPixel() << " bits by " << c.by << ", " << threads;
            EXPECT_EQ(seen.highest, whole.highest) << c.picture->bitsPerPixel() << " bits by " << c.by << ", " << threads;
        }
}

TEST(Generation, AFittedSourceIsTheStereogramOfItsLevelsScaledByHand)
{
    // A picture of levels 0 … 255 fitted onto 0 … 63 must give the very
    // stereogram of the picture whose levels were scaled beforehand; a map
    // alike. Without the fit the pictures differ (depth beyond Zmax).
    Pattern pattern;
    auto steep = platform::Bitmap::create(160, 90, 8);
    auto scaled = platform::Bitmap::create(160, 90, 8);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::uint32_t v = static_cast<std::uint32_t>((x * 3 + y * 5) % 256);
            steep->setPixel(x, y, v);
            scaled->setPixel(x, y, v * 63 / 255);
        }
    for (std::int32_t method : {LeftToRight, McMahon, Feucht}) {
        SirdsSettings s;
        s.ShiftDir = method;
        const DepthRange range = pictureDepthRange(*steep, &pattern.palette, s.DepthSel);
        ASSERT_EQ(range.highest, 255);
        PictureJob job;
        job.picture = steep.get();
        job.palette = &pattern.palette;
        job.options.fit.emplace(range, s.zmin, s.zmax);
        FakeHost a(&pattern), b(&pattern), c(&pattern);
        const GenerationResult fitted = makeFromPicture(s, job, a);
        PictureJob byHand;
        byHand.picture = scaled.get();
        byHand.palette = &pattern.palette;
        const GenerationResult expected = makeFromPicture(s, byHand, b);
        job.options.fit.reset();
        const GenerationResult unfitted = makeFromPicture(s, job, c);
        ASSERT_TRUE(fitted.finished() && expected.finished() && unfitted.finished()) << method;
        EXPECT_TRUE(*fitted.picture.bitmap == *expected.picture.bitmap) << "method " << method;
        EXPECT_FALSE(*unfitted.picture.bitmap == *expected.picture.bitmap) << "method " << method;
    }

    // The same levels as a 24-bit grey picture, whose depth is each pixel's
    // brightness with or without a palette beside it: the same range, and
    // fitted, the same stereogram.
    auto steepRgb = platform::Bitmap::create(160, 90, 24);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::uint32_t v = steep->pixel(x, y);
            steepRgb->setPixel(x, y, v << 16 | v << 8 | v);
        }
    const platform::Palette none;
    for (const platform::Palette* palette : {&none, static_cast<const platform::Palette*>(&pattern.palette)}) {
        SirdsSettings s;
        s.ShiftDir = McMahon;
        const DepthRange range = pictureDepthRange(*steepRgb, palette, s.DepthSel);
        EXPECT_EQ(range.lowest, 0);
        EXPECT_EQ(range.highest, 255);
        PictureJob job;
        job.picture = steepRgb.get();
        job.palette = palette;
        job.options.fit.emplace(range, s.zmin, s.zmax);
        PictureJob byHand;
        byHand.picture = scaled.get();
        byHand.palette = &pattern.palette;
        FakeHost a(&pattern), b(&pattern);
        const GenerationResult fitted = makeFromPicture(s, job, a);
        const GenerationResult expected = makeFromPicture(s, byHand, b);
        ASSERT_TRUE(fitted.finished() && expected.finished());
        EXPECT_TRUE(*fitted.picture.bitmap == *expected.picture.bitmap) << "palette of " << palette->size();
    }

    GridMap deep(120, 80, 100), shallow(120, 80, 0);
    const DepthRange mapRange = mapDepthRange(deep);
    EXPECT_EQ(mapRange.lowest, 100);
    EXPECT_EQ(mapRange.highest, 116);
    SirdsSettings s;
    DepthMapJob job;
    job.map = &deep;
    job.options.fit.emplace(mapRange, 0, 16);
    FakeHost a(&pattern), b(&pattern);
    const GenerationResult fitted = makeFromDepthMap(s, job, a);
    // Levels 100 and 116 become 0 and 16: the map of levels 0 and 16.
    DepthMapJob byHand;
    byHand.map = &shallow;
    const GenerationResult expected = makeFromDepthMap(s, byHand, b);
    ASSERT_TRUE(fitted.finished() && expected.finished());
    EXPECT_TRUE(*fitted.picture.bitmap == *expected.picture.bitmap);
}
