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

    // floor and ceil to int without a library call (the baseline instruction set has no rounding
    // instruction); valid well beyond any canvas coordinate.
    inline int floorInt(float v)
    {
        const int i = int(v);
        return i - (float(i) > v);
    }
    inline int ceilInt(float v)
    {
        const int i = int(v);
        return i + (float(i) < v);
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
    m_before = m_surface.snapshot();
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
    const Point p = sample.canvasPoint;
    // A driver's stray sample (not a number, or absurdly far away) is dropped like a short one;
    // a stroke that started from one starts again at the next good sample.
    const auto sane = [](Point q) {
        constexpr float kFarAway = 1e7f;
        return std::fabs(q.x) < kFarAway && std::fabs(q.y) < kFarAway;
    };
    if (!sane(p))
        return Rect {};
    if (!sane(m_lastpoint1) || !sane(m_lastpoint2))
        setLastPoints(p);
    const Point L = m_lastpoint1;
    const Point Q = m_lastpoint2;
    const float P = std::isfinite(sample.pressure) ? std::clamp(sample.pressure, 0.0f, 1.0f) : 1.0f;

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
    m_lastReach = QRect();
    if (!region.isEmpty())
        paintPieces(region, 0.5f * (D + 1.0f), brush, eraseImage, erasing);

    m_lastpoint2 = L;
    m_lastpoint1 = p;
    m_lastw = w1;
    m_midpath = true;
    addDirtyRect(R);
    return R;
}

// The segment's pieces, painted row by row. For a row, each piece reaches the pixels whose centre
// lies within its outer radius (half its width plus half a pixel, and never beyond the band of
// width D + 1 around the curve); the pixels within its inner radius (half its width less half a
// pixel) it covers fully. Both are single spans, since a round-capped piece is convex, and they
// are linear in the row but for the end caps. Pixels inside any piece's inner span get full
// coverage without further work; the few at the ends of a row combine the pieces as
// m = 1 - (1 - m)(1 - grey * coverage): painting opaque white with antialiasing, or screen
// blending for weak erasing. Each covered pixel is then coloured with the brush colour or the
// erase image, composited source-over (through the ink glaze for pen segments in ink mode) and
// written. Uncovered pixels keep their values.
void StrokeEngine::paintPieces(const QRect &region, float clipRadius, const BrushParams &brush,
    const EraseImage &eraseImage, bool erasing)
{
    // Per-piece constants of the span computation.
    m_pieces.clear();
    float top = std::numeric_limits<float>::lowest(), bottom = std::numeric_limits<float>::max();
    float left = std::numeric_limits<float>::max(), right = std::numeric_limits<float>::lowest();
    for (const SubSegment &s : m_subSegments) {
        PieceGeometry g;
        g.s = s;
        g.outer = std::min(s.halfWidth + 0.5f, clipRadius);
        g.inner = s.grey >= 1.0f ? std::min(s.halfWidth - 0.5f, clipRadius) : -1.0f;
        g.dx = s.bx - s.ax;
        g.dy = s.by - s.ay;
        g.len = std::sqrt(g.dx * g.dx + g.dy * g.dy);
        g.invLen2 = g.len > 0.0f ? 1.0f / (g.len * g.len) : 0.0f;
        g.ux = g.len > 0.0f ? g.dx / g.len : 1.0f;
        g.uy = g.len > 0.0f ? g.dy / g.len : 0.0f;
        g.invUx = g.ux != 0.0f ? 1.0f / g.ux : 0.0f;
        g.invUy = g.uy != 0.0f ? 1.0f / g.uy : 0.0f;
        g.yMin = floorInt(std::min(s.ay, s.by) - g.outer);
        g.yMax = ceilInt(std::max(s.ay, s.by) + g.outer);
        bottom = std::min(bottom, std::min(s.ay, s.by) - g.outer);
        top = std::max(top, std::max(s.ay, s.by) + g.outer);
        left = std::min(left, std::min(s.ax, s.bx) - g.outer);
        right = std::max(right, std::max(s.ax, s.bx) + g.outer);
        m_pieces.push_back(g);
    }
    const QRect reach = QRect(QPoint(int(std::floor(left)), int(std::floor(bottom))),
        QPoint(int(std::ceil(right)), int(std::ceil(top))))
                            .intersected(region);
    m_lastReach = reach;
    if (reach.isEmpty())
        return;
    m_surface.prepareWrite(reach);
    m_cores.resize(m_pieces.size());

    const bool ink = brush.ink && !erasing;
    const QRgb inkColour = brush.inkColour | 0xFF000000u;
    const bool plainFill = !erasing && !ink; // fully covered pixels simply take the brush colour

    m_eraseRow.resize(erasing ? size_t(reach.width()) : 0);
    int eraseRowStart = 0;
    const auto composite = [&](QRgb *row, int x, int grey) {
        const QRgb source = erasing ? m_eraseRow[size_t(x - eraseRowStart)] : m_fill;
        const QRgb dab = grey >= 255
            ? source
            : filters::multiplyPixel(source, filters::maskToAlphaPixel(uint8_t(grey)));
        const QRgb background = row[x];
        QRgb out = filters::sourceOverPixel(dab, background);
        if (ink)
            out = filters::inkPixel(out, background, inkColour);
        row[x] = out;
    };

    for (int y = reach.top(); y <= reach.bottom(); ++y) {
        const float cy = float(y) + 0.5f;
        float hullLo = std::numeric_limits<float>::max();
        float hullHi = std::numeric_limits<float>::lowest();
        size_t coreCount = 0;
        for (PieceGeometry &g : m_pieces) {
            g.active = y >= g.yMin && y <= g.yMax;
            if (!g.active)
                continue;
            rowSpans(g, cy);
            if (g.lo > g.hi) {
                g.active = false;
                continue;
            }
            hullLo = std::min(hullLo, g.lo);
            hullHi = std::max(hullHi, g.hi);
            if (g.coreLo <= g.coreHi) {
                const int c0 = ceilInt(g.coreLo - 0.5f);
                const int c1 = floorInt(g.coreHi - 0.5f);
                if (c0 <= c1) {
                    // Written field by field: a pair built on the stack and copied whole stalls
                    // the store buffer.
                    m_cores[coreCount].first = c0;
                    m_cores[coreCount].second = c1;
                    ++coreCount;
                }
            }
        }
        if (hullLo > hullHi)
            continue; // no piece reaches this row
        const int x0 = std::max(reach.left(), ceilInt(hullLo - 0.5f));
        const int x1 = std::min(reach.right(), floorInt(hullHi - 0.5f));
        if (x0 > x1)
            continue;
        // Merge the fully covered spans into ordered, disjoint runs.
        // Consecutive pieces mostly come in order already: insertion sort.
        auto *cores = m_cores.data();
        for (size_t i = 1; i < coreCount; ++i) {
            const auto c = cores[i];
            size_t j = i;
            for (; j > 0 && c < cores[j - 1]; --j)
                cores[j] = cores[j - 1];
            cores[j] = c;
        }
        size_t runs = 0;
        for (size_t i = 0; i < coreCount; ++i) {
            const auto c = cores[i];
            if (runs > 0 && c.first <= cores[runs - 1].second + 1)
                cores[runs - 1].second = std::max(cores[runs - 1].second, c.second);
            else
                cores[runs++] = c;
        }

        QRgb *row = m_surface.row(y);
        if (erasing) {
            eraseRowStart = x0;
            eraseImage.readRow(y, x0, x1 - x0 + 1, m_eraseRow.data());
        }
        const auto edgePixels = [&](int from, int to) {
            for (int x = from; x <= to; ++x) {
                // The opaque brush colour over itself gives itself whatever the coverage: most of
                // a segment's fringe lies on the previous segment.
                if (plainFill && row[x] == m_fill)
                    continue;
                const float cx = float(x) + 0.5f;
                float m = 0.0f;
                for (const PieceGeometry &g : m_pieces) {
                    if (!g.active || cx < g.lo || cx > g.hi)
                        continue;
                    const float rx = cx - g.s.ax, ry = cy - g.s.ay;
                    const float tp = std::clamp((rx * g.dx + ry * g.dy) * g.invLen2, 0.0f, 1.0f);
                    const float ex = rx - tp * g.dx, ey = ry - tp * g.dy;
                    const float d2 = ex * ex + ey * ey;
                    if (d2 >= g.outer * g.outer)
                        continue;
                    m += g.s.grey * lineCoverage(std::sqrt(d2), g.s.halfWidth) * (1.0f - m);
                    if (m >= 1.0f)
                        break;
                }
                const int grey = int(m * 255.0f + 0.5f);
                if (grey > 0)
                    composite(row, x, grey);
            }
        };
        int x = x0;
        for (size_t run = 0; run < runs; ++run) {
            const auto &core = cores[run];
            const int c0 = std::max(core.first, x0), c1 = std::min(core.second, x1);
            if (c0 > c1)
                continue;
            edgePixels(x, c0 - 1);
            if (plainFill) {
                std::fill(row + c0, row + c1 + 1, m_fill);
            } else {
                for (int cx = c0; cx <= c1; ++cx)
                    composite(row, cx, 255);
            }
            x = c1 + 1;
        }
        edgePixels(x, x1);
    }
}

// The span of pixel centres on the row at height cy within the piece's outer radius, and within
// its inner radius. Along the piece, t(x) = (x - ax) ux + (cy - ay) uy lies in [0, len]; across
// it, s(x) = -(x - ax) uy + (cy - ay) ux lies in [-r, r]. Both are linear in x; the end caps add
// the discs around a and b.
void StrokeEngine::rowSpans(PieceGeometry &g, float cy)
{
    const float ry = cy - g.s.ay;
    constexpr float kNone = std::numeric_limits<float>::max();
    float lo = kNone, hi = -kNone, coreLo = kNone, coreHi = -kNone;
    const auto disc = [&](float px, float py) {
        const float dy = cy - py;
        const float dy2 = dy * dy;
        const float qo = g.outer * g.outer - dy2;
        if (qo >= 0.0f) {
            const float w = std::sqrt(qo);
            lo = std::min(lo, px - w);
            hi = std::max(hi, px + w);
            const float qi = g.inner * g.inner - dy2;
            if (g.inner > 0.0f && qi >= 0.0f) {
                const float wi = std::sqrt(qi);
                coreLo = std::min(coreLo, px - wi);
                coreHi = std::max(coreHi, px + wi);
            }
        }
    };
    disc(g.s.ax, g.s.ay);
    disc(g.s.bx, g.s.by);
    if (g.len > 0.0f) {
        // Along: x in ax + ([0, len] - ry uy) / ux, or everything when the piece is vertical.
        float aLo = -kNone, aHi = kNone;
        if (g.ux != 0.0f) {
            const float x0 = g.s.ax + (0.0f - ry * g.uy) * g.invUx;
            const float x1 = g.s.ax + (g.len - ry * g.uy) * g.invUx;
            aLo = std::min(x0, x1);
            aHi = std::max(x0, x1);
        } else if (ry * g.uy < 0.0f || ry * g.uy > g.len) {
            aLo = kNone;
        }
        // Across: x in ax + (ry ux - [-r, r]) / uy, or everything when the piece is horizontal.
        const auto across = [&](float r, float &outLo, float &outHi) {
            float cLo = -kNone, cHi = kNone;
            if (g.uy != 0.0f) {
                const float x0 = g.s.ax + (ry * g.ux - r) * g.invUy;
                const float x1 = g.s.ax + (ry * g.ux + r) * g.invUy;
                cLo = std::min(x0, x1);
                cHi = std::max(x0, x1);
            } else if (std::fabs(ry * g.ux) > r) {
                cLo = kNone;
            }
            const float l = std::max(aLo, cLo), h = std::min(aHi, cHi);
            if (l <= h) {
                outLo = std::min(outLo, l);
                outHi = std::max(outHi, h);
            }
        };
        across(g.outer, lo, hi);
        if (g.inner > 0.0f)
            across(g.inner, coreLo, coreHi);
    }
    g.lo = lo;
    g.hi = hi;
    g.coreLo = coreLo;
    g.coreHi = coreHi;
}

} // namespace pennova
