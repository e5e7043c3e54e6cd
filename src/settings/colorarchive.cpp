#include "settings/colorarchive.h"

#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace pennova {

namespace {

    constexpr char kMagic[4] = { 'P', 'N', 'C', 'L' };
    constexpr int kComponentsOffset = 5;

    float storableComponent(float value)
    {
        if (std::isnan(value))
            return 0.0f;
        return std::fmin(std::fmax(value, 0.0f), 1.0f);
    }

    void putFloat(char *out, float value)
    {
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        qToLittleEndian(bits, out);
    }

    float getFloat(const char *in)
    {
        const quint32 bits = qFromLittleEndian<quint32>(in);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

} // namespace

QByteArray ColorArchive::encode(const RgbaColor &color)
{
    QByteArray bytes(kByteSize, '\0');
    char *out = bytes.data();
    std::memcpy(out, kMagic, sizeof kMagic);
    out[4] = char(kVersion);
    const float components[4] = { color.red, color.green, color.blue, color.alpha };
    for (int i = 0; i < 4; ++i)
        putFloat(out + kComponentsOffset + 4 * i, storableComponent(components[i]));
    return bytes;
}

std::optional<RgbaColor> ColorArchive::decode(const QByteArray &bytes)
{
    if (bytes.size() != kByteSize)
        return std::nullopt;
    const char *in = bytes.constData();
    if (std::memcmp(in, kMagic, sizeof kMagic) != 0 || quint8(in[4]) != kVersion)
        return std::nullopt;
    float components[4];
    for (int i = 0; i < 4; ++i) {
        const float value = getFloat(in + kComponentsOffset + 4 * i);
        // Written this way, NaN fails the test too.
        if (!(value >= 0.0f && value <= 1.0f))
            return std::nullopt;
        components[i] = value;
    }
    return RgbaColor { components[0], components[1], components[2], components[3] };
}

std::optional<RgbaColor> colorFromDefaults(const Defaults &defaults)
{
    return ColorArchive::decode(defaults.dataForKey(keys::Color));
}

} // namespace pennova
