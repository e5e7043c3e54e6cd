#include "canvas/filters/inkcomposite.h"

#include "canvas/filters/imagewords.h"
#include "canvas/filters/pixelops.h"

namespace pennova::filters {

QImage inkComposite(const QImage &inputImage, const QImage &inputBackgroundImage, QRgb inputColor)
{
    return detail::combineWords(detail::premultiplied(inputImage),
        detail::premultiplied(inputBackgroundImage), QImage::Format_ARGB32_Premultiplied,
        [inputColor](
            QRgb image, QRgb background) { return inkPixel(image, background, inputColor); });
}

} // namespace pennova::filters
