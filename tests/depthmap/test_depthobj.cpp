#include "depthmap/TDepthObj.h"

#include "Recorders.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <vector>

using depthmap::DepthKind;
using depthmap::TDepthObj;
using platform::Point;
using platform::Rect;

namespace {

int countPixels(const TDepthObj& o, const Rect& window)
{
    int n = 0;
    for (int y = window.top; y < window.bottom; ++y)
        for (int x = window.left; x < window.right; ++x)
            n += o.Contains(x, y);
    return n;
}

bool samePixels(const TDepthObj& a, const TDepthObj& b, const Rect& window)
{
    for (int y = window.top; y < window.bottom; ++y)
        for (int x = window.left; x < window.right; ++x)
            if (a.Contains(x, y) != b.Contains(x, y))
                return false;
    return true;
}

std::vector<std::uint8_t> le32(std::initializer_list<std::int32_t> values)
{
    std::vector<std::uint8_t> out;
    for (std::int32_t v : values) {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    return out;
}

std::unique_ptr<TDepthObj> polygonOf(std::vector<Point> pts, std::int32_t level = 9)
{
    auto p = std::make_unique<TDepthObj>(nullptr, 0, 0, 0, 0, DepthKind::Polygon, level);
    for (Point q : pts)
        p->AddVertex(q);
    return p;
}

} // namespace

TEST(DepthObjArea, RectangularKindsCoverTheNormalisedRectangle)
{
    // A box dragged from (50, 30) back to (10, 10) keeps its corners as given
    // and covers exactly the pixels 10 <= x < 50, 10 <= y < 30.
    for (DepthKind kind : {DepthKind::SquareBox, DepthKind::Text, DepthKind::Curve}) {
        TDepthObj o(nullptr, 50, 30, 10, 10, kind, 7);
        EXPECT_EQ(o.GetCorners(), (Rect{50, 30, 10, 10}));
        EXPECT_TRUE(o.Contains(10, 10));
        EXPECT_TRUE(o.Contains(49, 29));
        EXPECT_FALSE(o.Contains(50, 29));
        EXPECT_FALSE(o.Contains(49, 30));
        EXPECT_FALSE(o.Contains(9, 10));
        EXPECT_EQ(countPixels(o, {0, 0, 60, 40}), 40 * 20) << depthKindName(kind);
        TDepthObj forward(nullptr, 10, 10, 50, 30, kind, 7);
        EXPECT_TRUE(samePixels(o, forward, {0, 0, 60, 40}));
    }
    // A Curve shows only an arc but gives its whole box its depth.
    TDepthObj curve(nullptr, 0, 0, 20, 20, DepthKind::Curve, 3);
    EXPECT_TRUE(curve.Contains(10, 10));
    EXPECT_TRUE(curve.Contains(0, 0));
    EXPECT_TRUE(curve.Contains(19, 19));
}

TEST(DepthObjArea, LinesAreOnePixelThickAndVanishWhenTheirEndsCoincide)
{
    TDepthObj dot(nullptr, 12, 7, 12, 7, DepthKind::Line, 5);
    EXPECT_EQ(countPixels(dot, {0, 0, 30, 30}), 0);
    EXPECT_TRUE(dot.GetRegion().empty());

    TDepthObj flat(nullptr, 0, 5, 10, 5, DepthKind::Line, 5);
    EXPECT_EQ(countPixels(flat, {-5, -5, 20, 20}), 10);
    for (int x = -5; x < 20; ++x) {
        EXPECT_FALSE(flat.Contains(x, 4));
        EXPECT_FALSE(flat.Contains(x, 6));
    }
    // Upright, the thin four-vertex shape leans one way, so only the pixels
    // of one column are covered, all of them within the line's reach.
    TDepthObj upright(nullptr, 3, 0, 3, 10, DepthKind::Line, 5);
    const int n = countPixels(upright, {-5, -5, 20, 20});
    EXPECT_GE(n, 9);
    EXPECT_EQ(n, countPixels(upright, {3, 0, 4, 11}));
    // A shallow slanted line covers one run per row it crosses.
    TDepthObj slant(nullptr, 0, 0, 40, 3, DepthKind::Line, 5);
    EXPECT_GT(countPixels(slant, {-5, -5, 50, 10}), 0);
    EXPECT_FALSE(slant.Contains(0, 3));
    EXPECT_FALSE(slant.Contains(39, 0));
}

TEST(DepthObjArea, RoundBoxCornerIsAQuarterOfTheSmallerSide)
{
    TDepthObj narrow(nullptr, 0, 0, 10, 100, DepthKind::RoundBox, 1);
    EXPECT_EQ(narrow.CornerSize(), 2);
    TDepthObj thin(nullptr, 5, 5, 8, 60, DepthKind::RoundBox, 1);
    EXPECT_EQ(thin.CornerSize(), 0);
    TDepthObj square(nullptr, 5, 5, 8, 60, DepthKind::SquareBox, 1);
    EXPECT_TRUE(samePixels(thin, square, {0, 0, 20, 70})) << "narrower than 4 pixels: square corners";
    // The corner size comes from abs() of the sides, whichever way the box was dragged.
    TDepthObj wide(nullptr, 140, 50, 0, 10, DepthKind::RoundBox, 1);
    EXPECT_EQ(wide.CornerSize(), 10);
    EXPECT_FALSE(wide.Contains(0, 10)) << "corner pixel cut off";
    EXPECT_FALSE(wide.Contains(139, 49));
    EXPECT_TRUE(wide.Contains(5, 10)) << "past the corner ellipse's middle";
    EXPECT_TRUE(wide.Contains(0, 15));
    EXPECT_TRUE(wide.Contains(70, 30));
    EXPECT_LT(countPixels(wide, {0, 0, 150, 60}), 140 * 40);
}

TEST(DepthObjArea, CircleIsTheInscribedEllipse)
{
    TDepthObj c(nullptr, 40, 40, 0, 0, DepthKind::Circle, 2);
    EXPECT_TRUE(c.Contains(20, 20));
    EXPECT_TRUE(c.Contains(0, 20));
    EXPECT_TRUE(c.Contains(39, 20));
    EXPECT_FALSE(c.Contains(0, 0));
    EXPECT_FALSE(c.Contains(5, 5));
    const int n = countPixels(c, {0, 0, 40, 40});
    EXPECT_NEAR(n, 3.14159 * 400, 40);
}

TEST(DepthObjArea, PolygonNeedsThreeVertices)
{
    auto p = polygonOf({{0, 0}, {20, 0}});
    EXPECT_TRUE(p->GetRegion().empty());
    EXPECT_EQ(countPixels(*p, {-5, -5, 30, 30}), 0);
    p->AddVertex({20, 20});
    EXPECT_FALSE(p->GetRegion().empty()) << "adding the third vertex gives an area";
    EXPECT_TRUE(p->Contains(15, 5));
    EXPECT_FALSE(p->Contains(5, 15));
}

TEST(DepthObjArea, SettingCornersReshapesTheArea)
{
    TDepthObj box(nullptr, 0, 0, 10, 10, DepthKind::SquareBox, 1);
    EXPECT_TRUE(box.Contains(5, 5));
    box.SetCorners(20, 20, 30, 30);
    EXPECT_FALSE(box.Contains(5, 5));
    EXPECT_TRUE(box.Contains(25, 25));
    box.MoveTo({100, 0, 90, 10});
    EXPECT_EQ(box.GetCorners(), (Rect{100, 0, 90, 10}));
    EXPECT_TRUE(box.Contains(95, 5));
    EXPECT_FALSE(box.Contains(25, 25));
}

TEST(DepthObjVertices, MovingAPolygonShiftsEveryVertexAndItsBox)
{
    TDepthObj p(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 4);
    const Point pts[] = {{10, 10}, {30, 12}, {25, 40}, {12, 30}};
    p.SetVertices(pts);
    const Rect before = p.GetCorners();
    EXPECT_EQ(before, p.GetRegion().bounds()) << "corners follow the area";
    EXPECT_TRUE(p.Contains(20, 20));

    p.MoveTo({before.left + 5, before.top - 3, before.right + 5, before.bottom - 3});
    const auto moved = p.GetVertices();
    ASSERT_EQ(moved.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(moved[i], (Point{pts[i].x + 5, pts[i].y - 3}));
    EXPECT_EQ(p.GetCorners(), (Rect{before.left + 5, before.top - 3, before.right + 5, before.bottom - 3}));
    EXPECT_TRUE(p.Contains(25, 17));
    EXPECT_FALSE(p.Contains(10, 38));
}

TEST(DepthObjVertices, SettingKeepsSixtyFourButAddingHasNoLimit)
{
    std::vector<Point> many;
    for (int i = 0; i < 70; ++i)
        many.push_back({i, (i * 7) % 13});
    TDepthObj set(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 1);
    set.SetVertices(many);
    ASSERT_EQ(set.VertexCount(), 64);
    EXPECT_EQ(set.GetVertices()[63], many[63]);
    EXPECT_EQ(set.GetVertices()[0], many[0]);

    TDepthObj added(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 1);
    for (Point q : many)
        added.AddVertex(q);
    EXPECT_EQ(added.VertexCount(), 70);
    EXPECT_EQ(added.GetVertices()[69], many[69]);
    // Replacing shortens as well.
    const Point three[] = {{0, 0}, {5, 0}, {0, 5}};
    added.SetVertices(three);
    EXPECT_EQ(added.VertexCount(), 3);
    // Vertices belong to polygons only.
    TDepthObj box(nullptr, 0, 0, 5, 5, DepthKind::SquareBox, 1);
    box.AddVertex({1, 1});
    box.SetVertices(three);
    EXPECT_EQ(box.VertexCount(), 0);
}

TEST(DepthObjVertices, APolygonWithoutAreaTakesTheBoxOfItsVertices)
{
    TDepthObj p(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 1);
    const Point two[] = {{30, 8}, {10, 20}};
    p.SetVertices(two);
    EXPECT_EQ(p.GetCorners(), (Rect{10, 8, 30, 20}));
    // Moving it still moves the vertices by the corner offset.
    p.MoveTo({15, 10, 35, 22});
    EXPECT_EQ(p.GetVertices()[0], (Point{35, 10}));
    EXPECT_EQ(p.GetVertices()[1], (Point{15, 22}));
}

TEST(DepthObjRecord, BoxRecordLayoutIsExact)
{
    TDepthObj box(nullptr, 50, 30, -10, 10, DepthKind::RoundBox, 200);
    std::vector<std::uint8_t> out;
    box.WriteRecord(out);
    // kind 4, level 200, then x1 y1 x2 y2 as stored (not normalised).
    EXPECT_EQ(out, le32({4, 200, 50, 30, -10, 10}));
    EXPECT_EQ(out.size(), 24u);
}

TEST(DepthObjRecord, PolygonRecordLayoutIsExact)
{
    auto p = polygonOf({{1, 2}, {300, -4}, {70000, 9}}, 17);
    std::vector<std::uint8_t> out;
    p->WriteRecord(out);
    // kind 5, level 17, count 3, then x, y of each vertex; no corners.
    EXPECT_EQ(out, le32({5, 17, 3, 1, 2, 300, -4, 70000, 9}));
    const std::vector<std::uint8_t> first = {0x05, 0, 0, 0, 0x11, 0, 0, 0, 0x03, 0, 0, 0,
                                             0x01, 0, 0, 0, 0x02, 0, 0, 0, 0x2C, 0x01, 0, 0,
                                             0xFC, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00};
    EXPECT_TRUE(std::equal(first.begin(), first.end(), out.begin())) << "little-endian bytes";
}

TEST(DepthObjRecord, RecordsReadBackIntoEqualObjects)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        const auto kind = static_cast<DepthKind>(rng() % 7);
        TDepthObj o(nullptr, static_cast<int>(rng()), static_cast<int>(rng()), static_cast<int>(rng() % 500),
                    static_cast<int>(rng() % 500), kind, static_cast<int>(rng() % 256));
        if (kind == DepthKind::Polygon)
            for (unsigned i = 0, n = rng() % 80; i < n; ++i)
                o.AddVertex({static_cast<int>(rng() % 1000), static_cast<int>(rng() % 1000)});
        std::vector<std::uint8_t> bytes;
        o.WriteRecord(bytes);
        platform::ByteReader in(bytes);
        TDepthObj back(nullptr, 0, 0, 0, 0, DepthKind::Text, 0);
        ASSERT_TRUE(back.ReadRecord(in));
        EXPECT_TRUE(in.atEnd());
        EXPECT_EQ(back.GetKind(), kind);
        EXPECT_EQ(back.GetLevel(), o.GetLevel());
        if (kind == DepthKind::Polygon) {
            // Reading keeps every vertex, even past 64 (files from elsewhere).
            ASSERT_EQ(back.VertexCount(), o.VertexCount());
            EXPECT_TRUE(std::equal(o.GetVertices().begin(), o.GetVertices().end(), back.GetVertices().begin()));
            if (!back.GetRegion().empty()) {
                EXPECT_EQ(back.GetCorners(), back.GetRegion().bounds());
            }
        } else {
            EXPECT_EQ(back.GetCorners(), o.GetCorners());
        }
        std::vector<std::uint8_t> again;
        back.WriteRecord(again);
        EXPECT_EQ(again, bytes);
    }
}

TEST(DepthObjRecord, BadRecordsAreRefusedAndLeaveTheObjectAsItWas)
{
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"kind only", le32({3})},
        {"corners cut short", le32({3, 1, 0, 0, 10})},
        {"unknown kind 7", le32({7, 1, 0, 0, 10, 10})},
        {"negative kind", le32({-1, 1, 0, 0, 10, 10})},
        {"polygon without count", le32({5, 1})},
        {"negative vertex count", le32({5, 1, -1, 0, 0})},
        {"count beyond the bytes", le32({5, 1, 3, 0, 0, 1, 1})},
        {"huge count", le32({5, 1, INT_MAX, 0, 0})},
    };
    for (const auto& c : cases) {
        TDepthObj o(nullptr, 1, 2, 3, 4, DepthKind::Circle, 77);
        platform::ByteReader in(c.bytes);
        EXPECT_FALSE(o.ReadRecord(in)) << c.what;
        EXPECT_EQ(o.GetKind(), DepthKind::Circle) << c.what;
        EXPECT_EQ(o.GetLevel(), 77) << c.what;
        EXPECT_EQ(o.GetCorners(), (Rect{1, 2, 3, 4})) << c.what;
    }
}

TEST(DepthObjDraw, EachKindDrawsItsShapeThenLabelThenHandles)
{
    struct Case {
        DepthKind kind;
        const char* shape;
    };
    const Case cases[] = {
        {DepthKind::Line, "line 50 30 10 10"},
        {DepthKind::Curve, "arc 50 30 10 10 from 50 30 to 10 10"},
        {DepthKind::SquareBox, "rectangle 50 30 10 10"},
        {DepthKind::RoundBox, "roundrect 50 30 10 10 corner 5 5"},
        {DepthKind::Circle, "ellipse 50 30 10 10"},
    };
    for (const Case& c : cases) {
        TDepthObj o(nullptr, 50, 30, 10, 10, c.kind, 123);
        RecordingSurface dc;
        o.Draw(dc, true, true);
        const std::vector<std::string> expected = {c.shape,           "text 16 22 123",   "black 48 28 52 32",
                                                   "black 8 28 12 32", "black 8 8 12 12", "black 48 8 52 12"};
        EXPECT_EQ(dc.calls, expected) << depthKindName(c.kind);
    }
    TDepthObj text(nullptr, 0, 0, 30, 30, DepthKind::Text, -4);
    RecordingSurface dc;
    text.Draw(dc, false, true);
    EXPECT_EQ(dc.calls, std::vector<std::string>{"text 6 12 -4"}) << "a text object shows only its label";
    dc.calls.clear();
    text.Draw(dc, false, false);
    EXPECT_TRUE(dc.calls.empty());
}

TEST(DepthObjDraw, PolygonsDrawOnlyWithThreeVertices)
{
    auto p = polygonOf({{0, 0}, {10, 0}});
    RecordingSurface dc;
    p->Draw(dc, false, false);
    EXPECT_TRUE(dc.calls.empty());
    p->DrawPolyline(dc);
    EXPECT_EQ(dc.calls, std::vector<std::string>{"polyline 0,0 10,0"});
    p->AddVertex({10, 10});
    dc.calls.clear();
    p->Draw(dc, false, false);
    EXPECT_EQ(dc.calls, std::vector<std::string>{"polygon 0,0 10,0 10,10"});
    auto one = polygonOf({{4, 4}});
    dc.calls.clear();
    one->DrawPolyline(dc);
    EXPECT_TRUE(dc.calls.empty());
}

TEST(DepthObjDraw, FeedbackFramesTheAreaOfClosedShapes)
{
    RecordingSurface dc;
    TDepthObj box(nullptr, 10, 10, 20, 20, DepthKind::SquareBox, 1);
    box.DrawFeedback(dc);
    box.SetCorners(10, 10, 40, 25); // the drag moved on
    box.DrawFeedback(dc);
    TDepthObj line(nullptr, 1, 2, 3, 4, DepthKind::Line, 1);
    line.DrawFeedback(dc);
    TDepthObj text(nullptr, 1, 2, 3, 4, DepthKind::Text, 1);
    text.DrawFeedback(dc);
    const std::vector<std::string> expected = {"frame 10 10 20 20 pen 1 1", "frame 10 10 40 25 pen 1 1",
                                               "line 1 2 3 4"};
    EXPECT_EQ(dc.calls, expected);
}

TEST(DepthObjDraw, InvalidatingMarksTheAreaAndTheEnlargedBox)
{
    RecordingView view;
    TDepthObj box(&view, 30, 20, 10, 5, DepthKind::Circle, 1);
    box.InvalidateArea();
    const std::vector<std::string> expected = {"region 10 5 30 20 erase", "rect 6 1 34 24 erase", "update"};
    EXPECT_EQ(view.calls, expected);

    // A polygon first takes its area's box as corners.
    TDepthObj p(&view, 0, 0, 0, 0, DepthKind::Polygon, 1);
    p.AddVertex({10, 10});
    p.AddVertex({20, 10});
    p.AddVertex({20, 20});
    EXPECT_EQ(p.GetCorners(), (Rect{0, 0, 0, 0})) << "adding vertices leaves the corners";
    view.calls.clear();
    p.InvalidateArea();
    EXPECT_EQ(p.GetCorners(), p.GetRegion().bounds());
    ASSERT_EQ(view.calls.size(), 3u);
    const Rect b = p.GetRegion().bounds();
    EXPECT_EQ(view.calls[1], platform::format("rect %d %d %d %d erase", b.left - 4, b.top - 4, b.right + 4, b.bottom + 4));

    TDepthObj orphan(nullptr, 0, 0, 5, 5, DepthKind::SquareBox, 1);
    orphan.InvalidateArea(); // no window: nothing to do, nothing to crash
}
