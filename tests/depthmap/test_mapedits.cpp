// Every change of a map is handed out as an edit, and replaying the edits
// backwards and forwards again restores each state of the stack exactly
// (compared as the bytes of the map's file).

#include "depthmap/TMapDocument.h"

#include "MouseDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using depthmap::DepthKind;
using depthmap::EditKind;
using depthmap::MapEdit;
using depthmap::TDepthObj;
using depthmap::TMapDocument;
using platform::Point;
using platform::Rect;

namespace {

// A document whose edits are kept in order, with the file bytes after each.
struct History {
    explicit History(TMapDocument& d) : doc(d)
    {
        states.push_back(doc.Serialise());
        doc.SetEditSink([this](MapEdit e) {
            edits.push_back(std::move(e));
            states.push_back(doc.Serialise());
        });
    }
    TMapDocument& doc;
    std::vector<MapEdit> edits;
    std::vector<std::vector<std::uint8_t>> states;
};

} // namespace

TEST(MapEdits, EveryKindOfChangeCanBeTakenBackAndMadeAgain)
{
    TMapDocument doc("t", 120, 100);
    History h(doc);
    Mouse mouse(doc);

    doc.SetCurrentLevel(10);
    doc.ChooseTool(depthmap::kSquareBoxTool);
    mouse.drag({10, 10}, {50, 40});
    doc.SetCurrentLevel(20);
    doc.ChooseTool(depthmap::kCircleTool);
    mouse.drag({30, 20}, {90, 80});
    doc.ChooseTool(depthmap::kPolygonTool);
    mouse.click({5, 90});
    mouse.click({60, 60});
    mouse.doubleClick({100, 95});
    doc.ChooseTool(depthmap::kMoveTool);
    mouse.drag({20, 12}, {26, 17}); // the box
    doc.ChooseTool(depthmap::kApplyLevelTool);
    doc.SetCurrentLevel(200);
    mouse.click({60, 50});
    doc.ChooseTool(depthmap::kSelectTool);
    mouse.click({60, 50});
    doc.LowerSelected();
    doc.RaiseSelected();
    doc.LowerSelected();
    doc.ChooseTool(depthmap::kSelectTool);
    mouse.click({115, 5}); // the background
    doc.ChooseTool(depthmap::kMoveTool);
    mouse.drag({115, 5}, {105, 0});
    doc.ChooseTool(depthmap::kSelectTool);
    mouse.click({28, 20});
    doc.DeleteSelected();

    std::vector<EditKind> kinds;
    for (const MapEdit& e : h.edits)
        kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<EditKind>{EditKind::Add, EditKind::Add, EditKind::Add, EditKind::Move,
                                            EditKind::Level, EditKind::Lower, EditKind::Raise, EditKind::Lower,
                                            EditKind::Move, EditKind::Delete}));
    ASSERT_EQ(h.states.size(), h.edits.size() + 1);

    // Backwards: each undo gives the state before that edit.
    for (std::size_t i = h.edits.size(); i-- > 0;) {
        doc.Undo(h.edits[i]);
        ASSERT_EQ(doc.Serialise(), h.states[i]) << "after undoing edit " << i;
        EXPECT_FALSE(doc.IsSaved());
    }
    EXPECT_EQ(doc.ObjectCount(), 1);
    // And forwards again.
    for (std::size_t i = 0; i < h.edits.size(); ++i) {
        doc.Redo(h.edits[i]);
        ASSERT_EQ(doc.Serialise(), h.states[i + 1]) << "after redoing edit " << i;
    }
    // A deleted object lives in its edit while the deletion stands.
    ASSERT_NE(h.edits.back().object, nullptr);
    EXPECT_EQ(h.edits.back().object->GetKind(), DepthKind::SquareBox);
}

TEST(MapEdits, TheSelectionFollowsTheObjectReplayed)
{
    TMapDocument doc("t", 100, 100);
    History h(doc);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kSquareBoxTool);
    mouse.drag({10, 10}, {40, 40});
    TDepthObj* box = doc.Top();
    doc.ChooseTool(depthmap::kLineTool);
    mouse.drag({0, 90}, {90, 90});

    EXPECT_EQ(doc.Undo(h.edits[1]), -1) << "the line is out of the stack";
    EXPECT_EQ(doc.Selected(), nullptr);
    EXPECT_EQ(doc.Redo(h.edits[1]), 0);
    EXPECT_EQ(doc.Selected(), doc.Top());

    doc.Select(box);
    doc.DeleteSelected();
    EXPECT_EQ(doc.Selected(), nullptr);
    EXPECT_EQ(doc.Undo(h.edits[2]), 1);
    EXPECT_EQ(doc.Selected(), box) << "the same object comes back";
    EXPECT_EQ(doc.LevelAt(20, 20), 0);
    EXPECT_EQ(doc.ObjectAt(1), box);
}

TEST(MapEdits, OneMoveEditForAWholeDrag)
{
    TMapDocument doc("t", 100, 100);
    doc.AddOnTop(std::make_unique<TDepthObj>(nullptr, 10, 10, 30, 30, DepthKind::SquareBox, 5));
    doc.SetSaved(true);
    History h(doc);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kMoveTool);

    // Dragged away and back to where it was: no change at all.
    mouse.press({15, 15});
    mouse.move({40, 40});
    EXPECT_FALSE(doc.IsSaved());
    mouse.move({15, 15});
    mouse.release({15, 15});
    EXPECT_TRUE(h.edits.empty());
    EXPECT_TRUE(doc.IsSaved()) << "a drag that ends where it began changes nothing";

    mouse.press({15, 15});
    for (int i = 1; i <= 10; ++i)
        mouse.move({15 + i, 15 + 2 * i});
    mouse.release({25, 35});
    ASSERT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(h.edits[0].kind, EditKind::Move);
    EXPECT_EQ(h.edits[0].before.corners, (Rect{10, 10, 30, 30}));
    EXPECT_EQ(h.edits[0].after.corners, (Rect{20, 30, 40, 50}));
    doc.Undo(h.edits[0]);
    EXPECT_EQ(doc.Top()->GetCorners(), (Rect{10, 10, 30, 30}));
    EXPECT_EQ(doc.LevelAt(12, 12), 5);
}

TEST(MapEdits, APolygonReadWithManyVerticesIsMovedBackWhole)
{
    // Files may hold polygons beyond the 64 vertices a drawn one keeps;
    // taking a move back must not lose any.
    TMapDocument doc("t", 400, 400);
    auto poly = std::make_unique<TDepthObj>(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 7);
    for (int i = 0; i < 100; ++i)
        poly->AddVertex({100 + (i % 2) * 50 + i, 100 + i});
    doc.AddOnTop(std::move(poly));
    History h(doc);
    Mouse mouse(doc);
    doc.ChooseTool(depthmap::kMoveTool);
    const std::vector<std::uint8_t> before = doc.Serialise();
    TDepthObj* p = doc.Top();
    const Point inside = [&] {
        for (int y = 100; y < 200; ++y)
            for (int x = 100; x < 260; ++x)
                if (p->Contains(x, y))
                    return Point{x, y};
        return Point{-1, -1};
    }();
    ASSERT_NE(inside.x, -1);
    mouse.drag(inside, {inside.x + 30, inside.y - 20});
    ASSERT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(doc.Top()->VertexCount(), 100);
    doc.Undo(h.edits[0]);
    EXPECT_EQ(doc.Serialise(), before);
}

TEST(MapEdits, ABackgroundAndNeighboursThatCannotMoveMakeNoEdit)
{
    TMapDocument doc("t", 100, 100);
    History h(doc);
    doc.Select(doc.Background());
    doc.RaiseSelected();
    doc.LowerSelected();
    doc.DeleteSelected();
    doc.AddOnTop(std::make_unique<TDepthObj>(nullptr, 1, 1, 9, 9, DepthKind::SquareBox, 1));
    doc.Select(doc.Top());
    doc.RaiseSelected(); // already the top
    doc.LowerSelected(); // the background beneath
    ASSERT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(h.edits[0].kind, EditKind::Add);
    EXPECT_EQ(doc.ObjectCount(), 2);
}

TEST(MapEdits, Names)
{
    MapEdit e;
    e.kind = EditKind::Add;
    e.objectKind = DepthKind::RoundBox;
    EXPECT_STREQ(depthmap::EditName(e), "Add Round Box");
    e.kind = EditKind::Level;
    EXPECT_STREQ(depthmap::EditName(e), "Set Level");
    e.kind = EditKind::Raise;
    EXPECT_STREQ(depthmap::EditName(e), "Move Up");
}
