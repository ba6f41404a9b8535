#include "platform/Bitmap.h"
#include "platform/ByteReader.h"
#include "platform/LinkObj.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(Bitmap, RowStrideFollowsTheDeviceIndependentRule)
{
    EXPECT_EQ(dibStride(10, 1), 4u);
    EXPECT_EQ(dibStride(10, 4), 8u);
    EXPECT_EQ(dibStride(10, 8), 12u);
    EXPECT_EQ(dibStride(10, 24), 32u);
    EXPECT_EQ(dibStride(32, 1), 4u);
    EXPECT_EQ(dibStride(33, 1), 8u);
    EXPECT_EQ(dibStride(0, 8), 0u);
    auto bm = Bitmap::create(10, 3, 4);
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->bits().size(), 24u);
}

TEST(Bitmap, RefusesSizesAndDepthsItCannotHold)
{
    EXPECT_FALSE(Bitmap::create(0, 5, 8));
    EXPECT_FALSE(Bitmap::create(5, -1, 8));
    EXPECT_FALSE(Bitmap::create(5, 5, 2));
    EXPECT_FALSE(Bitmap::create(5, 5, 16));
    EXPECT_FALSE(Bitmap::create(1 << 15, (1 << 13) + 1, 8)); // just over 2^28 pixels
    EXPECT_TRUE(Bitmap::create(1, 1, 24));
}

TEST(Bitmap, PixelsPackedAtEveryDepth)
{
    for (int bits : {1, 4, 8, 24}) {
        auto bm = Bitmap::create(13, 2, bits);
        ASSERT_TRUE(bm);
        std::uint32_t mask = bits == 24 ? 0xFFFFFF : (1u << bits) - 1;
        for (int x = 0; x < 13; ++x)
            bm->setPixel(x, 1, (x * 0x010203u + 1) & mask);
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(bm->pixel(x, 1), (x * 0x010203u + 1) & mask) << "bits " << bits << " x " << x;
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(bm->pixel(x, 0), 0u);
    }
    auto one = Bitmap::create(9, 1, 1);
    one->setPixel(0, 0, 1);
    one->setPixel(8, 0, 1);
    EXPECT_EQ(one->row(0)[0], 0x80);
    EXPECT_EQ(one->row(0)[1], 0x80);
}

TEST(Bitmap, DIBitsMoveIndicesBetweenDepthsAndColoursThroughThePalette)
{
    auto bm = Bitmap::create(5, 2, 8);
    std::vector<std::uint8_t> rows = {1, 2, 3, 4, 5, 0, 0, 0, 9, 8, 7, 6, 5, 0, 0, 0};
    BITMAPINFOHEADER info;
    info.biWidth = 5;
    info.biHeight = 2;
    info.biBitCount = 8;
    EXPECT_EQ(bm->setDIBits(0, 2, rows.data(), info), 2);
    EXPECT_EQ(bm->pixel(0, 1), 9u);

    BITMAPINFOHEADER four = info;
    four.biBitCount = 4;
    std::vector<std::uint8_t> out(8, 0xEE);
    EXPECT_EQ(bm->getDIBits(0, 2, out.data(), four), 2);
    EXPECT_EQ(out[0], 0x12);
    EXPECT_EQ(out[2], 0x50);
    EXPECT_EQ(out[3], 0x00);

    std::vector<PALETTEENTRY> entries(10);
    entries[9] = {10, 20, 30, 0};
    Palette pal(entries);
    BITMAPINFOHEADER rgb = info;
    rgb.biBitCount = 24;
    std::vector<std::uint8_t> colour(2 * 16);
    EXPECT_EQ(bm->getDIBits(1, 1, colour.data(), rgb, &pal), 1);
    EXPECT_EQ(colour[0], 30); // blue first
    EXPECT_EQ(colour[2], 10);

    // A wrong width or a range outside the bitmap moves nothing.
    BITMAPINFOHEADER wide = info;
    wide.biWidth = 6;
    EXPECT_EQ(bm->getDIBits(0, 1, out.data(), wide), 0);
    EXPECT_EQ(bm->getDIBits(2, 1, out.data(), info), 0);
    EXPECT_EQ(bm->getDIBits(1, 5, rows.data(), info), 1);
}

TEST(Palette, NearestColourTakesTheLowestIndexOnATie)
{
    std::vector<PALETTEENTRY> e = {{0, 0, 0, 0}, {10, 10, 10, 0}, {10, 10, 10, 0}, {255, 255, 0, 0}};
    Palette p(e);
    EXPECT_EQ(p.nearest(9, 9, 9), 1);
    EXPECT_EQ(p.nearest(250, 240, 20), 3);
    EXPECT_EQ(p.nearest(5, 5, 5), 0); // 75 to both 0 and 1: the lower index
    EXPECT_EQ(Palette().nearest(1, 2, 3), 0);
    std::vector<PALETTEENTRY> many(300);
    EXPECT_EQ(Palette(many).size(), 256u);
    EXPECT_EQ(Palette::system().size(), 256u);
    EXPECT_EQ(Palette::system()[255], (PALETTEENTRY{255, 255, 255, 0}));
}

TEST(ByteReader, FailsAtTheEndAndStaysFailed)
{
    std::vector<std::uint8_t> data = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF};
    ByteReader r(data);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.u32(), 0x12345678u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.u16(), 0); // one byte left: fails
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0);
    EXPECT_EQ(r.remaining(), 0u);
    ByteReader s(data);
    EXPECT_FALSE(s.seek(8));
    std::uint8_t buf[8];
    ByteReader t(data);
    EXPECT_FALSE(t.bytes(buf, 8));
    EXPECT_EQ(buf[0], 0);
}

namespace {
struct Counted : TLinkObj {
    explicit Counted(int& deaths) : deaths_(deaths) {}
    ~Counted() override { ++deaths_; }
    int& deaths_;
};
} // namespace

TEST(LinkObj, DeleteAfterAndUnlinkKeepTheListWhole)
{
    int deaths = 0;
    auto* a = new Counted(deaths);
    auto* b = new Counted(deaths);
    auto* c = new Counted(deaths);
    a->SetNext(b);
    b->SetPrev(a);
    b->SetNext(c);
    c->SetPrev(b);
    EXPECT_EQ(a->GetLast(), c);
    EXPECT_EQ(c->GetLast(), c);
    b->Unlink();
    EXPECT_EQ(a->GetNext(), c);
    EXPECT_EQ(c->GetPrev(), a);
    EXPECT_EQ(b->GetNext(), c); // its own links stay
    delete b;
    a->DeleteAfter();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(a->GetNext(), nullptr);
    delete a;
    EXPECT_EQ(deaths, 3);
}
