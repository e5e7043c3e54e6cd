#pragma once

// The compositing steps that colour a stroke's coverage mask: the mask as an alpha mask, the
// brush source multiplied by it, and the result over the canvas. Images are premultiplied ARGB
// (inputs in other formats are converted first); two-input filters need same-size inputs and
// return a null image otherwise.

#include <QImage>

namespace pennova::filters {

// A grey coverage mask as white whose alpha is the grey level, premultiplied (all four channels
// equal the grey). Takes Format_Grayscale8 as it is; any other format is read as opaque grey
// (the grey of its red, green and blue, which for a grey image is the common value).
QImage maskToAlpha(const QImage &mask);

// The channel by channel product of two premultiplied images: an opaque colour times a white
// alpha mask gives the colour with the mask's alpha.
QImage multiplyCompositing(const QImage &inputImage, const QImage &inputBackgroundImage);

// Porter-Duff source-over: inputImage over inputBackgroundImage.
QImage sourceOverCompositing(const QImage &inputImage, const QImage &inputBackgroundImage);

} // namespace pennova::filters
