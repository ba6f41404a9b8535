// Reading and writing a 1200 x 1200 stereogram in the JPEG, WebP, TIFF and
// netpbm formats, in memory, so that the figures show the codec and not the
// disk. Bytes processed are picture pixels. The pictures are made as in
// bench_png.cpp: a random 100-pixel tile repeated along each row with the
// shifts a raised square gives, at 8 bits in a palette and at 24 bits.

#include "pictrans/TGraphIO.h"
#include "pictrans/TJpgIntf.h"
#include "pictrans/TPnmIntf.h"
#include "pictrans/TTiffIntf.h"
#include "pictrans/TWebpIntf.h"
#include "platform/FileIO.h"

#include "StereogramPicture.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <type_traits>
#include <unistd.h>


namespace {

using bench_graphio::kSide;
using bench_graphio::makePicture;
using bench_graphio::palette;

// The file the facade writes for a format code (and quality).
std::vector<std::uint8_t> fileOf(int code, int quality, const platform::Bitmap& bmp, const platform::Palette* pal)
{
    const std::string path = "/tmp/dotscape-bench-formats-" + std::to_string(::getpid());
    TGraphIO io(nullptr, nullptr);
    io.SetGraphicFormat(code);
    io.SetQuality(quality);
    ::unlink(path.c_str());
    io.Write_File(path, bmp.description(), &bmp, pal);
    auto bytes = platform::readWholeFile(path);
    ::unlink(path.c_str());
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

template <class Intf>
void read(benchmark::State& state, int code, int quality)
{
    const int depth = static_cast<int>(state.range(0));
    const auto bmp = makePicture(depth);
    const std::vector<std::uint8_t> file = fileOf(code, quality, *bmp, depth == 8 ? &palette() : nullptr);
    for (auto _ : state) {
        InStream in(file);
        Intf intf(nullptr, nullptr);
        auto back = intf.ReadStream(in);
        if (!back) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(back->bits().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

// netpbm's writer also takes whether to write PAM.
template <class Intf>
int writeTo(Intf& intf, OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette)
{
    if constexpr (std::is_same_v<Intf, TPnmIntf>)
        return intf.WriteStream(out, bitmap, palette, false);
    else
        return intf.WriteStream(out, bitmap, palette);
}

template <class Intf>
void write(benchmark::State& state, int quality)
{
    const int depth = static_cast<int>(state.range(0));
    const auto bmp = makePicture(depth);
    std::size_t size = 0;
    for (auto _ : state) {
        Intf intf(nullptr, nullptr);
        intf.SetQuality(quality);
        MemoryOutStream out;
        if (!writeTo(intf, out, *bmp, depth == 8 ? &palette() : nullptr)) {
            state.SkipWithError("write failed");
            break;
        }
        size = out.data().size();
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
    state.counters["file_bytes"] = static_cast<double>(size);
}

void BM_JpegRead(benchmark::State& s) { read<TJpgIntf>(s, GFORMAT_JPEG, -1); }
void BM_WebpReadLossless(benchmark::State& s) { read<TWebpIntf>(s, GFORMAT_WEBP, -1); }
void BM_WebpReadLossy(benchmark::State& s) { read<TWebpIntf>(s, GFORMAT_WEBP, 80); }
void BM_TiffRead(benchmark::State& s) { read<TTiffIntf>(s, GFORMAT_TIFF, -1); }
void BM_PnmRead(benchmark::State& s) { read<TPnmIntf>(s, GFORMAT_PNM, -1); }
void BM_WebpWriteLossless(benchmark::State& s) { write<TWebpIntf>(s, -1); }
void BM_WebpWriteLossy(benchmark::State& s) { write<TWebpIntf>(s, 80); }
void BM_TiffWrite(benchmark::State& s) { write<TTiffIntf>(s, -1); }
void BM_PnmWrite(benchmark::State& s) { write<TPnmIntf>(s, -1); }

BENCHMARK(BM_JpegRead)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpReadLossless)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpReadLossy)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffRead)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PnmRead)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpWriteLossless)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpWriteLossy)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffWrite)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PnmWrite)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
