#include "depthmap/TMapDocument.h"

#include "MouseDriver.h"
#include "Recorders.h"

#include <gtest/gtest.h>

#include <memory>

using depthmap::DepthKind;
using depthmap::MouseTrack;
using depthmap::TDepthObj;
using depthmap::TMapDocument;
using platform::Point;
using platform::Rect;


TEST(MapTools, EachDrawingToolDragsOutItsKind)
{
    TMapDocument doc("t", 200, 200);
    Mouse mouse(doc);
    doc.SetCurrentLevel(42);
    const struct {
        int tool;
        DepthKind kind;
    } tools[] = {{depthmap::kLineTool, DepthKind::Line},
                 {depthmap::kCurveTool, DepthKind::Curve},
                 {depthmap::kSquareBoxTool, DepthKind::SquareBox},
                 {depthmap::kRoundBoxTool, DepthKind::RoundBox},
                 {depthmap::kCircleTool, DepthKind::Circle}};
    int count = 1;
    for (const auto& t : tools) {
        ASSERT_TRUE(doc.ChooseTool(t.tool));
        doc.MarkChanged();
        mouse.drag({50, 30}, {10, 10});
        ++count;
        ASSERT_EQ(doc.ObjectCount(), count);
        TDepthObj* top = doc.Top();
        EXPECT_EQ(top->GetKind(), t.kind);
        EXPECT_EQ(top->GetCorners(), (Rect{50, 30, 10, 10})) << "corners as dragged, not normalised";
        EXPECT_EQ(top->GetLevel(), 42);
        EXPECT_EQ(doc.Selected(), top);
        EXPECT_EQ(doc.InProgress(), nullptr);
        EXPECT_FALSE(doc.IsSaved());
    }
}

TEST(MapTools, AClickWithoutMovingCreatesNothing)
{
    TMapDocument doc("t", 100, 100);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kSquareBoxTool);
    mouse.click({20, 20});
    EXPECT_EQ(doc.ObjectCount(), 1);
    EXPECT_EQ(doc.InProgress(), nullptr);
}

TEST(MapTools, ChoosingATool)
{
    TMapDocument doc("t", 10, 10);
    for (int id : {1251, 1252, 1253, 1254, 1256, 1257, 1258, 1259, 1260, 1261}) {
        EXPECT_TRUE(doc.ChooseTool(id)) << id;
        EXPECT_EQ(doc.CurrentTool(), id);
    }
    for (int id : {1250, 1255, 1262, 1266, 0}) {
        EXPECT_FALSE(doc.ChooseTool(id)) << id;
        EXPECT_EQ(doc.CurrentTool(), 1261);
    }
}

TEST(MapTools, RubberBandsAreErasedAndRedrawnWhileDragging)
{
    RecordingView view;
    TMapDocument doc("t", 100, 100, nullptr, nullptr, &view);
    RecordingSurface direct;
    Mouse mouse(doc, &direct);
    doc.ChooseTool(depthmap::kSquareBoxTool);
    mouse.press({10, 10});
    mouse.move({20, 25});
    mouse.move({30, 40});
    EXPECT_EQ(direct.calls, (std::vector<std::string>{"frame 10 10 20 25 pen 1 1", "frame 10 10 30 40 pen 1 1"}));
    // Before the second frame the first one's area was repainted.
    EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "region 10 10 20 25 erase"), view.calls.end());
    mouse.release({30, 40});
    EXPECT_EQ(doc.Top()->GetCorners(), (Rect{10, 10, 30, 40}));

    direct.calls.clear();
    doc.ChooseTool(depthmap::kLineTool);
    mouse.drag({0, 0}, {8, 6});
    EXPECT_EQ(direct.calls, (std::vector<std::string>{"line 0 0 4 3", "line 0 0 8 6"}));
}

TEST(MapTools, PolygonsAreEnteredClickByClick)
{
    RecordingView view;
    TMapDocument doc("t", 100, 100, nullptr, nullptr, &view);
    RecordingSurface direct;
    Mouse mouse(doc, &direct);
    doc.ChooseTool(depthmap::kPolygonTool);
    doc.SetCurrentLevel(9);
    mouse.click({10, 10});
    mouse.move({40, 12}); // hover: the rubber line follows the mouse
    EXPECT_EQ(direct.calls.back(), "line 10 10 40 12");
    mouse.click({40, 10});
    mouse.click({40, 40});
    ASSERT_NE(doc.InProgress(), nullptr);
    EXPECT_EQ(doc.InProgress()->VertexCount(), 3);
    EXPECT_EQ(doc.ObjectCount(), 1) << "nothing added until the double click";
    mouse.doubleClick({10, 40});
    EXPECT_EQ(doc.InProgress(), nullptr);
    ASSERT_EQ(doc.ObjectCount(), 2);
    const TDepthObj* p = doc.Top();
    EXPECT_EQ(p->GetKind(), DepthKind::Polygon);
    EXPECT_EQ(p->GetLevel(), 9);
    const auto v = p->GetVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], (Point{10, 10}));
    EXPECT_EQ(v[1], (Point{40, 10}));
    EXPECT_EQ(v[2], (Point{40, 40}));
    EXPECT_EQ(v[3], (Point{10, 40}));
    EXPECT_EQ(doc.Selected(), nullptr) << "a finished polygon is not selected";
    EXPECT_EQ(doc.LevelAt(25, 25), 9);
    EXPECT_EQ(p->GetCorners(), (Rect{10, 10, 40, 40}));
}

TEST(MapTools, PolygonEdgeCases)
{
    TMapDocument doc("t", 300, 300);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kPolygonTool);
    // A double click straight away (its first click is the only vertex): a
    // polygon of one vertex, without area.
    mouse.doubleClick({5, 5});
    ASSERT_EQ(doc.ObjectCount(), 2);
    EXPECT_EQ(doc.Top()->VertexCount(), 1);
    EXPECT_EQ(doc.HitTest(5, 5), doc.Background());

    // Clicks past the 64th are not part of the finished polygon.
    for (int i = 0; i < 69; ++i)
        mouse.click({i * 4, (i % 2) * 50});
    mouse.doubleClick({0, 200});
    EXPECT_EQ(doc.Top()->VertexCount(), 64);

    // An unfinished polygon survives a tool change but goes at the next
    // release made with another tool.
    mouse.click({1, 1});
    mouse.click({50, 1});
    doc.ChooseTool(depthmap::kSelectTool);
    EXPECT_NE(doc.InProgress(), nullptr);
    mouse.click({100, 100});
    EXPECT_EQ(doc.InProgress(), nullptr);
    // ... and is replaced, never added, when another drawing tool is pressed.
    doc.ChooseTool(depthmap::kPolygonTool);
    mouse.click({1, 1});
    doc.ChooseTool(depthmap::kCircleTool);
    const int before = doc.ObjectCount();
    mouse.drag({10, 10}, {60, 60});
    EXPECT_EQ(doc.ObjectCount(), before + 1);
    EXPECT_EQ(doc.Top()->GetKind(), DepthKind::Circle);
}

TEST(MapTools, SelectingAndMoving)
{
    TMapDocument doc("t", 100, 100);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kSquareBoxTool);
    doc.SetCurrentLevel(20);
    mouse.drag({10, 10}, {30, 30});
    doc.ChooseTool(depthmap::kSelectTool);
    mouse.click({80, 80});
    EXPECT_EQ(doc.Selected(), doc.Background()) << "empty places select the background";
    mouse.click({15, 15});
    EXPECT_EQ(doc.Selected(), doc.Top());

    // The Move tool drags the box by the mouse's travel.
    doc.ChooseTool(depthmap::kMoveTool);
    mouse.press({15, 15});
    mouse.move({20, 18});
    mouse.move({25, 21});
    mouse.release({25, 21});
    EXPECT_EQ(doc.Top()->GetCorners(), (Rect{20, 16, 40, 36}));
    EXPECT_EQ(doc.LevelAt(12, 12), 0);
    EXPECT_EQ(doc.LevelAt(38, 34), 20);
    EXPECT_FALSE(doc.IsSaved());

    // Dragging the background away leaves level 0 behind.
    doc.Background()->SetLevel(3);
    mouse.press({90, 90});
    EXPECT_EQ(doc.Selected(), doc.Background());
    mouse.move({95, 95});
    mouse.release({95, 95});
    EXPECT_EQ(doc.Background()->GetCorners(), (Rect{5, 5, 105, 105}));
    EXPECT_EQ(doc.LevelAt(2, 2), 0);
    EXPECT_EQ(doc.LevelAt(90, 90), 3);
}

TEST(MapTools, MovingAPolygonShiftsItsVertices)
{
    TMapDocument doc("t", 100, 100);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kPolygonTool);
    mouse.click({10, 10});
    mouse.click({40, 10});
    mouse.doubleClick({25, 40});
    doc.ChooseTool(depthmap::kMoveTool);
    mouse.press({25, 20});
    mouse.move({30, 17});
    mouse.release({30, 17});
    const auto v = doc.Top()->GetVertices();
    EXPECT_EQ(v[0], (Point{15, 7}));
    EXPECT_EQ(v[1], (Point{45, 7}));
    EXPECT_EQ(v[2], (Point{30, 37}));
    EXPECT_EQ(doc.Top()->GetCorners(), doc.Top()->GetRegion().bounds());
}

TEST(MapTools, GetLevelThenApplyLevelCopiesALevel)
{
    TMapDocument doc("t", 100, 100);
    doc.AddOnTop(std::make_unique<TDepthObj>(nullptr, 0, 0, 20, 20, DepthKind::SquareBox, 77));
    doc.AddOnTop(std::make_unique<TDepthObj>(nullptr, 50, 50, 70, 70, DepthKind::Circle, 5));
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kGetLevelTool);
    mouse.click({10, 10});
    EXPECT_EQ(doc.CurrentLevel(), 77);
    doc.ChooseTool(depthmap::kApplyLevelTool);
    mouse.click({60, 60});
    EXPECT_EQ(doc.Top()->GetLevel(), 77);
    EXPECT_EQ(doc.LevelAt(60, 60), 77);
    EXPECT_EQ(doc.Selected(), doc.Top());
}
