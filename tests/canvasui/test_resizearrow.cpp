#include "canvasui/resizearrow.h"

#include <QPixmap>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// The direction, in y-up degrees within (−90, 90], of the principal axis of the image's dark
// opaque pixels (the black arrow without its white outline).
double darkAxisDegrees(const QImage &image, int *darkPixels = nullptr)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 200 || qGray(p) > 80)
                continue;
            const double ux = x + 0.5, uy = image.height() - (y + 0.5); // y up
            n += 1;
            sx += ux;
            sy += uy;
            sxx += ux * ux;
            syy += uy * uy;
            sxy += ux * uy;
        }
    }
    if (darkPixels)
        *darkPixels = int(n);
    if (n == 0)
        return NAN;
    const double cxx = sxx / n - (sx / n) * (sx / n);
    const double cyy = syy / n - (sy / n) * (sy / n);
    const double cxy = sxy / n - (sx / n) * (sy / n);
    double degrees = 0.5 * std::atan2(2 * cxy, cxx - cyy) * 180.0 / M_PI;
    if (degrees <= -90)
        degrees += 180;
    return degrees;
}

// Difference of two axis directions, modulo 180 degrees.
double axisDifference(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 180.0);
    return std::min(d, 180.0 - d);
}

TEST(ResizeArrowTest, ImageIsTheTurnedBoundingBoxGrownByThreeUnitsOnEachSide)
{
    // Unturned the box is 15 x 4 units: (15 + 6) · 16/14 = 24 and (4 + 6) · 16/14 = 11.43.
    const QImage flat = ResizeArrow::imageWithSize(16, 0);
    EXPECT_EQ(flat.size(), QSize(24, 12));
    EXPECT_NEAR(ResizeArrow::imageSizeF(16, 0).width(), 24.0, 1e-9);
    EXPECT_NEAR(ResizeArrow::imageSizeF(16, 0).height(), 80.0 / 7.0, 1e-9);

    // At 45 degrees the heads' tips are the extremes: 15/√2 units square.
    const double side = (15 / std::sqrt(2.0) + 6) * 16 / 14;
    EXPECT_NEAR(ResizeArrow::imageSizeF(16, 45).width(), side, 1e-6);
    EXPECT_NEAR(ResizeArrow::imageSizeF(16, 45).height(), side, 1e-6);
    EXPECT_EQ(ResizeArrow::imageWithSize(16, 45).size(), QSize(19, 19));

    // The path's box starts at (3s, 3s).
    const QRectF box = ResizeArrow::transformedPath(28, 30).boundingRect();
    EXPECT_NEAR(box.left(), 6.0, 1e-9);
    EXPECT_NEAR(box.top(), 6.0, 1e-9);
}

TEST(ResizeArrowTest, ArrowIsDrawnAlongTheAngleCounterClockwise)
{
    // A view turned by 30 degrees: the even corners' arrow at 75, the odd corners' at −15. At
    // cursor size the pixel grid bends the measured axis by up to about 3 degrees; at 64 the
    // drawing must follow the angle closely.
    for (float angle : { 0.0f, 30.0f + 45.0f, 30.0f - 45.0f, 45.0f, -45.0f, 120.0f }) {
        for (const auto &[size, tolerance] :
            { std::pair { 16.0f, 4.0 }, std::pair { 64.0f, 0.5 } }) {
            int dark = 0;
            const double axis = darkAxisDegrees(ResizeArrow::imageWithSize(size, angle), &dark);
            EXPECT_GT(dark, 15) << angle;
            EXPECT_LT(axisDifference(axis, angle), tolerance)
                << "size " << size << " angle " << angle << " drawn at " << axis;
        }
    }
}

TEST(ResizeArrowTest, BlackArrowWithWhiteOutlineCentredOnTheHotSpot)
{
    const QImage image = ResizeArrow::imageWithSize(32, 75);
    const QPoint hot = ResizeArrow::hotSpot(image);
    EXPECT_EQ(hot, QPoint(image.width() / 2, image.height() / 2));

    // The dark pixels' centroid is the centre; white surrounds them; the corners are clear.
    double sx = 0, sy = 0, n = 0;
    int white = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 255 && qGray(p) < 60) {
                sx += x + 0.5;
                sy += y + 0.5;
                n += 1;
            }
            white += qAlpha(p) == 255 && qGray(p) > 240;
        }
    }
    ASSERT_GT(n, 0);
    EXPECT_NEAR(sx / n, image.width() / 2.0, 0.75);
    EXPECT_NEAR(sy / n, image.height() / 2.0, 0.75);
    EXPECT_GT(white, n);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);

    const QCursor cursor = ResizeArrow::cursorWithSize(32, 75);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), hot);
}

TEST(ResizeArrowTest, BundledCursorsLoadWithTheirHotSpots)
{
    const QCursor up = ResizeArrow::upslopeCursor();
    const QCursor down = ResizeArrow::downslopeCursor();
    ASSERT_EQ(up.shape(), Qt::BitmapCursor);
    ASSERT_EQ(down.shape(), Qt::BitmapCursor);
    EXPECT_EQ(up.hotSpot(), QPoint(7, 8));
    EXPECT_EQ(down.hotSpot(), QPoint(7, 7));
    EXPECT_EQ(up.pixmap().size(), QSize(16, 16));
    // Up-slope runs from lower left to upper right, down-slope the other way.
    EXPECT_LT(axisDifference(darkAxisDegrees(up.pixmap().toImage()), 45), 5);
    EXPECT_LT(axisDifference(darkAxisDegrees(down.pixmap().toImage()), -45), 5);
}

} // namespace
