#include "palette/colorcontrols.h"

#include <algorithm>
#include <cmath>

namespace pennova {

namespace {

    int toByte(float x)
    {
        return int(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f));
    }

} // namespace

QRgb colorControlsPixel(QRgb straight, const ColorControls &controls)
{
    const float rgb[3]
        = { qRed(straight) / 255.0f, qGreen(straight) / 255.0f, qBlue(straight) / 255.0f };
    const float luma = 0.2125f * rgb[0] + 0.7154f * rgb[1] + 0.0721f * rgb[2];
    int out[3];
    for (int i = 0; i < 3; ++i) {
        const float saturated = luma + controls.saturation * (rgb[i] - luma);
        const float brightened = saturated + controls.brightness;
        out[i] = toByte((brightened - 0.5f) * controls.contrast + 0.5f);
    }
    return qRgba(out[0], out[1], out[2], qAlpha(straight));
}

QImage colorControlsImage(const QImage &image, const ColorControls &controls)
{
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            row[x] = colorControlsPixel(row[x], controls);
    }
    QImage result = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(image.devicePixelRatio());
    return result;
}

} // namespace pennova
