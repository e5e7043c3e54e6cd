#include "canvas/canvassurface.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace pennova;

TEST(CanvasSurface, NewCanvasIsOpaqueWhite)
{
    CanvasSurface s;
    ASSERT_TRUE(s.newImageWithSize(Size { 640, 480 }));
    EXPECT_EQ(s.width(), 640);
    EXPECT_EQ(s.height(), 480);
    EXPECT_EQ(s.image().sizeInBytes(), 1228800);
    EXPECT_EQ(s.image().format(), QImage::Format_ARGB32_Premultiplied);
    int white = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            white += s.pixel(x, y) == 0xFFFFFFFFu;
    EXPECT_EQ(white, 307200);
}

TEST(CanvasSurface, FractionalSizeTruncates)
{
    CanvasSurface s;
    ASSERT_TRUE(s.newImageWithSize(Size { 10.9f, 3.2f }));
    EXPECT_EQ(s.width(), 10);
    EXPECT_EQ(s.height(), 3);
}

struct FailingSize
{
    float w, h;
    const char *message;
};

class CanvasSurfaceFailure : public ::testing::TestWithParam<FailingSize>
{
};

TEST_P(CanvasSurfaceFailure, LogsAndLeavesNoPixels)
{
    const FailingSize c = GetParam();
    CanvasSurface s;
    {
        test::LogCapture log;
        EXPECT_FALSE(s.newImageWithSize(Size { c.w, c.h }));
        EXPECT_EQ(log.messages(), QStringList { QString::fromLatin1(c.message) });
    }
    EXPECT_FALSE(s.isValid());
    // Every later call tolerates the missing pixels.
    EXPECT_TRUE(s.copyRegion(QRect(0, 0, 10, 10)).isNull());
    s.writeRegion(QRect(0, 0, 2, 2), QImage(2, 2, CanvasSurface::kFormat));
    s.fillRegion(QRect(0, 0, 2, 2), 0);
    EXPECT_EQ(s.pixel(0, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CanvasSurfaceFailure,
    ::testing::Values(FailingSize { 0, 480, "Could not create new image." },
        FailingSize { 640, 0, "Could not create new image." },
        FailingSize { -5, 10, "Could not create new image." },
        FailingSize { 100000, 100000, "Could not allocate memory for new image." }));

TEST(CanvasSurface, CropRuleFlipsRows)
{
    CanvasSurface s;
    ASSERT_TRUE(s.newImageWithSize(Size { 8, 6 }));
    // Mark canvas pixel (2, 1): one up from the bottom row.
    s.fillRegion(QRect(2, 1, 1, 1), 0xFF102030u);
    EXPECT_EQ(s.pixel(2, 1), 0xFF102030u);
    // In storage (top row first) that is row 6 - 1 - 1 = 4.
    EXPECT_EQ(s.image().pixel(2, 4), 0xFF102030u);

    const QImage crop = s.copyRegion(QRect(1, 0, 3, 3));
    ASSERT_EQ(crop.size(), QSize(3, 3));
    // Canvas rows 0..2 come out top row first: canvas y = 1 is crop row 1.
    EXPECT_EQ(crop.pixel(1, 1), 0xFF102030u);
    EXPECT_EQ(crop.pixel(1, 2), 0xFFFFFFFFu);
}

TEST(CanvasSurface, RegionRoundTripAndClipping)
{
    CanvasSurface s;
    ASSERT_TRUE(s.newImageWithSize(Size { 32, 24 }));
    const QImage pixels = test::randomPremultipliedImage(10, 7, 42);
    s.writeRegion(QRect(5, 3, 10, 7), pixels);
    EXPECT_TRUE(test::imagesEqual(s.copyRegion(QRect(5, 3, 10, 7)), pixels, "surface-roundtrip"));

    // A region sticking out on the lower left only writes its on-canvas part.
    s.writeRegion(QRect(-4, -2, 10, 7), pixels);
    const QImage inside = s.copyRegion(QRect(0, 0, 6, 5));
    EXPECT_TRUE(test::imagesEqual(inside, pixels.copy(4, 0, 6, 5), "surface-clipped"));
    EXPECT_EQ(s.copyRegion(QRect(-4, -2, 10, 7)).size(), QSize(6, 5));
}

namespace {

// The half-size picture worked out pixel by pixel from the whole one.
QImage halvedReference(const QImage &full)
{
    QImage half((full.width() + 1) / 2, (full.height() + 1) / 2, CanvasSurface::kFormat);
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x) {
            const int x1 = std::min(2 * x + 1, full.width() - 1);
            const int y1 = std::min(2 * y + 1, full.height() - 1);
            const QRgb p[4] = { full.pixel(2 * x, 2 * y), full.pixel(x1, 2 * y),
                full.pixel(2 * x, y1), full.pixel(x1, y1) };
            const auto mean = [&](int (*channel)(QRgb)) {
                return (channel(p[0]) + channel(p[1]) + channel(p[2]) + channel(p[3]) + 2) / 4;
            };
            half.setPixel(x, y, qRgba(mean(qRed), mean(qGreen), mean(qBlue), mean(qAlpha)));
        }
    return half;
}

} // namespace

// The half-size picture follows every kind of write, on odd sides too, where a tile's storage
// rows do not start on an even row.
TEST(CanvasSurface, HalfImageFollowsEveryWrite)
{
    CanvasSurface surface;
    ASSERT_TRUE(surface.adoptImage(test::randomPremultipliedImage(131, 77, 4)));
    EXPECT_TRUE(test::imagesEqual(
        surface.halfImage(surface.bounds()), halvedReference(surface.image()), "half"));

    // Brought up to date where asked.
    surface.fillRegion(QRect(0, 0, 131, 77), 0xFF000000u);
    EXPECT_EQ(surface.halfImage(QRect(0, 0, 10, 10)).pixel(0, 38), 0xFF000000u);
    surface.fillRegion(QRect(60, 60, 9, 17), 0xFF204060u);
    surface.writeRegion(QRect(120, 0, 11, 5), test::randomPremultipliedImage(11, 5, 5));
    surface.prepareWrite(QRect(3, 64, 1, 1));
    surface.row(64)[3] = 0x80402010u;
    EXPECT_TRUE(test::imagesEqual(
        surface.halfImage(surface.bounds()), halvedReference(surface.image()), "half-writes"));

    ASSERT_TRUE(surface.adoptImage(test::randomPremultipliedImage(64, 3, 6)));
    EXPECT_TRUE(test::imagesEqual(
        surface.halfImage(surface.bounds()), halvedReference(surface.image()), "half-adopted"));
}
