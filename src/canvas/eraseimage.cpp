#include "canvas/eraseimage.h"

namespace pennova {

EraseImage EraseImage::sealed(const QImage &canvasPicture)
{
    EraseImage e;
    e.m_picture = canvasPicture.convertToFormat(CanvasSurface::kFormat);
    return e;
}

void EraseImage::drawInto(CanvasSurface &surface, const QRect &canvasRect) const
{
    const QRect r = canvasRect.intersected(surface.bounds());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb *out = surface.row(y);
        for (int x = r.left(); x <= r.right(); ++x)
            out[x] = pixel(x, y);
    }
}

} // namespace pennova
