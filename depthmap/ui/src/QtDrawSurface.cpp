#include "depthmap_ui/QtDrawSurface.h"

#include <QPolygon>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <string>

namespace depthmap_ui {

namespace {

QRect normalRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2)));
}

// The outline of a shape from (left, top) to (right, bottom), the right and
// bottom corners left out: Qt's outline of a w × h rectangle covers w + 1
// columns.
QRect outlineRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    const QRect n = normalRect(x1, y1, x2, y2);
    return QRect(n.left(), n.top(), std::max(0, n.width() - 2), std::max(0, n.height() - 2));
}

QPolygon toPolygon(std::span<const platform::Point> points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const platform::Point& p : points)
        polygon << QPoint(p.x, p.y);
    return polygon;
}

// The angle (in degrees, counter-clockwise from three o'clock) at which the
// ray from the ellipse's centre through (x, y) meets the ellipse, as an
// angle of the circle the ellipse is stretched from.
double radialAngle(const QRectF& box, double x, double y)
{
    const double a = box.width() / 2, b = box.height() / 2;
    const QPointF c = box.center();
    return std::atan2(-(y - c.y()) * a, (x - c.x()) * b) * 180.0 / M_PI;
}

} // namespace

QtDrawSurface::QtDrawSurface(QPainter& painter, const QRect& visible)
    : painter_(painter), visible_(visible), showsDepth_(painter.brush().style() != Qt::NoBrush)
{
}

void QtDrawSurface::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    painter_.drawLine(x1, y1, x2, y2);
}

void QtDrawSurface::arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t xs,
                        std::int32_t ys, std::int32_t xe, std::int32_t ye)
{
    const QRect box = outlineRect(x1, y1, x2, y2);
    if (box.width() < 1 || box.height() < 1) {
        painter_.drawLine(box.topLeft(), box.bottomRight() + QPoint(1, 1));
        return;
    }
    const QRectF f(box.left(), box.top(), box.width(), box.height());
    const double start = radialAngle(f, xs, ys);
    double span = radialAngle(f, xe, ye) - start;
    while (span <= 0)
        span += 360.0;
    painter_.drawArc(box, static_cast<int>(std::lround(start * 16)), static_cast<int>(std::lround(span * 16)));
}

void QtDrawSurface::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    painter_.drawRect(outlineRect(x1, y1, x2, y2));
}

void QtDrawSurface::roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                              std::int32_t cornerWidth, std::int32_t cornerHeight)
{
    painter_.drawRoundedRect(outlineRect(x1, y1, x2, y2), cornerWidth / 2.0, cornerHeight / 2.0);
}

void QtDrawSurface::ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    painter_.drawEllipse(outlineRect(x1, y1, x2, y2));
}

void QtDrawSurface::polygon(std::span<const platform::Point> points)
{
    painter_.drawPolygon(toPolygon(points), Qt::OddEvenFill);
}

void QtDrawSurface::polyline(std::span<const platform::Point> points)
{
    painter_.drawPolyline(toPolygon(points));
}

void QtDrawSurface::text(std::int32_t x, std::int32_t y, std::string_view s)
{
    const QString t = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    const int width = painter_.fontMetrics().horizontalAdvance(t);
    painter_.drawText(QPoint(x - width / 2, y), t);
}

void QtDrawSurface::setLevel(std::int32_t level)
{
    // Only a painter that fills shapes (the map, not rubber bands) shows depth.
    if (!showsDepth_)
        return;
    const int g = depthmap::LevelShade(level);
    painter_.setBrush(QColor(g, g, g));
}

void QtDrawSurface::levelArea(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    if (!showsDepth_)
        return;
    painter_.save();
    painter_.setPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
    painter_.drawRect(outlineRect(x1, y1, x2, y2));
    painter_.restore();
    // The arc that follows is drawn over the shaded rectangle, unfilled.
    painter_.setBrush(Qt::NoBrush);
}

void QtDrawSurface::fillBlack(const platform::Rect& r)
{
    const QRect n = normalRect(r.left, r.top, r.right, r.bottom);
    painter_.fillRect(QRect(n.left(), n.top(), n.width() - 1, n.height() - 1), Qt::black);
}

void QtDrawSurface::frameRegion(const platform::Region& region, std::int32_t frameWidth, std::int32_t frameHeight)
{
    const platform::Rect& b = region.bounds();
    // The rows that show, and those beside them that decide their border.
    const int top = std::max<std::int64_t>(b.top, std::int64_t{visible_.top()} - frameHeight);
    const int bottom = std::min<std::int64_t>(b.bottom, std::int64_t{visible_.bottom()} + 1 + frameHeight);
    QRegion area;
    std::vector<platform::Span> spans;
    for (int y = top; y < bottom; ++y) {
        spans.clear();
        region.rowSpans(y, spans);
        for (const platform::Span& s : spans)
            area += QRect(s.begin, y, s.end - s.begin, 1);
    }
    // The border is what is left when the area is shrunk by the frame's size.
    QRegion inner = area;
    for (int d = 1; d <= frameWidth; ++d)
        inner &= area.translated(d, 0) & area.translated(-d, 0);
    for (int d = 1; d <= frameHeight; ++d)
        inner &= area.translated(0, d) & area.translated(0, -d);
    const QRegion border = (area - inner) & QRegion(visible_);
    for (const QRect& r : border)
        painter_.fillRect(r, Qt::black);
}

void RecordedSurface::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.line(x1, y1, x2, y2); });
}

void RecordedSurface::arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t xs,
                          std::int32_t ys, std::int32_t xe, std::int32_t ye)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.arc(x1, y1, x2, y2, xs, ys, xe, ye); });
}

void RecordedSurface::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.rectangle(x1, y1, x2, y2); });
}

void RecordedSurface::roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                std::int32_t cornerWidth, std::int32_t cornerHeight)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.roundRect(x1, y1, x2, y2, cornerWidth, cornerHeight); });
}

void RecordedSurface::ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.ellipse(x1, y1, x2, y2); });
}

void RecordedSurface::polygon(std::span<const platform::Point> points)
{
    std::vector<platform::Point> copy(points.begin(), points.end());
    calls_.push_back([copy = std::move(copy)](depthmap::DrawSurface& dc) { dc.polygon(copy); });
}

void RecordedSurface::polyline(std::span<const platform::Point> points)
{
    std::vector<platform::Point> copy(points.begin(), points.end());
    calls_.push_back([copy = std::move(copy)](depthmap::DrawSurface& dc) { dc.polyline(copy); });
}

void RecordedSurface::text(std::int32_t x, std::int32_t y, std::string_view s)
{
    calls_.push_back([x, y, t = std::string(s)](depthmap::DrawSurface& dc) { dc.text(x, y, t); });
}

void RecordedSurface::fillBlack(const platform::Rect& r)
{
    calls_.push_back([=](depthmap::DrawSurface& dc) { dc.fillBlack(r); });
}

void RecordedSurface::frameRegion(const platform::Region& region, std::int32_t frameWidth, std::int32_t frameHeight)
{
    calls_.push_back([region, frameWidth, frameHeight](depthmap::DrawSurface& dc) {
        dc.frameRegion(region, frameWidth, frameHeight);
    });
}

void RecordedSurface::playBack(depthmap::DrawSurface& dc) const
{
    for (const auto& call : calls_)
        call(dc);
}

} // namespace depthmap_ui
