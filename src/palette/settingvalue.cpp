#include "palette/settingvalue.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pennova::settingvalue {

double numberFromText(const QString &text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok ? number : 0.0;
}

double numberFromValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Float:
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return numberFromText(value.toString());
    default:
        return 0.0;
    }
}

qint32 integerInRange(double number, const ValueRange &range)
{
    if (std::isnan(number))
        number = 0.0;
    // Both ends are exact as doubles (below 2^33), so clamping before the conversion keeps every
    // step within range.
    double low = double(std::numeric_limits<qint32>::min());
    double high = double(std::numeric_limits<qint32>::max());
    if (range.clamps()) {
        high = std::min(high, double(range.highest()));
        // A range that starts above the largest 32-bit integer gives that integer.
        low = std::min(std::max(low, double(range.lowest())), high);
    }
    return qint32(std::clamp(std::trunc(number), low, high));
}

} // namespace pennova::settingvalue
