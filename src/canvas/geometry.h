#pragma once

// Points, sizes and rectangles of 32-bit floats in canvas coordinates (pixels, origin lower-left,
// y up), with the small helpers the canvas code shares. Rectangles follow the usual desktop rules:
// a rectangle with zero width or height is empty, and unions ignore empty rectangles.

#include <QRect>
#include <QRectF>
#include <array>

namespace pennova {

struct Point
{
    float x = 0.0f;
    float y = 0.0f;
};

struct Size
{
    float width = 0.0f;
    float height = 0.0f;
};

struct Rect
{
    Point origin;
    Size size;

    float minX() const;
    float minY() const;
    float maxX() const;
    float maxY() const;
    bool isEmpty() const;
};

using Corners = std::array<Point, 4>;

inline bool operator==(Point a, Point b)
{
    return a.x == b.x && a.y == b.y;
}
inline bool operator!=(Point a, Point b)
{
    return !(a == b);
}
inline bool operator==(Size a, Size b)
{
    return a.width == b.width && a.height == b.height;
}
inline bool operator==(const Rect &a, const Rect &b)
{
    return a.origin == b.origin && a.size == b.size;
}
inline bool operator!=(const Rect &a, const Rect &b)
{
    return !(a == b);
}

Rect MakeRect(Point origin, Size size);
Rect MakeRect(float x, float y, float width, float height);

Point operator+(Point p, Point q);
Point operator-(Point p, Point q);
Point operator*(Point p, float f);
// Division multiplies by the reciprocal, r = 1 / f, as the rest of the canvas code expects.
Point operator/(Point p, float f);

// Each coordinate truncated toward zero: (-1.7, 2.9) gives (-1, 2).
Point integralPoint(Point p);
// The rectangle spanned by two points, with non-negative size.
Rect rectFromPoints(Point a, Point b);
// Corners in the order lower-left, lower-right, upper-right, upper-left.
void getPointsFromRect(const Rect &r, Corners &corners);
Corners getPointsFromRect(const Rect &r);
void translatePoints(Corners &corners, Point d);

// Negative sizes flipped into the origin.
Rect standardizeRect(const Rect &r);
// Outward to whole pixels: origin floored, far edge ceiled. An empty rectangle gives the zero
// rectangle.
Rect integralRect(const Rect &r);
// The bounding rectangle of both; an empty rectangle does not take part.
Rect unionRect(const Rect &a, const Rect &b);
// The common part, or the zero rectangle when they do not overlap.
Rect intersectionRect(const Rect &a, const Rect &b);
// Grown by -dx, -dy on each side (a negative inset grows the rectangle).
Rect insetRect(const Rect &r, float dx, float dy);
// Half-open test: minX <= x < maxX and minY <= y < maxY.
bool pointInRect(Point p, const Rect &r);

QRectF toQRectF(const Rect &r);
// For rectangles that are already whole pixels. Each value is rounded and kept within ±2^29,
// far beyond any canvas, so that no edge of the QRect overflows; not a number gives 0.
QRect toQRect(const Rect &r);
Rect fromQRectF(const QRectF &r);
Rect fromQRect(const QRect &r);

} // namespace pennova
