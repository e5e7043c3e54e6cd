#pragma once

// Ink mode's compositing of a stroke segment: the brush dab glazes over the canvas like a felt
// marker instead of covering it. Images are premultiplied ARGB; other formats are converted.

#include <QImage>
#include <QRgb>

namespace pennova::filters {

// inkPixel (pixelops.h) over every pixel: inputImage is the dab composited source-over onto the
// canvas, inputBackgroundImage the canvas before the dab, inputColor the brush colour (red, green
// and blue; its alpha is ignored). The dab multiplies with what lies under it:
//   out_rgb = b_rgb (1 - a + a C_rgb) + a C_rgb (1 - b_alpha),  out_alpha = inputImage's alpha,
// with the coverage a recovered from inputImage - background = a (C - background). Where the dab
// has no coverage the background is returned unchanged. A null image when the sizes differ.
QImage inkComposite(const QImage &inputImage, const QImage &inputBackgroundImage, QRgb inputColor);

} // namespace pennova::filters
