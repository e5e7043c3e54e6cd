#include "settings/colorarchive.h"

#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace pennova;

TEST(ColorArchive, LayoutIsMagicVersionAndLittleEndianFloats)
{
    const QByteArray bytes = ColorArchive::encode(RgbaColor { 1.0f, 0.0f, 0.5f, 1.0f });
    const QByteArray expected = QByteArray("PNCL\x01", 5)
        + QByteArray("\x00\x00\x80\x3f"
                     "\x00\x00\x00\x00"
                     "\x00\x00\x00\x3f"
                     "\x00\x00\x80\x3f",
            16);
    EXPECT_EQ(bytes, expected);
}

TEST(ColorArchive, RoundTripsExactly)
{
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    std::vector<RgbaColor> colors = {
        { 0, 0, 0, 1 },
        { 1, 1, 1, 0 },
        { std::numeric_limits<float>::denorm_min(), 0.1f, 0.2f, 0.3f },
    };
    for (int i = 0; i < 100; ++i)
        colors.push_back({ float(random.generateDouble()), float(random.generateDouble()),
            float(random.generateDouble()), float(random.generateDouble()) });
    for (const RgbaColor &c : colors)
        EXPECT_EQ(ColorArchive::decode(ColorArchive::encode(c)), c);
}

TEST(ColorArchive, EncodeClampsSoThatEveryArchiveDecodes)
{
    const RgbaColor odd { 2.0f, -1.0f, std::nanf(""), 0.25f };
    EXPECT_EQ(ColorArchive::decode(ColorArchive::encode(odd)), (RgbaColor { 1, 0, 0, 0.25f }));
}

TEST(ColorArchive, BadBytesGiveNoColour)
{
    const QByteArray good = ColorArchive::encode(RgbaColor { 0.2f, 0.4f, 0.6f, 0.8f });
    ASSERT_TRUE(ColorArchive::decode(good).has_value());

    for (int length = 0; length < good.size(); ++length)
        EXPECT_FALSE(ColorArchive::decode(good.left(length)).has_value()) << length;
    EXPECT_FALSE(ColorArchive::decode(good + '\0').has_value());

    const auto patched = [&](int offset, const QByteArray &with) {
        QByteArray bytes = good;
        bytes.replace(offset, with.size(), with);
        return bytes;
    };
    EXPECT_FALSE(ColorArchive::decode(patched(0, "XNCL")).has_value());
    EXPECT_FALSE(ColorArchive::decode(patched(4, QByteArray(1, '\x00'))).has_value());
    EXPECT_FALSE(ColorArchive::decode(patched(4, QByteArray(1, '\x02'))).has_value());
    // Components: NaN, +infinity, -0.5 and 1.5, each in a different place.
    EXPECT_FALSE(ColorArchive::decode(patched(5, QByteArray("\x00\x00\xc0\x7f", 4))).has_value());
    EXPECT_FALSE(ColorArchive::decode(patched(9, QByteArray("\x00\x00\x80\x7f", 4))).has_value());
    EXPECT_FALSE(ColorArchive::decode(patched(13, QByteArray("\x00\x00\x00\xbf", 4))).has_value());
    EXPECT_FALSE(ColorArchive::decode(patched(17, QByteArray("\x00\x00\xc0\x3f", 4))).has_value());
}
