#include "canvas/viewtransform.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace pennova {

namespace {

    constexpr double kPi = 3.14159265358979323846;

    // Quarter turns are exact, so a view turned by 90° reports bounds of exactly H / z × W / z
    // and maps whole pixels to whole pixels.
    void cosSinDegrees(double degrees, double &c, double &s)
    {
        double r = std::fmod(degrees, 360.0);
        if (r < 0.0)
            r += 360.0;
        if (r >= 360.0)
            r -= 360.0;
        if (r == 0.0) {
            c = 1.0;
            s = 0.0;
        } else if (r == 90.0) {
            c = 0.0;
            s = 1.0;
        } else if (r == 180.0) {
            c = -1.0;
            s = 0.0;
        } else if (r == 270.0) {
            c = 0.0;
            s = -1.0;
        } else {
            const double radians = r * (kPi / 180.0);
            c = std::cos(radians);
            s = std::sin(radians);
        }
    }

    bool positiveFinite(double v)
    {
        return std::isfinite(v) && v > 0.0;
    }

    Rect boundingRect(const Point (&p)[4])
    {
        float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
        for (const Point &q : p) {
            minX = std::min(minX, q.x);
            maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y);
            maxY = std::max(maxY, q.y);
        }
        return MakeRect(minX, minY, maxX - minX, maxY - minY);
    }

} // namespace

ViewTransform::ViewTransform(Size frameSize)
{
    setFrameSize(frameSize);
}

void ViewTransform::update()
{
    cosSinDegrees(m_rotationDegrees, m_cos, m_sin);
    m_min = cornerMinimum();
}

ViewTransform::Vec ViewTransform::cornerMinimum() const
{
    // R(−θ) · f / z for the corners (0, 0), (W, 0), (W, H), (0, H); (0, 0) maps to (0, 0).
    const Vec corners[3] = { { m_width, 0.0 }, { m_width, m_height }, { 0.0, m_height } };
    Vec lo { 0.0, 0.0 };
    for (const Vec &f : corners) {
        lo.x = std::min(lo.x, (m_cos * f.x + m_sin * f.y) / m_zoom);
        lo.y = std::min(lo.y, (-m_sin * f.x + m_cos * f.y) / m_zoom);
    }
    return lo;
}

void ViewTransform::setFrameSize(Size frameSize)
{
    // Keeping t = z · R(θ) · (m − o) with z and θ unchanged means keeping m − o.
    const Vec oldMin = m_min;
    m_width = std::max(0.0, double(frameSize.width));
    m_height = std::max(0.0, double(frameSize.height));
    update();
    m_originX += m_min.x - oldMin.x;
    m_originY += m_min.y - oldMin.y;
}

Size ViewTransform::frameSize() const
{
    return Size { float(m_width), float(m_height) };
}

void ViewTransform::setBoundsSize(Size boundsSize)
{
    if (!positiveFinite(boundsSize.width))
        return;
    // Rounded to float so that zoom() is exactly the scale the mapping uses.
    const float zoom = float(m_width / double(boundsSize.width));
    if (!positiveFinite(zoom))
        return;
    m_zoom = zoom;
    update();
}

void ViewTransform::setZoom(float zoom)
{
    if (!positiveFinite(zoom))
        return;
    m_zoom = zoom;
    update();
}

float ViewTransform::zoom() const
{
    return m_zoom;
}

void ViewTransform::setBoundsRotation(float angleDegrees)
{
    if (!std::isfinite(angleDegrees))
        return;
    // t = z · R(θ1) · (m1 − o1) = z · R(θ2) · (m2 − o2), so o2 = m2 − R(−θ2) · R(θ1) · (m1 − o1).
    const double c1 = m_cos, s1 = m_sin;
    const double dx = m_min.x - m_originX, dy = m_min.y - m_originY;
    const double rx = c1 * dx - s1 * dy, ry = s1 * dx + c1 * dy;
    m_rotationDegrees = angleDegrees;
    update();
    m_originX = m_min.x - (m_cos * rx + m_sin * ry);
    m_originY = m_min.y - (-m_sin * rx + m_cos * ry);
}

float ViewTransform::boundsRotation() const
{
    return m_rotationDegrees;
}

void ViewTransform::setBoundsOrigin(Point canvasOrigin)
{
    m_originX = canvasOrigin.x;
    m_originY = canvasOrigin.y;
}

Point ViewTransform::boundsOrigin() const
{
    return Point { float(m_originX), float(m_originY) };
}

Rect ViewTransform::bounds() const
{
    // The bounding box of the rotated frame, scaled back to canvas units.
    const double w = (std::fabs(m_cos) * m_width + std::fabs(m_sin) * m_height) / m_zoom;
    const double h = (std::fabs(m_sin) * m_width + std::fabs(m_cos) * m_height) / m_zoom;
    return MakeRect(float(m_originX), float(m_originY), float(w), float(h));
}

Point ViewTransform::canvasToView(Point canvasPoint) const
{
    // f = z · R(θ) · q + t = z · R(θ) · (q − o + m); unrotated this is z · (q − o) to the last bit.
    const double x = double(canvasPoint.x) - m_originX + m_min.x;
    const double y = double(canvasPoint.y) - m_originY + m_min.y;
    return Point { float(m_zoom * (m_cos * x - m_sin * y)),
        float(m_zoom * (m_sin * x + m_cos * y)) };
}

Point ViewTransform::viewToCanvas(Point viewPoint) const
{
    // q = R(−θ) · (f − t) / z = R(−θ) · f / z + o − m.
    const double fx = viewPoint.x, fy = viewPoint.y;
    const double x = (m_cos * fx + m_sin * fy) / m_zoom;
    const double y = (-m_sin * fx + m_cos * fy) / m_zoom;
    return Point { float(x + m_originX - m_min.x), float(y + m_originY - m_min.y) };
}

Rect ViewTransform::canvasToViewRect(const Rect &canvasRect) const
{
    if (canvasRect.isEmpty())
        return Rect {};
    const Corners c = getPointsFromRect(canvasRect);
    const Point mapped[4]
        = { canvasToView(c[0]), canvasToView(c[1]), canvasToView(c[2]), canvasToView(c[3]) };
    return boundingRect(mapped);
}

Rect ViewTransform::viewToCanvasRect(const Rect &viewRect) const
{
    if (viewRect.isEmpty())
        return Rect {};
    const Corners c = getPointsFromRect(viewRect);
    const Point mapped[4]
        = { viewToCanvas(c[0]), viewToCanvas(c[1]), viewToCanvas(c[2]), viewToCanvas(c[3]) };
    return boundingRect(mapped);
}

QTransform ViewTransform::canvasToViewTransform() const
{
    // t = z · R(θ) · (m − o); QTransform maps (x, y) to (m11 x + m21 y + dx, m12 x + m22 y + dy).
    const double zc = m_zoom * m_cos, zs = m_zoom * m_sin;
    const double ux = m_min.x - m_originX, uy = m_min.y - m_originY;
    return QTransform(zc, zs, -zs, zc, zc * ux - zs * uy, zs * ux + zc * uy);
}

Point resetZoomOrigin(Point oldOrigin, float oldZoom, Size canvasSize, Size contentSize)
{
    // After the reset the zoom is 1; image and content are the canvas and window sizes on one axis.
    const float z = 1.0f;
    auto clampAxis = [z](float v, float image, float content) {
        const float far = image - content / z;
        if (image * z > content) {
            // Larger than the window: keep the window covered.
            v = std::max(v, 0.0f);
            if (v > far)
                v = far;
        } else {
            // Smaller: keep the canvas wholly inside the window.
            v = std::max(v, far);
            v = std::min(v, 0.0f);
        }
        return v;
    };
    return Point { clampAxis(oldZoom * oldOrigin.x, canvasSize.width, contentSize.width),
        clampAxis(oldZoom * oldOrigin.y, canvasSize.height, contentSize.height) };
}

namespace {
    int wholePercent(double zoom)
    {
        // A float zoom up to 8 is within 2e-4 percent of what it stands for; a drag step of whole
        // pixels leaves fractions of at least 1/300 percent. The tolerance lies between the two.
        constexpr double kTolerance = 1e-3;
        const double percent = std::trunc(100.0 * zoom + kTolerance);
        if (std::isnan(percent))
            return 0;
        return int(std::clamp(percent, double(INT_MIN), double(INT_MAX)));
    }
} // namespace

int zoomPercent(float zoom)
{
    return wholePercent(double(zoom));
}

float zoomStep(float zoom, float dy, bool fast, float lowest)
{
    const double k = fast ? 150.0 : 300.0;
    const double floor = std::isfinite(lowest) && lowest > 0.0f
        ? std::min(double(lowest), double(kGestureZoomMin))
        : double(kGestureZoomMin);
    const double next
        = std::clamp(double(zoom) + double(dy) * double(zoom) / k, floor, double(kZoomMax));
    if (!std::isfinite(next))
        return zoom;
    if (next < double(kGestureZoomMin))
        return float(next);
    return float(wholePercent(next) / 100.0);
}

float fitZoom(Size canvasSize, Size frameSize)
{
    const double w = canvasSize.width, h = canvasSize.height;
    const double fw = frameSize.width, fh = frameSize.height;
    if (!(w > 0.0 && h > 0.0 && fw > 0.0 && fh > 0.0))
        return 1.0f;
    // Truncated, not rounded, so that the zoomed canvas never spills over the frame; the small
    // allowance keeps a ratio such as 1200 / 4000 at 30 % despite its binary rounding.
    const double percent = std::floor(100.0 * std::min(fw / w, fh / h) + 1e-9);
    return float(std::clamp(percent, 1.0, 100.0 * double(kZoomMax)) / 100.0);
}

Size standardFrameContent(float zoom, Size canvasSize)
{
    return Size { zoom * canvasSize.width, zoom * canvasSize.height };
}

} // namespace pennova
