// Cost of one figure level, measured over a whole 1200 x 1200 depth area the
// way the engine samples it: row by row, centre in the middle.

#include "terrakit/terrakit.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int Side = 1200;

void FigureLevelOverPicture(benchmark::State& state)
{
    const auto figure = static_cast<std::int32_t>(state.range(0));
    const auto angle = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (int y = 0; y < Side; ++y) {
            for (int x = 0; x < Side; ++x)
                sum += GetFigureLevel(x, y, Side / 2, Side / 2, angle, -figure);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
    // Time per level.
    state.counters["per_level"] = benchmark::Counter(static_cast<double>(state.iterations()) * Side * Side,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FigureArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"figure", "angle"});
    for (int figure = 1; figure <= 23; ++figure)
        b->Args({figure, 0});
    // The turned figures once more with a rotation.
    for (int figure : {14, 16, 20})
        b->Args({figure, 30});
}

} // namespace

BENCHMARK(FigureLevelOverPicture)->Apply(FigureArgs)->Unit(benchmark::kMillisecond);
