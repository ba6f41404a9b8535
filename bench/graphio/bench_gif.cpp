// GIF and its LZW codec on a 1200 x 1200 picture at 8 bits per pixel, in
// memory, so that the figures show the codec and not the disk. Bytes
// processed are picture pixels.
//
// Two pictures: a stereogram (a random 100-pixel tile repeated across each
// row with the shifts a raised square gives, the program's own output) and
// random noise, the worst case for LZW.

#include "pictrans/GifCodec.h"
#include "pictrans/TGifIntf.h"

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
            row[x] = x < kPeriod ? static_cast<std::uint8_t>(rng()) : row[x - back];
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

std::vector<std::uint8_t> encode(const platform::Bitmap& bmp)
{
    MemoryOutStream out;
    GifEncoder enc(out, 8);
    enc.init();
    for (int y = 0; y < kSide; ++y)
        enc.encode(bmp.rowFromTop(y), kSide);
    enc.term();
    out.putc(0);
    return out.data();
}

void BM_LzwEncode(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    std::size_t size = 0;
    for (auto _ : state) {
        MemoryOutStream out;
        GifEncoder enc(out, 8);
        enc.init();
        for (int y = 0; y < kSide; ++y)
            enc.encode(bmp->rowFromTop(y), kSide);
        if (enc.term() != CODEC_OK)
            state.SkipWithError("encode failed");
        size = out.data().size();
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
    state.counters["ratio"] = static_cast<double>(kSide) * kSide / static_cast<double>(size);
}
BENCHMARK(BM_LzwEncode)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LzwDecode(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    const auto data = encode(*bmp);
    std::vector<std::uint8_t> row(kSide);
    for (auto _ : state) {
        InStream in(data);
        GifDecoder dec(in, 8, kSide);
        dec.init();
        for (int y = 0; y < kSide; ++y)
            dec.decode(row.data(), kSide);
        if (dec.term() != CODEC_OK)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(row.data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_LzwDecode)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GifWrite(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    auto pal = makePalette();
    for (auto _ : state) {
        TGifIntf gif(nullptr, nullptr);
        MemoryOutStream out;
        if (!gif.WriteStream(out, bmp->description(), bmp.get(), &pal))
            state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data().data());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_GifWrite)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GifRead(benchmark::State& state)
{
    auto bmp = makePicture(state.range(0) != 0);
    auto pal = makePalette();
    TGifIntf writer(nullptr, nullptr);
    MemoryOutStream file;
    writer.WriteStream(file, bmp->description(), bmp.get(), &pal);
    for (auto _ : state) {
        TGifIntf gif(nullptr, nullptr);
        InStream in(file.data());
        auto back = gif.ReadStream(in);
        if (!back)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back.get());
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_GifRead)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
