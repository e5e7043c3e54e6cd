#include "canvas/canvassurface.h"
#include "canvas/eraseimage.h"
#include "testsupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using namespace pennova;

namespace {

class CanvasSnapshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(surface.adoptImage(test::randomPremultipliedImage(300, 200, 11)));
        original = surface.image().copy();
    }

    CanvasSurface surface;
    QImage original;
};

} // namespace

TEST_F(CanvasSnapshotTest, KeepsThePictureWhileEveryKindOfWriteChangesTheCanvas)
{
    const CanvasSnapshot snap = surface.snapshot();
    surface.fillRegion(QRect(10, 10, 50, 20), 0xFF112233u);
    surface.writeRegion(QRect(200, 150, 30, 30), test::randomPremultipliedImage(30, 30, 3));
    surface.prepareWrite(QRect(130, 70, 1, 1));
    surface.row(70)[130] = 0xFF000000u;
    EXPECT_TRUE(test::imagesEqual(snap.copyRegion(surface.bounds()), original, "snapshot"));
    EXPECT_EQ(snap.pixel(130, 70), original.pixel(130, 199 - 70));
    // Only the written tiles were copied: (0,0), (3,2) and (2,1), in row order.
    EXPECT_EQ(snap.changedTiles(),
        QVector<QRect>({ QRect(0, 0, 64, 64), QRect(128, 64, 64, 64), QRect(192, 128, 64, 64) }));
    // A later snapshot sees the changes, the earlier one still does not.
    const CanvasSnapshot later = surface.snapshot();
    surface.fillRegion(surface.bounds(), 0xFFFFFFFFu);
    EXPECT_EQ(later.pixel(20, 15), 0xFF112233u);
    EXPECT_TRUE(test::imagesEqual(snap.copyRegion(surface.bounds()), original, "snapshot-2"));
    // Outside the picture a snapshot reads transparent.
    QRgb row[4];
    snap.readRow(5, 298, 4, row);
    EXPECT_EQ(row[0], original.pixel(298, 194));
    EXPECT_EQ(row[2], 0u);
    EXPECT_EQ(snap.pixel(-1, 5), 0u);
    // A rectangle across tiles, rows written bottom up with a stride.
    std::vector<QRgb> block(70 * 40);
    snap.readRect(QRect(40, 50, 70, 40), block.data(), 70);
    EXPECT_EQ(block[0], original.pixel(40, 199 - 50));
    EXPECT_EQ(block[39 * 70 + 69], original.pixel(109, 199 - 89));
    EXPECT_EQ(block[20 * 70 + 30], original.pixel(70, 199 - 70));
}

TEST_F(CanvasSnapshotTest, OutlivesANewPictureAndTheSurface)
{
    CanvasSnapshot snap;
    {
        CanvasSurface other;
        ASSERT_TRUE(other.adoptImage(original));
        snap = other.snapshot();
        other.newImageWithSize(Size { 50, 50 });
        other.fillRegion(other.bounds(), 0xFF000000u);
        // A shallow copy of the picture held elsewhere is never written through.
        const QImage shallow = other.image();
        other.fillRegion(other.bounds(), 0xFF00FF00u);
        EXPECT_EQ(shallow.pixel(0, 0), 0xFF000000u);
    }
    EXPECT_TRUE(test::imagesEqual(snap.copyRegion(snap.bounds()), original, "outlived"));
    EXPECT_TRUE(snap.changedTiles().isEmpty());
}

TEST_F(CanvasSnapshotTest, AWorkerReadsTheSnapshotWhileTheCanvasPaints)
{
    const CanvasSnapshot snap = surface.snapshot();
    std::atomic<bool> done { false };
    std::atomic<int> badReads { 0 }, reads { 0 };
    std::thread reader([&] {
        while (!done.load() || reads.load() < 3) {
            if (snap.copyRegion(snap.bounds()) != original)
                ++badReads;
            ++reads;
        }
    });
    std::mt19937 rng(5);
    for (int i = 0; i < 400; ++i) {
        const QRect r(int(rng() % 300), int(rng() % 200), 1 + int(rng() % 40), 1 + int(rng() % 40));
        surface.fillRegion(r, 0xFF000000u | rng());
    }
    done = true;
    reader.join();
    EXPECT_EQ(badReads.load(), 0);
    EXPECT_GE(reads.load(), 3);
}

TEST_F(CanvasSnapshotTest, SealedEraseImageCopiesOnlyTheTilesThatChange)
{
    const CanvasSnapshot sealedPicture = surface.snapshot();
    const EraseImage erase = EraseImage::sealed(sealedPicture);
    surface.fillRegion(QRect(70, 70, 10, 10), 0xFF0000FFu);
    EXPECT_EQ(sealedPicture.changedTiles().size(), 1);
    // Erasing a rectangle puts the sealed pixels back.
    erase.drawInto(surface, QRect(0, 0, 300, 200));
    EXPECT_TRUE(test::imagesEqual(surface.image(), original, "erased"));
    EXPECT_EQ(EraseImage().pixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(CanvasSnapshotTest, ACopySharedBySnapshotsStaysUntilTheLastOneIsReleased)
{
    CanvasSnapshot first = surface.snapshot();
    const CanvasSnapshot second = surface.snapshot();
    surface.fillRegion(QRect(0, 0, 10, 10), 0xFF0000FFu); // one copy of tile (0,0) for both
    first = CanvasSnapshot();
    // New copies for a new snapshot must not reuse the one the second snapshot still holds.
    const CanvasSnapshot third = surface.snapshot();
    surface.fillRegion(QRect(200, 100, 100, 100), 0xFF00FF00u);
    EXPECT_TRUE(test::imagesEqual(second.copyRegion(surface.bounds()), original, "second"));
    EXPECT_EQ(third.pixel(5, 5), 0xFF0000FFu);
}

TEST_F(CanvasSnapshotTest, CopiesOfReleasedSnapshotsServeLaterOnesWithTheirOwnPixels)
{
    // Every tile copied, edge tiles too, then handed back.
    {
        const CanvasSnapshot gone = surface.snapshot();
        surface.fillRegion(surface.bounds(), 0xFF123456u);
    }
    const QImage changed = test::randomPremultipliedImage(300, 200, 23);
    surface.writeRegion(surface.bounds(), changed);
    const CanvasSnapshot snap = surface.snapshot();
    surface.fillRegion(surface.bounds(), 0xFF654321u);
    EXPECT_EQ(snap.changedTiles().size(), 5 * 4);
    EXPECT_TRUE(test::imagesEqual(snap.copyRegion(snap.bounds()), changed, "reused copies"));
    std::vector<QRgb> block(44 * 8);
    snap.readRect(QRect(256, 192, 44, 8), block.data(), 44); // the corner tile, cut by both edges
    EXPECT_EQ(block[0], changed.pixel(256, 7));
    EXPECT_EQ(block[7 * 44 + 43], changed.pixel(299, 0));
}
