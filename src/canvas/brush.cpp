#include "canvas/brush.h"

#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <cmath>

namespace pennova {

Brush::Brush(Defaults &defaults)
    : m_defaults(defaults)
{ }

float Brush::getBrushSize(bool eraser) const
{
    return clampSize(m_defaults.floatForKey(eraser ? keys::EraserSize : keys::BrushSize));
}

float Brush::clampSize(float size)
{
    if (size >= kMaxSize)
        return kMaxSize;
    if (size > kMinSize)
        return size;
    return kMinSize; // also catches NaN
}

float Brush::minimumSize() const
{
    // Within [0, the pen's size]: a stored minimum above the maximum would paint past it.
    const float minimum = m_defaults.floatForKey(keys::BrushSizeMin);
    const float maximum = clampSize(m_defaults.floatForKey(keys::BrushSize));
    if (minimum >= maximum)
        return maximum;
    if (minimum > 0.0f)
        return minimum;
    return 0.0f; // also catches NaN
}

float Brush::eraserStrength() const
{
    const float strength = m_defaults.floatForKey(keys::EraserStrength);
    if (strength >= kMaxStrength)
        return kMaxStrength;
    if (strength > 0.0f)
        return strength;
    return 0.0f; // also catches NaN
}

float Brush::setBrushSize(float size, bool eraser)
{
    const float s = clampSize(size);
    const QString &key = eraser ? keys::EraserSize : keys::BrushSize;
    if (m_defaults.floatForKey(key) != s) {
        m_defaults.setFloat(key, s);
        if (!eraser)
            m_defaults.setFloat(keys::BrushSizeMin, std::trunc(minimumSize())); // now <= s
    }
    return s;
}

std::optional<RgbaColor> Brush::getColor() const
{
    return colorFromDefaults(m_defaults);
}

QRgb Brush::colourPixel() const
{
    const std::optional<RgbaColor> c = getColor();
    if (!c)
        return 0xFF000000u;
    const auto channel
        = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return qRgb(channel(c->red), channel(c->green), channel(c->blue));
}

bool Brush::ink() const
{
    return m_defaults.boolForKey(keys::Ink);
}

bool Brush::toggleInk()
{
    const bool on = !ink();
    m_defaults.setBool(keys::Ink, on);
    return on;
}

BrushParams Brush::params(float eraserDiameter) const
{
    // Called at every stroke segment; the settings store's lookups cost more than the segment
    // itself, so they are made again only after the store may have changed.
    if (!m_hasParams || m_paramsGeneration != Defaults::generation()) {
        m_params.sizeMax = clampSize(m_defaults.floatForKey(keys::BrushSize));
        m_params.sizeMin = minimumSize();
        m_params.eraserStrength = eraserStrength();
        m_params.ink = ink();
        m_params.inkColour = m_params.ink ? colourPixel() : 0xFF000000u;
        m_paramsGeneration = Defaults::generation();
        m_hasParams = true;
    }
    BrushParams p = m_params;
    p.eraserDiameter = eraserDiameter;
    return p;
}

} // namespace pennova
