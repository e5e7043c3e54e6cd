#include "canvas/filters/difference.h"
#include "canvas/filters/tiffcodec.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace pennova;
using namespace pennova::filters;

// QImage's == compares the words of same-format 32-bit images exactly.

TEST(Difference, UndoGivesOldPixelsBackDirectAndThroughTiff)
{
    const QSize sizes[] = { { 1, 1 }, { 37, 19 }, { 128, 64 } };
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const QSize size = sizes[seed % 3];
        SCOPED_TRACE(::testing::Message()
            << "seed " << seed << ", " << size.width() << "x" << size.height());
        const QImage before = test::randomPremultipliedImage(size.width(), size.height(), seed);
        const QImage after = test::randomPremultipliedImage(size.width(), size.height(), seed + 99);
        const QImage diff = diffFilter(before, after);
        EXPECT_TRUE(undoFilter(after, diff) == before);

        QString error;
        const QImage stored = decodeDifferenceTiff(encodeDifferenceTiff(diff), size, &error);
        ASSERT_TRUE(stored == diff) << error.toStdString();
        const QImage undone = undoFilter(after, stored);
        EXPECT_EQ(undone.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_TRUE(undone == before);
        // Redo applies the reverse difference to the restored pixels.
        EXPECT_TRUE(undoFilter(undone, diffFilter(after, undone)) == after);
    }
}

TEST(Difference, EveryPairOfCharacteristicWordsRoundTrips)
{
    // Transparent, opaque, half-transparent and extreme words, each changed into each other.
    const QRgb words[] = { 0x00000000u, 0xFFFFFFFFu, 0xFF000000u, 0x80808080u, 0x80400010u,
        0x01010101u, 0x7F7F7F7Fu, 0xFF123456u, 0x01000000u, 0xFE00FE00u };
    const int n = int(std::size(words));
    QImage before(n, n, QImage::Format_ARGB32_Premultiplied), after = before;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            reinterpret_cast<QRgb *>(before.scanLine(y))[x] = words[y];
            reinterpret_cast<QRgb *>(after.scanLine(y))[x] = words[x];
        }
    const QImage diff
        = decodeDifferenceTiff(encodeDifferenceTiff(diffFilter(before, after)), before.size());
    EXPECT_TRUE(undoFilter(after, diff) == before);
}

TEST(Difference, IdenticalImagesGiveZeroDifferenceThatCompressesSmall)
{
    const QImage image = test::randomPremultipliedImage(256, 256, 42);
    const QImage diff = diffFilter(image, image);
    QImage zero(image.size(), QImage::Format_ARGB32);
    zero.fill(0);
    EXPECT_TRUE(diff == zero);
    EXPECT_TRUE(undoFilter(image, diff) == image);
    const QByteArray tiff = encodeDifferenceTiff(diff);
    EXPECT_GT(tiff.size(), 0);
    EXPECT_LT(tiff.size(), 4096) << "of " << image.sizeInBytes() << " raw bytes";
}
