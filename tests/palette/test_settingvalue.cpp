#include "palette/settingvalue.h"

#include <gtest/gtest.h>
#include <limits>

using namespace pennova;
using namespace pennova::settingvalue;

namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();
constexpr qint32 kMin = std::numeric_limits<qint32>::min();
const ValueRange kSize { 0, 48 };
const ValueRange kStrength { 1, 99 };

} // namespace

TEST(SettingValue, TextReadsAsTheNumberItDenotesOrZero)
{
    EXPECT_EQ(numberFromText(QStringLiteral("12")), 12.0);
    EXPECT_EQ(numberFromText(QStringLiteral("  -5 ")), -5.0);
    EXPECT_EQ(numberFromText(QStringLiteral("1e9")), 1e9);
    EXPECT_EQ(numberFromText(QStringLiteral("7.9")), 7.9);
    for (const char *notANumber : { "", " ", "abc", "12abc", "0x10", "1,5", "--3" })
        EXPECT_EQ(numberFromText(QString::fromLatin1(notANumber)), 0.0) << notANumber;
}

TEST(SettingValue, ValuesOfEveryKindReadAsNumbers)
{
    EXPECT_EQ(numberFromValue(QVariant(qint64(1) << 40)), double(qint64(1) << 40));
    EXPECT_EQ(numberFromValue(QVariant(true)), 1.0);
    EXPECT_EQ(numberFromValue(QVariant(2.5)), 2.5);
    EXPECT_EQ(numberFromValue(QVariant(QStringLiteral("1e9"))), 1e9);
    EXPECT_EQ(numberFromValue(QVariant(QByteArray("12"))), 0.0);
    EXPECT_EQ(numberFromValue(QVariant()), 0.0);
}

TEST(SettingValue, IntegersAreClampedIntoTheRangeBothEndsIncluded)
{
    EXPECT_EQ(integerInRange(60, kSize), 48);
    EXPECT_EQ(integerInRange(48, kSize), 48);
    EXPECT_EQ(integerInRange(-5, kSize), 0);
    EXPECT_EQ(integerInRange(100, kStrength), 100);
    EXPECT_EQ(integerInRange(101, kStrength), 100);
    EXPECT_EQ(integerInRange(0, kStrength), 1);
    EXPECT_EQ(integerInRange(7.9, kSize), 7);
    EXPECT_EQ(integerInRange(-0.0, kSize), 0);
}

TEST(SettingValue, HugeAndOddNumbersNeverOverflow)
{
    EXPECT_EQ(integerInRange(1e9, kSize), 48);
    EXPECT_EQ(integerInRange(1e300, kSize), 48);
    EXPECT_EQ(integerInRange(-1e300, kStrength), 1);
    EXPECT_EQ(integerInRange(std::numeric_limits<double>::infinity(), kSize), 48);
    EXPECT_EQ(integerInRange(std::numeric_limits<double>::quiet_NaN(), kStrength), 1);
    // Without a range the 32-bit limits hold.
    EXPECT_EQ(integerInRange(1e300), kMax);
    EXPECT_EQ(integerInRange(-1e300), kMin);
    EXPECT_EQ(integerInRange(-7.9), -7);
    EXPECT_EQ(integerInRange(std::numeric_limits<double>::quiet_NaN()), 0);
    // Range ends beyond 32 bits.
    EXPECT_EQ(integerInRange(0, ValueRange { 4294967290u, 10 }), kMax);
    EXPECT_EQ(integerInRange(1e12, ValueRange { 5, 4294967295u }), kMax);
    EXPECT_EQ(integerInRange(-1e12, ValueRange { 5, 4294967295u }), 5);
}
