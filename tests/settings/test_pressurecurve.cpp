#include "settings/defaults.h"
#include "settings/pressurecurve.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PressureCurveTest, TheLinearCurvePassesEveryPressureThroughBitForBit)
{
    const PressureCurve diagonal
        = PressureCurve::fromText(QStringLiteral("0,0 0.3,0.3 0.61,0.61 1,1"));
    ASSERT_TRUE(diagonal.isLinear());
    QRandomGenerator random(16);
    for (int i = 0; i < 10000; ++i) {
        const float p = i < 3 ? float(i) / 2.0f : float(random.generateDouble());
        ASSERT_TRUE(sameBits(PressureCurve().map(p), p)) << p;
        ASSERT_TRUE(sameBits(diagonal.map(p), p)) << p;
    }
    // Out of range and not a number reach the engine as they always did.
    EXPECT_EQ(PressureCurve().map(1.5f), 1.5f);
    EXPECT_TRUE(std::isnan(PressureCurve::soft().map(NAN)));
}

TEST(PressureCurveTest, CurvesPassThroughTheirPointsAndNeverFallOrOvershoot)
{
    std::vector<PressureCurve> curves { PressureCurve::soft(), PressureCurve::firm() };
    // A steep step, and a gentle stretch between two steep ones, where a plain cubic would
    // overshoot and turn back; and a flat stretch.
    curves.push_back(PressureCurve::fromText(QStringLiteral("0,0 0.45,0.05 0.55,0.95 1,1")));
    curves.push_back(PressureCurve::fromText(QStringLiteral("0,0 0.1,0.45 0.9,0.55 1,1")));
    curves.push_back(PressureCurve::fromText(QStringLiteral("0,0.2 0.3,0.5 0.7,0.5 1,0.9")));
    for (const PressureCurve &c : curves) {
        ASSERT_FALSE(c.isLinear()) << c.toText().toStdString();
        for (const CurvePoint &p : c.points())
            EXPECT_NEAR(c.mapExact(p.pressure), p.output, 1e-12);
        double previous = c.mapExact(0.0);
        for (int i = 1; i <= 2000; ++i) {
            const double y = c.mapExact(i / 2000.0);
            ASSERT_GE(y, previous) << c.toText().toStdString() << " at " << i;
            previous = y;
        }
        EXPECT_FLOAT_EQ(c.map(-1.0f), float(c.points().front().output));
        EXPECT_FLOAT_EQ(c.map(2.0f), float(c.points().back().output));
    }
    // Flat between equal points, exactly.
    EXPECT_EQ(curves[4].mapExact(0.5), 0.5);
    EXPECT_GT(PressureCurve::soft().map(0.2f), 0.3f);
    EXPECT_LT(PressureCurve::firm().map(0.2f), 0.12f);
}

TEST(PressureCurveTest, StoredTextThatIsNoCurveReadsAsLinear)
{
    const PressureCurve soft = PressureCurve::soft();
    EXPECT_EQ(PressureCurve::fromText(soft.toText()), soft);
    for (const char *bad : { "", "0,0", "0,0 1", "0,0 0.5,0.6 0.4,0.7 1,1",
             "0,0 0.5,0.6 0.5,0.7 1,1", "0.1,0 1,1", "0,0 0.9,1", "0,0 1,1.5", "0,0.6 0.5,0.4 1,1",
             "0,0 nan,0.5 1,1", "0,0 inf,1", "0;0 1;1", "0,0,0 1,1",
             "0,0 0.1,0.1 0.2,0.2 0.3,0.3 0.4,0.4 0.5,0.5 0.6,0.6 0.7,0.7 1,1" }) {
        const PressureCurve c = PressureCurve::fromText(QString::fromUtf8(bad));
        EXPECT_TRUE(c.isLinear()) << bad;
        EXPECT_EQ(c.points().size(), 2u) << bad;
    }
    EXPECT_TRUE(PressureCurve::fromText(QString(500, QLatin1Char(' ')) + soft.toText()).isLinear());

    test::TestDefaults defaults;
    EXPECT_TRUE(PressureCurve::fromDefaults(*defaults).isLinear());
    defaults->setString(PressureCurve::settingsKey(), soft.toText());
    EXPECT_EQ(PressureCurve::fromDefaults(*defaults), soft);
    defaults->setData(PressureCurve::settingsKey(), QByteArray("\x01\x02"));
    EXPECT_TRUE(PressureCurve::fromDefaults(*defaults).isLinear());
}

} // namespace
