#pragma once

// Hue, saturation and brightness (HSB, also called HSV) of calibrated RGB colours, every
// component in 0..1. The conversion is the standard one: brightness is the largest channel,
// saturation the spread of the channels over that, and hue the position on the colour wheel
// (0 red, 1/3 green, 2/3 blue). A grey has hue 0; black has hue 0 and saturation 0.

#include "settings/colorarchive.h"

namespace pennova {

struct Hsb
{
    float hue = 0.0f;
    float saturation = 0.0f;
    float brightness = 0.0f;
};

namespace colormath {

    // Alpha is ignored.
    Hsb hsbFromRgb(const RgbaColor &color);
    // An opaque colour. Hue wraps (1 is red again); saturation and brightness are clamped into
    // 0..1, and a component that is not a number counts as 0.
    RgbaColor rgbFromHsb(float hue, float saturation, float brightness);
    inline RgbaColor rgbFromHsb(const Hsb &hsb)
    {
        return rgbFromHsb(hsb.hue, hsb.saturation, hsb.brightness);
    }
    // The colour with each channel inverted (1 − c), opaque.
    RgbaColor inverse(const RgbaColor &color);

} // namespace colormath

} // namespace pennova
