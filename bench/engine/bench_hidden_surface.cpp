// Speed of the hidden-surface method: one 1200-pixel row linked alone and
// shifted (8-bit and true-colour texture) at K = 1, 2, 4 and 8, and whole
// 1200 × 1200 stereograms from a depth picture (an elliptic ramp of 256 grey
// levels, like pgmramp -ellipse) on one thread.

#include "engine/Generation.h"
#include "engine/HiddenSurface.h"
#include "engine/SirdsSettings.h"

#include "QuietHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace engine;

namespace {

constexpr int kSide = 1200;

int rampLevel(int x, int y)
{
    const double dx = (x - kSide / 2.0) / (kSide / 2.0), dy = (y - kSide / 2.0) / (kSide / 2.0);
    const double r = std::sqrt(dx * dx + dy * dy);
    return r < 1 ? static_cast<int>(255 * (1 - r)) : 0;
}

struct Sources {
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(128, 128, 8);
    platform::Palette palette;
    std::unique_ptr<platform::Bitmap> depth = platform::Bitmap::create(kSide, kSide, 8);

    Sources()
    {
        std::vector<platform::PALETTEENTRY> grey(256);
        for (int i = 0; i < 256; ++i)
            grey[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                                 static_cast<std::uint8_t>(i / 2), 0};
        palette = platform::Palette(grey);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 37 + y * 91 + x * y) % 256));
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                depth->setPixel(x, y, static_cast<std::uint32_t>(rampLevel(x, y)));
    }
};


void BM_HiddenSurfaceRow(benchmark::State& state)
{
    HiddenSurfaceParams p;
    p.width = kSide;
    p.eye = 200;
    p.oversample = static_cast<int>(state.range(0));
    p.zmax = 255;
    platform::Palette palette;
    HiddenSurfacePass pass(p, 1, palette);
    std::vector<std::int32_t> depth(kSide);
    for (int x = 0; x < kSide; ++x)
        depth[static_cast<std::size_t>(x)] = rampLevel(x, kSide / 2 + 100);
    std::vector<std::uint8_t> texture(kSide * 3);
    for (auto _ : state) {
        for (int x = 0; x < kSide; ++x)
            texture[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 7);
        pass.shift(0, 0, texture.data(), depth.data());
        benchmark::DoNotOptimize(texture.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(BM_HiddenSurfaceRow)->Arg(1)->Arg(2)->Arg(4)->Arg(8);

HiddenSurfaceParams rowParams(int oversample)
{
    HiddenSurfaceParams p;
    p.width = kSide;
    p.eye = 200;
    p.oversample = oversample;
    p.zmax = 255;
    return p;
}

std::vector<std::int32_t> benchRow()
{
    std::vector<std::int32_t> depth(kSide);
    for (int x = 0; x < kSide; ++x)
        depth[static_cast<std::size_t>(x)] = rampLevel(x, kSide / 2 + 100);
    return depth;
}

// The linker alone: the bounds, the pairs and the chains.
void BM_HiddenSurfaceLinkRow(benchmark::State& state)
{
    const HiddenSurfaceTables tables(rowParams(static_cast<int>(state.range(0))));
    const std::int32_t n = tables.subpixels();
    HiddenSurfaceScratch scratch;
    scratch.resize(static_cast<std::size_t>(n));
    const std::vector<std::int32_t> depth = benchRow();
    tables.levels(depth.data(), kSide, tables.params().oversample, scratch.levels.data());
    for (auto _ : state) {
        linkRow(tables, n, scratch);
        benchmark::DoNotOptimize(scratch.same.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_HiddenSurfaceLinkRow)->Arg(1)->Arg(4);

// A true-colour texture row.
void BM_HiddenSurfaceColourRow(benchmark::State& state)
{
    platform::Palette palette;
    HiddenSurfacePass pass(rowParams(static_cast<int>(state.range(0))), 1, palette, true);
    const std::vector<std::int32_t> depth = benchRow();
    std::vector<std::uint32_t> texture(kSide);
    for (int x = 0; x < kSide; ++x)
        texture[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(x) * 2654435761u;
    std::vector<std::uint8_t> out(3 * kSide);
    for (auto _ : state) {
        pass.shiftColour(0, 0, texture.data(), depth.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(BM_HiddenSurfaceColourRow)->Arg(1)->Arg(4);

void BM_HiddenSurfacePicture1200(benchmark::State& state)
{
    Sources sources;
    bench::QuietHost host(sources.tile.get(), &sources.palette);
    SirdsSettings s;
    s.ShiftDir = HiddenSurface;
    s.zmax = 255;
    s.DepthSel = ByBrightness;
    s.hidden.Oversample = static_cast<int>(state.range(0));
    PictureJob job;
    job.picture = sources.depth.get();
    job.palette = &sources.palette;
    job.options.threads = 1;
    for (auto _ : state) {
        GenerationResult r = makeFromPicture(s, job, host);
        if (!r.finished())
            state.SkipWithError("generation failed");
        benchmark::DoNotOptimize(r.picture.bitmap.get());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_HiddenSurfacePicture1200)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

