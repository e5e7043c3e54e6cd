#pragma once

// The pen's pressure response: a curve from the pressure the tablet reports to the pressure the
// stroke engine uses, through 2 to 8 points from pressure 0 to pressure 1, interpolated by a
// monotone cubic (Fritsch-Carlson), so that more pressure never gives less and the curve never
// overshoots its points. Stored in the settings as text ("0,0 0.35,0.6 1,1"); text that does not
// describe such a curve reads as the linear curve, which passes every pressure through
// unchanged, bit for bit.

#include <QString>
#include <vector>

namespace pennova {

class Defaults;

struct CurvePoint
{
    double pressure = 0.0; // what the tablet reports, 0..1
    double output = 0.0; // what the stroke engine gets, 0..1

    bool operator==(const CurvePoint &o) const
    {
        return pressure == o.pressure && output == o.output;
    }
};

class PressureCurve
{
public:
    static constexpr int kMinPoints = 2;
    static constexpr int kMaxPoints = 8;

    // Linear: (0, 0) to (1, 1).
    PressureCurve();
    static PressureCurve linear();
    // Light pressure gives more: thin lines come easier.
    static PressureCurve soft();
    // Light pressure gives less: the full width needs a firm hand.
    static PressureCurve firm();

    // Whether points make a curve: kMinPoints..kMaxPoints of them, all finite and in 0..1, the
    // first at pressure 0 and the last at 1, pressures strictly rising, outputs never falling.
    static bool isValid(const std::vector<CurvePoint> &points);
    // The curve through the points, or the linear curve when they make none.
    static PressureCurve fromPoints(const std::vector<CurvePoint> &points);

    // "P,O" pairs separated by spaces; the linear curve for anything else.
    static PressureCurve fromText(const QString &text);
    QString toText() const;

    // The settings key "PressureCurve" (text); nothing stored means linear.
    static const QString &settingsKey();
    static PressureCurve fromDefaults(const Defaults &defaults);

    // The engine's pressure for a tablet pressure. Clamped to 0..1 first; not a number passes
    // through, for the engine to treat as it always has. The linear curve returns its argument.
    float map(float pressure) const;
    double mapExact(double pressure) const;

    bool isLinear() const { return m_identity; }
    const std::vector<CurvePoint> &points() const { return m_points; }

    bool operator==(const PressureCurve &o) const { return m_points == o.m_points; }
    bool operator!=(const PressureCurve &o) const { return !(*this == o); }

private:
    explicit PressureCurve(std::vector<CurvePoint> points);
    void computeTangents();

    std::vector<CurvePoint> m_points;
    std::vector<double> m_tangents; // slope of the curve at each point
    bool m_identity = true;
};

} // namespace pennova
