#include "canvas/filters/compositing.h"

#include "canvas/filters/imagewords.h"
#include "canvas/filters/pixelops.h"

namespace pennova::filters {

QImage maskToAlpha(const QImage &mask)
{
    if (mask.isNull())
        return QImage();
    QImage out(mask.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return QImage();
    const int width = mask.width();
    if (mask.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < mask.height(); ++y) {
            const uchar *in = mask.constScanLine(y);
            auto *o = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < width; ++x)
                o[x] = maskToAlphaPixel(in[x]);
        }
        return out;
    }
    const QImage grey = detail::premultiplied(mask);
    for (int y = 0; y < grey.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(grey.constScanLine(y));
        auto *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x)
            o[x] = maskToAlphaPixel(uint8_t(qGray(in[x])));
    }
    return out;
}

QImage multiplyCompositing(const QImage &inputImage, const QImage &inputBackgroundImage)
{
    return detail::combineWords(detail::premultiplied(inputImage),
        detail::premultiplied(inputBackgroundImage), QImage::Format_ARGB32_Premultiplied,
        multiplyPixel);
}

QImage sourceOverCompositing(const QImage &inputImage, const QImage &inputBackgroundImage)
{
    return detail::combineWords(detail::premultiplied(inputImage),
        detail::premultiplied(inputBackgroundImage), QImage::Format_ARGB32_Premultiplied,
        sourceOverPixel);
}

} // namespace pennova::filters
