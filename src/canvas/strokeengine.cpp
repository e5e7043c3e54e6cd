#include "canvas/strokeengine.h"

#include "canvas/filters/pixelops.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pennova {

namespace {

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
// are linear in the row but for the end caps. Pixels inside the pieces' inner spans get full
// coverage without further work; the few at the ends of a row combine the pieces as
// m = 1 - (1 - m)(1 - grey * coverage): painting opaque white with antialiasing, or screen
// blending for weak erasing. Each covered pixel is then coloured with the brush colour or the
// erase image, composited source-over (through the ink glaze for pen segments in ink mode) and
// written. Uncovered pixels keep their values.
//
// The spans are computed for four rows at once and the coverage for four pixels at once (one on
// each row), lane by lane with the operations one row or pixel at a time would use. The fully
// covered run of a row is the union of the inner spans that overlap the widest chain of them; an
// inner span left out is still painted fully, through the coverage, which gives 1 there.
void StrokeEngine::paintPieces(const QRect &region, float clipRadius, const BrushParams &brush,
    const EraseImage &eraseImage, bool erasing)
{
    using namespace simd;
    constexpr float kFar = std::numeric_limits<float>::max();

    // Per-piece constants.
    const size_t pieceCount = m_subSegments.size();
    m_pieces.resize(pieceCount);
    float top = std::numeric_limits<float>::lowest(), bottom = kFar;
    float left = kFar, right = std::numeric_limits<float>::lowest();
    for (size_t i = 0; i < pieceCount; ++i) {
        const SubSegment &s = m_subSegments[i];
        PieceGeometry &g = m_pieces[i];
        g.ax = s.ax;
        g.ay = s.ay;
        g.bx = s.bx;
        g.by = s.by;
        g.halfWidth = s.halfWidth;
        g.grey = s.grey;
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
    }
    const QRect reach = QRect(QPoint(int(std::floor(left)), int(std::floor(bottom))),
        QPoint(int(std::ceil(right)), int(std::ceil(top))))
                            .intersected(region);
    m_lastReach = reach;
    if (reach.isEmpty())
        return;
    // The tiles are handed to the snapshots block by block, as the rows' spans reach them: the
    // corners of the reach, which a round brush leaves untouched, cost no copy.
    constexpr int kTile = CanvasSnapshot::kTileSize;
    const int firstTileX = reach.left() / kTile, firstTileY = reach.top() / kTile;
    const int tileColumns = reach.right() / kTile - firstTileX + 1;
    m_preparedTiles.assign(
        size_t(tileColumns) * size_t(reach.bottom() / kTile - firstTileY + 1), 0);

    const bool ink = brush.ink && !erasing;
    const QRgb inkColour = brush.inkColour | 0xFF000000u;
    const bool plainFill = !erasing && !ink; // fully covered pixels simply take the brush colour

    // Four rows at a time: row k of a block in lane k.
    const size_t width = size_t(reach.width());
    m_eraseRow.resize(erasing ? 4 * width : 0);
    m_candidates.resize(4 * width);
    m_blockSpans.resize(2 * pieceCount);
    const auto composite = [&](QRgb *row, int k, int x, int grey) {
        const QRgb source
            = erasing ? m_eraseRow[size_t(k) * width + size_t(x - reach.left())] : m_fill;
        // The source times the white mask of alpha grey ("multiply").
        const QRgb dab = grey >= 255 ? source : filters::scalePixel(source, uint32_t(grey));
        const QRgb background = row[x];
        QRgb out = filters::sourceOverPixel(dab, background);
        if (ink)
            out = filters::inkPixel(out, background, inkColour);
        row[x] = out;
    };

    const Float4 far(kFar), farBelow(-kFar), half(0.5f);
    const qsizetype rowStep = m_surface.rowStep();
    QRgb *const row0 = m_surface.row(0); // canvas row y at row0 + y * rowStep
    for (int y0 = reach.top(); y0 <= reach.bottom(); y0 += 4) {
        const int rows = std::min(4, reach.bottom() + 1 - y0);
        const Float4 cy(
            float(y0) + 0.5f, float(y0 + 1) + 0.5f, float(y0 + 2) + 0.5f, float(y0 + 3) + 0.5f);
        // The spans of every piece on these rows; their hull, and the fully covered run.
        Float4 hullLo = far, hullHi = farBelow;
        Float4 runLo = far, runHi = farBelow;
        for (size_t i = 0; i < pieceCount; ++i) {
            const PieceGeometry &g = m_pieces[i];
            if (g.yMax < y0 || g.yMin > y0 + 3)
                continue;
            Float4 lo, hi, coreLo, coreHi;
            pieceSpans(g, cy, lo, hi, coreLo, coreHi);
            if (g.yMin > y0 || g.yMax < y0 + 3) {
                const Float4 yv(float(y0), float(y0 + 1), float(y0 + 2), float(y0 + 3));
                const Mask4 active = (yv >= Float4(float(g.yMin))) & (yv <= Float4(float(g.yMax)));
                lo = select(active, lo, far);
                hi = select(active, hi, farBelow);
                coreLo = select(active, coreLo, far);
                coreHi = select(active, coreHi, farBelow);
            }
            m_blockSpans[2 * i] = lo;
            m_blockSpans[2 * i + 1] = hi;
            hullLo = min(hullLo, lo);
            hullHi = max(hullHi, hi);
            // Join the run where the spans overlap; otherwise keep the wider of the two.
            const Mask4 some = coreLo <= coreHi;
            const Mask4 joins = some & (coreLo <= runHi) & (coreHi >= runLo);
            const Mask4 replaces
                = some & ((runLo > runHi) | (coreHi - coreLo > runHi - runLo)) & ~joins;
            runLo = select(joins, min(runLo, coreLo), select(replaces, coreLo, runLo));
            runHi = select(joins, max(runHi, coreHi), select(replaces, coreHi, runHi));
        }
        float hullLoLanes[4], hullHiLanes[4];
        hullLo.store(hullLoLanes);
        hullHi.store(hullHiLanes);
        // The columns each row writes, x0 .. x1 (none when x0 > x1), and those of the block.
        int rowX0[4], rowX1[4];
        int blockLeft = std::numeric_limits<int>::max(), blockRight = -1;
        for (int k = 0; k < rows; ++k) {
            rowX0[k] = 1;
            rowX1[k] = 0;
            if (hullLoLanes[k] > hullHiLanes[k])
                continue; // no piece reaches this row
            rowX0[k] = std::max(reach.left(), ceilInt(hullLoLanes[k] - 0.5f));
            rowX1[k] = std::min(reach.right(), floorInt(hullHiLanes[k] - 0.5f));
            if (rowX0[k] > rowX1[k])
                continue;
            blockLeft = std::min(blockLeft, rowX0[k]);
            blockRight = std::max(blockRight, rowX1[k]);
        }
        if (blockLeft <= blockRight) {
            bool unprepared = false;
            for (int ty = y0 / kTile; ty <= (y0 + rows - 1) / kTile; ++ty) {
                uint8_t *mark
                    = m_preparedTiles.data() + size_t(ty - firstTileY) * size_t(tileColumns);
                for (int tx = blockLeft / kTile; tx <= blockRight / kTile; ++tx) {
                    unprepared |= !mark[tx - firstTileX];
                    mark[tx - firstTileX] = 1;
                }
            }
            if (unprepared)
                m_surface.prepareWrite(QRect(blockLeft, y0, blockRight - blockLeft + 1, rows));
        }
        int32_t run0[4], run1[4];
        const Mask4 hasRun = runLo <= runHi;
        ceilToInt(select(hasRun, runLo - half, Float4(1.0f)), run0);
        floorToInt(select(hasRun, runHi - half, Float4(0.0f)), run1);

        // Each row: the fully covered run painted, the pixels at its ends listed.
        QRgb *rowOf[4];
        int candidateCount[4] = { 0, 0, 0, 0 };
        int batches = 0;
        for (int k = 0; k < rows; ++k) {
            rowOf[k] = row0 + qsizetype(y0 + k) * rowStep;
            const int x0 = rowX0[k], x1 = rowX1[k];
            if (x0 > x1)
                continue; // nothing of this row to write
            QRgb *row = rowOf[k];
            if (erasing)
                eraseImage.readRow(y0 + k, x0, x1 - x0 + 1,
                    m_eraseRow.data() + size_t(k) * width + size_t(x0 - reach.left()));
            int *list = m_candidates.data() + size_t(k) * width;
            int &count = candidateCount[k];
            const auto edgePixels = [&](int from, int to) {
                // The opaque brush colour over itself gives itself whatever the coverage: most
                // of a segment's fringe lies on the previous segment. (Listed without a branch:
                // which pixels those are is hard to predict.)
                for (int x = from; x <= to; ++x) {
                    list[count] = x;
                    count += !plainFill || row[x] != m_fill;
                }
            };
            const int c0 = std::max(run0[k], x0), c1 = std::min(run1[k], x1);
            if (c0 > c1) {
                edgePixels(x0, x1);
            } else {
                edgePixels(x0, c0 - 1);
                edgePixels(c1 + 1, x1);
                if (plainFill) {
                    filters::fillPixels(row + c0, c1 - c0 + 1, m_fill);
                } else {
                    for (int x = c0; x <= c1; ++x)
                        composite(row, k, x, 255);
                }
            }
            batches = std::max(batches, count);
        }
        // The listed pixels, one of each row at a time.
        for (int j = 0; j < batches; ++j) {
            float cx[4];
            for (int k = 0; k < 4; ++k)
                cx[k] = k < rows && j < candidateCount[k]
                    ? float(m_candidates[size_t(k) * width + size_t(j)]) + 0.5f
                    : -kFar;
            float m[4];
            pixelCoverage(Float4::load(cx), y0, cy).store(m);
            for (int k = 0; k < rows; ++k) {
                if (j >= candidateCount[k])
                    continue;
                const int grey = int(m[k] * 255.0f + 0.5f);
                if (grey > 0)
                    composite(rowOf[k], k, m_candidates[size_t(k) * width + size_t(j)], grey);
            }
        }
    }
}

// Along a piece, t(x) = (x - ax) ux + (cy - ay) uy lies in [0, len]; across it,
// s(x) = -(x - ax) uy + (cy - ay) ux lies in [-r, r]. Both are linear in x; the end caps add the
// discs around a and b.
void StrokeEngine::pieceSpans(const PieceGeometry &g, simd::Float4 cy, simd::Float4 &lo,
    simd::Float4 &hi, simd::Float4 &coreLo, simd::Float4 &coreHi)
{
    using namespace simd;
    constexpr float kNone = std::numeric_limits<float>::max();
    const Float4 none(kNone), noneBelow(-kNone), zero(0.0f);
    lo = coreLo = none;
    hi = coreHi = noneBelow;
    const Float4 ry = cy - Float4(g.ay);
    const Float4 outer2(g.outer * g.outer), inner2(g.inner * g.inner);
    const bool hasCore = g.inner > 0.0f;
    const auto disc = [&](float px, Float4 dy) {
        const Float4 dy2 = dy * dy;
        const Float4 qo = outer2 - dy2;
        const Mask4 reached = qo >= zero;
        if (!reached.any())
            return;
        const Float4 w = sqrt(max(qo, zero));
        lo = select(reached, min(lo, Float4(px) - w), lo);
        hi = select(reached, max(hi, Float4(px) + w), hi);
        if (!hasCore)
            return;
        const Float4 qi = inner2 - dy2;
        const Mask4 covered = reached & (qi >= zero);
        const Float4 wi = sqrt(max(qi, zero));
        coreLo = select(covered, min(coreLo, Float4(px) - wi), coreLo);
        coreHi = select(covered, max(coreHi, Float4(px) + wi), coreHi);
    };
    disc(g.ax, ry);
    disc(g.bx, cy - Float4(g.by));
    if (!(g.len > 0.0f))
        return;
    const Float4 ax(g.ax);
    // Along: x in ax + ([0, len] - ry uy) / ux, or everything when the piece is vertical.
    const Float4 t = ry * Float4(g.uy);
    Float4 aLo, aHi = none;
    if (g.ux != 0.0f) {
        const Float4 x0 = ax + (zero - t) * Float4(g.invUx);
        const Float4 x1 = ax + (Float4(g.len) - t) * Float4(g.invUx);
        aLo = min(x0, x1);
        aHi = max(x0, x1);
    } else {
        aLo = select((t < zero) | (t > Float4(g.len)), none, noneBelow);
    }
    // Across: x in ax + (ry ux - [-r, r]) / uy, or everything when the piece is horizontal.
    const Float4 s = ry * Float4(g.ux);
    const auto across = [&](float r, Float4 &outLo, Float4 &outHi) {
        const Float4 radius(r);
        Float4 cLo, cHi = none;
        if (g.uy != 0.0f) {
            const Float4 c0 = ax + (s - radius) * Float4(g.invUy);
            const Float4 c1 = ax + (s + radius) * Float4(g.invUy);
            cLo = min(c0, c1);
            cHi = max(c0, c1);
        } else {
            cLo = select((s > radius) | (s < Float4(-r)), none, noneBelow);
        }
        const Float4 l = max(aLo, cLo), h = min(aHi, cHi);
        const Mask4 ok = l <= h;
        outLo = select(ok, min(outLo, l), outLo);
        outHi = select(ok, max(outHi, h), outHi);
    };
    across(g.outer, lo, hi);
    if (hasCore)
        across(g.inner, coreLo, coreHi);
}

// How much of a pixel (its centre at distance d from a piece's spine) a piece of half-width hw
// covers: the overlap of the pixel's extent across the piece, [d - 0.5, d + 0.5], with the
// piece's extent, [-hw, hw]. Exact for straight edges; gives a thin piece's width as coverage.
simd::Float4 StrokeEngine::pixelCoverage(simd::Float4 cx, int y0, simd::Float4 cy) const
{
    using namespace simd;
    const Float4 zero(0.0f), one(1.0f), half(0.5f);
    Float4 m = zero;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const PieceGeometry &g = m_pieces[i];
        if (g.yMax < y0 || g.yMin > y0 + 3)
            continue;
        Mask4 in = (cx >= m_blockSpans[2 * i]) & (cx <= m_blockSpans[2 * i + 1]);
        if (!in.any())
            continue;
        const Float4 rx = cx - Float4(g.ax), ry = cy - Float4(g.ay);
        const Float4 tp
            = min(max((rx * Float4(g.dx) + ry * Float4(g.dy)) * Float4(g.invLen2), zero), one);
        const Float4 ex = rx - tp * Float4(g.dx), ey = ry - tp * Float4(g.dy);
        const Float4 d2 = ex * ex + ey * ey;
        in = in & (d2 < Float4(g.outer * g.outer));
        if (!in.any())
            continue;
        const Float4 d = sqrt(d2);
        const Float4 c = min(d + half, Float4(g.halfWidth)) - max(d - half, Float4(-g.halfWidth));
        const Float4 added = select(in, Float4(g.grey) * select(c > zero, min(c, one), zero), zero);
        // A lane that adds nothing keeps its value.
        m = m + added * (one - m);
    }
    return m;
}

} // namespace pennova
