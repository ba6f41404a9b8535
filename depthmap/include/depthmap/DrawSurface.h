#pragma once
// What the depth objects need to draw themselves and to ask for repaints.
// The map window implements both with its toolkit; tests record the calls.
//
// Coordinates are map pixels, (0, 0) at the top left. Rectangles passed to
// the shape calls are given as two corners in any order (the surface
// normalises them, as GDI does). Closed shapes are outlined with the current
// pen and filled with the current brush; lines, arcs and polylines use only
// the pen. The pixels an object covers for depth are those of its Region;
// a surface that wants to show them exactly can fill the region's rows.

#include "platform/Region.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace depthmap {

// The grey a shape of a level is filled with in the editor: white for the
// background (level 0 and below) like the empty canvas, then darker as the
// level rises, from 224 at level 1 to 96 at level 255 and above, so that the
// black outlines and numbers stay readable.
inline constexpr int LevelShade(std::int32_t level)
{
    if (level <= 0)
        return 255;
    const std::int32_t l = level > 255 ? 255 : level;
    return 224 - l * 128 / 255;
}

class DrawSurface {
public:
    virtual ~DrawSurface() = default;

    virtual void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Elliptic arc of the ellipse bounded by (x1, y1, x2, y2), counter-clockwise
    // from the radial through (xs, ys) to the radial through (xe, ye).
    virtual void arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                     std::int32_t xs, std::int32_t ys, std::int32_t xe, std::int32_t ye) = 0;
    virtual void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Rounded rectangle whose corners are quarters of a cornerWidth × cornerHeight ellipse.
    virtual void roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                           std::int32_t cornerWidth, std::int32_t cornerHeight) = 0;
    virtual void ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Closed, filled with the even-odd rule.
    virtual void polygon(std::span<const platform::Point> points) = 0;
    virtual void polyline(std::span<const platform::Point> points) = 0;
    // Text at (x, y) with the surface's current alignment and font.
    virtual void text(std::int32_t x, std::int32_t y, std::string_view s) = 0;
    // Fills left <= x < right, top <= y < bottom with black.
    virtual void fillBlack(const platform::Rect& r) = 0;
    // The level of the shape drawn next: a surface that shows depth fills
    // the shape with a grey of it (nothing by default).
    virtual void setLevel(std::int32_t) {}
    // The area of a shape whose outline does not enclose its depth (a
    // Curve's whole rectangle): a surface that shows depth shades it with
    // the level's grey and outlines it faintly (nothing by default).
    virtual void levelArea(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    // Draws the border of the region with a black brush frameWidth × frameHeight.
    virtual void frameRegion(const platform::Region& region, std::int32_t frameWidth,
                             std::int32_t frameHeight) = 0;
};

// The window an object is shown in: it collects areas to repaint.
class MapView {
public:
    virtual ~MapView() = default;

    virtual void invalidateRect(const platform::Rect& r, bool erase) = 0;
    virtual void invalidateRegion(const platform::Region& region, bool erase) = 0;
    // Repaints whatever is pending, at once.
    virtual void update() = 0;
};

} // namespace depthmap
