// The mouse tools of the depth map editor: what each tool does with the
// press, drag, hover, release and double click that the window hands on.

#include "depthmap/TMapDocument.h"

#include <algorithm>
#include <limits>

namespace depthmap {

namespace {

bool isShapeTool(std::int32_t tool)
{
    return tool >= kLineTool && tool <= kCircleTool && tool != kPolygonTool;
}

DepthKind kindOfTool(std::int32_t tool)
{
    return static_cast<DepthKind>(tool - kTextTool);
}

std::int32_t sat(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

platform::Rect inflate(const platform::Rect& r, std::int32_t d)
{
    return {sat(std::int64_t{r.left} - d), sat(std::int64_t{r.top} - d), sat(std::int64_t{r.right} + d),
            sat(std::int64_t{r.bottom} + d)};
}

platform::Rect spanned(platform::Point a, platform::Point b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

} // namespace

bool TMapDocument::ChooseTool(std::int32_t id)
{
    if (id < kSelectTool || id > kCircleTool || id == kTextTool)
        return false;
    tool_ = id;
    return true;
}

void TMapDocument::ToolLeftDown(MouseTrack& m, platform::Point p, DrawSurface* direct)
{
    switch (tool_) {
    case kSelectTool:
        Select(HitTest(p.x, p.y));
        return;
    case kMoveTool:
        Select(HitTest(p.x, p.y));
        moving_ = selected_;
        if (moving_) {
            moveStart_ = moving_->GetShape();
            savedBeforeMove_ = saved_;
        }
        return;
    case kGetLevelTool:
        if (TDepthObj* o = HitTest(p.x, p.y)) {
            level_ = o->GetLevel();
            Select(o);
        }
        return;
    case kApplyLevelTool:
        if (TDepthObj* o = HitTest(p.x, p.y)) {
            MapEdit edit;
            edit.kind = EditKind::Level;
            edit.index = IndexOf(o);
            edit.objectKind = o->GetKind();
            edit.oldLevel = o->GetLevel();
            edit.newLevel = level_;
            o->SetLevel(level_);
            saved_ = false;
            Select(o);
            report(std::move(edit));
        }
        return;
    case kPolygonTool:
        if (!inProgress_ || inProgress_->GetKind() != DepthKind::Polygon) {
            inProgress_ = std::make_unique<TDepthObj>(view_, m.anchor.x, m.anchor.y, m.drag.x, m.drag.y,
                                                      DepthKind::Polygon, level_);
            inProgress_->AddVertex(p);
        } else {
            inProgress_->AddVertex(p);
            if (direct)
                inProgress_->DrawPolyline(*direct);
        }
        return;
    default:
        if (isShapeTool(tool_))
            inProgress_ = std::make_unique<TDepthObj>(view_, m.anchor.x, m.anchor.y, m.drag.x, m.drag.y,
                                                      kindOfTool(tool_), level_);
        return;
    }
}

void TMapDocument::ToolLeftDrag(MouseTrack& m, std::int32_t x, std::int32_t y, DrawSurface* direct)
{
    if (tool_ == kMoveTool && selected_) {
        if (moving_ != selected_) {
            // A drag that became a move on the way (the tool was changed
            // with the button down) is one edit from here on.
            finishMove();
            moving_ = selected_;
            moveStart_ = moving_->GetShape();
            savedBeforeMove_ = saved_;
        }
        const platform::Rect c = selected_->GetCorners();
        if (view_)
            view_->invalidateRect(inflate(selected_->NormalRect(), 4), true);
        const std::int64_t dx = std::int64_t{x} - m.last.x, dy = std::int64_t{y} - m.last.y;
        const platform::Rect moved{sat(c.left + dx), sat(c.top + dy), sat(c.right + dx), sat(c.bottom + dy)};
        m.last = {x, y};
        selected_->MoveTo(moved);
        saved_ = false;
        selected_->InvalidateArea();
        return;
    }
    if (inProgress_)
        inProgress_->InvalidateArea();
    m.drag = {x, y};
    if (inProgress_) {
        inProgress_->SetCorners(m.anchor.x, m.anchor.y, m.drag.x, m.drag.y);
        if (direct)
            inProgress_->DrawFeedback(*direct);
    }
}

void TMapDocument::ToolHover(MouseTrack& m, std::int32_t x, std::int32_t y, DrawSurface* direct)
{
    if (tool_ == kPolygonTool && inProgress_) {
        if (view_) {
            view_->invalidateRect(inflate(spanned(m.right, m.last), 2), true);
            view_->update();
        }
        if (direct) {
            inProgress_->DrawPolyline(*direct);
            direct->line(m.right.x, m.right.y, x, y);
        }
    }
    m.last = {x, y};
}

void TMapDocument::ToolLeftUp(MouseTrack& m, platform::Point)
{
    if (m.leftDragged) {
        if (isShapeTool(tool_)) {
            AddOnTop(std::make_unique<TDepthObj>(view_, m.anchor.x, m.anchor.y, m.drag.x, m.drag.y,
                                                 kindOfTool(tool_), level_));
            Select(top_);
        } else if (tool_ == kMoveTool && selected_) {
            selected_->InvalidateArea();
        }
    }
    finishMove();
    if (tool_ != kPolygonTool)
        inProgress_.reset();
}

void TMapDocument::ToolLeftDoubleClick(MouseTrack&, platform::Point)
{
    if (tool_ != kPolygonTool || !inProgress_ || inProgress_->GetKind() != DepthKind::Polygon)
        return;
    auto poly = std::make_unique<TDepthObj>(view_, 0, 0, 0, 0, DepthKind::Polygon, level_);
    poly->SetVertices(inProgress_->GetVertices());
    inProgress_.reset();
    TDepthObj* added = poly.get();
    AddOnTop(std::move(poly));
    added->InvalidateArea();
}

} // namespace depthmap
