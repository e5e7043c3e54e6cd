#include "settings/brushlimits.h"

#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <algorithm>

namespace pennova::brushlimits {

Range allowedRange(const QString &key, int brushSizeMin, int brushSize)
{
    if (key == keys::BrushSizeMin)
        return { 0, brushSize };
    if (key == keys::BrushSize)
        return { std::max(brushSizeMin, 1), kMaxSize };
    if (key == keys::EraserSize)
        return { 1, kMaxSize };
    if (key == keys::EraserStrength)
        return { 1, kMaxStrength };
    return { 0, kMaxSize };
}

int clamp(qint64 value, const Range &range)
{
    return int(std::max<qint64>(range.lowest, std::min<qint64>(value, range.highest)));
}

int clampedForKey(const QString &key, qint64 value, const Defaults &defaults)
{
    return clamp(value,
        allowedRange(key, defaults.integerForKey(keys::BrushSizeMin),
            defaults.integerForKey(keys::BrushSize)));
}

} // namespace pennova::brushlimits
