#include "canvas/filters/compositing.h"
#include "canvas/filters/inkcomposite.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <random>

using namespace pennova;
using namespace pennova::filters;

namespace {

QImage filled(QSize size, QImage::Format format, uint value)
{
    QImage image(size, format);
    image.fill(value);
    return image;
}

QImage randomMask(QSize size, uint32_t seed)
{
    std::mt19937 rng(seed);
    QImage mask(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            mask.scanLine(y)[x] = uchar(rng() % 4 == 0 ? 0 : rng() % 256);
    return mask;
}

// The plain dab as the stroke engine paints it: colour masked by coverage, over background.
QImage plainDab(const QImage &background, QRgb colour, const QImage &coverage)
{
    const QImage fill = filled(background.size(), QImage::Format_ARGB32_Premultiplied, colour);
    return sourceOverCompositing(multiplyCompositing(fill, maskToAlpha(coverage)), background);
}

QImage inkDab(const QImage &background, QRgb colour, const QImage &coverage)
{
    return inkComposite(plainDab(background, colour, coverage), background, colour);
}

QRgb inkDabPixel(QRgb background, QRgb colour, int coverage)
{
    const QSize one(1, 1);
    return inkDab(filled(one, QImage::Format_ARGB32_Premultiplied, background), colour,
        filled(one, QImage::Format_Grayscale8, uint(coverage)))
        .pixel(0, 0);
}

} // namespace

TEST(InkComposite, KeepsBackgroundWhereUncoveredAndNeverLightensOpaquePaint)
{
    for (uint32_t seed : { 3u, 4u, 5u }) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const QImage background = test::randomPremultipliedImage(48, 48, seed);
        const QImage mask = randomMask(background.size(), seed);
        const QRgb colour = qRgb(int(seed * 70 % 256), int(seed * 30), 200);
        const QImage out = inkDab(background, colour, mask);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                const QRgb b = background.pixel(x, y), o = out.pixel(x, y);
                ASSERT_LE(qMax(qRed(o), qMax(qGreen(o), qBlue(o))), qAlpha(o)) << x << "," << y;
                if (mask.constScanLine(y)[x] == 0) {
                    ASSERT_EQ(o, b) << x << "," << y;
                } else if (qAlpha(b) == 255) {
                    ASSERT_TRUE(
                        qRed(o) <= qRed(b) && qGreen(o) <= qGreen(b) && qBlue(o) <= qBlue(b))
                        << std::hex << "background " << b << " ink " << o;
                }
            }
    }
}

TEST(InkComposite, GlazesLikeAMarker)
{
    // Full coverage over white gives the colour itself.
    for (QRgb colour :
        { qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 100, 50), qRgb(1, 254, 128) })
        EXPECT_EQ(inkDabPixel(0xFFFFFFFFu, colour, 255), colour);

    // Yellow over blue multiplies into green.
    const QRgb green = inkDabPixel(qRgb(40, 120, 220), qRgb(250, 230, 40), 255);
    EXPECT_GT(qGreen(green), qRed(green));
    EXPECT_GT(qGreen(green), qBlue(green));
    EXPECT_NEAR(qGreen(green), 120 * 230 / 255, 1);

    // Each further half-covering dab darkens.
    QRgb pixel = 0xFFFFFFFFu;
    for (int dab = 1; dab <= 4; ++dab) {
        const QRgb next = inkDabPixel(pixel, qRgb(200, 120, 60), 128);
        EXPECT_LT(
            qRed(next) + qGreen(next) + qBlue(next), qRed(pixel) + qGreen(pixel) + qBlue(pixel))
            << "dab " << dab;
        pixel = next;
    }
}

TEST(InkComposite, OverTransparentIsThePlainDab)
{
    const QImage clear = filled(QSize(16, 16), QImage::Format_ARGB32_Premultiplied, 0);
    const QImage mask = randomMask(clear.size(), 5);
    const QRgb colour = qRgb(90, 30, 200);
    EXPECT_TRUE(test::imagesEqual(inkDab(clear, colour, mask), plainDab(clear, colour, mask),
        QStringLiteral("ink-over-transparent"), 1));
}
