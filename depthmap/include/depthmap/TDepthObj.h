#pragma once
// One shape of a depth map: its kind, corners, level and (for polygons)
// vertices, the pixel area it gives its level to, how it draws itself in the
// editor, and its record in a depth map file.

#include "depthmap/DrawSurface.h"
#include "platform/ByteReader.h"
#include "platform/LinkObj.h"
#include "platform/Region.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace depthmap {

// Each drawing tool creates the kind whose code is its command id minus 1255.
enum class DepthKind : std::int32_t {
    Text = 0,
    Line = 1,
    Curve = 2,
    SquareBox = 3,
    RoundBox = 4,
    Polygon = 5,
    Circle = 6,
};

inline constexpr std::int32_t kFirstDepthKind = 0;
inline constexpr std::int32_t kLastDepthKind = 6;
inline constexpr bool isDepthKind(std::int32_t code)
{
    return code >= kFirstDepthKind && code <= kLastDepthKind;
}
std::string_view depthKindName(DepthKind kind);

// Where an object lies: its corners as stored and, for a polygon, its
// vertices (all of them, even beyond the 64 a drawn polygon keeps).
struct ObjectShape {
    platform::Rect corners;
    std::vector<platform::Point> vertices;
    friend bool operator==(const ObjectShape&, const ObjectShape&) = default;
};

class TDepthObj : public platform::TLinkObj {
public:
    // A finished polygon keeps at most this many vertices.
    static constexpr int kMaxVertices = 64;

    TDepthObj(MapView* owner, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              DepthKind kind, std::int32_t level);
    TDepthObj(MapView* owner, const platform::Rect& r, DepthKind kind, std::int32_t level);
    ~TDepthObj() override;

    TDepthObj* Next() const { return static_cast<TDepthObj*>(GetNext()); }
    TDepthObj* Prev() const { return static_cast<TDepthObj*>(GetPrev()); }

    DepthKind GetKind() const { return kind_; }
    MapView* GetOwner() const { return owner_; }
    void SetOwner(MapView* owner) { owner_ = owner; }

    // The corners as stored: not normalised (x1 may exceed x2). Setting them
    // lets the area be rebuilt from them the next time it is needed (a
    // polygon's area follows its vertices, not its corners).
    void SetCorners(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    void SetCorners(const platform::Rect& r) { SetCorners(r.left, r.top, r.right, r.bottom); }
    // left = x1, top = y1, right = x2, bottom = y2, as stored.
    platform::Rect GetCorners() const { return {x1_, y1_, x2_, y2_}; }
    // The corners in order (min x, min y, max x, max y).
    platform::Rect NormalRect() const;
    // abs(x2 - x1) and abs(y2 - y1), saturated to the 32-bit range.
    std::int32_t Width() const;
    std::int32_t Height() const;

    // A polygon shifts every vertex by (new x1 - old x1, new y1 - old y1) and
    // takes the box of its new area as corners; other kinds take the corners.
    void MoveTo(const platform::Rect& corners);

    // Polygons only (other kinds ignore these). SetVertices keeps the first 64.
    void SetVertices(std::span<const platform::Point> points);
    // No limit: an unfinished polygon may grow beyond 64 vertices.
    void AddVertex(platform::Point p);
    std::span<const platform::Point> GetVertices() const { return vertices_; }
    int VertexCount() const { return static_cast<int>(vertices_.size()); }

    ObjectShape GetShape() const { return {GetCorners(), vertices_}; }
    // Puts the object back exactly where a GetShape found it.
    void SetShape(const ObjectShape& shape);

    std::int32_t GetLevel() const { return level_; }
    void SetLevel(std::int32_t level) { level_ = level; }

    // The corner ellipse size of a RoundBox: min(width, height) / 4.
    std::int32_t CornerSize() const;

    // The area the object gives its level to, built when first needed.
    const platform::Region& GetRegion() const;
    bool Contains(std::int32_t x, std::int32_t y) const { return GetRegion().contains(x, y); }

    void Draw(DrawSurface& dc, bool selected, bool labelled) const;
    // The outline shown while the shape is dragged out.
    void DrawFeedback(DrawSurface& dc);
    // Open polyline through the vertices, shown while a polygon is entered.
    void DrawPolyline(DrawSurface& dc) const;
    // Marks the area and the corners' box (enlarged by 4) for repaint and
    // repaints at once.
    void InvalidateArea();

    // Appends the file record (little-endian): kind, level, then either the
    // vertex count and vertices (polygons) or the four corners.
    void WriteRecord(std::vector<std::uint8_t>& out) const;
    // Reads one record. False (the object unchanged) on a short record, an
    // unknown kind code, or a vertex count that is negative or larger than
    // the remaining bytes can hold; nothing is allocated beyond what the
    // bytes present can fill.
    bool ReadRecord(platform::ByteReader& in);
    // The same, drawing the work of finding the exact box of a polygon or
    // line area from exactWorkLeft (rows × edges); once that is used up, the
    // object's box is its vertices' box, so that a file of many tall
    // polygons opens at once.
    bool ReadRecord(platform::ByteReader& in, std::int64_t& exactWorkLeft);
    // Smallest record size in bytes (a polygon without vertices).
    static constexpr std::size_t kMinRecordSize = 12;

private:
    void dropRegion() const { region_.reset(); }
    // Polygon corners: the box of the area, or of the vertices when the area
    // is empty, or (0, 0, 0, 0) without vertices.
    void cornersFromArea();
    platform::Region buildRegion() const;
    // Rows × edges of the polygon behind a polygon or line area; 0 for the others.
    std::int64_t exactWork() const;
    void chargeExactWork(std::int64_t& exactWorkLeft);
    bool readRecord(platform::ByteReader& in, std::int64_t& exactWorkLeft);

    std::int32_t x1_, y1_, x2_, y2_;
    mutable std::optional<platform::Region> region_;
    DepthKind kind_;
    std::int32_t level_;
    std::vector<platform::Point> vertices_;
    std::int64_t exactWorkLimit_ = platform::Region::kExactPolygonWork;
    MapView* owner_;
};

} // namespace depthmap
