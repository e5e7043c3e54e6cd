#include "canvas/eraseimage.h"

#include <algorithm>

namespace pennova {

EraseImage EraseImage::sealed(const CanvasSnapshot &canvasPicture)
{
    EraseImage e;
    e.m_picture = canvasPicture;
    return e;
}

EraseImage EraseImage::sealed(const QImage &canvasPicture)
{
    return sealed(CanvasSnapshot::fromImage(canvasPicture));
}

void EraseImage::readRow(int y, int x0, int count, QRgb *out) const
{
    if (m_picture.isNull())
        std::fill(out, out + std::max(count, 0), 0xFFFFFFFFu);
    else
        m_picture.readRow(y, x0, count, out);
}

void EraseImage::drawInto(CanvasSurface &surface, const QRect &canvasRect) const
{
    const QRect r = canvasRect.intersected(surface.bounds());
    if (r.isEmpty())
        return;
    surface.prepareWrite(r);
    for (int y = r.top(); y <= r.bottom(); ++y)
        readRow(y, r.left(), r.width(), surface.row(y) + r.left());
}

} // namespace pennova
