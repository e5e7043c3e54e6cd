#pragma once

// How a value that reaches a tool setting (typed text, a stored number, a pasted "1e9") is read as
// a 32-bit integer, and the allowed range an integer setting clamps it into. Every reading
// saturates instead of overflowing, whatever the value's size.

#include <QString>
#include <QVariant>
#include <QtGlobal>

namespace pennova {

// The allowed integers location through location + length, both ends included ("Strength: " is
// (1, 99): 1 to 100). A length of 0 allows every integer.
struct ValueRange
{
    quint32 location = 0;
    quint32 length = 0;

    bool clamps() const { return length != 0; }
    qint64 lowest() const { return qint64(location); }
    qint64 highest() const { return qint64(location) + qint64(length); }
};

inline bool operator==(const ValueRange &a, const ValueRange &b)
{
    return a.location == b.location && a.length == b.length;
}

namespace settingvalue {

    // The number a text denotes: an integer or decimal in C notation, exponent allowed, spaces
    // around it ignored ("12", " -0 ", "1e9", "7.9"). Anything else reads as 0.
    double numberFromText(const QString &text);

    // The number a value holds: numbers as they are, booleans as 0 or 1, text as numberFromText
    // reads it, anything else (bytes, nothing) 0.
    double numberFromValue(const QVariant &value);

    // The whole-number part (toward zero) of a number, in the range when it clamps, and always
    // within a 32-bit integer; NaN reads as 0 (and is then clamped).
    qint32 integerInRange(double number, const ValueRange &range = ValueRange());

} // namespace settingvalue

} // namespace pennova
