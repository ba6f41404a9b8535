#pragma once
// Pixel areas: rectangles, rounded rectangles, ellipses and even-odd polygons.
//
// Pixel rule. A pixel (x, y) is the unit square from (x, y) to (x + 1, y + 1);
// it belongs to an area when its centre (x + 0.5, y + 0.5) lies strictly
// inside the shape's outline. For a rectangle (left, top, right, bottom) this
// is exactly left <= x < right and top <= y < bottom. For a polygon, "inside"
// is the even-odd rule, and a centre that falls exactly on a slanted edge
// counts as lying to the left of that edge (it belongs to the run that ends
// there, not to the one that begins there), so two polygons sharing an edge
// tile the plane without gap or overlap. The rule is evaluated in exact integer arithmetic, so
// contains(), rowSpans() and bounds() always agree: whatever paints the spans
// of an area paints exactly the pixels that contains() reports.
//
// Rounded rectangles use GDI's corner convention: the corners are quarters of
// an ellipse cornerWidth wide and cornerHeight high, placed in the rectangle's
// corners. A rounded rectangle whose corner ellipse is as large as the
// rectangle itself is the inscribed ellipse, and that is how ellipses are
// made. Corner sizes are clamped to the rectangle's size; a corner size of 0
// gives square corners.
//
// Ellipse and rounded-rectangle coordinates are clamped to +-(2^30 - 1) so that the
// exact arithmetic stays inside 128 bits; polygon vertices are used as given.

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// right and bottom lie outside the rectangle.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    bool contains(std::int32_t x, std::int32_t y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A run of pixels [begin, end) of one row.
struct Span {
    std::int32_t begin = 0;
    std::int32_t end = 0;

    friend bool operator==(const Span&, const Span&) = default;
};

class Region {
public:
    enum class Shape { Empty, Rectangle, RoundRect, Polygon };

    // An area without pixels.
    Region() = default;

    // The corners may come in any order (the rectangle is normalised).
    static Region rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    static Region roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                            std::int32_t cornerWidth, std::int32_t cornerHeight);
    // The ellipse inscribed in the (normalised) rectangle.
    static Region ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    // Closed polygon through the points in order, even-odd filling. Fewer than
    // three points give an empty area.
    static Region polygon(std::span<const Point> points);
    // The same area, its box found exactly only while the work stays within
    // exactWork (rows × edges) and else the vertices' box.
    static Region polygon(std::span<const Point> points, std::int64_t exactWork);
    // The work (rows × edges) finding the polygon's box exactly takes.
    static std::int64_t polygonWork(std::span<const Point> points);

    Shape shape() const { return shape_; }
    bool empty() const { return bounds_.empty(); }
    // The smallest rectangle holding every pixel; (0, 0, 0, 0) when empty. For
    // a polygon whose rows times edges exceed kExactPolygonWork it is the
    // (larger, still enclosing) box of the vertices instead, so that a
    // polygon from a hostile file cannot take long to set up.
    const Rect& bounds() const { return bounds_; }

    bool contains(std::int32_t x, std::int32_t y) const;
    // Appends the pixel runs of row y, left to right, disjoint and not touching.
    void rowSpans(std::int32_t y, std::vector<Span>& out) const;

    // Work limit (rows × edges) up to which a polygon's box is found exactly.
    static constexpr std::int64_t kExactPolygonWork = std::int64_t{1} << 20;

private:
    struct Edge {
        std::int32_t x0, y0; // upper end (y0 < y1)
        std::int32_t x1, y1;
    };

    // Span of a rounded-rectangle row as doubled pixel-centre bounds; false when empty.
    bool roundRow(std::int32_t y, std::int64_t& lo, std::int64_t& hi) const;
    void polygonCrossings(std::int32_t y, std::vector<std::int64_t>& ks) const;
    // The first column whose pixel centre lies right of edge e's crossing of
    // row y (the edge must span the row's centre line).
    static std::int64_t crossingColumn(const Edge& e, std::int32_t y);
    void computeRoundBounds();
    void computePolygonBounds(std::int64_t exactWork);

    Shape shape_ = Shape::Empty;
    Rect rect_;           // rectangle / rounded rectangle outline
    std::int32_t cw_ = 0; // corner ellipse width and height (rounded rectangles)
    std::int32_t ch_ = 0;
    std::vector<Edge> edges_; // polygons, horizontal edges left out
    Rect bounds_;
};

} // namespace platform
