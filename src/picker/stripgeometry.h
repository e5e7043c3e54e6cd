#pragma once

// The layout of the colour picker strip, in the strip's own coordinates: units from its
// lower-left corner, y up. From left to right a square swatch x in [0, h], then three bands over
// x in [h, w], stacked top to bottom: hue (y in [2h/3, h]), saturation and brightness
// (y in [0, h/3]). Along a band the parameter is t = (x − h) / (w − h).

namespace pennova {

class StripGeometry
{
public:
    enum class Band
    {
        Hue,
        Saturation,
        Brightness
    };

    StripGeometry(float width, float height)
        : m_width(width)
        , m_height(height)
    { }

    float width() const { return m_width; }
    float height() const { return m_height; }
    // Whether there is room for the bands right of the swatch.
    bool hasBands() const { return m_width > m_height; }

    // t at x, clamped into [0, 1]; 0 when x is not a number or the strip has no bands.
    float parameterAt(float x) const;
    // The band a y falls in. The band edges belong to the band below the line, so y = 2h/3 is
    // saturation and y = h/3 is brightness.
    Band bandAt(float y) const;
    // The left edge of the one-unit marker of a parameter: h + (w − h)·t, kept inside the strip.
    float markerX(float t) const;

private:
    float m_width;
    float m_height;
};

} // namespace pennova
