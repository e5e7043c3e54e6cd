#pragma once

// The diagonal double-headed arrows shown over the selection's corners. They are drawn at run time
// so that they turn with the view. The arrow is built in y-up units (angles counter-clockwise as
// seen on screen); images and painters are Qt's, y down, and the drawing is flipped to match.

#include <QCursor>
#include <QImage>
#include <QPainterPath>

class QPainter;

namespace pennova {

class ResizeArrow
{
public:
    // The base arrow, y up, built once: two heads at x = 0 and x = 15 on the x axis, two shafts
    // and the small marks at their inner ends. Bounding box (0, −2) to (15, 2).
    static const QPainterPath &arrowPath();

    // The base arrow turned by angleDegrees about the centre of its bounding box, moved so that
    // its box starts at (3, 3), then scaled by s = size / 14: its box starts at (3s, 3s). Y up.
    static QPainterPath transformedPath(float size, float angleDegrees);
    // The exact image size: the transformed box grown by 3s on every side.
    static QSizeF imageSizeF(float size, float angleDegrees);

    // The arrow image: transparent, a black arrow (line width s) with a white outline (3s), round
    // caps, antialiased, its centre at the image's centre. The pixel size is imageSizeF() rounded
    // up.
    static QImage imageWithSize(float size, float angleDegrees);
    // Half the width and half the height of an image: where the arrow's centre lies.
    static QPoint hotSpot(const QImage &image);
    // A cursor from imageWithSize() with its hot spot at the centre.
    static QCursor cursorWithSize(float size, float angleDegrees);

    // Strokes the arrow into a y-down painter with the centre of its bounding box at `centre`.
    static void paintArrow(QPainter &painter, float size, float angleDegrees, QPointF centre);

    // The two bundled cursors used until the first drawn ones replace them: up-slope (lower-left
    // to upper-right, hot spot (7, 8)) and down-slope (upper-left to lower-right, hot spot (7, 7)).
    static QCursor upslopeCursor();
    static QCursor downslopeCursor();
};

} // namespace pennova
