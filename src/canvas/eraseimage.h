#pragma once

// What erasing paints, per canvas view: unbounded opaque white while the canvas is unsealed, or
// the picture as it was when the canvas was sealed. Erasing and Delete put these pixels back.
// The sealed picture is a snapshot of the canvas: sealing copies nothing, and each tile is
// copied once, when the canvas first changes it.

#include "canvas/canvassnapshot.h"
#include "canvas/canvassurface.h"

#include <QImage>

namespace pennova {

class EraseImage
{
public:
    // Unbounded opaque white.
    EraseImage() = default;
    // The sealed picture: a snapshot of the canvas.
    static EraseImage sealed(const CanvasSnapshot &canvasPicture);
    // The same from a plain picture (top row first, as the surface stores it).
    static EraseImage sealed(const QImage &canvasPicture);

    bool isWhite() const { return m_picture.isNull(); }

    // The premultiplied pixel at canvas (x, y); transparent outside a sealed picture.
    QRgb pixel(int x, int y) const
    {
        return m_picture.isNull() ? 0xFFFFFFFFu : m_picture.pixel(x, y);
    }
    // Pixels x0 .. x0 + count - 1 of canvas row y.
    void readRow(int y, int x0, int count, QRgb *out) const;

    // Copies this image's pixels under a canvas rectangle into the surface.
    void drawInto(CanvasSurface &surface, const QRect &canvasRect) const;

private:
    CanvasSnapshot m_picture;
};

} // namespace pennova
