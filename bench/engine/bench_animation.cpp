// Speed of animated stereograms: 36 frames of 400 × 400 from the figure
// library's "Wind Mill 1" turning 10 degrees a frame, each frame LZW-coded
// into an animated GIF in memory as it is made.

#include "engine/Animation.h"
#include "engine/Generation.h"
#include "pictrans/TGifAnimation.h"

#include "QuietHost.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {



void BM_Animation36Frames400(benchmark::State& state)
{
    bench::RandomPattern pattern;
    bench::QuietHost host(pattern.tile.get(), &pattern.palette);
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
