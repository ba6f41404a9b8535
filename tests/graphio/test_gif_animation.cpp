// The animated GIF writer: the file's structure read back block by block
// with the GIF records, every frame read back by the GIF reader, delays,
// depths, refusals and safe replacement of files.

#include "RecordingWindow.h"
#include "pictrans/GifRecords.h"
#include "pictrans/TGifAnimation.h"
#include "pictrans/TGifIntf.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<platform::Bitmap> frame(int w, int h, int depth, unsigned seed)
{
    auto b = platform::Bitmap::create(w, h, depth);
    const std::uint32_t mask = (1u << depth) - 1;
    std::uint32_t v = seed * 2654435761u + 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            v = v * 1103515245u + 12345u;
            b->setPixel(x, y, (v >> 16) & mask);
        }
    }
    return b;
}

platform::Palette palette(int n)
{
    std::vector<platform::PALETTEENTRY> e(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                          static_cast<std::uint8_t>(i * 3), platform::PC_NOCOLLAPSE};
    return platform::Palette(e);
}

// What the block walk finds in a written animation.
struct Structure {
    std::string version;
    GIFSCDESC screen;
    std::vector<std::uint8_t> globalTable;
    int loopBlocks = 0;
    int loopCount = -1;
    std::vector<int> delays;        // one per graphic control block
    std::vector<int> disposals;
    int images = 0;
    int localTables = 0;
    int fullFrames = 0; // images covering the whole screen at (0, 0)
    bool trailer = false;
    bool blocksAfterTrailer = false;
};

bool skipSubBlocks(InStream& in, std::vector<std::uint8_t>* first = nullptr)
{
    bool firstBlock = true;
    for (;;) {
        const int n = in.getc();
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        std::vector<std::uint8_t> data(static_cast<std::size_t>(n));
        if (in.read(data.data(), data.size()) != data.size())
            return false;
        if (first && firstBlock)
            *first = data;
        firstBlock = false;
    }
}

Structure walk(const std::vector<std::uint8_t>& bytes)
{
    Structure s;
    InStream in(bytes);
    GIFHEADER header;
    EXPECT_EQ(header.get(in), 0);
    s.version.assign(header.ver, 3);
    EXPECT_EQ(s.screen.get(in), 0);
    if (s.screen.hasGlobalTable()) {
        s.globalTable.resize(3 * static_cast<std::size_t>(s.screen.tableSize()));
        EXPECT_EQ(in.read(s.globalTable.data(), s.globalTable.size()), s.globalTable.size());
    }
    for (;;) {
        const int c = in.getc();
        if (c < 0)
            break;
        if (s.trailer) {
            s.blocksAfterTrailer = true;
            break;
        }
        if (c == GIF_TRAILER) {
            s.trailer = true;
            continue;
        }
        if (c == GIF_EXTENSION_ID) {
            const int label = in.getc();
            if (label == GIF_LABEL_APPLICATION) {
                GIFAPPEXT app;
                EXPECT_EQ(app.get(in), 0);
                std::vector<std::uint8_t> data;
                EXPECT_TRUE(skipSubBlocks(in, &data));
                if (std::memcmp(app.apname, "NETSCAPE", 8) == 0 && std::memcmp(app.apcode, "2.0", 3) == 0 &&
                    data.size() == 3 && data[0] == 1) {
                    ++s.loopBlocks;
                    s.loopCount = data[1] | data[2] << 8;
                }
            } else if (label == GIF_LABEL_CONTROL) {
                GIFCTLEXT control;
                EXPECT_EQ(control.get(in), 0);
                EXPECT_EQ(in.getc(), 0); // its terminator
                s.delays.push_back(control.delay);
                s.disposals.push_back((control.flags >> 2) & 7);
                EXPECT_EQ(control.flags & 1, 0) << "no transparent colour";
            } else {
                ADD_FAILURE() << "unexpected extension " << label;
                skipSubBlocks(in);
            }
            continue;
        }
        if (c == GIF_IMAGE_ID) {
            GIFIMDESC desc;
            EXPECT_EQ(desc.get(in), 0);
            ++s.images;
            if (desc.hasLocalTable())
                ++s.localTables;
            if (desc.xleft == 0 && desc.ytop == 0 && desc.imwidth == s.screen.scwidth &&
                desc.imheight == s.screen.scheight)
                ++s.fullFrames;
            in.getc(); // minimum code size
            EXPECT_TRUE(skipSubBlocks(in));
            continue;
        }
        ADD_FAILURE() << "unknown block " << c;
        break;
    }
    return s;
}

std::vector<std::uint8_t> writeToMemory(const std::vector<const platform::Bitmap*>& frames,
                                        const platform::Palette& pal, int delayMs)
{
    MemoryOutStream out;
    TGifAnimation gif(nullptr, nullptr);
    gif.quiet = 1;
    EXPECT_EQ(gif.WriteAnimationStream(out, frames, pal, delayMs), 1);
    return out.data();
}

// Every pixel of a and b, reporting the first that differs.
void expectSamePixels(const platform::Bitmap& a, const platform::Bitmap& b, const std::string& what)
{
    ASSERT_EQ(a.width(), b.width()) << what;
    ASSERT_EQ(a.height(), b.height()) << what;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ADD_FAILURE() << what << ": first difference at (" << x << ", " << y << "): " << a.pixel(x, y)
                              << " against " << b.pixel(x, y);
                return;
            }
        }
    }
}

std::string tempPath(const std::string& name)
{
    return (fs::temp_directory_path() / ("dotscape-gifanim-" + std::to_string(::getpid()) + "-" + name)).string();
}

std::vector<std::string> leftovers(const fs::path& dir)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename().string().starts_with(".dotscape-"))
            out.push_back(e.path().string());
    }
    return out;
}

} // namespace

TEST(GifAnimation, StructureLoopDelaysAndOneGlobalTable)
{
    auto f0 = frame(301, 97, 8, 1), f1 = frame(301, 97, 8, 2), f2 = frame(301, 97, 8, 3);
    const platform::Palette pal = palette(256);
    const auto bytes = writeToMemory({f0.get(), f1.get(), f2.get()}, pal, 80);

    const Structure s = walk(bytes);
    EXPECT_EQ(s.version, "89a");
    EXPECT_EQ(s.screen.scwidth, 301);
    EXPECT_EQ(s.screen.scheight, 97);
    EXPECT_EQ(s.screen.flags, 0xF7);
    ASSERT_EQ(s.globalTable.size(), 768u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(s.globalTable[3 * static_cast<std::size_t>(i)], pal[static_cast<std::size_t>(i)].peRed);
        EXPECT_EQ(s.globalTable[3 * static_cast<std::size_t>(i) + 2], pal[static_cast<std::size_t>(i)].peBlue);
    }
    EXPECT_EQ(s.loopBlocks, 1);
    EXPECT_EQ(s.loopCount, 0); // for ever
    EXPECT_EQ(s.images, 3);
    EXPECT_EQ(s.fullFrames, 3);
    EXPECT_EQ(s.localTables, 0);
    EXPECT_EQ(s.delays, (std::vector<int>{8, 8, 8}));
    EXPECT_EQ(s.disposals, (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(s.trailer);
    EXPECT_FALSE(s.blocksAfterTrailer);

    // Each frame comes back from the reader as it went in.
    const platform::Bitmap* frames[] = {f0.get(), f1.get(), f2.get()};
    for (int k = 0; k < 3; ++k) {
        InStream in(bytes);
        TGifIntf reader(nullptr, nullptr);
        reader.quiet = 1;
        auto back = reader.ReadStream(in, k);
        ASSERT_TRUE(back) << "frame " << k;
        EXPECT_EQ(back->bitsPerPixel(), 8);
        expectSamePixels(*back, *frames[k], "frame " + std::to_string(k));
        auto backPalette = reader.TakePalette();
        ASSERT_TRUE(backPalette);
        EXPECT_EQ((*backPalette)[200].peGreen, pal[200].peGreen);
    }
    // There is no fourth frame.
    InStream in(bytes);
    TGifIntf reader(nullptr, nullptr);
    reader.quiet = 1;
    EXPECT_FALSE(reader.ReadStream(in, 3));
}

TEST(GifAnimation, DelaysAreStoredInHundredthsRoundedToTheNearest)
{
    EXPECT_EQ(TGifAnimation::DelayHundredths(80), 8);
    EXPECT_EQ(TGifAnimation::DelayHundredths(84), 8);
    EXPECT_EQ(TGifAnimation::DelayHundredths(85), 9);
    EXPECT_EQ(TGifAnimation::DelayHundredths(20), 2);
    EXPECT_EQ(TGifAnimation::DelayHundredths(4), 1);  // never 0: viewers would pick their own
    EXPECT_EQ(TGifAnimation::DelayHundredths(-50), 1);
    EXPECT_EQ(TGifAnimation::DelayHundredths(655350), 65535);
    EXPECT_EQ(TGifAnimation::DelayHundredths(2000000000), 65535);

    auto f0 = frame(8, 8, 8, 1), f1 = frame(8, 8, 8, 2);
    const auto bytes = writeToMemory({f0.get(), f1.get()}, palette(256), 125);
    EXPECT_EQ(walk(bytes).delays, (std::vector<int>{13, 13}));
}

TEST(GifAnimation, FramesOfOneAndFourBitsRoundTrip)
{
    for (int depth : {1, 4}) {
        auto f0 = frame(133, 41, depth, 5), f1 = frame(133, 41, depth, 6);
        const platform::Palette pal = palette(1 << depth);
        const auto bytes = writeToMemory({f0.get(), f1.get()}, pal, 80);
        const Structure s = walk(bytes);
        EXPECT_EQ(s.screen.flags, depth == 1 ? 0x80 : 0xB3) << depth;
        EXPECT_EQ(s.globalTable.size(), 3u << depth);
        EXPECT_EQ(s.images, 2);
        for (int k = 0; k < 2; ++k) {
            InStream in(bytes);
            TGifIntf reader(nullptr, nullptr);
            auto back = reader.ReadStream(in, k);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->bitsPerPixel(), depth);
            expectSamePixels(*back, k == 0 ? *f0 : *f1, "depth " + std::to_string(depth));
        }
    }
}

TEST(GifAnimation, TrueColourFramesTakeTheNearestColoursOfTheTable)
{
    const platform::Palette pal = palette(256);
    auto f0 = platform::Bitmap::create(37, 11, 24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            f0->setPixel(x, y, static_cast<std::uint32_t>((x * 7) << 16 | (y * 23) << 8 | (x * y) % 256));
    auto f1 = platform::Bitmap::create(37, 11, 24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            f1->setPixel(x, y, static_cast<std::uint32_t>(pal[static_cast<std::size_t>((x + y) % 256)].peRed) << 16);
    const auto bytes = writeToMemory({f0.get(), f1.get()}, pal, 80);
    const Structure s = walk(bytes);
    EXPECT_EQ(s.screen.flags, 0xF7);
    EXPECT_EQ(s.images, 2);
    const platform::Bitmap* frames[] = {f0.get(), f1.get()};
    for (int k = 0; k < 2; ++k) {
        InStream in(bytes);
        TGifIntf reader(nullptr, nullptr);
        auto back = reader.ReadStream(in, k);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->bitsPerPixel(), 8);
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 37; ++x) {
                const std::uint32_t c = frames[k]->pixel(x, y);
                const auto want = pal.nearest(static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                              static_cast<std::uint8_t>(c));
                ASSERT_EQ(back->pixel(x, y), want) << "frame " << k << " at " << x << ", " << y;
            }
        }
    }
}

TEST(GifAnimation, RefusesWhatItCannotWrite)
{
    const platform::Palette pal = palette(256);
    {
        // A frame of another size fails the writer for good.
        RecordingWindow owner;
        MemoryOutStream out;
        TGifAnimation gif(nullptr, &owner);
        ASSERT_EQ(gif.BeginStream(out, 10, 10, 8, pal, 80), 1);
        auto good = frame(10, 10, 8, 1), wide = frame(11, 10, 8, 1);
        EXPECT_EQ(gif.AddFrame(*good), 1);
        EXPECT_EQ(gif.AddFrame(*wide), 0);
        ASSERT_EQ(owner.boxes.size(), 1u);
        EXPECT_EQ(owner.boxes[0].caption, "GIF Error");
        EXPECT_NE(owner.boxes[0].text.find("size and depth"), std::string::npos);
        EXPECT_EQ(gif.AddFrame(*good), 0);
        EXPECT_EQ(gif.Finish(), 0);
        EXPECT_EQ(owner.boxes.size(), 1u) << "one fault, one message";
        EXPECT_EQ(gif.FramesWritten(), 1);
    }
    {
        RecordingWindow owner;
        MemoryOutStream out;
        TGifAnimation gif(nullptr, &owner);
        EXPECT_EQ(gif.BeginStream(out, 10, 10, 16, pal, 80), 0);
        EXPECT_EQ(gif.BeginStream(out, 70000, 10, 8, pal, 80), 0);
        EXPECT_EQ(owner.boxes.size(), 2u);
    }
    {
        // No frames: no file.
        MemoryOutStream out;
        TGifAnimation gif(nullptr, nullptr);
        ASSERT_EQ(gif.BeginStream(out, 10, 10, 8, pal, 80), 1);
        EXPECT_EQ(gif.Finish(), 0);
    }
    {
        // A sink that stops taking bytes in the middle of the second frame.
        auto f0 = frame(64, 64, 8, 1), f1 = frame(64, 64, 8, 2);
        const std::size_t oneFrame = writeToMemory({f0.get()}, pal, 80).size();
        MemoryOutStream out;
        out.failAfter(oneFrame + 100);
        TGifAnimation gif(nullptr, nullptr);
        const platform::Bitmap* frames[] = {f0.get(), f1.get()};
        EXPECT_EQ(gif.WriteAnimationStream(out, frames, pal, 80), 0);
    }
}

TEST(GifAnimation, FilesAreReplacedOnlyWhenComplete)
{
    const std::string path = tempPath("anim.gif");
    {
        std::ofstream old(path, std::ios::binary);
        old << "old contents";
    }
    const platform::Palette pal = palette(256);
    auto f0 = frame(50, 40, 8, 1), f1 = frame(50, 40, 8, 2);
    RecordingWindow owner;
    owner.answer = platform::IDYES;
    {
        // Frames made and written one at a time; the writer is dropped
        // before it finishes, as when a generation is stopped.
        TGifAnimation gif(nullptr, &owner);
        ASSERT_EQ(gif.Begin(path, 50, 40, 8, pal, 80), 1);
        ASSERT_EQ(gif.AddFrame(*f0), 1);
    }
    auto kept = platform::readWholeFile(path);
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::string(kept->begin(), kept->end()), "old contents");
    EXPECT_TRUE(leftovers(fs::path(path).parent_path()).empty());

    // Asked to overwrite and told No: nothing happens.
    owner.answer = platform::IDNO;
    TGifAnimation refused(nullptr, &owner);
    EXPECT_EQ(refused.Begin(path, 50, 40, 8, pal, 80), 0);

    owner.answer = platform::IDYES;
    TGifAnimation gif(nullptr, &owner);
    const platform::Bitmap* frames[] = {f0.get(), f1.get()};
    ASSERT_EQ(gif.WriteAnimation(path, frames, pal, 80), 1);
    auto written = platform::readWholeFile(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(walk(*written).images, 2);
    InStream in(*written);
    TGifIntf reader(nullptr, nullptr);
    auto back = reader.ReadStream(in, 1);
    ASSERT_TRUE(back);
    expectSamePixels(*back, *f1, "second frame from the file");
    fs::remove(path);
}

TEST(GifAnimation, ReaderSkipsToAnImageAndRefusesOneCutShort)
{
    auto f0 = frame(20, 20, 8, 1), f1 = frame(20, 20, 8, 2);
    auto bytes = writeToMemory({f0.get(), f1.get()}, palette(256), 80);
    // Cut inside the first frame's data: the second cannot be reached.
    bytes.resize(900);
    InStream in(bytes);
    RecordingWindow owner;
    TGifIntf reader(nullptr, &owner);
    EXPECT_FALSE(reader.ReadStream(in, 1));
    ASSERT_FALSE(owner.boxes.empty());
    EXPECT_EQ(owner.boxes.back().caption, "GIF Error");
}
