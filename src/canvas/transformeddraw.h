#pragma once

// Drawing a picture through a turned (or any affine) map, for the view's repaints: each target
// pixel takes the picture at the point its centre maps back to. It is faster than QPainter's
// transformed draw because it walks each target row once with fixed-point steps, writes the
// covered run of the row directly and composites only the picture's translucent pixels.

#include <QImage>
#include <QTransform>

#include <optional>

namespace pennova {

enum class Sampling
{
    Nearest, // the picture pixel under the mapped centre: sharp squares
    Bilinear, // the four picture pixels around it, weighted by distance (clamped at the edges)
};

// 32-bit target rows by address, for drawing into one image from several threads at once.
struct PixelRows
{
    uchar *bits;
    qsizetype bytesPerLine;
    QRect bounds; // (0, 0, width, height)
};

// Draws `picture` over `target` inside `clip` (target pixels), through `pictureToTarget`. Both
// images hold 32-bit premultiplied pixels (ARGB32_Premultiplied, or RGB32 for an opaque target).
// Target pixels whose centre maps outside the picture are set to `outside` when it is given and
// left as they are otherwise; inside, the picture is composited over the target (source over).
void drawTransformed(QImage &target, const QRect &clip, const QImage &picture,
    const QTransform &pictureToTarget, Sampling sampling,
    std::optional<QRgb> outside = std::nullopt);
void drawTransformed(const PixelRows &target, const QRect &clip, const QImage &picture,
    const QTransform &pictureToTarget, Sampling sampling,
    std::optional<QRgb> outside = std::nullopt);

} // namespace pennova
