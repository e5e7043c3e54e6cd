#include "settings/pressurecurve.h"

#include "settings/defaults.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace pennova {

namespace {
    const QString kSettingsKey = QStringLiteral("PressureCurve");
    // Eight pairs of numbers with room for spaces and long decimals; a longer text is not parsed.
    constexpr qsizetype kLongestText = 400;
} // namespace

PressureCurve::PressureCurve()
    : PressureCurve(std::vector<CurvePoint> { { 0.0, 0.0 }, { 1.0, 1.0 } })
{ }

PressureCurve::PressureCurve(std::vector<CurvePoint> points)
    : m_points(std::move(points))
{
    m_identity = std::all_of(m_points.begin(), m_points.end(),
        [](const CurvePoint &p) { return p.pressure == p.output; });
    computeTangents();
}

PressureCurve PressureCurve::linear()
{
    return PressureCurve();
}

PressureCurve PressureCurve::soft()
{
    return PressureCurve({ { 0.0, 0.0 }, { 0.25, 0.45 }, { 0.6, 0.82 }, { 1.0, 1.0 } });
}

PressureCurve PressureCurve::firm()
{
    return PressureCurve({ { 0.0, 0.0 }, { 0.4, 0.18 }, { 0.75, 0.55 }, { 1.0, 1.0 } });
}

bool PressureCurve::isValid(const std::vector<CurvePoint> &points)
{
    if (points.size() < size_t(kMinPoints) || points.size() > size_t(kMaxPoints))
        return false;
    for (size_t i = 0; i < points.size(); ++i) {
        const CurvePoint &p = points[i];
        // Written so that NaN fails every test.
        if (!(p.pressure >= 0.0 && p.pressure <= 1.0 && p.output >= 0.0 && p.output <= 1.0))
            return false;
        if (i > 0 && !(p.pressure > points[i - 1].pressure && p.output >= points[i - 1].output))
            return false;
    }
    return points.front().pressure == 0.0 && points.back().pressure == 1.0;
}

PressureCurve PressureCurve::fromPoints(const std::vector<CurvePoint> &points)
{
    return isValid(points) ? PressureCurve(points) : PressureCurve();
}

// Fritsch-Carlson: start from the mean of the neighbouring secants (zero where the curve is
// flat on either side), then shorten the tangents of any interval where they would make the
// cubic overshoot, which keeps every piece monotone.
void PressureCurve::computeTangents()
{
    const size_t n = m_points.size();
    std::vector<double> secant(n - 1);
    for (size_t k = 0; k + 1 < n; ++k) {
        secant[k] = (m_points[k + 1].output - m_points[k].output)
            / (m_points[k + 1].pressure - m_points[k].pressure);
    }
    m_tangents.assign(n, 0.0);
    m_tangents[0] = secant[0];
    m_tangents[n - 1] = secant[n - 2];
    for (size_t k = 1; k + 1 < n; ++k)
        m_tangents[k] = secant[k - 1] * secant[k] <= 0.0 ? 0.0 : (secant[k - 1] + secant[k]) / 2.0;
    for (size_t k = 0; k + 1 < n; ++k) {
        if (secant[k] == 0.0) {
            m_tangents[k] = 0.0;
            m_tangents[k + 1] = 0.0;
            continue;
        }
        const double a = m_tangents[k] / secant[k];
        const double b = m_tangents[k + 1] / secant[k];
        const double s = a * a + b * b;
        if (s > 9.0) {
            const double t = 3.0 / std::sqrt(s);
            m_tangents[k] = t * a * secant[k];
            m_tangents[k + 1] = t * b * secant[k];
        }
    }
}

double PressureCurve::mapExact(double pressure) const
{
    const double x = std::clamp(pressure, 0.0, 1.0);
    // The interval [x0, x1] holding x; the last one holds x = 1.
    size_t k = 0;
    while (k + 2 < m_points.size() && x > m_points[k + 1].pressure)
        ++k;
    const CurvePoint &p0 = m_points[k];
    const CurvePoint &p1 = m_points[k + 1];
    const double h = p1.pressure - p0.pressure;
    const double t = (x - p0.pressure) / h;
    // Cubic Hermite basis on t in [0, 1].
    const double t2 = t * t, t3 = t2 * t;
    const double y = (2 * t3 - 3 * t2 + 1) * p0.output + (t3 - 2 * t2 + t) * h * m_tangents[k]
        + (-2 * t3 + 3 * t2) * p1.output + (t3 - t2) * h * m_tangents[k + 1];
    // Rounding may stray past the neighbouring points by an ulp.
    return std::clamp(y, p0.output, p1.output);
}

float PressureCurve::map(float pressure) const
{
    if (m_identity || std::isnan(pressure))
        return pressure;
    return float(mapExact(double(pressure)));
}

PressureCurve PressureCurve::fromText(const QString &text)
{
    if (text.size() > kLongestText)
        return PressureCurve();
    std::vector<CurvePoint> points;
    for (const QString &pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList numbers = pair.split(QLatin1Char(','));
        if (numbers.size() != 2 || points.size() == size_t(kMaxPoints))
            return PressureCurve();
        bool okPressure = false, okOutput = false;
        const CurvePoint p { numbers[0].toDouble(&okPressure), numbers[1].toDouble(&okOutput) };
        if (!okPressure || !okOutput)
            return PressureCurve();
        points.push_back(p);
    }
    return fromPoints(points);
}

QString PressureCurve::toText() const
{
    QStringList pairs;
    for (const CurvePoint &p : m_points) {
        pairs << QStringLiteral("%1,%2").arg(
            QString::number(p.pressure, 'g', 6), QString::number(p.output, 'g', 6));
    }
    return pairs.join(QLatin1Char(' '));
}

const QString &PressureCurve::settingsKey()
{
    return kSettingsKey;
}

PressureCurve PressureCurve::fromDefaults(const Defaults &defaults)
{
    if (!defaults.hasStoredValue(kSettingsKey))
        return PressureCurve();
    return fromText(defaults.stringForKey(kSettingsKey));
}

} // namespace pennova
