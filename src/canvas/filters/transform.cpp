#include "canvas/filters/transform.h"

#include <cstring>

namespace pennova::filters {

QImage translateAndCrop(const QImage &image, QPoint offset, const QRect &rect)
{
    if (image.isNull() || rect.isEmpty())
        return QImage();
    // Copying bytes row by row needs whole bytes per pixel and values that mean the same in the
    // result without a colour table.
    const QImage source = image.depth() < 8 || image.colorCount() > 0
        ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        : image;
    QImage out(rect.size(), source.format());
    if (out.isNull())
        return QImage();
    out.fill(0);

    // The part of rect that the placed image covers, in the result's coordinates.
    const QRect placed(offset, source.size());
    const QRect covered = placed.intersected(rect);
    if (covered.isEmpty())
        return out;
    const int bytesPerPixel = source.depth() / 8;
    const int srcX = covered.x() - offset.x();
    const int dstX = covered.x() - rect.x();
    const size_t rowBytes = size_t(covered.width()) * size_t(bytesPerPixel);
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const uchar *from = source.constScanLine(y - offset.y()) + srcX * bytesPerPixel;
        uchar *to = out.scanLine(y - rect.y()) + dstX * bytesPerPixel;
        std::memcpy(to, from, rowBytes);
    }
    return out;
}

QImage crop(const QImage &image, const QRect &rect)
{
    return translateAndCrop(image, QPoint(0, 0), rect);
}

} // namespace pennova::filters
