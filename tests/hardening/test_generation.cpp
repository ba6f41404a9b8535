// A generation stopped at any point leaves no picture, changes none of its
// inputs (the picture, the depth map, the pattern) and leaves nothing behind
// that the next generation would pick up.

#include "depthmap/TMapDocument.h"
#include "engine/Generation.h"
#include "engine/MapGeneration.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 5 + y * 11) % 200 + 1));
        std::vector<platform::PALETTEENTRY> e(256);
        for (std::size_t i = 0; i < e.size(); ++i)
            e[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>(255 - i), 0};
        palette = platform::Palette(e);
    }
};

// Stops at pump number stopAt (never when 0).
class StoppingHost : public GenerationHost {
public:
    StoppingHost(const Pattern& p, int stopAt) : pattern_(p), stopAt_(stopAt) {}

    void progress(int phase, const ProgressRecord&) override
    {
        starts += phase == kProgressStart;
        ends += phase == kProgressEnd;
    }
    PatternRef pattern() override { return {pattern_.tile.get(), &pattern_.palette}; }
    bool pumpMessages() override { return ++pumps == stopAt_; }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, Rgb) override {}
    void showError(std::string_view message) override { errors.emplace_back(message); }

    int pumps = 0;
    int starts = 0;
    int ends = 0;
    std::vector<std::string> errors;

private:
    const Pattern& pattern_;
    int stopAt_;
};

std::int32_t dome(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t, std::int32_t)
{
    const std::int64_t dx = x - cx, dy = y - cy;
    const std::int64_t r2 = dx * dx + dy * dy;
    return r2 < 120 * 120 ? static_cast<std::int32_t>(63 - r2 / 230) : 0;
}

std::vector<std::uint8_t> bytesOf(const platform::Bitmap& b)
{
    return {b.bits().begin(), b.bits().end()};
}

struct Source {
    const char* name;
    std::function<GenerationResult(GenerationHost&, int threads)> run;
};

void expectEveryStopLosesNothing(const Source& source, const Pattern& pattern,
                                 const std::function<void()>& expectInputsUnchanged)
{
    for (int threads : {1, 2}) {
        // A run to the end: how many pumps there are, and the picture a
        // generation after a stop must equal.
        StoppingHost full(pattern, 0);
        GenerationResult whole = source.run(full, threads);
        ASSERT_TRUE(whole.finished()) << source.name;
        ASSERT_GE(full.pumps, 3) << source.name << ": the picture must take several bands";
        const auto wholeBytes = bytesOf(*whole.picture.bitmap);

        for (int stopAt = 1; stopAt <= full.pumps; ++stopAt) {
            StoppingHost host(pattern, stopAt);
            GenerationResult r = source.run(host, threads);
            EXPECT_EQ(r.status, GenerationStatus::Stopped) << source.name << " stop at " << stopAt;
            EXPECT_FALSE(r.picture.bitmap) << source.name << ": no half-made picture";
            EXPECT_EQ(host.pumps, stopAt) << source.name << ": nothing runs on after the stop";
            EXPECT_EQ(host.starts, 1);
            EXPECT_EQ(host.ends, 1) << source.name << ": the busy state always ends";
            EXPECT_TRUE(host.errors.empty()) << source.name << ": a stop is not an error";
            expectInputsUnchanged();
        }
        StoppingHost again(pattern, 0);
        GenerationResult after = source.run(again, threads);
        ASSERT_TRUE(after.finished()) << source.name;
        EXPECT_EQ(bytesOf(*after.picture.bitmap), wholeBytes) << source.name << ": a stop leaves nothing behind";
    }
}

TEST(StoppedGeneration, AMathFigureStoppedAnywhereLeavesNoPicture)
{
    Pattern pattern;
    const auto tileBefore = bytesOf(*pattern.tile);
    SirdsSettings s;
    s.w = 360;
    s.h = 300;
    Source figure{"figure", [&](GenerationHost& host, int threads) {
                      FigureJob job;
                      job.level = &dome;
                      job.title = "Dome";
                      job.options.threads = threads;
                      return makeFromFigure(s, job, host);
                  }};
    expectEveryStopLosesNothing(figure, pattern, [&] { EXPECT_EQ(bytesOf(*pattern.tile), tileBefore); });
}

TEST(StoppedGeneration, APictureStoppedAnywhereIsLeftAsItWas)
{
    Pattern pattern;
    auto picture = platform::Bitmap::create(330, 280, 8);
    for (int y = 0; y < 280; ++y)
        for (int x = 0; x < 330; ++x)
            picture->setPixel(x, y, static_cast<std::uint32_t>((x / 20 + y / 30) % 7 * 30));
    const auto pictureBefore = bytesOf(*picture);
    const auto tileBefore = bytesOf(*pattern.tile);
    SirdsSettings s;
    Source source{"picture", [&](GenerationHost& host, int threads) {
                      PictureJob job;
                      job.picture = picture.get();
                      job.palette = &pattern.palette;
                      job.title = "steps";
                      job.zoom = 1.5;
                      job.options.threads = threads;
                      return makeFromPicture(s, job, host);
                  }};
    expectEveryStopLosesNothing(source, pattern, [&] {
        EXPECT_EQ(bytesOf(*picture), pictureBefore) << "the open picture is never drawn on";
        EXPECT_EQ(bytesOf(*pattern.tile), tileBefore);
    });
}

TEST(StoppedGeneration, ADepthMapStoppedAnywhereIsLeftAsItWas)
{
    Pattern pattern;
    depthmap::TMapDocument map("map", 320, 260);
    map.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 20, 30, 200, 150, depthmap::DepthKind::Circle, 30));
    map.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 100, 80, 300, 240, depthmap::DepthKind::RoundBox, 50));
    const auto mapBefore = map.Serialise();
    const bool savedBefore = map.IsSaved();
    SirdsSettings s;
    Source source{"depth map", [&](GenerationHost& host, int threads) {
                      GenerationOptions options;
                      options.threads = threads;
                      return makeFromDepthMap(s, map, "map", host, options);
                  }};
    expectEveryStopLosesNothing(source, pattern, [&] {
        EXPECT_EQ(map.Serialise(), mapBefore);
        EXPECT_EQ(map.IsSaved(), savedBefore);
    });
}

} // namespace
