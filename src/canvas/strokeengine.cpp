#include "canvas/strokeengine.h"

#include "canvas/filters/pixelops.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pennova {

namespace {

    // How much of a pixel (its centre at distance d from a line's spine) a line of half-width hw
    // covers: the overlap of the pixel's extent across the line, [d - 0.5, d + 0.5], with the
    // line's extent, [-hw, hw]. Exact for straight edges; gives a thin line's width as coverage.
    inline float lineCoverage(float d, float hw)
    {
        const float c = std::min(d + 0.5f, hw) - std::max(d - 0.5f, -hw);
        return c > 0.0f ? std::min(c, 1.0f) : 0.0f;
    }

    QRect toPixelRect(const Rect &r)
    {
        return QRect(int(r.origin.x), int(r.origin.y), int(r.size.width), int(r.size.height));
    }

} // namespace

StrokeEngine::StrokeEngine(CanvasSurface &surface)
    : m_surface(surface)
{ }

void StrokeEngine::setLastPoints(Point p)
{
    m_lastpoint1 = p;
    m_lastpoint2 = p;
}

void StrokeEngine::beginStroke(QRgb brushColour)
{
    m_fill = brushColour | 0xFF000000u;
    m_backup.begin(&m_surface);
    clearDirtyRect();
    m_lastw = -1.0f;
    m_midpath = false;
}

void StrokeEngine::addDirtyRect(const Rect &r)
{
    const Rect whole = integralRect(standardizeRect(r));
    m_dirtyrect = m_dirtyrect.isEmpty() ? whole : unionRect(m_dirtyrect, whole);
    m_dirtyrect = intersectionRect(m_dirtyrect, MakeRect(Point {}, m_surface.imgsize()));
}

Rect StrokeEngine::paintSegment(const PenSample &sample, const BrushParams &brush,
    const std::optional<Rect> &selectionClip, const EraseImage &eraseImage)
{
    const Point L = m_lastpoint1;
    const Point Q = m_lastpoint2;
    const Point p = sample.canvasPoint;
    const float P = std::clamp(sample.pressure, 0.0f, 1.0f);

    // Distance gate: after the first segment, samples closer than 2 pixels (h < 1) are dropped
    // and the next one is measured from the same L.
    const double dist = std::hypot(double(L.x) - double(p.x), double(L.y) - double(p.y));
    const float h = float(0.5 * dist);
    if (h < 1.0f && m_midpath)
        return Rect {};

    // Control point K: distance h from L, in the direction from Q towards p.
    const float phi = std::atan2(Q.y - p.y, Q.x - p.x);
    const Point K { L.x - h * std::cos(phi), L.y - h * std::sin(phi) };

    // Pen radius. t = sqrt(P) * min(1, 1/h): full pressure at slow speed reaches the maximum,
    // a fast pointer (h > 1) targets a thinner line. The width moves a third of the way from the
    // last segment's end radius w0 to the target wt.
    const float bmin = 0.5f * brush.sizeMin;
    const float bmax = 0.5f * brush.sizeMax;
    const float speedFactor = h > 0.0f ? std::min(1.0f, 1.0f / h) : 1.0f;
    const float t = std::clamp(std::sqrt(P) * speedFactor, 0.0f, 1.0f);
    const float wt = bmin * (1.0f - t) + bmax * t;
    const float w0 = m_lastw >= 0.0f ? m_lastw : wt;
    float w1 = std::max((wt + 2.0f * w0) / 3.0f, 0.0f);

    // An erasing segment ends at the eraser's radius and paints with strength
    // S = sqrt(P) * strength%; a pen segment is always fully opaque (S = 1).
    const bool erasing = sample.erasing;
    float r;
    if (erasing) {
        w1 = std::max(0.5f * brush.eraserDiameter, 0.0f);
        r = brush.eraserDiameter;
    } else {
        r = std::max(w0, w1);
    }
    const float D = 2.0f * r;
    const float S = erasing ? std::sqrt(P) * brush.eraserStrength * 0.01f : 1.0f;

    // The segment's rectangle: the bounding box of L, K and p with a margin of ceil(D) + 2.
    const float bbx = std::min({ L.x, K.x, p.x }), bby = std::min({ L.y, K.y, p.y });
    const float bbw = std::max({ L.x, K.x, p.x }) - bbx;
    const float bbh = std::max({ L.y, K.y, p.y }) - bby;
    const float cD = std::ceil(D);
    const float W = std::trunc(bbw + 2.0f * cD + 5.0f);
    const float H = std::trunc(bbh + 2.0f * cD + 5.0f);
    const Point o { bbx - cD - 2.0f, bby - cD - 2.0f };
    const Rect R = MakeRect(std::trunc(o.x), std::trunc(o.y), W + 1.0f, H + 1.0f);

    // Sub-segments: n = |L - p| clamped to [4, 50] straight pieces along the curve, each as wide
    // as the radius interpolated along the segment. At the press (L = p) they are all points and
    // their round caps make a dot.
    m_subSegments.clear();
    const float n = std::clamp(float(dist), 4.0f, 50.0f);
    const float step = 1.0f / n;
    float ts = 0.0f;
    Point prev = L;
    for (;;) {
        ts = std::min(ts + step, 1.0f);
        const double td = ts, u = 1.0 - td;
        const Point B { float(u * u * L.x + 2.0 * td * u * K.x + td * td * p.x),
            float(u * u * L.y + 2.0 * td * u * K.y + td * td * p.y) };
        const float lw = std::max(2.0f * (w0 + ts * (w1 - w0)), 0.25f);
        float grey = 1.0f;
        if (S < 1.0f) {
            // Weak erasing: each piece adds grey in proportion to its length, and overlapping
            // pieces combine like screen blending.
            const float d = std::hypot(B.x - prev.x, B.y - prev.y);
            grey = std::max(S * std::sqrt(d / lw), 1.0f / 256.0f);
        }
        m_subSegments.push_back(SubSegment { prev.x, prev.y, B.x, B.y, 0.5f * lw, grey });
        if (ts >= 1.0f)
            break;
        prev = B;
    }

    // Only pixels inside the canvas, and inside the selection less its outermost ring, change.
    QRect clip = m_surface.bounds();
    if (selectionClip) {
        const Rect s = integralRect(*selectionClip);
        clip = clip.intersected(QRect(int(s.origin.x) + 1, int(s.origin.y) + 1,
            int(s.size.width) - 2, int(s.size.height) - 2));
    }
    const QRect region = toPixelRect(R).intersected(clip);
    if (!region.isEmpty()) {
        renderMask(region, 0.5f * (D + 1.0f));
        m_backup.preserve(region);
        compositeInto(region, brush, eraseImage, erasing);
    }

    m_lastpoint2 = L;
    m_lastpoint1 = p;
    m_lastw = w1;
    m_midpath = true;
    addDirtyRect(R);
    return R;
}

namespace {

    // The x extent where a horizontal line at height cy comes within `radius` of the piece
    // a -> b, as [lo, hi]; empty (lo > hi) when it does not. The round-capped piece is convex, so
    // its cut by a line is one interval: the hull of the cuts by its two end discs and its
    // straight middle band.
    struct Span
    {
        float lo = std::numeric_limits<float>::max();
        float hi = std::numeric_limits<float>::lowest();
        void add(float a, float b)
        {
            lo = std::min(lo, a);
            hi = std::max(hi, b);
        }
    };

    Span capsuleSpan(float ax, float ay, float bx, float by, float ux, float uy, float len,
        float cy, float radius)
    {
        Span span;
        const auto disc = [&](float px, float py) {
            const float dy = cy - py;
            const float q = radius * radius - dy * dy;
            if (q >= 0.0f) {
                const float w = std::sqrt(q);
                span.add(px - w, px + w);
            }
        };
        disc(ax, ay);
        disc(bx, by);
        if (len > 0.0f) {
            // Along the piece t(x) = (x - ax) ux + (cy - ay) uy must lie in [0, len]; across it
            // s(x) = -(x - ax) uy + (cy - ay) ux must lie in [-radius, radius].
            float lo = std::numeric_limits<float>::lowest(), hi = std::numeric_limits<float>::max();
            const auto limit = [&](float k, float c, float from, float to) {
                // from <= k (x - ax) + c <= to
                if (k == 0.0f) {
                    if (c < from || c > to)
                        hi = lo - 1.0f;
                    return;
                }
                float x0 = ax + (from - c) / k, x1 = ax + (to - c) / k;
                if (x0 > x1)
                    std::swap(x0, x1);
                lo = std::max(lo, x0);
                hi = std::min(hi, x1);
            };
            limit(ux, (cy - ay) * uy, 0.0f, len);
            limit(-uy, (cy - ay) * ux, -radius, radius);
            if (lo <= hi)
                span.add(lo, hi);
        }
        return span;
    }

} // namespace

// Coverage of the segment for every pixel of `region`, into m_mask (row-major, bottom row
// first), noting per row which pixels were reached. Pieces combine as
// m = 1 - (1 - m)(1 - grey * coverage): painting opaque white with antialiasing, or screen
// blending for weak erasing. Nothing reaches farther than clipRadius from a piece, so the
// segment writes only inside a band of width D + 1 around its curve.
//
// Each piece is walked row by row over the exact span it can reach. Pixels in the span of its
// fully covered core are set at once; only the one or two pixels at either end of a row need a
// distance.
void StrokeEngine::renderMask(const QRect &region, float clipRadius)
{
    const int rw = region.width();
    const int rh = region.height();
    m_mask.assign(size_t(rw) * size_t(rh), 0.0f);
    m_rowFrom.assign(size_t(rh), rw);
    m_rowTo.assign(size_t(rh), -1);
    for (const SubSegment &s : m_subSegments) {
        const float outer = std::min(s.halfWidth + 0.5f, clipRadius);
        const float inner = s.grey >= 1.0f ? std::min(s.halfWidth - 0.5f, clipRadius) : -1.0f;
        const float dx = s.bx - s.ax, dy = s.by - s.ay;
        const float len = std::sqrt(dx * dx + dy * dy);
        const float ux = len > 0.0f ? dx / len : 1.0f, uy = len > 0.0f ? dy / len : 0.0f;
        const float invLen2 = len > 0.0f ? 1.0f / (len * len) : 0.0f;
        const float outer2 = outer * outer;
        const int y0 = std::max(region.top(), int(std::floor(std::min(s.ay, s.by) - outer)));
        const int y1 = std::min(region.bottom(), int(std::ceil(std::max(s.ay, s.by) + outer)));
        for (int y = y0; y <= y1; ++y) {
            const float cy = float(y) + 0.5f;
            const Span o = capsuleSpan(s.ax, s.ay, s.bx, s.by, ux, uy, len, cy, outer);
            if (o.lo > o.hi)
                continue;
            // Pixel x is in the span when its centre x + 0.5 is.
            const int x0 = std::max(region.left(), int(std::ceil(o.lo - 0.5f)));
            const int x1 = std::min(region.right(), int(std::floor(o.hi - 0.5f)));
            if (x0 > x1)
                continue;
            int c0 = x1 + 1, c1 = x1; // the fully covered core, empty unless found below
            if (inner > 0.0f) {
                const Span in = capsuleSpan(s.ax, s.ay, s.bx, s.by, ux, uy, len, cy, inner);
                if (in.lo <= in.hi) {
                    c0 = std::max(x0, int(std::ceil(in.lo - 0.5f)));
                    c1 = std::min(x1, int(std::floor(in.hi - 0.5f)));
                }
            }
            const int row = y - region.top();
            float *m = m_mask.data() + size_t(row) * size_t(rw) - region.left();
            const float ry = cy - s.ay;
            const auto edge = [&](int from, int to) {
                for (int x = from; x <= to; ++x) {
                    if (m[x] >= 1.0f)
                        continue;
                    const float rx = float(x) + 0.5f - s.ax;
                    const float tp = std::clamp((rx * dx + ry * dy) * invLen2, 0.0f, 1.0f);
                    const float ex = rx - tp * dx, ey = ry - tp * dy;
                    const float d2 = ex * ex + ey * ey;
                    if (d2 >= outer2)
                        continue;
                    m[x] += s.grey * lineCoverage(std::sqrt(d2), s.halfWidth) * (1.0f - m[x]);
                }
            };
            if (c0 <= c1) {
                edge(x0, c0 - 1);
                std::fill(m + c0, m + c1 + 1, 1.0f);
                edge(c1 + 1, x1);
            } else {
                edge(x0, x1);
            }
            m_rowFrom[size_t(row)] = std::min(m_rowFrom[size_t(row)], x0 - region.left());
            m_rowTo[size_t(row)] = std::max(m_rowTo[size_t(row)], x1 - region.left());
        }
    }
}

// Colours the mask with the brush colour or the erase image, composites it source-over onto
// the canvas (and through the ink glaze for pen segments in ink mode), and writes the result
// wherever the mask covers anything. Uncovered pixels keep their values.
void StrokeEngine::compositeInto(
    const QRect &region, const BrushParams &brush, const EraseImage &eraseImage, bool erasing)
{
    const int rw = region.width();
    const bool ink = brush.ink && !erasing;
    const QRgb inkColour = brush.inkColour | 0xFF000000u;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const size_t rowIndex = size_t(y - region.top());
        if (m_rowTo[rowIndex] < m_rowFrom[rowIndex])
            continue;
        const float *m = m_mask.data() + rowIndex * size_t(rw) - region.left();
        QRgb *row = m_surface.row(y);
        const int xTo = region.left() + m_rowTo[rowIndex];
        for (int x = region.left() + m_rowFrom[rowIndex]; x <= xTo; ++x) {
            const int grey = int(m[x] * 255.0f + 0.5f);
            if (grey <= 0)
                continue;
            const QRgb source = erasing ? eraseImage.pixel(x, y) : m_fill;
            const QRgb dab = grey >= 255
                ? source
                : filters::multiplyPixel(source, filters::maskToAlphaPixel(uint8_t(grey)));
            const QRgb background = row[x];
            QRgb out = filters::sourceOverPixel(dab, background);
            if (ink)
                out = filters::inkPixel(out, background, inkColour);
            row[x] = out;
        }
    }
}

} // namespace pennova
