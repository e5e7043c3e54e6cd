#include "picker/colormath.h"

#include <algorithm>
#include <cmath>

namespace pennova::colormath {

namespace {

    float unit(float value)
    {
        if (std::isnan(value))
            return 0.0f;
        return std::clamp(value, 0.0f, 1.0f);
    }

} // namespace

Hsb hsbFromRgb(const RgbaColor &color)
{
    const float r = unit(color.red);
    const float g = unit(color.green);
    const float b = unit(color.blue);
    const float maximum = std::max({ r, g, b });
    const float spread = maximum - std::min({ r, g, b });
    Hsb hsb;
    hsb.brightness = maximum;
    if (maximum <= 0.0f || spread <= 0.0f)
        return hsb;
    hsb.saturation = spread / maximum;
    // Sixths of the wheel from the channel that is largest.
    float sixths;
    if (maximum == r)
        sixths = (g - b) / spread;
    else if (maximum == g)
        sixths = 2.0f + (b - r) / spread;
    else
        sixths = 4.0f + (r - g) / spread;
    float hue = sixths / 6.0f;
    if (hue < 0.0f)
        hue += 1.0f;
    hsb.hue = hue >= 1.0f ? 0.0f : hue;
    return hsb;
}

RgbaColor rgbFromHsb(float hue, float saturation, float brightness)
{
    const float s = unit(saturation);
    const float v = unit(brightness);
    const float h = std::isfinite(hue) ? hue - std::floor(hue) : 0.0f;
    const float scaled = h * 6.0f;
    const int sector = int(std::floor(scaled)) % 6;
    const float f = scaled - std::floor(scaled);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float t = v * (1.0f - s * (1.0f - f));
    switch (sector) {
    case 0:
        return RgbaColor { v, t, p, 1.0f };
    case 1:
        return RgbaColor { q, v, p, 1.0f };
    case 2:
        return RgbaColor { p, v, t, 1.0f };
    case 3:
        return RgbaColor { p, q, v, 1.0f };
    case 4:
        return RgbaColor { t, p, v, 1.0f };
    default:
        return RgbaColor { v, p, q, 1.0f };
    }
}

RgbaColor inverse(const RgbaColor &color)
{
    return RgbaColor { 1.0f - unit(color.red), 1.0f - unit(color.green), 1.0f - unit(color.blue),
        1.0f };
}

} // namespace pennova::colormath
