#include "depthmap/TDepthObj.h"

#include "platform/Window.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace depthmap {

namespace {

std::int32_t saturate(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t absDiff(std::int32_t a, std::int32_t b)
{
    return saturate(std::llabs(std::int64_t{a} - b));
}

void putI32(std::vector<std::uint8_t>& out, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
    out.push_back(static_cast<std::uint8_t>(u >> 16));
    out.push_back(static_cast<std::uint8_t>(u >> 24));
}

} // namespace

std::string_view depthKindName(DepthKind kind)
{
    switch (kind) {
    case DepthKind::Text: return "Text";
    case DepthKind::Line: return "Line";
    case DepthKind::Curve: return "Curve";
    case DepthKind::SquareBox: return "SquareBox";
    case DepthKind::RoundBox: return "RoundBox";
    case DepthKind::Polygon: return "Polygon";
    case DepthKind::Circle: return "Circle";
    }
    return "Unknown";
}

TDepthObj::TDepthObj(MapView* owner, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                     std::int32_t y2, DepthKind kind, std::int32_t level)
    : x1_(x1), y1_(y1), x2_(x2), y2_(y2), kind_(kind), level_(level), owner_(owner)
{
}

TDepthObj::TDepthObj(MapView* owner, const platform::Rect& r, DepthKind kind, std::int32_t level)
    : TDepthObj(owner, r.left, r.top, r.right, r.bottom, kind, level)
{
}

TDepthObj::~TDepthObj() = default;

void TDepthObj::SetCorners(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    if (kind_ != DepthKind::Polygon)
        dropRegion();
}

platform::Rect TDepthObj::NormalRect() const
{
    return {std::min(x1_, x2_), std::min(y1_, y2_), std::max(x1_, x2_), std::max(y1_, y2_)};
}

std::int32_t TDepthObj::Width() const { return absDiff(x2_, x1_); }
std::int32_t TDepthObj::Height() const { return absDiff(y2_, y1_); }

std::int32_t TDepthObj::CornerSize() const { return std::min(Width(), Height()) / 4; }

void TDepthObj::MoveTo(const platform::Rect& c)
{
    dropRegion();
    if (kind_ == DepthKind::Polygon) {
        const std::int64_t dx = std::int64_t{c.left} - x1_;
        const std::int64_t dy = std::int64_t{c.top} - y1_;
        for (platform::Point& p : vertices_)
            p = {saturate(p.x + dx), saturate(p.y + dy)};
        cornersFromArea();
    } else {
        x1_ = c.left;
        y1_ = c.top;
        x2_ = c.right;
        y2_ = c.bottom;
    }
}

void TDepthObj::SetShape(const ObjectShape& shape)
{
    x1_ = shape.corners.left;
    y1_ = shape.corners.top;
    x2_ = shape.corners.right;
    y2_ = shape.corners.bottom;
    if (kind_ == DepthKind::Polygon)
        vertices_ = shape.vertices;
    dropRegion();
}

void TDepthObj::SetVertices(std::span<const platform::Point> points)
{
    if (kind_ != DepthKind::Polygon)
        return;
    const std::size_t n = std::min<std::size_t>(points.size(), kMaxVertices);
    vertices_.assign(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(n));
    dropRegion();
    cornersFromArea();
}

void TDepthObj::AddVertex(platform::Point p)
{
    if (kind_ != DepthKind::Polygon)
        return;
    vertices_.push_back(p);
    dropRegion();
}

void TDepthObj::cornersFromArea()
{
    const platform::Region& rgn = GetRegion();
    if (!rgn.empty()) {
        const platform::Rect& b = rgn.bounds();
        x1_ = b.left;
        y1_ = b.top;
        x2_ = b.right;
        y2_ = b.bottom;
        return;
    }
    if (vertices_.empty()) {
        x1_ = y1_ = x2_ = y2_ = 0;
        return;
    }
    // No area to take a box from: the vertices' own box keeps the handles and
    // the label beside the points, and moving still shifts them correctly.
    x1_ = x2_ = vertices_.front().x;
    y1_ = y2_ = vertices_.front().y;
    for (const platform::Point& p : vertices_) {
        x1_ = std::min(x1_, p.x);
        y1_ = std::min(y1_, p.y);
        x2_ = std::max(x2_, p.x);
        y2_ = std::max(y2_, p.y);
    }
}

platform::Region TDepthObj::buildRegion() const
{
    const platform::Rect n = NormalRect();
    switch (kind_) {
    case DepthKind::Text:
    case DepthKind::Curve:
    case DepthKind::SquareBox:
        return platform::Region::rectangle(n.left, n.top, n.right, n.bottom);
    case DepthKind::Line: {
        const platform::Point pts[4] = {{x1_, y1_},
                                        {saturate(std::int64_t{x1_} + 1), saturate(std::int64_t{y1_} + 1)},
                                        {x2_, y2_},
                                        {saturate(std::int64_t{x2_} + 1), saturate(std::int64_t{y2_} + 1)}};
        return platform::Region::polygon(pts, exactWorkLimit_);
    }
    case DepthKind::RoundBox: {
        const std::int32_t s = CornerSize();
        return platform::Region::roundRect(n.left, n.top, n.right, n.bottom, s, s);
    }
    case DepthKind::Polygon:
        if (vertices_.size() > 2)
            return platform::Region::polygon(vertices_, exactWorkLimit_);
        return platform::Region();
    case DepthKind::Circle:
        return platform::Region::ellipse(n.left, n.top, n.right, n.bottom);
    }
    return platform::Region();
}

const platform::Region& TDepthObj::GetRegion() const
{
    if (!region_)
        region_ = buildRegion();
    return *region_;
}

void TDepthObj::Draw(DrawSurface& dc, bool selected, bool labelled) const
{
    dc.setLevel(level_);
    switch (kind_) {
    case DepthKind::Text:
        break;
    case DepthKind::Line:
        dc.line(x1_, y1_, x2_, y2_);
        break;
    case DepthKind::Curve:
        // A curve's depth is its whole rectangle, not the arc's inside.
        dc.levelArea(x1_, y1_, x2_, y2_);
        dc.arc(x1_, y1_, x2_, y2_, x1_, y1_, x2_, y2_);
        break;
    case DepthKind::SquareBox:
        dc.rectangle(x1_, y1_, x2_, y2_);
        break;
    case DepthKind::RoundBox: {
        const std::int32_t s = CornerSize();
        dc.roundRect(x1_, y1_, x2_, y2_, s, s);
        break;
    }
    case DepthKind::Polygon:
        if (vertices_.size() > 2)
            dc.polygon(vertices_);
        break;
    case DepthKind::Circle:
        dc.ellipse(x1_, y1_, x2_, y2_);
        break;
    }
    if (labelled) {
        const platform::Rect n = NormalRect();
        dc.text(saturate(std::int64_t{n.left} + 6), saturate(std::int64_t{n.top} + 12),
                platform::format("%d", level_));
    }
    if (selected) {
        const platform::Point corners[4] = {{x1_, y1_}, {x2_, y1_}, {x2_, y2_}, {x1_, y2_}};
        for (const platform::Point& p : corners)
            dc.fillBlack({saturate(std::int64_t{p.x} - 2), saturate(std::int64_t{p.y} - 2),
                          saturate(std::int64_t{p.x} + 2), saturate(std::int64_t{p.y} + 2)});
    }
}

void TDepthObj::DrawFeedback(DrawSurface& dc)
{
    switch (kind_) {
    case DepthKind::Text:
        return;
    case DepthKind::Line:
        dc.line(x1_, y1_, x2_, y2_);
        return;
    case DepthKind::Curve:
        dc.arc(x1_, y1_, x2_, y2_, x1_, y1_, x2_, y2_);
        return;
    case DepthKind::SquareBox:
    case DepthKind::RoundBox:
    case DepthKind::Polygon:
    case DepthKind::Circle:
        dropRegion();
        dc.frameRegion(GetRegion(), 1, 1);
        return;
    }
}

void TDepthObj::DrawPolyline(DrawSurface& dc) const
{
    if (kind_ == DepthKind::Polygon && vertices_.size() >= 2)
        dc.polyline(vertices_);
}

void TDepthObj::InvalidateArea()
{
    if (kind_ == DepthKind::Polygon)
        cornersFromArea();
    if (!owner_)
        return;
    owner_->invalidateRegion(GetRegion(), true);
    const platform::Rect n = NormalRect();
    owner_->invalidateRect({saturate(std::int64_t{n.left} - 4), saturate(std::int64_t{n.top} - 4),
                            saturate(std::int64_t{n.right} + 4), saturate(std::int64_t{n.bottom} + 4)},
                           true);
    owner_->update();
}

void TDepthObj::WriteRecord(std::vector<std::uint8_t>& out) const
{
    putI32(out, static_cast<std::int32_t>(kind_));
    putI32(out, level_);
    if (kind_ == DepthKind::Polygon) {
        putI32(out, static_cast<std::int32_t>(vertices_.size()));
        for (const platform::Point& p : vertices_) {
            putI32(out, p.x);
            putI32(out, p.y);
        }
    } else {
        putI32(out, x1_);
        putI32(out, y1_);
        putI32(out, x2_);
        putI32(out, y2_);
    }
}

std::int64_t TDepthObj::exactWork() const
{
    if (kind_ == DepthKind::Polygon)
        return platform::Region::polygonWork(vertices_);
    if (kind_ == DepthKind::Line) {
        // The four-vertex area: four edges over the rows between the ends.
        const std::int64_t rows = std::abs(std::int64_t{y2_} - y1_) + 1;
        return rows * 4;
    }
    return 0;
}

bool TDepthObj::ReadRecord(platform::ByteReader& in)
{
    std::int64_t unlimited = std::numeric_limits<std::int64_t>::max();
    return readRecord(in, unlimited);
}

bool TDepthObj::ReadRecord(platform::ByteReader& in, std::int64_t& exactWorkLeft)
{
    return readRecord(in, exactWorkLeft);
}

void TDepthObj::chargeExactWork(std::int64_t& exactWorkLeft)
{
    std::int64_t cost = exactWork();
    if (cost > platform::Region::kExactPolygonWork)
        cost = 0; // found from the vertices anyway
    if (cost > exactWorkLeft) {
        exactWorkLimit_ = 0;
    } else {
        exactWorkLimit_ = platform::Region::kExactPolygonWork;
        exactWorkLeft -= cost;
    }
}

bool TDepthObj::readRecord(platform::ByteReader& in, std::int64_t& exactWorkLeft)
{
    const std::int32_t kindCode = in.i32();
    const std::int32_t level = in.i32();
    if (!in.ok() || !isDepthKind(kindCode))
        return false;
    const auto kind = static_cast<DepthKind>(kindCode);
    if (kind == DepthKind::Polygon) {
        const std::int32_t count = in.i32();
        if (!in.ok() || count < 0 || static_cast<std::uint64_t>(count) > in.remaining() / 8)
            return false;
        std::vector<platform::Point> pts(static_cast<std::size_t>(count));
        for (platform::Point& p : pts) {
            p.x = in.i32();
            p.y = in.i32();
        }
        if (!in.ok())
            return false;
        kind_ = kind;
        level_ = level;
        vertices_ = std::move(pts);
        dropRegion();
        chargeExactWork(exactWorkLeft);
        cornersFromArea();
        return true;
    }
    const std::int32_t x1 = in.i32(), y1 = in.i32(), x2 = in.i32(), y2 = in.i32();
    if (!in.ok())
        return false;
    kind_ = kind;
    level_ = level;
    vertices_.clear();
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    dropRegion();
    chargeExactWork(exactWorkLeft);
    return true;
}

} // namespace depthmap
