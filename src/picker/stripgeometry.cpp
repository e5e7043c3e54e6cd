#include "picker/stripgeometry.h"

#include <algorithm>
#include <cmath>

namespace pennova {

float StripGeometry::parameterAt(float x) const
{
    // A strip no wider than its swatch has no band to divide by.
    if (!hasBands())
        return 0.0f;
    const float t = (x - m_height) / (m_width - m_height);
    if (std::isnan(t))
        return 0.0f;
    return std::clamp(t, 0.0f, 1.0f);
}

StripGeometry::Band StripGeometry::bandAt(float y) const
{
    const float third = m_height / 3.0f;
    if (y > 2.0f * third)
        return Band::Hue;
    if (y <= third)
        return Band::Brightness;
    return Band::Saturation;
}

float StripGeometry::markerX(float t) const
{
    return std::min(m_width - 1.0f, m_height + (m_width - m_height) * t);
}

} // namespace pennova
