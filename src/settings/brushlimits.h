#pragma once

// The ranges the brush settings are held in when the user edits them (the palette's
// current-settings fields, the preferences): the smallest pen size from 0 up to the largest, the
// largest from the smallest (at least 1) up to 48, the eraser size from 1 to 48 and its strength
// from 1 to 100. Any other key is held in 0..48.

#include <QString>

namespace pennova {

class Defaults;

namespace brushlimits {

    constexpr int kMaxSize = 48;
    constexpr int kMaxStrength = 100;

    struct Range
    {
        int lowest = 0;
        int highest = 0;
    };

    // The range for `key` while the current sizes are `brushSizeMin` and `brushSize`.
    Range allowedRange(const QString &key, int brushSizeMin, int brushSize);

    // max(lowest, min(value, highest)): when the lowest end exceeds the highest, it wins.
    int clamp(qint64 value, const Range &range);

    // The value a user's entry for `key` is stored as, against the sizes now in `defaults`.
    int clampedForKey(const QString &key, qint64 value, const Defaults &defaults);

} // namespace brushlimits

} // namespace pennova
