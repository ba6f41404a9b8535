// The live preview's work after one change to a 400 x 400 map: the snapshot
// taken on the editing thread, then the stereogram made on the worker. The
// pane shows the result one event pass later, so their sum is the delay
// between an edit and its preview.

#include "engine/Preview.h"

#include "depthmap/TDepthObj.h"
#include "depthmap/TMapDocument.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

struct Scene {
    depthmap::TMapDocument doc{"bench.rds", 400, 400};
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(100, 100, 8);
    platform::Palette palette;
    engine::SirdsSettings settings;

    explicit Scene(int method)
    {
        std::vector<platform::PALETTEENTRY> e(256);
        for (int i = 0; i < 256; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                              static_cast<std::uint8_t>(i * 7), 0};
        palette = platform::Palette(e);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 37 + y * 91 + x * y) % 256));
        settings.ShiftDir = method;
        // Fifty shapes of every kind, as a drawn map might hold.
        using depthmap::DepthKind;
        const DepthKind kinds[] = {DepthKind::SquareBox, DepthKind::Circle, DepthKind::RoundBox, DepthKind::Line};
        for (int i = 0; i < 50; ++i) {
            const int x = (i * 53) % 300;
            const int y = (i * 97) % 300;
            doc.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, x, y, x + 40 + i % 60, y + 30 + i % 70,
                                                               kinds[i % 4], (i * 37) % 256));
        }
    }
};

void BM_PreviewAfterEdit(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)));
    const std::atomic<bool> keepGoing{false};
    for (auto _ : state) {
        const engine::PreviewRequest request =
            engine::snapshotPreview(scene.doc, scene.settings, {scene.tile.get(), &scene.palette});
        engine::GenerationResult r = engine::makePreview(request, keepGoing);
        benchmark::DoNotOptimize(r.picture.bitmap);
    }
}
BENCHMARK(BM_PreviewAfterEdit)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_PreviewSnapshotOnly(benchmark::State& state)
{
    Scene scene(2);
    for (auto _ : state) {
        engine::PreviewRequest request =
            engine::snapshotPreview(scene.doc, scene.settings, {scene.tile.get(), &scene.palette});
        benchmark::DoNotOptimize(request.levels.levels.data());
    }
}
BENCHMARK(BM_PreviewSnapshotOnly)->Unit(benchmark::kMillisecond);

} // namespace
