#pragma once
// The depth objects' drawing calls on a QPainter, with the rules of the
// drawing surface they were written for: rectangles and ellipses end one
// pixel before their right and bottom corners, closed shapes are outlined
// with a black pen and filled with the current brush, text stands on its
// baseline centred on its point.
//
// RecordedSurface keeps the calls instead, to draw them later: the map
// window's rubber bands are drawn "directly" by keeping them until the next
// repaint of the map wipes them.

#include "depthmap/DrawSurface.h"

#include <QPainter>
#include <QRect>

#include <functional>
#include <vector>

namespace depthmap_ui {

class QtDrawSurface : public depthmap::DrawSurface {
public:
    // visible: the part of the map (in map pixels) that needs drawing; the
    // region frames are only worked out there.
    QtDrawSurface(QPainter& painter, const QRect& visible);

    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t xs, std::int32_t ys,
             std::int32_t xe, std::int32_t ye) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t cornerWidth,
                   std::int32_t cornerHeight) override;
    void ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void polygon(std::span<const platform::Point> points) override;
    void polyline(std::span<const platform::Point> points) override;
    void text(std::int32_t x, std::int32_t y, std::string_view s) override;
    void fillBlack(const platform::Rect& r) override;
    void frameRegion(const platform::Region& region, std::int32_t frameWidth, std::int32_t frameHeight) override;
    void setLevel(std::int32_t level) override;
    void levelArea(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;

private:
    QPainter& painter_;
    QRect visible_;
    bool showsDepth_; // the painter fills shapes: each gets the grey of its level
};

class RecordedSurface : public depthmap::DrawSurface {
public:
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t xs, std::int32_t ys,
             std::int32_t xe, std::int32_t ye) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t cornerWidth,
                   std::int32_t cornerHeight) override;
    void ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void polygon(std::span<const platform::Point> points) override;
    void polyline(std::span<const platform::Point> points) override;
    void text(std::int32_t x, std::int32_t y, std::string_view s) override;
    void fillBlack(const platform::Rect& r) override;
    void frameRegion(const platform::Region& region, std::int32_t frameWidth, std::int32_t frameHeight) override;

    bool empty() const { return calls_.empty(); }
    void clear() { calls_.clear(); }
    void playBack(depthmap::DrawSurface& dc) const;

private:
    std::vector<std::function<void(depthmap::DrawSurface&)>> calls_;
};

} // namespace depthmap_ui
