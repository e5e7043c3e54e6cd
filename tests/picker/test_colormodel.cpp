#include "picker/colormath.h"
#include "picker/colormodel.h"
#include "picker/stripgeometry.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace pennova;

namespace {

class ColorModelTest : public ::testing::Test
{
protected:
    ColorModel &model() { return ColorModel::of(*defaults); }
    // Strip points by band and t, for a 448 x 48 strip (bands from x = 48 to 448).
    void pick(StripGeometry::Band band, float t)
    {
        const float y = band == StripGeometry::Band::Hue ? 40.0f
            : band == StripGeometry::Band::Saturation    ? 24.0f
                                                         : 8.0f;
        model().setColorFromPoint(48.0f + 400.0f * t, y, strip);
    }
    RgbaColor stored() { return *colorFromDefaults(*defaults); }

    test::TestDefaults defaults;
    const StripGeometry strip { 448, 48 };
};

} // namespace

TEST_F(ColorModelTest, EachBandSetsItsComponentAndStoresAnOpaqueColour)
{
    model().setColor(colormath::rgbFromHsb(0.2f, 0.5f, 0.8f));
    pick(StripGeometry::Band::Hue, 0.6f);
    Hsb hsb = colormath::hsbFromRgb(stored());
    EXPECT_NEAR(hsb.hue, 0.6f, 1e-5f);
    EXPECT_NEAR(hsb.saturation, 0.5f, 1e-5f);
    EXPECT_NEAR(hsb.brightness, 0.8f, 1e-5f);

    pick(StripGeometry::Band::Saturation, 0.9f);
    hsb = colormath::hsbFromRgb(stored());
    EXPECT_NEAR(hsb.hue, 0.6f, 1e-5f);
    EXPECT_NEAR(hsb.saturation, 0.9f, 1e-5f);

    // Brightness follows √t: a quarter of the band is half bright.
    pick(StripGeometry::Band::Brightness, 0.25f);
    hsb = colormath::hsbFromRgb(stored());
    EXPECT_NEAR(hsb.brightness, 0.5f, 1e-5f);
    EXPECT_NEAR(hsb.hue, 0.6f, 1e-4f);
    EXPECT_EQ(stored().alpha, 1.0f);
    EXPECT_EQ(model().curcolor(), stored());
}

TEST_F(ColorModelTest, AGreyForgetsItsHueOnTheReload)
{
    model().setColor(colormath::rgbFromHsb(0.6f, 0.8f, 0.7f));
    pick(StripGeometry::Band::Saturation, 0.0f);
    const RgbaColor grey = stored();
    EXPECT_EQ(grey.red, grey.green);
    EXPECT_EQ(grey.green, grey.blue);
    EXPECT_EQ(model().cHue(), 0.0f);
    EXPECT_EQ(model().cSat(), 0.0f);
}

TEST_F(ColorModelTest, EveryModelOfAStoreIsOneAndFollowsItsWrites)
{
    EXPECT_EQ(&ColorModel::of(*defaults), &model());
    // Another writer (the tool palette) changes the colour: the model reloads at once.
    int changes = 0;
    QObject::connect(&model(), &ColorModel::changed, [&changes]() { ++changes; });
    defaults->setData(keys::Color, ColorArchive::encode(RgbaColor { 0, 0, 1, 1 }));
    EXPECT_EQ(changes, 1);
    EXPECT_NEAR(model().cHue(), 2.0f / 3.0f, 1e-6f);
    EXPECT_EQ(model().cSat(), 1.0f);
}

TEST_F(ColorModelTest, DamagedSettingReadsAsOpaqueBlackAndCanBePickedOver)
{
    defaults->setData(keys::Color, QByteArray("not a colour"));
    EXPECT_EQ(model().curcolor(), (RgbaColor { 0, 0, 0, 1 }));
    EXPECT_EQ(model().brightness(), 0.0f);
    pick(StripGeometry::Band::Brightness, 1.0f);
    EXPECT_EQ(stored(), (RgbaColor { 1, 1, 1, 1 }));
}
