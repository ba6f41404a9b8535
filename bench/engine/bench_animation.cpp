// Speed of animated stereograms: 36 frames of 400 × 400 from the figure
// library's "Wind Mill 1" turning 10 degrees a frame, each frame LZW-coded
// into an animated GIF in memory as it is made.

#include "engine/Animation.h"
#include "engine/Generation.h"
#include "pictrans/TGifAnimation.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {

struct BenchPattern {
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(100, 100, 8);
    platform::Palette palette;
    BenchPattern()
    {
        std::mt19937 random(1);
        for (auto& b : tile->bits())
            b = static_cast<std::uint8_t>(random());
        std::vector<platform::PALETTEENTRY> e(256);
        for (std::size_t i = 0; i < 256; ++i)
            e[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2), 0};
        palette = platform::Palette(e);
    }
};

class QuietHost : public GenerationHost {
public:
    explicit QuietHost(const BenchPattern& p) : pattern_(p) {}
    void progress(int, const ProgressRecord&) override {}
    PatternRef pattern() override { return {pattern_.tile.get(), &pattern_.palette}; }
    bool pumpMessages() override { return false; }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, Rgb) override {}
    void showError(std::string_view) override {}

private:
    const BenchPattern& pattern_;
};

void BM_Animation36Frames400(benchmark::State& state)
{
    BenchPattern pattern;
    QuietHost host(pattern);
    SirdsSettings s;
    s.w = 400;
    s.h = 400;
    const AnimationPlan plan{36, AnimatedParameter::Angle, 10};
    const FrameMaker make = [](const SirdsSettings& settings, GenerationHost& h) {
        FigureJob job;
        job.figureCode = -16; // "Wind Mill 1"
        job.title = "Wind Mill 1";
        return makeFromFigure(settings, job, h);
    };
    for (auto _ : state) {
        MemoryOutStream out;
        TGifAnimation gif(nullptr, nullptr);
        bool begun = false;
        const FrameSink sink = [&](std::int32_t, Stereogram&& f) {
            if (!begun && !gif.BeginStream(out, f.bitmap->width(), f.bitmap->height(), 8, f.palette, 80))
                return false;
            begun = true;
            return gif.AddFrame(*f.bitmap) != 0;
        };
        if (!makeAnimation(s, plan, make, sink, host).finished() || !gif.Finish())
            state.SkipWithError("animation failed");
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetItemsProcessed(state.iterations() * 36);
}
BENCHMARK(BM_Animation36Frames400)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
