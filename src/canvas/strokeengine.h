#pragma once

// Paints pressure-sensitive strokes into a canvas surface, one curved segment per accepted pen
// sample. Headless: it takes samples in canvas coordinates (pixels, origin lower-left, y up) and
// reports the canvas rectangle each segment changed. Only one stroke runs at a time.
//
// A segment from the last accepted sample L to the new sample p is the quadratic curve with
// control point K, which leaves L along the chord from the sample before L towards p. Its width
// follows pressure and speed, moving a third of the way to its target at each segment. The
// segment's coverage is drawn as overlapping round-capped sub-segments, coloured with the brush
// colour (or the erase image), composited over the canvas and written back inside a band of
// width D + 1 around the curve. Every step reads and writes only the segment's own rectangle.

#include "canvas/canvassurface.h"
#include "canvas/eraseimage.h"
#include "canvas/float4.h"
#include "canvas/geometry.h"

#include <optional>
#include <vector>

namespace pennova {

// One pointer sample handed to the engine.
struct PenSample
{
    Point canvasPoint; // unrounded canvas position
    float pressure = 1.0f; // 0..1; a plain mouse reports 1
    bool erasing = false; // the eraser end is in use or the erase modifier is held
};

// The brush settings read at every segment.
struct BrushParams
{
    float sizeMax = 10.0f; // pen diameter at full pressure and slow movement, canvas pixels
    float sizeMin = 1.0f; // pen diameter at zero pressure or fast movement
    float eraserStrength = 50.0f; // percent
    bool ink = false; // pen segments go through the ink glaze
    QRgb inkColour = 0xFF000000u; // opaque colour for the ink glaze, read every segment
    float eraserDiameter = 15.0f; // the view's current brush size, used by erasing segments
};

class StrokeEngine
{
public:
    explicit StrokeEngine(CanvasSurface &surface);

    // Where the next segment starts: the press point, or (for gestures) the last pointer point.
    Point lastPoint() const { return m_lastpoint1; }
    void setLastPoints(Point p);
    void setLastPoint(Point p) { m_lastpoint1 = p; }

    // Starts a painting stroke: takes a snapshot of the canvas as the "before" picture, clears
    // the dirty rectangle, and resets the width smoothing. The caller then paints the press as a
    // segment.
    void beginStroke(QRgb brushColour);
    // Lets go of the "before" picture once the stroke has been recorded, so that later writes
    // no longer copy tiles for it.
    void endStroke() { m_before = CanvasSnapshot(); }

    // Paints one segment to the sample. Returns the canvas rectangle R it wrote (possibly
    // sticking out of the canvas), or an empty rectangle when the sample was dropped because it
    // lies less than 2 pixels from the last accepted one. `selectionClip`, when given, is the
    // selection rectangle: nothing is painted on or outside its outermost pixel ring.
    Rect paintSegment(const PenSample &sample, const BrushParams &brush,
        const std::optional<Rect> &selectionClip, const EraseImage &eraseImage);

    // The pixels the last painted segment could change: the part of its rectangle that its
    // pieces reach, often a quarter of it. Empty when it changed nothing. Redisplay needs no more.
    QRect lastReach() const { return m_lastReach; }

    // Union of the rectangles changed since beginStroke, in whole pixels, clipped to the canvas.
    Rect dirtyRect() const { return m_dirtyrect; }
    void addDirtyRect(const Rect &r);
    void clearDirtyRect() { m_dirtyrect = Rect {}; }

    // The pixels under a canvas rectangle as they were at beginStroke.
    QImage beforeImage(const QRect &canvasRect) const { return m_before.copyRegion(canvasRect); }
    // The canvas as it was at beginStroke (until endStroke).
    const CanvasSnapshot &before() const { return m_before; }
    // The canvas rectangles of the tiles written since beginStroke.
    QVector<QRect> changedTiles() const { return m_before.changedTiles(); }

    // Radius at the end of the last segment; -1 before the first segment of a stroke.
    float lastWidth() const { return m_lastw; }

private:
    struct SubSegment
    {
        float ax, ay, bx, by; // canvas coordinates
        float halfWidth; // lw / 2
        float grey; // how strongly it adds to the mask, 0..1
    };

    // A piece with what its row spans and coverages need, constant over the segment.
    struct PieceGeometry
    {
        float ax, ay, bx, by; // canvas coordinates of the ends
        float dx, dy, invLen2; // b - a and 1 / |b - a|^2 (0 for a dot)
        float len, ux, uy, invUx, invUy; // length, unit direction and its inverses (0: infinite)
        float outer, inner; // radii: reached, and fully covered (-1: none)
        float halfWidth, grey;
        int yMin, yMax; // rows the piece can reach
    };

    void paintPieces(const QRect &region, float clipRadius, const BrushParams &brush,
        const EraseImage &eraseImage, bool erasing);
    // The spans of pixel centres a piece reaches (lo..hi) and fully covers (coreLo..coreHi) on
    // four rows at once, one row in each lane (row centres cy). Empty spans have lo > hi.
    static void pieceSpans(const PieceGeometry &g, simd::Float4 cy, simd::Float4 &lo,
        simd::Float4 &hi, simd::Float4 &coreLo, simd::Float4 &coreHi);
    // The coverage 0..1 of four pixels of the rows y0 .. y0 + 3, one in each lane (centres cx,
    // cy), given those rows' spans of every piece in m_blockSpans: the pieces combine as
    // m = 1 - (1 - m)(1 - grey * coverage), in piece order.
    simd::Float4 pixelCoverage(simd::Float4 cx, int y0, simd::Float4 cy) const;

    CanvasSurface &m_surface;
    CanvasSnapshot m_before;

    Point m_lastpoint1;
    Point m_lastpoint2;
    float m_lastw = -1.0f;
    bool m_midpath = false;
    QRgb m_fill = 0xFF000000u;
    Rect m_dirtyrect;
    QRect m_lastReach;

    // Scratch buffers, reused from segment to segment.
    std::vector<SubSegment> m_subSegments;
    std::vector<PieceGeometry> m_pieces;
    // The spans each piece reaches on the current four rows (lo and hi, one row in each lane).
    std::vector<simd::Float4> m_blockSpans;
    std::vector<int> m_candidates; // per row of the current four, the pixels whose coverage counts
    std::vector<QRgb> m_eraseRow; // the erase image under the current four rows
    std::vector<uint8_t> m_preparedTiles; // per tile under the segment's reach: handed over
};

} // namespace pennova
