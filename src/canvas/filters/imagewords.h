#pragma once

// Helpers shared by the region filters: reading images as 32-bit words and applying a per-pixel
// operation to two images of the same size, row by row. Not part of the public filter API.

#include <QImage>

namespace pennova::filters::detail {

// The image as premultiplied ARGB words, the canvas format; a shallow copy when it already is.
inline QImage premultiplied(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The image's 32-bit words as they are when it holds ARGB words (premultiplied or not);
// any other format is converted to `otherwise`.
inline QImage rawWords(const QImage &image, QImage::Format otherwise)
{
    if (image.format() == QImage::Format_ARGB32
        || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(otherwise);
}

// out(x, y) = op(first(x, y), second(x, y)) for two images of 32-bit words. A null image when
// the sizes differ, an input is null or the result cannot be allocated.
template <typename Op>
QImage combineWords(const QImage &first, const QImage &second, QImage::Format format, Op op)
{
    if (first.isNull() || second.isNull() || first.size() != second.size())
        return QImage();
    QImage out(first.size(), format);
    if (out.isNull())
        return QImage();
    const int width = first.width();
    for (int y = 0; y < first.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(first.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(second.constScanLine(y));
        auto *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x)
            o[x] = op(a[x], b[x]);
    }
    return out;
}

} // namespace pennova::filters::detail
