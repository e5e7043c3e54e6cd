#include "palette/colorcontrols.h"

#include <gtest/gtest.h>

using namespace pennova;

namespace {

const ColorControls kPressed { 1.5f, -0.2f, 0.3f };

} // namespace

TEST(ColorControls, PressedLookFlattensAndDarkensGreys)
{
    // x → ((x − 0.2) − 0.5) · 0.3 + 0.5 for greys, which saturation leaves alone.
    EXPECT_EQ(colorControlsPixel(qRgb(255, 255, 255), kPressed), qRgb(150, 150, 150));
    EXPECT_EQ(colorControlsPixel(qRgb(0, 0, 0), kPressed), qRgb(74, 74, 74));
    EXPECT_EQ(colorControlsPixel(qRgb(128, 128, 128), kPressed), qRgb(112, 112, 112));
}

TEST(ColorControls, SaturationPushesColoursAwayFromTheirLuma)
{
    // Red: luma 0.2125; saturated r = 1.394, g = b = −0.106; then brightness and contrast.
    const QRgb red = colorControlsPixel(qRgb(255, 0, 0), kPressed);
    EXPECT_NEAR(qRed(red), 181, 1);
    EXPECT_NEAR(qGreen(red), 66, 1);
    EXPECT_EQ(qGreen(red), qBlue(red));
    // Neutral controls change nothing.
    EXPECT_EQ(colorControlsPixel(qRgba(10, 200, 90, 77), ColorControls()), qRgba(10, 200, 90, 77));
}

TEST(ColorControls, ImageKeepsSizeAlphaAndPixelRatio)
{
    QImage image(3, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixel(1, 0, qPremultiply(qRgba(255, 255, 255, 128)));
    image.setDevicePixelRatio(2.0);

    const QImage pressed = colorControlsImage(image, kPressed);
    ASSERT_EQ(pressed.size(), image.size());
    EXPECT_EQ(pressed.devicePixelRatio(), 2.0);
    EXPECT_EQ(qAlpha(pressed.pixel(0, 0)), 0);
    // Worked on unpremultiplied: half-transparent white becomes half-transparent 0.59 grey.
    const QRgb straight = qUnpremultiply(pressed.pixel(1, 0));
    EXPECT_EQ(qAlpha(straight), 128);
    EXPECT_NEAR(qRed(straight), 150, 2);
}
