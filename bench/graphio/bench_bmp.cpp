// BMP reading and writing of a 1200 x 1200 picture at 8 bits per pixel, in
// memory, so that the figures show the codec and not the disk.

#include "pictrans/TBmpIntf.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSide = 1200;

std::unique_ptr<platform::Bitmap> makePicture()
{
    auto bmp = platform::Bitmap::create(kSide, kSide, 8);
    std::mt19937 rng(42);
    for (auto& b : bmp->bits())
        b = static_cast<std::uint8_t>(rng());
    return bmp;
}

platform::Palette makePalette()
{
    std::vector<platform::PALETTEENTRY> e(256);
    for (int i = 0; i < 256; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0, 0};
    return platform::Palette(e);
}

void BM_BmpWrite8bit1200(benchmark::State& state)
{
    auto bmp = makePicture();
    auto pal = makePalette();
    for (auto _ : state) {
        TBmpIntf intf(nullptr, nullptr);
        MemoryOutStream out;
        if (!intf.WriteStream(out, bmp->description(), bmp.get(), &pal))
            state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bmp->bits().size()));
}
BENCHMARK(BM_BmpWrite8bit1200)->Unit(benchmark::kMillisecond);

void BM_BmpRead8bit1200(benchmark::State& state)
{
    auto bmp = makePicture();
    auto pal = makePalette();
    MemoryOutStream file;
    {
        TBmpIntf intf(nullptr, nullptr);
        intf.WriteStream(file, bmp->description(), bmp.get(), &pal);
    }
    for (auto _ : state) {
        TBmpIntf intf(nullptr, nullptr);
        InStream in(file.data());
        auto back = intf.ReadStream(in);
        if (!back)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.data().size()));
}
BENCHMARK(BM_BmpRead8bit1200)->Unit(benchmark::kMillisecond);

} // namespace

// A 4000 x 4000 true-colour file read from memory: its rows go straight
// into the bitmap.
void BM_BmpRead24bit4000(benchmark::State& state)
{
    constexpr int side = 4000;
    auto bmp = platform::Bitmap::create(side, side, 24);
    std::mt19937 rng(7);
    for (auto& b : bmp->bits())
        b = static_cast<std::uint8_t>(rng());
    MemoryOutStream file;
    {
        TBmpIntf intf(nullptr, nullptr);
        intf.WriteStream(file, bmp->description(), bmp.get(), nullptr);
    }
    for (auto _ : state) {
        TBmpIntf intf(nullptr, nullptr);
        InStream in(file.data());
        auto back = intf.ReadStream(in);
        if (!back)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.data().size()));
}
BENCHMARK(BM_BmpRead24bit4000)->Unit(benchmark::kMillisecond);

// A new 4000 x 4000 bitmap written whole once: the cost of its memory.
void BM_BitmapCreateAndFill4000(benchmark::State& state)
{
    for (auto _ : state) {
        auto bmp = platform::Bitmap::create(4000, 4000, 8);
        std::fill(bmp->bits().begin(), bmp->bits().end(), std::uint8_t{7});
        benchmark::DoNotOptimize(bmp->bits().data());
    }
    state.SetBytesProcessed(state.iterations() * 4000 * 4000);
}
BENCHMARK(BM_BitmapCreateAndFill4000)->Unit(benchmark::kMillisecond);
