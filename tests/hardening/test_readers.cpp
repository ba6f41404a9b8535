// Hostile files too big to keep among the test files, made on the spot:
// each once crashed or misbehaved in a reader.

#include "Scratch.h"

#include "depthmap/TMapDocument.h"
#include "pictrans/PcxCodec.h"
#include "pictrans/PcxHeader.h"
#include "pictrans/Stream.h"
#include "pictrans/TGraphIO.h"
#include "platform/BitmapInfo.h"
#include "platform/Region.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, static_cast<std::uint16_t>(v));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

// A bottom-up BMP with a 40-byte header, a grey table and the given data.
Bytes bmpFile(std::int32_t width, std::int32_t height, int bpp, std::uint32_t compression, const Bytes& data)
{
    const std::uint32_t colours = 1u << bpp;
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + static_cast<std::uint32_t>(data.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, static_cast<std::uint16_t>(bpp));
    put32(b, compression);
    put32(b, static_cast<std::uint32_t>(data.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const auto g = static_cast<std::uint8_t>(i * 255 / (colours - 1));
        b.insert(b.end(), {g, g, g, 0});
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TEST(HostileBmp, ARunLengthRowThatNeverEndsIsCutAtTheRowsEnd)
{
    // More than 2^31 pixels of runs in one row of a 5-pixel picture: the
    // column count once overflowed and the next pixel went far outside the row.
    for (int bpp : {8, 4}) {
        ScratchDir dir;
        Bytes data;
        const std::size_t runs = (std::size_t{1} << 31) / 255 + 1000;
        data.reserve(runs * 2 + 4);
        data.insert(data.end(), {3, static_cast<std::uint8_t>(bpp == 8 ? 200 : 0xA5)});
        for (std::size_t i = 0; i < runs; ++i)
            data.insert(data.end(), {255, 7});
        data.insert(data.end(), {0, 0, 0, 1});
        spit(dir.path() / "endless.bmp",
             bmpFile(5, 1, bpp, bpp == 8 ? platform::BI_RLE8 : platform::BI_RLE4, data));
        AnsweringWindow owner(platform::IDOK);
        TGraphIO io(nullptr, &owner);
        auto bitmap = io.Read_File(dir.file("endless.bmp"));
        ASSERT_TRUE(bitmap) << bpp << " bits: " << (owner.boxes.empty() ? "" : owner.boxes[0]);
        EXPECT_TRUE(owner.boxes.empty());
        const std::uint32_t first = bpp == 8 ? 200 : 0xA, second = bpp == 8 ? 200 : 0x5;
        EXPECT_EQ(bitmap->pixel(0, 0), first);
        EXPECT_EQ(bitmap->pixel(1, 0), second);
        EXPECT_EQ(bitmap->pixel(2, 0), first);
        EXPECT_EQ(bitmap->pixel(3, 0), bpp == 8 ? 7u : 0u) << "the first long run goes on at column 3";
        EXPECT_EQ(bitmap->pixel(4, 0), 7u);
    }
}

// A map of many tall thin triangles: each one's exact box takes a million
// steps, so a file of thousands once took minutes to open. Past the file's
// work budget the rest take their vertices' box; their areas stay exact.
TEST(HostileDepthMap, ManyTallPolygonsOpenWithTheirBoxesBounded)
{
    const int triangles = 3000;
    const platform::Point tri[3] = {{0, 0}, {300, 340000}, {10, 1}};
    ASSERT_LE(platform::Region::polygonWork(tri), platform::Region::kExactPolygonWork);
    Bytes file{'D', 'E', 'P', 'T', 'H', 'M', 'A', 'P', 0, 0, 0, 0, 0, 0, 0, 0, 1};
    put32(file, triangles + 1);
    for (int i = 0; i < triangles; ++i) {
        put32(file, 5); // polygon
        put32(file, 10 + i % 200);
        put32(file, 3);
        for (const auto& p : tri) {
            put32(file, static_cast<std::uint32_t>(p.x));
            put32(file, static_cast<std::uint32_t>(p.y));
        }
    }
    for (std::uint32_t v : {3u, 0u, 0u, 0u, 400u, 300u}) // the background box
        put32(file, v);

    depthmap::TMapDocument doc("m", 10, 10);
    ASSERT_TRUE(doc.ReadBytes(file));
    ASSERT_EQ(doc.ObjectCount(), triangles + 1);
    const platform::Rect exact = platform::Region::polygon(tri).bounds();
    const platform::Rect vertices{0, 0, 300, 340000};
    ASSERT_NE(exact, vertices) << "the case must tell the two boxes apart";
    int exactBoxes = 0;
    for (const depthmap::TDepthObj* o = doc.Top(); o && o->GetKind() == depthmap::DepthKind::Polygon; o = o->Next()) {
        const platform::Rect c = o->GetCorners();
        if (c == exact)
            ++exactBoxes;
        else
            EXPECT_EQ(c, vertices);
        EXPECT_TRUE(o->GetRegion().contains(5, 1)) << "the area itself stays exact";
        EXPECT_FALSE(o->GetRegion().contains(20, 3));
    }
    const std::int64_t each = platform::Region::polygonWork(tri);
    EXPECT_EQ(exactBoxes, depthmap::TMapDocument::kMaxExactWork / each) << "the budget, no more and no less";
    EXPECT_EQ(doc.LevelAt(5, 1), 10) << "the top triangle";
}

TEST(HostilePcx, TheDecoderTakesLinesOfNoBytes)
{
    // Headers the reader refuses, fed to the decoder itself: lines of 0 bytes
    // once made it clear its line buffer through a null pointer.
    for (const char* name : {"fuzz-bplin-zero-two-planes.pcx", "fuzz-garbage-header.pcx"}) {
        const Bytes file = slurp(fs::path(DOTSCAPE_TESTDATA_DIR) / "pcx" / "malformed" / name);
        ASSERT_GE(file.size(), PCXHEADER::kSize) << name;
        PCXHEADER header;
        header.load(file.data());
        ASSERT_EQ(header.bplin, 0) << name;
        InStream in{Bytes(file)};
        PcxDecoder decoder(in, header);
        const int width = 16;
        std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * static_cast<std::size_t>(header.planes()), 0xEE);
        if (decoder.init() == CODEC_OK) {
            for (int row = 0; row < 4; ++row) {
                std::fill(line.begin(), line.end(), std::uint8_t{0xEE});
                if (decoder.decode(line.data(), width) != CODEC_OK)
                    break;
                for (int x = 0; x < width; ++x)
                    EXPECT_EQ(line[static_cast<std::size_t>(x)], 0) << name << ": output no data supplies is zero";
            }
        }
        decoder.term();
    }
}

} // namespace
