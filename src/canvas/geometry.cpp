#include "canvas/geometry.h"

#include <algorithm>
#include <cmath>

namespace pennova {

float Rect::minX() const
{
    return std::min(origin.x, origin.x + size.width);
}
float Rect::minY() const
{
    return std::min(origin.y, origin.y + size.height);
}
float Rect::maxX() const
{
    return std::max(origin.x, origin.x + size.width);
}
float Rect::maxY() const
{
    return std::max(origin.y, origin.y + size.height);
}
bool Rect::isEmpty() const
{
    return size.width == 0.0f || size.height == 0.0f;
}

Rect MakeRect(Point origin, Size size)
{
    return Rect { origin, size };
}

Rect MakeRect(float x, float y, float width, float height)
{
    return Rect { Point { x, y }, Size { width, height } };
}

Point operator+(Point p, Point q)
{
    return Point { p.x + q.x, p.y + q.y };
}
Point operator-(Point p, Point q)
{
    return Point { p.x - q.x, p.y - q.y };
}
Point operator*(Point p, float f)
{
    return Point { p.x * f, p.y * f };
}

Point operator/(Point p, float f)
{
    const float r = 1.0f / f;
    return Point { p.x * r, p.y * r };
}

Point integralPoint(Point p)
{
    return Point { std::trunc(p.x), std::trunc(p.y) };
}

Rect rectFromPoints(Point a, Point b)
{
    return MakeRect(
        std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(a.x - b.x), std::fabs(a.y - b.y));
}

void getPointsFromRect(const Rect &r, Corners &corners)
{
    const float x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    corners[0] = Point { x, y };
    corners[1] = Point { x + w, y };
    corners[2] = Point { x + w, y + h };
    corners[3] = Point { x, y + h };
}

Corners getPointsFromRect(const Rect &r)
{
    Corners corners;
    getPointsFromRect(r, corners);
    return corners;
}

void translatePoints(Corners &corners, Point d)
{
    for (Point &p : corners)
        p = p + d;
}

Rect standardizeRect(const Rect &r)
{
    return MakeRect(r.minX(), r.minY(), std::fabs(r.size.width), std::fabs(r.size.height));
}

Rect integralRect(const Rect &r)
{
    if (r.isEmpty())
        return Rect {};
    const Rect s = standardizeRect(r);
    const float x0 = std::floor(s.minX()), y0 = std::floor(s.minY());
    const float x1 = std::ceil(s.maxX()), y1 = std::ceil(s.maxY());
    return MakeRect(x0, y0, x1 - x0, y1 - y0);
}

Rect unionRect(const Rect &a, const Rect &b)
{
    if (a.isEmpty())
        return standardizeRect(b);
    if (b.isEmpty())
        return standardizeRect(a);
    const float x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const float x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return MakeRect(x0, y0, x1 - x0, y1 - y0);
}

Rect intersectionRect(const Rect &a, const Rect &b)
{
    const float x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const float x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0)
        return Rect {};
    return MakeRect(x0, y0, x1 - x0, y1 - y0);
}

Rect insetRect(const Rect &r, float dx, float dy)
{
    return MakeRect(
        r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}

bool pointInRect(Point p, const Rect &r)
{
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

QRectF toQRectF(const Rect &r)
{
    return QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height);
}

namespace {
    // Far beyond any canvas, and small enough that origin + size, and QRect's right and bottom
    // edges (origin + size - 1), stay within int.
    constexpr float kLargestWholeCoordinate = float(1 << 29);

    // Rounded to the nearest whole number within ±2^29; not a number gives 0.
    int clampedWhole(float v)
    {
        if (std::isnan(v))
            return 0;
        return int(std::lround(std::clamp(v, -kLargestWholeCoordinate, kLargestWholeCoordinate)));
    }
} // namespace

QRect toQRect(const Rect &r)
{
    return QRect(clampedWhole(r.origin.x), clampedWhole(r.origin.y), clampedWhole(r.size.width),
        clampedWhole(r.size.height));
}

Rect fromQRectF(const QRectF &r)
{
    return MakeRect(float(r.x()), float(r.y()), float(r.width()), float(r.height()));
}

Rect fromQRect(const QRect &r)
{
    return MakeRect(float(r.x()), float(r.y()), float(r.width()), float(r.height()));
}

} // namespace pennova
