#pragma once

// Whole-pixel placement of images: translation by an integer offset and cropping, both in image
// (storage) coordinates, top row first. The result keeps the image's format, except that images
// of fewer than 8 bits per pixel or with a colour table become premultiplied ARGB. Where the
// image does not reach, the result is zero: transparent, zero coverage for a mask, black for a
// format without alpha.

#include <QImage>
#include <QPoint>
#include <QRect>

namespace pennova::filters {

// The pixels of image placed with their top-left corner at offset, read back within rect:
// result(x, y) = image(rect.x + x - offset.x, rect.y + y - offset.y). A null image for an empty
// rect, a null image or a result that cannot be allocated.
QImage translateAndCrop(const QImage &image, QPoint offset, const QRect &rect);

// The pixels of image within rect, transparent outside the image.
QImage crop(const QImage &image, const QRect &rect);

} // namespace pennova::filters
