#include "canvas/filters/compositing.h"
#include "canvas/filters/difference.h"
#include "canvas/filters/inkcomposite.h"
#include "canvas/filters/pixelops.h"
#include "canvas/filters/transform.h"
#include "testsupport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;
using namespace pennova::filters;

TEST(Compositing, MaskToAlphaGivesWhiteWithGreyAsAlpha)
{
    QImage grey(256, 1, QImage::Format_Grayscale8);
    for (int x = 0; x < 256; ++x)
        grey.scanLine(0)[x] = uchar(x);
    // An opaque grey RGB mask must read the same.
    for (const QImage &mask : { grey, grey.convertToFormat(QImage::Format_RGB32) }) {
        const QImage out = maskToAlpha(mask);
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(out.pixel(x, 0), qRgba(x, x, x, x)) << "format " << mask.format();
    }
}

TEST(Compositing, MultiplyAndSourceOverMatchFloatReference)
{
    for (uint32_t seed : { 1u, 2u, 3u }) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const QImage s = test::randomPremultipliedImage(61, 47, seed);
        const QImage d = test::randomPremultipliedImage(61, 47, seed + 1000);
        QImage product(s.size(), s.format()), over(s.size(), s.format());
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const QRgb p = s.pixel(x, y), q = d.pixel(x, y);
                const double keep = 1 - qAlpha(p) / 255.0;
                const auto mul = [](int u, int v) { return int(std::lround(u * v / 255.0)); };
                const auto src = [&](int u, int v) { return int(std::lround(u + v * keep)); };
                product.setPixel(x, y,
                    qRgba(mul(qRed(p), qRed(q)), mul(qGreen(p), qGreen(q)), mul(qBlue(p), qBlue(q)),
                        mul(qAlpha(p), qAlpha(q))));
                over.setPixel(x, y,
                    qRgba(src(qRed(p), qRed(q)), src(qGreen(p), qGreen(q)), src(qBlue(p), qBlue(q)),
                        src(qAlpha(p), qAlpha(q))));
            }
        EXPECT_TRUE(test::imagesEqual(
            multiplyCompositing(s, d), product, QStringLiteral("multiply-%1").arg(seed), 1));
        EXPECT_TRUE(test::imagesEqual(
            sourceOverCompositing(s, d), over, QStringLiteral("sourceover-%1").arg(seed), 1));
    }
}

// The per-pixel operations work on two channels at a time; they must round exactly like
// channel-by-channel division by 255.
TEST(Compositing, PixelOperationsRoundEveryChannelExactly)
{
    for (uint32_t f = 0; f < 256; ++f)
        for (uint32_t c = 0; c < 256; ++c) {
            const QRgb p = qRgba(int(c), int(255 - c), int(c ^ 0x5A), int(c / 2));
            const QRgb expected = qRgba(int(div255(qRed(p) * f)), int(div255(qGreen(p) * f)),
                int(div255(qBlue(p) * f)), int(div255(qAlpha(p) * f)));
            ASSERT_EQ(scalePixel(p, f), expected) << "channel " << c << " factor " << f;
            ASSERT_EQ(multiplyPixel(p, maskToAlphaPixel(uint8_t(f))), expected);
        }
    const QImage s = test::randomPremultipliedImage(256, 64, 11);
    const QImage d = test::randomPremultipliedImage(256, 64, 12);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const QRgb p = s.pixel(x, y), q = d.pixel(x, y);
            const uint32_t inv = 255u - uint32_t(qAlpha(p));
            const auto over = [&](int a, int b) { return a + int(div255(uint32_t(b) * inv)); };
            ASSERT_EQ(sourceOverPixel(p, q),
                qRgba(over(qRed(p), qRed(q)), over(qGreen(p), qGreen(q)), over(qBlue(p), qBlue(q)),
                    over(qAlpha(p), qAlpha(q))));
        }
}

TEST(Compositing, TwoInputFiltersRefuseMismatchedSizes)
{
    const QImage a = test::randomPremultipliedImage(8, 8, 7);
    const QImage b = test::randomPremultipliedImage(8, 9, 8);
    EXPECT_TRUE(multiplyCompositing(a, b).isNull());
    EXPECT_TRUE(sourceOverCompositing(a, QImage()).isNull());
    EXPECT_TRUE(inkComposite(a, b, qRgb(1, 2, 3)).isNull());
    EXPECT_TRUE(diffFilter(a, b).isNull());
    EXPECT_TRUE(undoFilter(a, b).isNull());
}

TEST(Transform, TranslateAndCropPlacesPixels)
{
    QImage image(3, 2, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, qRgb(x, y, 7));

    // Placed at (5, 10) and read within (4, 9, 5, 4), it lands at (1, 1)..(3, 2).
    const QImage out = translateAndCrop(image, QPoint(5, 10), QRect(4, 9, 5, 4));
    ASSERT_EQ(out.size(), QSize(5, 4));
    int covered = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            covered += out.pixel(x, y) != 0;
    EXPECT_EQ(covered, 6);
    EXPECT_EQ(out.pixel(1, 1), qRgb(0, 0, 7));
    EXPECT_EQ(out.pixel(3, 2), qRgb(2, 1, 7));

    // A negative offset leaves only the bottom-right pixel in view.
    const QImage shifted = translateAndCrop(image, QPoint(-2, -1), QRect(0, 0, 2, 2));
    EXPECT_EQ(shifted.pixel(0, 0), qRgb(2, 1, 7));
    EXPECT_EQ(shifted.pixel(1, 0) | shifted.pixel(0, 1) | shifted.pixel(1, 1), 0u);
    EXPECT_TRUE(translateAndCrop(image, QPoint(0, 0), QRect(0, 0, 0, 3)).isNull());
}

TEST(Transform, CropKeepsMaskFormatAndClearsOutside)
{
    QImage mask(4, 4, QImage::Format_Grayscale8);
    mask.fill(200);
    const QImage out = crop(mask, QRect(2, -1, 4, 3));
    ASSERT_EQ(out.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(out.constScanLine(0)[0], 0); // above the mask
    EXPECT_EQ(out.constScanLine(1)[1], 200);
    EXPECT_EQ(out.constScanLine(1)[2], 0); // right of it
}
