// PNG reading and writing of a 1200 x 1200 stereogram, in memory, so that
// the figures show the codec and not the disk. Bytes processed are picture
// pixels.
//
// Two pictures: an 8-bit one in a 256-colour palette (a random 100-pixel
// tile repeated across each row with the shifts a raised square gives, the
// program's own output) and a true-colour one made the same way from
// 24-bit colours, as the oversampling scan method writes.

#include "pictrans/TPngIntf.h"

#include "StereogramPicture.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using bench_graphio::kSide;
using bench_graphio::makePicture;

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
    const platform::Palette& palette = bench_graphio::palette();
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
    const platform::Palette& palette = bench_graphio::palette();
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
