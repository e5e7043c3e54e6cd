#include "canvas/canvassurface.h"

#include <QtGlobal>
#include <cmath>
#include <unistd.h>

namespace pennova {

qint64 CanvasSurface::physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * qint64(pageSize);
}

bool CanvasSurface::newImageWithSize(Size size)
{
    m_image = QImage();
    m_imgsize = size;
    const double w = std::trunc(double(size.width));
    const double h = std::trunc(double(size.height));
    if (!(w >= 1.0 && h >= 1.0)) {
        // A zero (or negative, or not-a-number) side cannot make a bitmap.
        qWarning("Could not create new image.");
        return false;
    }
    const double bytes = w * h * 4.0;
    const qint64 memory = physicalMemoryBytes();
    if (w > kMaxSide || h > kMaxSide || (memory > 0 && bytes > double(memory))) {
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    QImage image(int(w), int(h), kFormat);
    if (image.isNull()) {
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    image.fill(0xFFFFFFFFu);
    m_image = std::move(image);
    return true;
}

bool CanvasSurface::adoptImage(const QImage &image)
{
    if (image.isNull()) {
        m_image = QImage();
        m_imgsize = Size {};
        qWarning("Could not create new image.");
        return false;
    }
    if (image.width() > kMaxSide || image.height() > kMaxSide) {
        m_image = QImage();
        m_imgsize = Size {};
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    m_image = image.format() == kFormat ? image : image.convertToFormat(kFormat);
    if (m_image.isNull()) {
        m_imgsize = Size {};
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    m_imgsize = Size { float(m_image.width()), float(m_image.height()) };
    return true;
}

QRect CanvasSurface::storageRect(const QRect &canvasRect) const
{
    return QRect(canvasRect.x(), height() - canvasRect.y() - canvasRect.height(),
        canvasRect.width(), canvasRect.height());
}

QImage CanvasSurface::copyRegion(const QRect &canvasRect) const
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return QImage();
    return m_image.copy(storageRect(r));
}

void CanvasSurface::writeRegion(const QRect &canvasRect, const QImage &pixels)
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty() || pixels.isNull())
        return;
    const QImage src = pixels.format() == kFormat ? pixels : pixels.convertToFormat(kFormat);
    // Offset of the clipped rectangle inside the given pixels (top row first).
    const int sx = r.x() - canvasRect.x();
    const int sy = (canvasRect.y() + canvasRect.height()) - (r.y() + r.height());
    const QRect target = storageRect(r);
    for (int j = 0; j < r.height(); ++j) {
        if (sy + j >= src.height())
            break;
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(sy + j)) + sx;
        QRgb *out = reinterpret_cast<QRgb *>(m_image.scanLine(target.y() + j)) + target.x();
        const int n = std::min(r.width(), src.width() - sx);
        std::copy(in, in + n, out);
    }
}

void CanvasSurface::fillRegion(const QRect &canvasRect, QRgb premultiplied)
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return;
    const QRect target = storageRect(r);
    for (int j = 0; j < target.height(); ++j) {
        QRgb *out = reinterpret_cast<QRgb *>(m_image.scanLine(target.y() + j)) + target.x();
        std::fill(out, out + target.width(), premultiplied);
    }
}

QRgb CanvasSurface::pixel(int x, int y) const
{
    if (!bounds().contains(x, y))
        return 0;
    return row(y)[x];
}

QRgb *CanvasSurface::row(int y)
{
    return reinterpret_cast<QRgb *>(m_image.scanLine(height() - 1 - y));
}

const QRgb *CanvasSurface::row(int y) const
{
    return reinterpret_cast<const QRgb *>(m_image.constScanLine(height() - 1 - y));
}

} // namespace pennova
