// Level queries of a busy depth map: 1000 objects of every kind over a
// 1200 × 1200 map, the largest size a stereogram may have. A whole
// generation asks for all 1.44 million levels once.

#include "depthmap/MapRows.h"
#include "depthmap/TMapDocument.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using depthmap::DepthKind;
using depthmap::TDepthObj;
using depthmap::TMapDocument;

namespace {

constexpr int kSide = 1200;

// Objects from a few pixels to about half the map; polygons of up to 64 vertices.
std::unique_ptr<TMapDocument> busyMap(int objects, int maxSize, unsigned seed)
{
    auto doc = std::make_unique<TMapDocument>("bench", kSide, kSide);
    std::mt19937 rng(seed);
    for (int i = 0; i < objects; ++i) {
        const auto kind = static_cast<DepthKind>(rng() % 7);
        const int x = static_cast<int>(rng() % kSide), y = static_cast<int>(rng() % kSide);
        const int w = 2 + static_cast<int>(rng() % static_cast<unsigned>(maxSize));
        const int h = 2 + static_cast<int>(rng() % static_cast<unsigned>(maxSize));
        auto o = std::make_unique<TDepthObj>(nullptr, x, y, x + w, y + h, kind, static_cast<int>(rng() % 256));
        if (kind == DepthKind::Polygon) {
            std::vector<platform::Point> pts(3 + rng() % 62);
            for (auto& p : pts)
                p = {x + static_cast<int>(rng() % static_cast<unsigned>(w)), y + static_cast<int>(rng() % static_cast<unsigned>(h))};
            o->SetVertices(pts);
        }
        doc->AddOnTop(std::move(o));
    }
    doc->Prepare();
    return doc;
}

void BM_LevelRowsWholeMap(benchmark::State& state)
{
    auto doc = busyMap(1000, static_cast<int>(state.range(0)), 1);
    std::vector<std::int32_t> row(kSide + 4);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            doc->LevelRow(y, row.data(), static_cast<std::int32_t>(row.size()));
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_LevelRowsWholeMap)->Arg(100)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

void BM_Rasterise(benchmark::State& state)
{
    auto doc = busyMap(1000, static_cast<int>(state.range(0)), 2);
    for (auto _ : state) {
        auto raster = doc->Rasterise();
        benchmark::DoNotOptimize(raster.levels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_Rasterise)->Arg(300)->Unit(benchmark::kMillisecond);

// Building the areas (first use after loading or editing) and then every level.
void BM_PrepareAndRasterise(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = busyMap(1000, 300, 3);
        auto fresh = std::make_unique<TMapDocument>("copy", kSide, kSide);
        fresh->ReadBytes(doc->Serialise());
        state.ResumeTiming();
        auto raster = fresh->Rasterise();
        benchmark::DoNotOptimize(raster.levels.data());
    }
}
BENCHMARK(BM_PrepareAndRasterise)->Unit(benchmark::kMillisecond);

// The point-by-point hit test, for comparison: one row.
void BM_LevelAtOneRow(benchmark::State& state)
{
    auto doc = busyMap(1000, 300, 4);
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (int x = 0; x < kSide; ++x)
            sum += doc->LevelAt(x, 600);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(BM_LevelAtOneRow)->Unit(benchmark::kMicrosecond);

void BM_ReadFile(benchmark::State& state)
{
    auto doc = busyMap(1000, 300, 5);
    const auto bytes = doc->Serialise();
    for (auto _ : state) {
        TMapDocument fresh("copy", 400, 400);
        benchmark::DoNotOptimize(fresh.ReadBytes(bytes));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMicrosecond);

} // namespace

// The banded rows the generation uses, over the same busy map.
void BM_MapRowsWholeMap(benchmark::State& state)
{
    auto doc = busyMap(1000, static_cast<int>(state.range(0)), 1);
    const depthmap::MapRows rows(*doc);
    std::vector<std::int32_t> row(kSide + 4);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            rows.levelRow(y, row.data(), static_cast<std::int32_t>(row.size()));
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_MapRowsWholeMap)->Arg(100)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

// A hostile map that still opens: n small circles over 1500 x 1500, every
// row made (index included). The document's plain LevelRow looks at every
// object on every row; the bands only at those near the row.
void BM_ManySmallCirclesEveryRow(benchmark::State& state)
{
    constexpr int side = 1500;
    TMapDocument doc("circles", side, side);
    std::mt19937 rng(3);
    for (int i = 0; i < state.range(0); ++i) {
        const int x = static_cast<int>(rng() % side), y = static_cast<int>(rng() % side);
        doc.AddOnTop(std::make_unique<TDepthObj>(nullptr, x - 5, y - 5, x + 5, y + 5, DepthKind::Circle, 30));
    }
    std::vector<std::int32_t> row(side);
    for (auto _ : state) {
        const depthmap::MapRows rows(doc);
        for (int y = 0; y < side; ++y) {
            rows.levelRow(y, row.data(), side);
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.counters["work"] = static_cast<double>(doc.DrawWork());
}
BENCHMARK(BM_ManySmallCirclesEveryRow)->Arg(10000)->Arg(100000)->Arg(999999)->Unit(benchmark::kMillisecond)->Iterations(1);
