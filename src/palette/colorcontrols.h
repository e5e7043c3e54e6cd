#pragma once

// Saturation, brightness and contrast of an image, one pixel at a time; it makes the pressed look
// of a tool's icon. Each colour component x of a pixel, unpremultiplied, in 0..1:
//   luma  = 0.2125 r + 0.7154 g + 0.0721 b          (Rec. 709 weights)
//   x'    = luma + saturation · (x − luma)         (0 grey, 1 unchanged, above 1 more vivid)
//   x''   = x' + brightness
//   x'''  = (x'' − 0.5) · contrast + 0.5             (below 1 flatter towards mid-grey)
// clamped to 0..1 at the end. Alpha is kept.

#include <QImage>
#include <QRgb>

namespace pennova {

struct ColorControls
{
    float saturation = 1.0f;
    float brightness = 0.0f;
    float contrast = 1.0f;
};

// One straight (not premultiplied) ARGB colour.
QRgb colorControlsPixel(QRgb straight, const ColorControls &controls);

// The whole image, as a premultiplied ARGB image of the same size and device pixel ratio.
QImage colorControlsImage(const QImage &image, const ColorControls &controls);

} // namespace pennova
