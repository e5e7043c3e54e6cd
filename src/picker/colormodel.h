#pragma once

// The current colour of the program and the hue and saturation the picker strips show beside it.
// There is one model per settings store, made on first use and living as long as the store, so
// in the program (one store) every document window shares it. The colour itself is kept in the
// store under "clr"; the model reloads it after every change to the store and then announces
// changed(), on which every strip redraws and every canvas re-applies its brush. Headless: the
// strip widget (ColorView) maps its pointer to the calls here.

#include "picker/colormath.h"
#include "settings/colorarchive.h"

#include <QObject>

namespace pennova {

class Defaults;
class StripGeometry;

class ColorModel : public QObject
{
    Q_OBJECT
public:
    // The model of a settings store; the store owns it.
    static ColorModel &of(Defaults &defaults);

    // The current colour; opaque black when "clr" holds nothing that decodes.
    const RgbaColor &curcolor() const { return m_curcolor; }
    float cHue() const { return m_cHue; }
    float cSat() const { return m_cSat; }
    // Brightness has no field of its own: it is always that of the current colour.
    float brightness() const;

    // Reloads the colour from the store, derives hue and saturation from it, and announces
    // changed(). Runs on every change to the store.
    void prefsChanged();

    // A click or drag in a strip at a point in strip coordinates (y up): the band under the point
    // sets its component to t, brightness as √t so that the darker half gets the larger share
    // of the band. The new colour is opaque and stored.
    void setColorFromPoint(float x, float y, const StripGeometry &strip);
    // Makes a colour the current one (hue and saturation from it) and stores it.
    void setColor(const RgbaColor &color);

signals:
    void changed();

private:
    explicit ColorModel(Defaults &defaults);
    void store(const RgbaColor &color);

    Defaults &m_defaults;
    RgbaColor m_curcolor;
    float m_cHue = 0.0f;
    float m_cSat = 0.0f;
};

} // namespace pennova
