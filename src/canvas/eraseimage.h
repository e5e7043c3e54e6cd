#pragma once

// What erasing paints, per canvas view: unbounded opaque white while the canvas is unsealed, or
// the picture as it was when the canvas was sealed. Erasing and Delete put these pixels back.

#include "canvas/canvassurface.h"

#include <QImage>

namespace pennova {

class EraseImage
{
public:
    // Unbounded opaque white.
    EraseImage() = default;
    // The sealed picture, a copy of the canvas (top row first, as the surface stores it).
    static EraseImage sealed(const QImage &canvasPicture);

    bool isWhite() const { return m_picture.isNull(); }

    // The premultiplied pixel at canvas (x, y); transparent outside a sealed picture.
    QRgb pixel(int x, int y) const
    {
        if (m_picture.isNull())
            return 0xFFFFFFFFu;
        if (x < 0 || y < 0 || x >= m_picture.width() || y >= m_picture.height())
            return 0;
        return reinterpret_cast<const QRgb *>(
            m_picture.constScanLine(m_picture.height() - 1 - y))[x];
    }

    // Copies this image's pixels under a canvas rectangle into the surface.
    void drawInto(CanvasSurface &surface, const QRect &canvasRect) const;

private:
    QImage m_picture;
};

} // namespace pennova
