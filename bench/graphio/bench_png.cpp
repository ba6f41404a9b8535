// PNG reading and writing of a 1200 x 1200 stereogram, in memory, so that
// the figures show the codec and not the disk. Bytes processed are picture
// pixels.
//
// Two pictures: an 8-bit one in a 256-colour palette (a random 100-pixel
// tile repeated across each row with the shifts a raised square gives, the
// program's own output) and a true-colour one made the same way from
// 24-bit colours, as the oversampling scan method writes.

#include "pictrans/TPngIntf.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSide = 1200;
constexpr int kPeriod = 100;

std::unique_ptr<platform::Bitmap> makePicture(int depth)
{
    auto bmp = platform::Bitmap::create(kSide, kSide, depth);
    std::mt19937 rng(42);
    const int bytes = depth / 8;
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = bmp->rowFromTop(y);
        for (int x = 0; x < kSide; ++x) {
            const bool raised = x > 400 && x < 800 && y > 400 && y < 800;
            const int back = kPeriod - (raised ? 12 : 0);
            for (int c = 0; c < bytes; ++c)
                row[bytes * x + c] = x < kPeriod ? static_cast<std::uint8_t>(rng()) : row[bytes * (x - back) + c];
        }
    }
    return bmp;
}

platform::Palette makePalette()
{
    std::vector<platform::PALETTEENTRY> e(256);
    for (int i = 0; i < 256; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 0, 0};
    return platform::Palette(e);
}

std::vector<std::uint8_t> encode(const platform::Bitmap& bmp, const platform::Palette* palette)
{
    TPngIntf png(nullptr, nullptr);
    MemoryOutStream out;
    png.WriteStream(out, bmp.description(), &bmp, palette);
    return out.data();
}

void BM_PngWrite(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    const auto bmp = makePicture(depth);
    const platform::Palette palette = makePalette();
    std::size_t size = 0;
    for (auto _ : state) {
        TPngIntf png(nullptr, nullptr);
        MemoryOutStream out;
        if (!png.WriteStream(out, bmp->description(), bmp.get(), depth == 8 ? &palette : nullptr))
            state.SkipWithError("write failed");
        size = out.data().size();
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
    state.counters["file_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_PngWrite)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_PngRead(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    const auto bmp = makePicture(depth);
    const platform::Palette palette = makePalette();
    const std::vector<std::uint8_t> file = encode(*bmp, depth == 8 ? &palette : nullptr);
    for (auto _ : state) {
        InStream in(file);
        TPngIntf png(nullptr, nullptr);
        auto back = png.ReadStream(in);
        if (!back)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back->bits().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PngRead)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
