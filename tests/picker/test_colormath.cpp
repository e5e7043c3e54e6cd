#include "picker/colormath.h"
#include "picker/stripgeometry.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

void expectColorNear(const RgbaColor &actual, const RgbaColor &expected)
{
    EXPECT_NEAR(actual.red, expected.red, 1e-5f);
    EXPECT_NEAR(actual.green, expected.green, 1e-5f);
    EXPECT_NEAR(actual.blue, expected.blue, 1e-5f);
    EXPECT_EQ(actual.alpha, expected.alpha);
}

} // namespace

TEST(ColorMathTest, HsbOfPrimariesGreysAndBlack)
{
    const Hsb blue = colormath::hsbFromRgb(RgbaColor { 0, 0, 1, 1 });
    EXPECT_NEAR(blue.hue, 2.0f / 3.0f, 1e-6f);
    EXPECT_EQ(blue.saturation, 1.0f);
    EXPECT_EQ(blue.brightness, 1.0f);
    // Magenta lies just below a full turn, not at a negative hue.
    EXPECT_NEAR(colormath::hsbFromRgb(RgbaColor { 1, 0, 0.5f, 1 }).hue, 11.0f / 12.0f, 1e-6f);

    const Hsb grey = colormath::hsbFromRgb(RgbaColor { 0.4f, 0.4f, 0.4f, 1 });
    EXPECT_EQ(grey.hue, 0.0f);
    EXPECT_EQ(grey.saturation, 0.0f);
    EXPECT_NEAR(grey.brightness, 0.4f, 1e-6f);
    const Hsb black = colormath::hsbFromRgb(RgbaColor { 0, 0, 0, 1 });
    EXPECT_EQ(black.hue, 0.0f);
    EXPECT_EQ(black.saturation, 0.0f);
}

TEST(ColorMathTest, RgbFromHsbRoundTripsAndWrapsTheHue)
{
    for (int i = 0; i < 36; ++i) {
        const RgbaColor c = colormath::rgbFromHsb(float(i) / 36.0f, 0.7f, 0.6f);
        const Hsb back = colormath::hsbFromRgb(c);
        EXPECT_NEAR(back.hue, float(i) / 36.0f, 1e-5f) << i;
        EXPECT_NEAR(back.saturation, 0.7f, 1e-5f) << i;
        EXPECT_NEAR(back.brightness, 0.6f, 1e-5f) << i;
    }
    // The right end of the hue band is red again; out-of-range inputs never leave 0..1.
    expectColorNear(colormath::rgbFromHsb(1.0f, 1, 1), RgbaColor { 1, 0, 0, 1 });
    expectColorNear(colormath::rgbFromHsb(NAN, 2.0f, -1.0f), RgbaColor { 0, 0, 0, 1 });
    expectColorNear(
        colormath::inverse(RgbaColor { 0.25f, 1, 0, 0.5f }), RgbaColor { 0.75f, 0, 1, 1 });
}

TEST(StripGeometryTest, ParameterIsClampedAndSafeOnANarrowStrip)
{
    const StripGeometry strip(448, 48);
    EXPECT_EQ(strip.parameterAt(10), 0.0f); // on the swatch, left of the bands
    EXPECT_EQ(strip.parameterAt(48), 0.0f);
    EXPECT_EQ(strip.parameterAt(148), 0.25f);
    EXPECT_EQ(strip.parameterAt(448), 1.0f);
    EXPECT_EQ(strip.parameterAt(900), 1.0f);
    EXPECT_EQ(strip.parameterAt(NAN), 0.0f);

    // No room for bands: no division by zero or by a negative width.
    for (const float width : { 48.0f, 30.0f, 0.0f }) {
        const StripGeometry narrow(width, 48);
        EXPECT_FALSE(narrow.hasBands());
        EXPECT_EQ(narrow.parameterAt(0), 0.0f) << width;
        EXPECT_EQ(narrow.parameterAt(40), 0.0f) << width;
    }
}

TEST(StripGeometryTest, BandEdgesBelongToTheBandBelow)
{
    const StripGeometry strip(448, 48);
    EXPECT_EQ(strip.bandAt(48), StripGeometry::Band::Hue);
    EXPECT_EQ(strip.bandAt(32.01f), StripGeometry::Band::Hue);
    EXPECT_EQ(strip.bandAt(32), StripGeometry::Band::Saturation); // y = 2h/3
    EXPECT_EQ(strip.bandAt(16.01f), StripGeometry::Band::Saturation);
    EXPECT_EQ(strip.bandAt(16), StripGeometry::Band::Brightness); // y = h/3
    EXPECT_EQ(strip.bandAt(0), StripGeometry::Band::Brightness);
}

TEST(StripGeometryTest, MarkersStayInsideTheStrip)
{
    const StripGeometry strip(448, 48);
    EXPECT_EQ(strip.markerX(0), 48.0f);
    EXPECT_EQ(strip.markerX(0.25f), 148.0f);
    EXPECT_EQ(strip.markerX(1), 447.0f);
}
