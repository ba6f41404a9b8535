// The banded row query and the work budget of depth map files: rows equal
// to the document's LevelRow and LevelAt everywhere, and files whose rows
// would take too long to make refused when they are opened, by counted
// work (never by a clock).

#include "depthmap/MapRows.h"
#include "depthmap/TMapDocument.h"

#include "Recorders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using depthmap::DepthKind;
using depthmap::MapRows;
using depthmap::TDepthObj;
using depthmap::TMapDocument;

// The bytes of a depth map file: count records made by record(i, out),
// then the background of w x h.
template <typename Record>
std::vector<std::uint8_t> mapFile(std::int32_t w, std::int32_t h, int count, Record record)
{
    std::vector<std::uint8_t> out(16, 0);
    std::memcpy(out.data(), "DEPTHMAP", 8);
    out.push_back(1);
    auto put = [&](std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    };
    put(count + 1);
    for (int i = 0; i < count; ++i)
        record(i, put);
    for (std::int32_t v : {3, 0, 0, 0, w, h})
        put(v);
    return out;
}

} // namespace

TEST(MapRows, EveryRowIsTheDocumentsRow)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 6; ++round) {
        const std::int32_t w = 60 + static_cast<std::int32_t>(rng() % 300);
        const std::int32_t h = 40 + static_cast<std::int32_t>(rng() % 300); // several bands of 64 rows
        TMapDocument doc("m", w, h);
        for (int i = 0; i < 120; ++i) {
            auto coord = [&](std::int32_t side) { return static_cast<std::int32_t>(rng() % (side + 80)) - 40; };
            const auto kind = static_cast<DepthKind>(rng() % 7);
            auto o = std::make_unique<TDepthObj>(nullptr, coord(w), coord(h), coord(w), coord(h), kind,
                                                 static_cast<std::int32_t>(rng() % 64));
            if (kind == DepthKind::Polygon) {
                std::vector<platform::Point> v(3 + rng() % 6);
                for (auto& p : v)
                    p = {coord(w), coord(h)};
                o->SetVertices(v);
            }
            doc.AddOnTop(std::move(o));
        }
        const MapRows rows(doc);
        EXPECT_EQ(rows.width(), w);
        EXPECT_EQ(rows.height(), h);
        std::vector<std::int32_t> mine(static_cast<std::size_t>(w) + 5), theirs(mine.size());
        for (std::int32_t y = -2; y < h + 2; ++y) {
            rows.levelRow(y, mine.data(), w + 5);
            doc.LevelRow(y, theirs.data(), w + 5);
            ASSERT_EQ(mine, theirs) << "round " << round << ", row " << y;
            for (std::int32_t x = 0; x < w && y >= 0 && y < h; x += 3)
                ASSERT_EQ(mine[static_cast<std::size_t>(x)], doc.LevelAt(x, y)) << x << ", " << y;
        }
        // Fewer columns than the map: just those.
        rows.levelRow(h / 2, mine.data(), 7);
        doc.LevelRow(h / 2, theirs.data(), 7);
        EXPECT_TRUE(std::equal(mine.begin(), mine.begin() + 7, theirs.begin()));
    }
}

// Many small circles open (their rows are cheap); many thin polygons the
// height of a large map do not, and the refusal says why.
TEST(MapWorkBudget, CheapMapsOpenAndCostlyOnesAreRefusedSayingWhy)
{
    std::mt19937 rng(9);
    const auto circles = mapFile(1500, 1500, 50000, [&](int, auto put) {
        const std::int32_t x = static_cast<std::int32_t>(rng() % 1500), y = static_cast<std::int32_t>(rng() % 1500);
        for (std::int32_t v : {6, 30, x - 5, y - 5, x + 5, y + 5})
            put(v);
    });
    RecordingWindow owner;
    TMapDocument open("c", 10, 10, &owner);
    ASSERT_TRUE(open.ReadBytes(circles)) << (owner.boxes.empty() ? "" : owner.boxes[0].text);
    EXPECT_LE(open.DrawWork(), TMapDocument::kMaxDrawWork);
    EXPECT_GT(open.DrawWork(), 50000 * 11);

    auto thinPolygon = [](int i, auto put) {
        const std::int32_t x = i % 4000;
        for (std::int32_t v : {5, 20, 4, x, 0, x + 1, 3999, x, 3999, x + 1, 0})
            put(v);
    };
    const auto thin = mapFile(4000, 4000, 30000, thinPolygon);
    RecordingWindow refused;
    TMapDocument closed("t", 10, 10, &refused);
    EXPECT_FALSE(closed.ReadBytes(thin));
    ASSERT_EQ(refused.boxes.size(), 1u);
    EXPECT_NE(refused.boxes[0].text.find("too long to draw"), std::string::npos) << refused.boxes[0].text;
    EXPECT_EQ(closed.Width(), 10) << "a refused file leaves the map as it was";

    // The same shapes, fewer: the work is counted, not guessed.
    TMapDocument few("f", 10, 10);
    const auto some = mapFile(4000, 4000, 100, thinPolygon);
    ASSERT_TRUE(few.ReadBytes(some));
    // Each: 4000 rows × 4 edges, plus 63 bands of 64 rows; the background 4000 + 4032.
    EXPECT_EQ(few.DrawWork(), 100 * (4000 * 4 + 63 * 64) + (4000 + 63 * 64));
}
