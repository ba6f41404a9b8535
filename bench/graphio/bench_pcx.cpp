// PCX and its run-length codec on a 1200 x 1200 picture at 8 bits per pixel,
// in memory. Bytes processed are picture pixels. The pictures are those of
// the GIF benchmark: a stereogram and random noise.

#include "pictrans/TPcxIntf.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSide = 1200;
constexpr int kPeriod = 100;

std::unique_ptr<platform::Bitmap> makePicture(bool noise)
{
    auto bmp = platform::Bitmap::create(kSide, kSide, 8);
    std::mt19937 rng(42);
    if (noise) {
        for (auto& b : bmp->bits())
            b = static_cast<std::uint8_t>(rng());
        return bmp;
    }
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = bmp->rowFromTop(y);
        for (int x = 0; x < kSide; ++x) {
            const bool raised = x > 400 && x < 800 && y > 400 && y < 800;
            const int back = kPeriod - (raised ? 12 : 0);
            row[x] = x < kPeriod ? static_cast<std::uint8_t>(rng() % 4 * 60) : row[x - back];
        }
    }
    return bmp;
}

platform::Palette makePalette()
{
    std::vector<platform::PALETTEENTRY> e(256);
    for (int i = 0; i < 256; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0};
    return platform::Palette(e);
}

void BM_PcxWrite(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    auto pal = makePalette();
    for (auto _ : state) {
        TPcxIntf pcx(nullptr, nullptr);
        MemoryOutStream out;
        if (!pcx.WriteStream(out, bmp->description(), bmp.get(), &pal))
            state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PcxWrite)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PcxRead(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    auto pal = makePalette();
    TPcxIntf writer(nullptr, nullptr);
    MemoryOutStream file;
    writer.WriteStream(file, bmp->description(), bmp.get(), &pal);
    for (auto _ : state) {
        TPcxIntf pcx(nullptr, nullptr);
        InStream in(file.data());
        auto back = pcx.ReadStream(in);
        if (!back)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back.get());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PcxRead)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
