// A picture given out band by band to a sink is, row for row and byte for
// byte, the picture the same generation makes whole; generations that cannot
// be streamed still make the whole picture, and a sink that stops taking
// rows stops the generation with a message.

#include "engine/Generation.h"
#include "engine/MapGeneration.h"
#include "engine/SirdsSettings.h"

#include "GenerationFixture.h"

#include "platform/Bitmap.h"
#include "platform/BitmapInfo.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

// Keeps every row it is given, and can refuse after a number of calls.
class RecordingSink : public BandSink {
public:
    bool begin(std::int32_t w, std::int32_t h, int bits, const platform::Palette& p) override
    {
        width = w;
        height = h;
        bitsPerPixel = bits;
        palette = p;
        return refuseAfter != 0;
    }
    bool rows(const std::uint8_t* bits, std::size_t s, std::int32_t count) override
    {
        stride = s;
        data.insert(data.end(), bits, bits + s * static_cast<std::size_t>(count));
        rowCount += count;
        lastCount = count;
        return ++calls < refuseAfter;
    }

    int refuseAfter = 1 << 30; // calls taken, counting begin as the first
    int calls = 1;
    std::int32_t width = 0, height = 0, rowCount = 0, lastCount = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;
    platform::Palette palette;
    std::vector<std::uint8_t> data;
};

struct Tiles {
    std::unique_ptr<platform::Bitmap> indexed = platform::Bitmap::create(37, 23, 8);
    std::unique_ptr<platform::Bitmap> colour = platform::Bitmap::create(29, 31, 24);
    platform::Palette palette;
    Tiles()
    {
        std::vector<platform::PALETTEENTRY> e(64);
        for (int i = 0; i < 64; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 4), static_cast<std::uint8_t>(255 - i),
                                              static_cast<std::uint8_t>(i * 3), 0};
        palette = platform::Palette(e);
        for (int y = 0; y < indexed->height(); ++y)
            for (int x = 0; x < indexed->width(); ++x)
                indexed->setPixel(x, y, static_cast<std::uint32_t>((x * 7 + y * 5) % 64));
        for (int y = 0; y < colour->height(); ++y)
            for (int x = 0; x < colour->width(); ++x)
                colour->setPixel(x, y, static_cast<std::uint32_t>((x * 0x0B1F37 + y * 0x2A0913) & 0xFFFFFF));
    }
};

struct Case {
    const char* name;
    std::int32_t method;
    int width, height;
    bool colour;    // the true-colour tile
    int oversample; // hidden surfaces only
    bool markers;
    int threads;
};

// Rows of a whole picture laid end to end, as the sink would have them.
std::vector<std::uint8_t> wholeRows(const platform::Bitmap& b)
{
    const auto bits = b.bits();
    return std::vector<std::uint8_t>(bits.begin(), bits.end());
}

TEST(GenerationStream, StreamedRowsAreThePictureMadeWhole)
{
    const Tiles tiles;
    // Wide and tall enough for several held blocks, narrow and odd enough for
    // padding, one row, and both depths of output.
    const Case cases[] = {
        {"mcmahon", McMahon, 333, 3100, false, 1, true, 2},
        {"left-to-right", LeftToRight, 501, 900, false, 1, true, 1},
        {"feucht", Feucht, 1203, 301, false, 1, true, 2},
        {"one row", McMahon, 77, 1, false, 1, true, 2},
        {"no markers", Feucht, 640, 480, false, 1, false, 2},
        {"true-colour tile", McMahon, 257, 1100, true, 1, true, 2},
        {"hidden surfaces", HiddenSurface, 401, 1300, false, 1, true, 2},
        {"hidden surfaces, true-colour tile", HiddenSurface, 333, 700, true, 3, true, 2},
        {"hidden surfaces averaged into true colour", HiddenSurface, 1001, 1300, false, 4, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SirdsSettings s;
        s.ShiftDir = c.method;
        s.gapValue = 60;
        s.Marker = c.markers ? 1 : 0;
        s.hidden.Oversample = c.oversample;
        const fixture::FunctionMap map(c.width, c.height, [](int x, int y) { return (x * x / 97 + y / 3) % 64; });
        const PatternRef pattern{c.colour ? tiles.colour.get() : tiles.indexed.get(), &tiles.palette};

        fixture::Host wholeHost(pattern);
        DepthMapJob job;
        job.map = &map;
        job.options.threads = c.threads;
        const GenerationResult whole = makeFromDepthMap(s, job, wholeHost);
        ASSERT_TRUE(whole.finished() && whole.picture.bitmap);
        EXPECT_FALSE(whole.streamed);

        RecordingSink sink;
        job.options.sink = &sink;
        fixture::Host host(pattern);
        const GenerationResult streamed = makeFromDepthMap(s, job, host);
        ASSERT_TRUE(streamed.finished()) << (host.errors.empty() ? "" : host.errors.front());
        EXPECT_TRUE(streamed.streamed);
        EXPECT_FALSE(streamed.picture.bitmap);

        const platform::Bitmap& b = *whole.picture.bitmap;
        EXPECT_EQ(sink.width, b.width());
        EXPECT_EQ(sink.height, b.height());
        EXPECT_EQ(sink.bitsPerPixel, b.bitsPerPixel());
        EXPECT_EQ(sink.stride, b.stride());
        EXPECT_EQ(sink.rowCount, b.height());
        EXPECT_TRUE(sink.palette == whole.picture.palette);
        EXPECT_TRUE(sink.data == wholeRows(b)) << "the streamed rows differ from the whole picture's";
    }
}

// The alignment squares stand in the top ten rows: where the last block is
// shorter, they are drawn in two blocks, one of them given out already.
TEST(GenerationStream, MarkersAcrossTwoBlocksAreDrawnInBoth)
{
    const Tiles tiles;
    const PatternRef pattern{tiles.indexed.get(), &tiles.palette};
    SirdsSettings s;
    s.gapValue = 90;
    bool straddled = false;
    for (int height = 900; height < 1300 && !straddled; ++height) {
        const fixture::FunctionMap map(1200, height, [](int x, int y) { return (x / 7 + y) % 60; });
        RecordingSink sink;
        fixture::Host host(pattern);
        DepthMapJob job;
        job.map = &map;
        job.options.sink = &sink;
        ASSERT_TRUE(makeFromDepthMap(s, job, host).streamed);
        if (sink.calls < 3 || sink.lastCount < 2 || sink.lastCount > 8)
            continue;
        straddled = true;
        job.options.sink = nullptr;
        const GenerationResult whole = makeFromDepthMap(s, job, host);
        ASSERT_TRUE(whole.picture.bitmap);
        EXPECT_TRUE(sink.data == wholeRows(*whole.picture.bitmap)) << "height " << height;
    }
    EXPECT_TRUE(straddled) << "no height put the squares across two blocks";
}

TEST(GenerationStream, WhatCannotBeStreamedIsMadeWholeAndTheSinkIsLeftAlone)
{
    const Tiles tiles;
    const PatternRef pattern{tiles.indexed.get(), &tiles.palette};
    const auto madeWhole = [](const GenerationResult& r, const RecordingSink& sink, int height) {
        ASSERT_TRUE(r.finished());
        EXPECT_FALSE(r.streamed);
        ASSERT_TRUE(r.picture.bitmap);
        EXPECT_EQ(r.picture.bitmap->height(), height);
        EXPECT_EQ(sink.width, 0);
        EXPECT_EQ(sink.rowCount, 0);
    };
    // Random dots are filled over the whole picture before it is linked.
    const fixture::FunctionMap map(300, 200, [](int x, int y) { return (x + y) % 40; });
    SirdsSettings dots;
    dots.ShiftDir = HiddenSurface;
    dots.hidden.Oversample = 1;
    dots.hidden.RandomDots = ColourDots;
    RecordingSink mapSink;
    fixture::Host mapHost(pattern);
    DepthMapJob job;
    job.map = &map;
    job.options.sink = &mapSink;
    madeWhole(makeFromDepthMap(dots, job, mapHost), mapSink, 200);
    // A math figure carries its caption, drawn over the finished picture.
    RecordingSink figureSink;
    fixture::Host figureHost(pattern);
    SirdsSettings s;
    s.w = 320;
    s.h = 240;
    FigureJob figure;
    figure.figureCode = -1;
    figure.options.sink = &figureSink;
    madeWhole(makeFromFigure(s, figure, figureHost), figureSink, 240);
}

TEST(GenerationStream, ASinkThatStopsTakingRowsFailsTheGenerationWithAMessage)
{
    const Tiles tiles;
    const fixture::FunctionMap map(400, 2000, [](int x, int y) { return (x * 3 + y) % 50; });
    for (int refuseAfter : {0, 2}) { // the headers, then the first block of rows
        SCOPED_TRACE(refuseAfter);
        RecordingSink sink;
        sink.refuseAfter = refuseAfter;
        fixture::Host host({tiles.indexed.get(), &tiles.palette});
        DepthMapJob job;
        job.map = &map;
        job.options.sink = &sink;
        const GenerationResult r = makeFromDepthMap(SirdsSettings{}, job, host);
        EXPECT_EQ(r.status, GenerationStatus::Failed);
        EXPECT_EQ(r.error, kNotSentMessage);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_LT(sink.rowCount, 2000);
        EXPECT_EQ(sink.calls, refuseAfter == 0 ? 1 : 2);
    }
}

} // namespace
