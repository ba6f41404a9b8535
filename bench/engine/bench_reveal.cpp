// Speed of revealing the depth of 1200 × 1200 stereograms made by each scan
// method from the figure library's figure 1, with one and two threads, and
// of smoothing the separations revealed.

#include "engine/Generation.h"
#include "engine/Reveal.h"
#include "engine/SirdsSettings.h"

#include "QuietHost.h"
#include "RevealMatcher.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {

constexpr int kSide = 1200;

// A 100 × 100 tile of random dots in 256 colours.
struct BenchPattern {
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(100, 100, 8);
    platform::Palette palette;

    BenchPattern()
    {
        std::mt19937 random(3);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                tile->setPixel(x, y, random() & 0xFF);
        std::vector<platform::PALETTEENTRY> e(256);
        for (int i = 0; i < 256; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                                              static_cast<std::uint8_t>(i * 13), 0};
        palette = platform::Palette(e);
    }
};


void revealBench(benchmark::State& state, std::int32_t method)
{
    BenchPattern pattern;
    bench::QuietHost host(pattern.tile.get(), &pattern.palette);
    SirdsSettings s;
    s.w = kSide;
    s.h = kSide;
    s.ShiftDir = method;
    FigureJob job;
    job.figureCode = -1;
    job.title = "Round Crater";
    GenerationResult made = makeFromFigure(s, job, host);
    if (!made.finished()) {
        state.SkipWithError("no stereogram");
        return;
    }
    RevealOptions options;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        RevealResult r = revealDepth(*made.picture.bitmap, &made.picture.palette, options);
        if (!r.done())
            state.SkipWithError("not revealed");
        benchmark::DoNotOptimize(r.depth.get());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_RevealLeftToRight1200(benchmark::State& state) { revealBench(state, LeftToRight); }
void BM_RevealMcMahon1200(benchmark::State& state) { revealBench(state, McMahon); }
void BM_RevealFeucht1200(benchmark::State& state) { revealBench(state, Feucht); }
BENCHMARK(BM_RevealLeftToRight1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RevealMcMahon1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RevealFeucht1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace


// The two passes of seven over 1200 × 1200 separations, on this thread.
void BM_SmoothSeparations1200(benchmark::State& state)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> near(80.0f, 120.0f);
    std::vector<float> sep(static_cast<std::size_t>(kSide) * kSide);
    for (float& s : sep)
        s = near(random);
    for (auto _ : state) {
        reveal::smoothSeparations(sep, kSide, kSide);
        benchmark::DoNotOptimize(sep.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_SmoothSeparations1200)->Unit(benchmark::kMillisecond)->UseRealTime();
