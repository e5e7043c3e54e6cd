#include "picker/colormodel.h"

#include "picker/stripgeometry.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <cmath>

namespace pennova {

ColorModel &ColorModel::of(Defaults &defaults)
{
    if (auto *model = defaults.findChild<ColorModel *>(QString(), Qt::FindDirectChildrenOnly))
        return *model;
    return *new ColorModel(defaults);
}

ColorModel::ColorModel(Defaults &defaults)
    : QObject(&defaults)
    , m_defaults(defaults)
{
    connect(&defaults, &Defaults::changed, this, &ColorModel::prefsChanged);
    prefsChanged();
}

float ColorModel::brightness() const
{
    return colormath::hsbFromRgb(m_curcolor).brightness;
}

void ColorModel::prefsChanged()
{
    // Damaged settings read as opaque black rather than leaving the strips without a colour.
    m_curcolor = colorFromDefaults(m_defaults).value_or(RgbaColor { 0.0f, 0.0f, 0.0f, 1.0f });
    const Hsb hsb = colormath::hsbFromRgb(m_curcolor);
    m_cHue = hsb.hue;
    m_cSat = hsb.saturation;
    emit changed();
}

void ColorModel::setColorFromPoint(float x, float y, const StripGeometry &strip)
{
    const float t = strip.parameterAt(x);
    const float b = brightness();
    RgbaColor color;
    switch (strip.bandAt(y)) {
    case StripGeometry::Band::Hue:
        m_cHue = t;
        color = colormath::rgbFromHsb(t, m_cSat, b);
        break;
    case StripGeometry::Band::Brightness:
        color = colormath::rgbFromHsb(m_cHue, m_cSat, std::sqrt(t));
        break;
    case StripGeometry::Band::Saturation:
        m_cSat = t;
        color = colormath::rgbFromHsb(m_cHue, t, b);
        break;
    }
    // The store's change reloads the colour, which re-derives hue and saturation from it: a
    // grey or black made here forgets the hue it had.
    store(color);
}

void ColorModel::setColor(const RgbaColor &color)
{
    const Hsb hsb = colormath::hsbFromRgb(color);
    m_cHue = hsb.hue;
    m_cSat = hsb.saturation;
    store(color);
}

void ColorModel::store(const RgbaColor &color)
{
    m_curcolor = color;
    m_defaults.setData(keys::Color, ColorArchive::encode(color));
}

} // namespace pennova
