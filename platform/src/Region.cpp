#include "platform/Region.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

constexpr std::int32_t kCoordLimit = (std::int32_t{1} << 30) - 1;

std::int32_t clampCoord(std::int32_t v)
{
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

std::int32_t toInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Floor division for a positive divisor.
i128 floorDiv(i128 a, i128 b)
{
    i128 q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return q;
}

// Largest m >= 0 with m^2 * b2 < r (both positive), or -1 when even m = 0 fails.
// r < 2^126 and b2 <= 2^62 here, so every product stays below 2^127.
std::int64_t halfWidth(u128 r, u128 b2)
{
    if (r == 0)
        return -1;
    auto fits = [&](std::int64_t m) {
        u128 mm = static_cast<u128>(m) * static_cast<u128>(m);
        // mm * b2 < r, without overflow: compare against r / b2 first.
        if (mm > r / b2 + 1)
            return false;
        return mm * b2 < r;
    };
    long double est = std::sqrt(static_cast<long double>(r) / static_cast<long double>(b2));
    std::int64_t m = static_cast<std::int64_t>(est);
    while (m > 0 && !fits(m))
        --m;
    while (fits(m + 1))
        ++m;
    return fits(m) ? m : -1;
}

std::int64_t floorHalf(std::int64_t v)
{
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

} // namespace

Region Region::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    Region r;
    Rect rc{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    if (rc.empty())
        return r;
    r.shape_ = Shape::Rectangle;
    r.rect_ = rc;
    r.bounds_ = rc;
    return r;
}

Region Region::roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                         std::int32_t cornerWidth, std::int32_t cornerHeight)
{
    x1 = clampCoord(x1);
    y1 = clampCoord(y1);
    x2 = clampCoord(x2);
    y2 = clampCoord(y2);
    Rect rc{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    if (rc.empty())
        return Region();
    std::int32_t w = std::clamp(cornerWidth, 0, rc.right - rc.left);
    std::int32_t h = std::clamp(cornerHeight, 0, rc.bottom - rc.top);
    if (w == 0 || h == 0)
        return rectangle(rc.left, rc.top, rc.right, rc.bottom);
    Region r;
    r.shape_ = Shape::RoundRect;
    r.rect_ = rc;
    r.cw_ = w;
    r.ch_ = h;
    r.computeRoundBounds();
    if (r.bounds_.empty())
        return Region();
    return r;
}

Region Region::ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    x1 = clampCoord(x1);
    y1 = clampCoord(y1);
    x2 = clampCoord(x2);
    y2 = clampCoord(y2);
    return roundRect(x1, y1, x2, y2, std::max(x1, x2) - std::min(x1, x2),
                     std::max(y1, y2) - std::min(y1, y2));
}

Region Region::polygon(std::span<const Point> points)
{
    return polygon(points, kExactPolygonWork);
}

std::int64_t Region::polygonWork(std::span<const Point> points)
{
    if (points.size() < 3)
        return 0;
    std::int64_t top = points[0].y, bottom = points[0].y, edges = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        top = std::min<std::int64_t>(top, points[i].y);
        bottom = std::max<std::int64_t>(bottom, points[i].y);
        edges += points[i].y != points[(i + 1) % points.size()].y;
    }
    return (bottom - top) * edges;
}

Region Region::polygon(std::span<const Point> points, std::int64_t exactWork)
{
    Region r;
    if (points.size() < 3)
        return r;
    r.shape_ = Shape::Polygon;
    r.edges_.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        Point a = points[i];
        Point b = points[(i + 1) % points.size()];
        if (a.y == b.y)
            continue; // never crosses a pixel-centre line
        if (a.y > b.y)
            std::swap(a, b);
        r.edges_.push_back(Edge{a.x, a.y, b.x, b.y});
    }
    // Upper ends in order lets the crossing search stop early.
    std::sort(r.edges_.begin(), r.edges_.end(), [](const Edge& p, const Edge& q) { return p.y0 < q.y0; });
    r.computePolygonBounds(exactWork);
    if (r.bounds_.empty()) {
        r.shape_ = Shape::Empty;
        r.edges_.clear();
        r.bounds_ = Rect{};
    }
    return r;
}

// In doubled coordinates (X = 2x + 1 for the centre of pixel x) a corner
// ellipse of size w × h centred at (cx, cy) holds a centre when
// (X - cx)^2 h^2 + (Y - cy)^2 w^2 < w^2 h^2.
bool Region::roundRow(std::int32_t y, std::int64_t& lo, std::int64_t& hi) const
{
    if (y < rect_.top || y >= rect_.bottom)
        return false;
    const std::int64_t l = rect_.left, r = rect_.right, t = rect_.top, b = rect_.bottom;
    const std::int64_t w = cw_, h = ch_;
    const std::int64_t Y = 2 * std::int64_t{y} + 1;
    std::int64_t minX = 2 * l + 1, maxX = 2 * r - 1; // centres of the row's outermost pixels
    std::int64_t cy;
    if (Y < 2 * t + h)
        cy = 2 * t + h;
    else if (Y >= 2 * b - h)
        cy = 2 * b - h;
    else {
        lo = minX;
        hi = maxX;
        return true;
    }
    const u128 w2 = static_cast<u128>(w * w);
    const u128 h2 = static_cast<u128>(h * h);
    const std::int64_t dy = Y - cy;
    const u128 full = w2 * h2;
    const u128 used = static_cast<u128>(dy * dy) * w2;
    std::int64_t m = used >= full ? -1 : halfWidth(full - used, h2);
    if (m >= 0) {
        lo = 2 * l + w - m;
        hi = 2 * r - w + m;
    } else {
        // Only the straight middle part, outside both corner zones.
        lo = 2 * l + w;
        hi = 2 * r - w - 1;
    }
    lo = std::max(lo, minX);
    hi = std::min(hi, maxX);
    return lo <= hi;
}

void Region::computeRoundBounds()
{
    auto rowHas = [&](std::int32_t y) {
        std::int64_t lo, hi;
        return roundRow(y, lo, hi);
    };
    bounds_ = Rect{};
    const std::int32_t t = rect_.top, b = rect_.bottom;
    // The row nearest the centre is the widest; rows fill outward from it.
    const std::int32_t mid = static_cast<std::int32_t>(floorHalf(std::int64_t{t} + b - 1));
    if (!rowHas(mid))
        return;
    bounds_ = rect_; // lets rowSpans answer for the widest row
    std::vector<Span> spans;
    rowSpans(mid, spans);
    const Span widest = spans.front();
    std::int32_t lo = t, hi = mid; // first non-empty row in [t, mid]
    while (lo < hi) {
        std::int32_t m = static_cast<std::int32_t>(lo + (std::int64_t{hi} - lo) / 2);
        if (rowHas(m))
            hi = m;
        else
            lo = m + 1;
    }
    const std::int32_t top = lo;
    lo = mid;
    hi = b - 1; // last non-empty row in [mid, b - 1]
    while (lo < hi) {
        std::int32_t m = static_cast<std::int32_t>(lo + (std::int64_t{hi} - lo + 1) / 2);
        if (rowHas(m))
            lo = m;
        else
            hi = m - 1;
    }
    bounds_ = Rect{widest.begin, top, widest.end, lo + 1};
}

// Edge e crosses the centre line of row y when y0 <= y < y1. The crossing lies
// at xi; pixels x >= k = floor(xi - 0.5) + 1 have it to their left.
std::int64_t Region::crossingColumn(const Edge& e, std::int32_t y)
{
    const i128 d = static_cast<i128>(e.y1) - e.y0;
    const i128 n = (2 * static_cast<i128>(y) + 1 - 2 * static_cast<i128>(e.y0)) * (static_cast<i128>(e.x1) - e.x0);
    return static_cast<std::int64_t>(floorDiv((2 * static_cast<i128>(e.x0) - 1) * d + n, 2 * d) + 1);
}

void Region::polygonCrossings(std::int32_t y, std::vector<std::int64_t>& ks) const
{
    for (const Edge& e : edges_) {
        if (e.y0 > y)
            break;
        if (y >= e.y1)
            continue;
        ks.push_back(crossingColumn(e, y));
    }
}

void Region::computePolygonBounds(std::int64_t exactWork)
{
    std::int64_t minX = std::numeric_limits<std::int64_t>::max(), maxX = std::numeric_limits<std::int64_t>::min();
    std::int64_t minY = minX, maxY = maxX;
    for (const Edge& e : edges_) {
        minX = std::min<std::int64_t>({minX, e.x0, e.x1});
        maxX = std::max<std::int64_t>({maxX, e.x0, e.x1});
        minY = std::min<std::int64_t>(minY, e.y0);
        maxY = std::max<std::int64_t>(maxY, e.y1);
    }
    bounds_ = Rect{};
    if (edges_.empty())
        return;
    // Every pixel centre inside lies strictly within the vertices' box.
    bounds_ = Rect{toInt32(minX), toInt32(minY), toInt32(maxX), toInt32(maxY)};
    if (bounds_.empty())
        return;
    const std::int64_t work = (maxY - minY) * static_cast<std::int64_t>(edges_.size());
    if (work > std::min(exactWork, kExactPolygonWork))
        return;
    std::vector<std::int64_t> ks;
    std::int64_t l = std::numeric_limits<std::int64_t>::max(), r = std::numeric_limits<std::int64_t>::min();
    std::int64_t t = l, b = r;
    for (std::int64_t y = minY; y < maxY; ++y) {
        ks.clear();
        polygonCrossings(static_cast<std::int32_t>(y), ks);
        std::sort(ks.begin(), ks.end());
        for (std::size_t i = 0; i + 1 < ks.size(); i += 2) {
            if (ks[i] < ks[i + 1]) {
                l = std::min(l, ks[i]);
                r = std::max(r, ks[i + 1]);
                t = std::min(t, y);
                b = std::max(b, y + 1);
            }
        }
    }
    if (l >= r)
        bounds_ = Rect{};
    else
        bounds_ = Rect{toInt32(l), toInt32(t), toInt32(r), toInt32(b)};
}

bool Region::contains(std::int32_t x, std::int32_t y) const
{
    if (!bounds_.contains(x, y))
        return false;
    switch (shape_) {
    case Shape::Empty:
        return false;
    case Shape::Rectangle:
        return true;
    case Shape::RoundRect: {
        std::int64_t lo, hi;
        const std::int64_t X = 2 * std::int64_t{x} + 1;
        return roundRow(y, lo, hi) && X >= lo && X <= hi;
    }
    case Shape::Polygon: {
        bool inside = false;
        for (const Edge& e : edges_) {
            if (e.y0 > y)
                break;
            if (y >= e.y1)
                continue;
            if (crossingColumn(e, y) <= x)
                inside = !inside;
        }
        return inside;
    }
    }
    return false;
}

void Region::rowSpans(std::int32_t y, std::vector<Span>& out) const
{
    if (y < bounds_.top || y >= bounds_.bottom)
        return;
    switch (shape_) {
    case Shape::Empty:
        return;
    case Shape::Rectangle:
        out.push_back(Span{rect_.left, rect_.right});
        return;
    case Shape::RoundRect: {
        std::int64_t lo, hi;
        if (!roundRow(y, lo, hi))
            return;
        // Pixel x has centre 2x + 1 in [lo, hi]: x from ceil((lo - 1) / 2)
        // to floor((hi - 1) / 2).
        const std::int64_t xa = -floorHalf(-(lo - 1));
        const std::int64_t xb = floorHalf(hi - 1);
        if (xa <= xb)
            out.push_back(Span{toInt32(xa), toInt32(xb + 1)});
        return;
    }
    case Shape::Polygon: {
        thread_local std::vector<std::int64_t> ks;
        ks.clear();
        polygonCrossings(y, ks);
        std::sort(ks.begin(), ks.end());
        std::size_t before = out.size();
        for (std::size_t i = 0; i + 1 < ks.size(); i += 2) {
            if (ks[i] >= ks[i + 1])
                continue;
            Span s{toInt32(ks[i]), toInt32(ks[i + 1])};
            if (out.size() > before && out.back().end >= s.begin)
                out.back().end = s.end; // touching runs become one
            else
                out.push_back(s);
        }
        return;
    }
    }
}

} // namespace platform
