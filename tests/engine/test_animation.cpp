// The animation driver: the settings of each frame (the angle wrapping
// round), the checks of a plan, frames equal to single stereograms, progress
// counted in frames, stopping, and frames that stay still where the depth
// does.

#include "engine/Animation.h"
#include "engine/Generation.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

struct Pattern {
    std::unique_ptr<platform::Bitmap> tile;
    platform::Palette palette;

    Pattern()
    {
        tile = platform::Bitmap::create(41, 29, 8);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 41; ++x)
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 11 + y * 5 + x * y) % 200 + 1));
        std::vector<platform::PALETTEENTRY> e(256);
        for (int i = 0; i < 256; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                                              static_cast<std::uint8_t>(255 - i), 0};
        palette = platform::Palette(e);
    }
};

struct Report {
    int phase;
    std::string text;
    std::int32_t done;
    std::int32_t total;
};

class Host : public GenerationHost {
public:
    explicit Host(const Pattern& p) : pattern_(p) {}
    void progress(int phase, const ProgressRecord& r) override
    {
        reports.push_back({phase, std::string(r.textView()), r.done, r.total});
    }
    PatternRef pattern() override
    {
        ++patternRequests;
        return {pattern_.tile.get(), &pattern_.palette};
    }
    bool pumpMessages() override { return ++pumps == stopAtPump; }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, Rgb) override {}
    void showError(std::string_view message) override { errors.emplace_back(message); }

    std::vector<Report> reports;
    std::vector<std::string> errors;
    int patternRequests = 0;
    int pumps = 0;
    int stopAtPump = -1;

private:
    const Pattern& pattern_;
};

// A bar 30 pixels wide across a disc of radius 70, turned by the angle: the
// disc's rows change as it turns, rows above and below it never do.
std::int32_t turningBar(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t angle,
                        std::int32_t)
{
    const double dx = x - cx, dy = y - cy;
    if (dx * dx + dy * dy >= 70.0 * 70.0)
        return 0;
    const double a = angle * M_PI / 180.0;
    const double across = -dx * std::sin(a) + dy * std::cos(a);
    return std::fabs(across) < 15 ? 50 : 10;
}

SirdsSettings baseSettings(std::int32_t method)
{
    SirdsSettings s;
    s.w = 260;
    s.h = 200;
    s.gapValue = 80;
    s.ShiftDir = method;
    return s;
}

FrameMaker figureMaker()
{
    return [](const SirdsSettings& s, GenerationHost& host) {
        FigureJob job;
        job.figureCode = -1;
        job.title = "Bar";
        job.level = &turningBar;
        return makeFromFigure(s, job, host);
    };
}

struct Collected {
    std::vector<Stereogram> frames;
    FrameSink sink()
    {
        return [this](std::int32_t k, Stereogram&& f) {
            EXPECT_EQ(k, static_cast<std::int32_t>(frames.size()));
            frames.push_back(std::move(f));
            return true;
        };
    }
};

} // namespace

TEST(Animation, AnglesWrapWithinAHalfTurnEachWay)
{
    EXPECT_EQ(wrapAngle(0), 0);
    EXPECT_EQ(wrapAngle(180), 180);
    EXPECT_EQ(wrapAngle(-180), -180);
    EXPECT_EQ(wrapAngle(181), -179);
    EXPECT_EQ(wrapAngle(210), -150);
    EXPECT_EQ(wrapAngle(-190), 170);
    EXPECT_EQ(wrapAngle(360), 0);
    EXPECT_EQ(wrapAngle(540), 180);
    EXPECT_EQ(wrapAngle(-540), -180);
    EXPECT_EQ(wrapAngle(360LL * 1000000 + 30), 30);

    // Twelve steps of 30 degrees make a full turn.
    SirdsSettings base;
    AnimationPlan plan{12, AnimatedParameter::Angle, 30};
    std::vector<std::int32_t> angles;
    for (std::int32_t k = 0; k < 13; ++k)
        angles.push_back(frameSettings(base, plan, k).da);
    EXPECT_EQ(angles, (std::vector<std::int32_t>{0, 30, 60, 90, 120, 150, 180, -150, -120, -90, -60, -30, 0}));
    base.da = -170;
    plan.step = -45;
    EXPECT_EQ(frameSettings(base, plan, 1).da, 145);
}

TEST(Animation, EachParameterStepsAndNothingElseChanges)
{
    SirdsSettings base;
    base.dx = 10;
    base.dy = -20;
    base.da = 5;
    base.zmin = 3;
    base.zmax = 40;
    const struct {
        AnimatedParameter p;
        std::int32_t SirdsSettings::*field;
        std::int32_t expected;
    } cases[] = {
        {AnimatedParameter::ShiftX, &SirdsSettings::dx, 10 + 3 * 7},
        {AnimatedParameter::ShiftY, &SirdsSettings::dy, -20 + 3 * 7},
        {AnimatedParameter::Angle, &SirdsSettings::da, 5 + 3 * 7},
        {AnimatedParameter::Depth, &SirdsSettings::zmax, 40 + 3 * 7},
    };
    for (const auto& c : cases) {
        const SirdsSettings s = frameSettings(base, AnimationPlan{5, c.p, 7}, 3);
        SirdsSettings expected = base;
        expected.*c.field = c.expected;
        EXPECT_EQ(s, expected);
        EXPECT_EQ(frameSettings(base, AnimationPlan{5, c.p, 7}, 0), base);
    }
}

TEST(Animation, PlansAreCheckedForEveryFrame)
{
    const SirdsSettings base = baseSettings(McMahon);
    auto check = [&](AnimationPlan plan, bool figure = true, SirdsSettings s = baseSettings(McMahon)) {
        return checkAnimation(s, plan, figure);
    };
    EXPECT_EQ(check({12, AnimatedParameter::Angle, 30}), "");
    EXPECT_EQ(check({360, AnimatedParameter::Angle, 1}), "");
    EXPECT_EQ(check({1, AnimatedParameter::Angle, 30}), "--frames must be between 2 and 360");
    EXPECT_EQ(check({361, AnimatedParameter::Angle, 30}), "--frames must be between 2 and 360");
    EXPECT_EQ(check({12, AnimatedParameter::Angle, 30, 19}), "--delay must be between 20 and 655350 (milliseconds)");
    EXPECT_EQ(check({12, AnimatedParameter::Angle, 30, 655351}),
              "--delay must be between 20 and 655350 (milliseconds)");
    // Turning never runs out of range; moving does.
    EXPECT_EQ(check({360, AnimatedParameter::Angle, -179}), "");
    EXPECT_EQ(check({5, AnimatedParameter::ShiftX, 50}), ""); // 0 … 200
    EXPECT_EQ(check({6, AnimatedParameter::ShiftX, 50}),
              "--dx-step 50 takes --dx to 250 at frame 6 of 6: --dx must be between -200 and 200");
    EXPECT_EQ(check({10, AnimatedParameter::ShiftY, -30}),
              "--dy-step -30 takes --dy to -210 at frame 8 of 10: --dy must be between -200 and 200");
    // The depth step keeps Zmax above Zmin in every frame.
    EXPECT_EQ(check({63, AnimatedParameter::Depth, -1}, false), ""); // Zmax 63 down to 1
    EXPECT_EQ(check({64, AnimatedParameter::Depth, -1}, false),
              "--z-step -1 takes --zmax to 0 at frame 64 of 64: --zmin must be less than --zmax");
    SirdsSettings high = base;
    high.zmax = 2000000000;
    EXPECT_EQ(check({3, AnimatedParameter::Depth, 1000000000}, true, high),
              "--z-step 1000000000 takes --zmax to 3000000000 at frame 2 of 3: the value is beyond the range of "
              "whole numbers");
    // Only the depth moves with a picture or a depth map.
    EXPECT_EQ(check({12, AnimatedParameter::Angle, 30}, false),
              "--da-step moves a math figure; other sources can only change the depth (--z-step)");
    EXPECT_NE(check({12, AnimatedParameter::ShiftY, 1}, false), "");
    // Settings refused on their own are refused as they are.
    SirdsSettings bad = base;
    bad.gapValue = 10;
    EXPECT_EQ(check({12, AnimatedParameter::Angle, 30}, true, bad), "--gap must be between 51 and 150");
}

TEST(Animation, EveryFrameIsTheSingleStereogramOfItsSettings)
{
    const Pattern pattern;
    for (std::int32_t method : {LeftToRight, McMahon, Feucht}) {
        for (AnimationPlan plan : {AnimationPlan{5, AnimatedParameter::Angle, 70},
                                   AnimationPlan{3, AnimatedParameter::ShiftX, -40},
                                   AnimationPlan{3, AnimatedParameter::ShiftY, 25},
                                   AnimationPlan{3, AnimatedParameter::Depth, 30}}) {
            const SirdsSettings base = baseSettings(method);
            ASSERT_EQ(checkAnimation(base, plan, true), "");
            Host host(pattern);
            Collected got;
            const AnimationResult r = makeAnimation(base, plan, figureMaker(), got.sink(), host);
            ASSERT_TRUE(r.finished());
            EXPECT_EQ(r.frames, plan.frames);
            ASSERT_EQ(got.frames.size(), static_cast<std::size_t>(plan.frames));
            for (std::int32_t k = 0; k < plan.frames; ++k) {
                Host single(pattern);
                GenerationResult one = figureMaker()(frameSettings(base, plan, k), single);
                ASSERT_TRUE(one.finished());
                const Stereogram& f = got.frames[static_cast<std::size_t>(k)];
                EXPECT_TRUE(*f.bitmap == *one.picture.bitmap) << "method " << method << " frame " << k;
                EXPECT_EQ(f.palette, one.picture.palette);
            }
            // The frames differ: the parameter did change something.
            EXPECT_FALSE(*got.frames[0].bitmap == *got.frames[1].bitmap) << "method " << method;
            EXPECT_TRUE(host.errors.empty());
            EXPECT_EQ(host.patternRequests, 1) << "one pattern for every frame";
        }
    }
}

TEST(Animation, ProgressCountsFramesInOneBusyPhase)
{
    const Pattern pattern;
    Host host(pattern);
    Collected got;
    ASSERT_TRUE(makeAnimation(baseSettings(McMahon), {4, AnimatedParameter::Angle, 10}, figureMaker(), got.sink(),
                              host)
                    .finished());
    ASSERT_FALSE(host.reports.empty());
    EXPECT_EQ(host.reports.front().phase, kProgressStart);
    EXPECT_EQ(host.reports.back().phase, kProgressEnd);
    std::vector<std::int32_t> steps;
    for (const Report& r : host.reports) {
        EXPECT_EQ(r.total, 4);
        // After a frame the text counts the frames and tells the time left.
        if (r.phase == kProgressStep) {
            EXPECT_TRUE(r.text.starts_with("Making Animation " + std::to_string(r.done) + "/4 ")) << r.text;
            EXPECT_TRUE(r.text.ends_with(" left")) << r.text;
        } else if (r.phase != kProgressEnd) {
            EXPECT_EQ(r.text, "Making Animation");
        }
        if (r.phase == kProgressStep)
            steps.push_back(r.done);
        EXPECT_TRUE(r.phase != kProgressStart || &r == &host.reports.front());
    }
    EXPECT_EQ(steps, (std::vector<std::int32_t>{1, 2, 3, 4}));
}

TEST(Animation, StoppingOrAFailedSinkEndsTheRun)
{
    const Pattern pattern;
    {
        // Stopped during the third frame's bands.
        Host counting(pattern);
        Collected all;
        ASSERT_TRUE(makeAnimation(baseSettings(McMahon), {6, AnimatedParameter::Angle, 10}, figureMaker(),
                                  all.sink(), counting)
                        .finished());
        const int pumpsPerFrame = counting.pumps / 6;
        ASSERT_GE(pumpsPerFrame, 2);
        Host host(pattern);
        host.stopAtPump = 2 * pumpsPerFrame + 1;
        Collected got;
        const AnimationResult r =
            makeAnimation(baseSettings(McMahon), {6, AnimatedParameter::Angle, 10}, figureMaker(), got.sink(), host);
        EXPECT_EQ(r.status, GenerationStatus::Stopped);
        EXPECT_EQ(got.frames.size(), 2u);
        EXPECT_EQ(host.reports.back().phase, kProgressEnd);
    }
    {
        Host host(pattern);
        int calls = 0;
        const AnimationResult r = makeAnimation(
            baseSettings(McMahon), {6, AnimatedParameter::Angle, 10}, figureMaker(),
            [&](std::int32_t, Stereogram&&) { return ++calls < 2; }, host);
        EXPECT_EQ(r.status, GenerationStatus::Failed);
        EXPECT_EQ(calls, 2);
        EXPECT_EQ(host.reports.back().phase, kProgressEnd);
    }
    {
        // A frame that comes out with other colours is refused: the file has
        // one colour table for all.
        Host host(pattern);
        int made = 0;
        const FrameMaker recoloured = [&](const SirdsSettings& s, GenerationHost& h) {
            GenerationResult g = figureMaker()(s, h);
            if (made++ == 1)
                g.picture.palette = platform::Palette(std::vector<platform::PALETTEENTRY>(256));
            return g;
        };
        Collected got;
        const AnimationResult r =
            makeAnimation(baseSettings(McMahon), {3, AnimatedParameter::Angle, 10}, recoloured, got.sink(), host);
        EXPECT_EQ(r.status, GenerationStatus::Failed);
        EXPECT_EQ(got.frames.size(), 1u);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_EQ(host.errors[0], kFramesDifferMessage);
    }
}

TEST(Animation, RowsWhoseDepthDoesNotChangeStayStill)
{
    // The bar turns inside its disc (rows 30 … 170 from the top of a 200-row
    // picture); every other row keeps its dots in every frame, whatever the
    // method, and inside the disc only some dots move.
    const Pattern pattern;
    for (std::int32_t method : {LeftToRight, McMahon, Feucht, HiddenSurface}) {
        SirdsSettings base = baseSettings(method);
        base.Marker = 0;
        // The hidden-surface method with random dots in true colour: the
        // dots come from the seed and their place, the same in every frame.
        base.hidden.RandomDots = ColourDots;
        base.hidden.Oversample = 4;
        Host host(pattern);
        Collected got;
        ASSERT_TRUE(
            makeAnimation(base, {6, AnimatedParameter::Angle, 30}, figureMaker(), got.sink(), host).finished());
        std::int64_t changed = 0, inDisc = 0;
        for (std::size_t k = 1; k < got.frames.size(); ++k) {
            const platform::Bitmap& a = *got.frames[k - 1].bitmap;
            const platform::Bitmap& b = *got.frames[k].bitmap;
            ASSERT_EQ(a.bitsPerPixel(), method == HiddenSurface ? 24 : 8);
            const int rowBytes = a.width() * a.bitsPerPixel() / 8;
            for (int y = 0; y < a.height(); ++y) {
                const bool discRow = y > 28 && y < 172;
                for (int x = 0; x < rowBytes; ++x) {
                    const bool differs = a.rowFromTop(y)[x] != b.rowFromTop(y)[x];
                    if (!discRow) {
                        ASSERT_FALSE(differs) << "method " << method << " frame " << k << " at " << x << ", " << y;
                    }
                    changed += differs;
                    inDisc += discRow;
                }
            }
        }
        EXPECT_GT(changed, 0) << method;
        EXPECT_LT(changed, inDisc) << method;
    }
}

TEST(Animation, ASinkAsideTakesTheSameFramesInOrderAndEndsAsInline)
{
    const Pattern pattern;
    const AnimationPlan plan{5, AnimatedParameter::Angle, 20};
    Host inlineHost(pattern);
    Collected inlineFrames;
    ASSERT_TRUE(makeAnimation(baseSettings(Feucht), plan, figureMaker(), inlineFrames.sink(), inlineHost).finished());
    AnimationOptions aside;
    aside.sinkAside = true;
    const IndexedFrameMaker indexed = [](std::int32_t, const SirdsSettings& s, GenerationHost& h) {
        return figureMaker()(s, h);
    };
    struct Run {
        int failAt;    // the sink fails at this frame; -1 never
        int stopAtPump;
        GenerationStatus status;
    };
    for (const Run& run : {Run{-1, -1, GenerationStatus::Finished}, Run{2, -1, GenerationStatus::Failed},
                           Run{-1, 1, GenerationStatus::Stopped}}) {
        Host host(pattern);
        host.stopAtPump = run.stopAtPump;
        std::vector<Stereogram> got;
        const std::thread::id caller = std::this_thread::get_id();
        bool elsewhere = true;
        const FrameSink sink = [&](std::int32_t k, Stereogram&& f) {
            elsewhere = elsewhere && std::this_thread::get_id() != caller;
            EXPECT_EQ(k, static_cast<std::int32_t>(got.size()));
            if (k == run.failAt)
                return false;
            got.push_back(std::move(f));
            return true;
        };
        const AnimationResult r = makeAnimation(baseSettings(Feucht), plan, indexed, sink, host, aside);
        EXPECT_EQ(r.status, run.status) << run.failAt;
        EXPECT_TRUE(elsewhere);
        EXPECT_EQ(host.reports.back().phase, kProgressEnd);
        const std::size_t expected = run.status == GenerationStatus::Finished ? inlineFrames.frames.size()
                                     : run.status == GenerationStatus::Failed ? 2u
                                                                              : 0u;
        ASSERT_EQ(got.size(), expected);
        for (std::size_t k = 0; k < got.size(); ++k) {
            const auto a = got[k].bitmap->bits(), b = inlineFrames.frames[k].bitmap->bits();
            EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << "frame " << k;
        }
    }
}
