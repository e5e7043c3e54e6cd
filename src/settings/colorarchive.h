#pragma once

// The stored form of a colour, used alike in the settings store ("clr"), in tool settings and in
// the tool-box file: 21 bytes, the magic "PNCL", a version byte (1), then red, green, blue and
// alpha as little-endian IEEE 754 single floats, calibrated RGB in 0..1.

#include <QByteArray>
#include <optional>

namespace pennova {

class Defaults;

struct RgbaColor
{
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 1.0f;
};

inline bool operator==(const RgbaColor &a, const RgbaColor &b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
inline bool operator!=(const RgbaColor &a, const RgbaColor &b)
{
    return !(a == b);
}

class ColorArchive
{
public:
    static constexpr int kVersion = 1;
    static constexpr int kByteSize = 21;

    ColorArchive() = delete;

    // Components outside 0..1 are clamped and a NaN component is stored as 0, so that every
    // archive written decodes; components in range come back exactly.
    static QByteArray encode(const RgbaColor &color);
    // No colour unless the bytes are exactly one archive of this version holding four finite
    // components in 0..1.
    static std::optional<RgbaColor> decode(const QByteArray &bytes);
};

// The current colour of the settings store ("clr"); no colour when nothing there decodes
// (callers paint black then).
std::optional<RgbaColor> colorFromDefaults(const Defaults &defaults);

} // namespace pennova
