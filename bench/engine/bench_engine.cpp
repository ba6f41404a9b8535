// Speed of the scan methods on 1200-pixel rows, of tiling, of the brightness
// of a 24-bit row, and of whole stereograms at 1200 × 1200 from a math figure
// and from a depth map of 1000 objects.

#include "engine/DepthSampling.h"
#include "engine/Generation.h"
#include "engine/ScanMethods.h"
#include "engine/SirdsSettings.h"
#include "engine/Tiling.h"

#include "engine/MapGeneration.h"

#include "QuietHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {

constexpr int kWidth = 1200;

// A crater-like depth row at the figure scale (0..63).
std::vector<std::int32_t> craterRow()
{
    std::vector<std::int32_t> depth(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        const double r = std::abs(x - kWidth / 2) / 300.0;
        depth[static_cast<std::size_t>(x)] = r < 1 ? static_cast<std::int32_t>(63 * (1 - r * r)) : 0;
    }
    return depth;
}

void scanBench(benchmark::State& state, std::int32_t method)
{
    ScanParams p;
    p.method = method;
    p.gap = 100;
    p.zmin = 0;
    p.zmax = 63;
    p.scale = DepthScale::figure();
    const ScanTable table(p, kWidth);
    const std::vector<std::int32_t> depth = craterRow();
    std::vector<std::uint8_t> row(kWidth);
    for (int x = 0; x < kWidth; ++x)
        row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 7 % 251);
    for (auto _ : state) {
        shiftRow(row.data(), depth.data(), table);
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}

void BM_ScanLeftToRight(benchmark::State& state) { scanBench(state, LeftToRight); }
void BM_ScanMcMahon(benchmark::State& state) { scanBench(state, McMahon); }
void BM_ScanFeucht(benchmark::State& state) { scanBench(state, Feucht); }
BENCHMARK(BM_ScanLeftToRight);
BENCHMARK(BM_ScanMcMahon);
BENCHMARK(BM_ScanFeucht);

// Rows of a 4000-pixel elliptic ramp (as netpbm's pgmramp -ellipse draws
// it) behind a 128-pixel strip, every 40th of 4000 rows: depth levels up to
// 63 (state.range(1) == 0), or up to 255 beyond a Zmax of 63.
void scanRampBench(benchmark::State& state, std::int32_t method)
{
    constexpr int kPicture = 4000;
    constexpr int kGap = 128;
    constexpr int kWork = kPicture + kGap;
    const std::int32_t top = state.range(0) ? 255 : 63;
    ScanParams p;
    p.method = method;
    p.gap = kGap;
    p.zmin = 0;
    p.zmax = 63;
    p.scale = DepthScale::figure();
    const ScanTable table(p, kWork);
    std::vector<std::vector<std::int32_t>> rows;
    for (int y = 0; y < kPicture; y += 40) {
        std::vector<std::int32_t> depth(kWork, 0);
        const double dy = (y - kPicture / 2) / (kPicture / 2.0);
        for (int x = 0; x < kPicture; ++x) {
            const double dx = (x - kPicture / 2) / (kPicture / 2.0);
            const double r = std::sqrt(dx * dx + dy * dy);
            depth[static_cast<std::size_t>(kGap + x)] = r < 1 ? static_cast<std::int32_t>(top * (1 - r * r)) : 0;
        }
        rows.push_back(std::move(depth));
    }
    std::vector<std::uint8_t> row(kWork);
    for (auto _ : state) {
        for (const auto& depth : rows) {
            for (int x = 0; x < kWork; ++x)
                row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x % kGap);
            shiftRow(row.data(), depth.data(), table);
            benchmark::DoNotOptimize(row.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()) * kWork);
}

void BM_ScanRampLeftToRight(benchmark::State& state) { scanRampBench(state, LeftToRight); }
void BM_ScanRampMcMahon(benchmark::State& state) { scanRampBench(state, McMahon); }
void BM_ScanRampFeucht(benchmark::State& state) { scanRampBench(state, Feucht); }
BENCHMARK(BM_ScanRampLeftToRight)->ArgName("beyond")->Arg(0)->Arg(1);
BENCHMARK(BM_ScanRampMcMahon)->ArgName("beyond")->Arg(0)->Arg(1);
BENCHMARK(BM_ScanRampFeucht)->ArgName("beyond")->Arg(0)->Arg(1);


void BM_Tiling1200(benchmark::State& state)
{
    bench::RandomPattern pattern;
    auto image = platform::Bitmap::create(kWidth, kWidth, 8);
    for (auto _ : state) {
        tilePattern(*image, *pattern.tile, McMahon);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kWidth);
}
BENCHMARK(BM_Tiling1200)->Unit(benchmark::kMillisecond);

// 1200 pixels of random colours, blue, green and red, to brightness bytes.
void BM_BrightnessRow1200(benchmark::State& state)
{
    std::mt19937 random(3);
    std::vector<std::uint8_t> bgr(3 * kWidth);
    for (auto& c : bgr)
        c = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> out(kWidth);
    for (auto _ : state) {
        brightnessRow(bgr.data(), kWidth, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_BrightnessRow1200);


std::int32_t syntheticFigure(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t,
                             std::int32_t)
{
    const double r = std::sqrt(double(x - cx) * (x - cx) + double(y - cy) * (y - cy));
    return r < 400 ? static_cast<std::int32_t>(63 - r * 63 / 400) : 0;
}

void mathBench(benchmark::State& state, FigureLevelFn level)
{
    bench::RandomPattern pattern;
    bench::QuietHost host(pattern.tile.get(), &pattern.palette);
    SirdsSettings s;
    s.w = kWidth;
    s.h = kWidth;
    FigureJob job;
    job.figureCode = -1;
    job.title = "Round Crater";
    job.level = level;
    job.options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        GenerationResult r = makeFromFigure(s, job, host);
        if (!r.finished())
            state.SkipWithError("generation failed");
        benchmark::DoNotOptimize(r.picture.bitmap.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kWidth);
}

void BM_MathStereogramSynthetic1200(benchmark::State& state) { mathBench(state, &syntheticFigure); }
BENCHMARK(BM_MathStereogramSynthetic1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The figure library's own figure 1 ("Round Crater").
void BM_MathStereogramFigure1_1200(benchmark::State& state) { mathBench(state, nullptr); }
BENCHMARK(BM_MathStereogramFigure1_1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DepthMap1000Objects1200(benchmark::State& state)
{
    bench::RandomPattern pattern;
    bench::QuietHost host(pattern.tile.get(), &pattern.palette);
    depthmap::TMapDocument map("bench.rds", kWidth, kWidth);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> pos(-50, kWidth + 50);
    std::uniform_int_distribution<int> size(10, 200);
    std::uniform_int_distribution<int> level(1, 255);
    const depthmap::DepthKind kinds[] = {depthmap::DepthKind::SquareBox, depthmap::DepthKind::RoundBox,
                                         depthmap::DepthKind::Circle};
    for (int i = 0; i < 1000; ++i) {
        const int x = pos(random), y = pos(random);
        map.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, x, y, x + size(random), y + size(random),
                                                           kinds[i % 3], level(random)));
    }
    SirdsSettings s;
    GenerationOptions options;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        GenerationResult r = makeFromDepthMap(s, map, "bench.rds", host, options);
        if (!r.finished())
            state.SkipWithError("generation failed");
        benchmark::DoNotOptimize(r.picture.bitmap.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kWidth);
}
BENCHMARK(BM_DepthMap1000Objects1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
