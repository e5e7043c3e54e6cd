#include "canvas/canvasundo.h"
#include "canvas/strokeengine.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <random>

using namespace pennova;

namespace {

class CanvasUndoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(surface.newImageWithSize(Size { 200, 150 }));
        surface.adoptImage(test::randomPremultipliedImage(200, 150, 5));
        undo.setHistory(&history);
    }
    // A failed check must not leave compressing held for the tests after it.
    void TearDown() override { CanvasUndo::holdEncoding(false); }

    // One random stroke recorded as "Draw", as the canvas view does at release; false when it
    // changed no pixel (it passed beside the canvas) and so made no step.
    bool stroke(std::mt19937 &rng)
    {
        brush.sizeMin = 1;
        brush.sizeMax = float(2 + rng() % 30);
        Point p { float(rng() % 260) - 30, float(rng() % 200) - 25 };
        engine.setLastPoints(p);
        engine.beginStroke(qRgb(int(rng() % 256), 0, 0));
        for (int i = 0; i < 12; ++i) {
            engine.paintSegment(PenSample { p, 0.8f, false }, brush, std::nullopt, erase);
            p = Point { p.x + float(int(rng() % 50) - 25), p.y + float(int(rng() % 50) - 25) };
        }
        const QRect r = toQRect(engine.dirtyRect());
        return undo.recordChange(r, engine.before(), QStringLiteral("Draw"));
    }

    CanvasSurface surface;
    StrokeEngine engine { surface };
    UndoHistory history;
    CanvasUndo undo { surface };
    BrushParams brush;
    EraseImage erase;
};

} // namespace

// Undo, redo and undo again restore every byte, whether the steps are still waiting to be
// compressed (they put the tiles of their snapshots back), compressed (they apply the stored
// difference, and redo applies it the other way) or a mixture of both.
TEST_F(CanvasUndoTest, UndoRedoUndoRestoresEveryByte)
{
    for (const char *when : { "compressed", "waiting", "mixed" }) {
        SCOPED_TRACE(when);
        std::mt19937 rng(2024);
        surface.adoptImage(test::randomPremultipliedImage(200, 150, 5));
        history.clear();
        const bool waiting = std::string(when) == "waiting";
        CanvasUndo::holdEncoding(waiting || std::string(when) == "mixed");
        std::vector<QImage> states { surface.image().copy() };
        while (states.size() < 7) {
            if (!stroke(rng))
                continue;
            states.push_back(surface.image().copy());
            if (std::string(when) == "mixed" && states.size() == 4)
                CanvasUndo::holdEncoding(false);
        }
        if (!waiting)
            CanvasUndo::finishPendingWork();
        ASSERT_EQ(history.count(), 6);
        EXPECT_EQ(history.undoActionName(), QStringLiteral("Draw"));
        for (int i = 5; i >= 0; --i) {
            history.undo();
            ASSERT_TRUE(test::imagesEqual(surface.image(), states[size_t(i)], "undo-state"));
        }
        EXPECT_EQ(history.redoActionName(), QStringLiteral("Draw"));
        for (int i = 1; i <= 6; ++i) {
            history.redo();
            ASSERT_TRUE(test::imagesEqual(surface.image(), states[size_t(i)], "redo-state"));
        }
        // Compressing finishes between the redo and the next undo.
        CanvasUndo::holdEncoding(false);
        CanvasUndo::finishPendingWork();
        history.undo();
        EXPECT_TRUE(test::imagesEqual(surface.image(), states[5], "undo-again"));
        history.undo();
        EXPECT_TRUE(test::imagesEqual(surface.image(), states[4], "undo-again-2"));
    }
}

// A step of hundreds of tiles is put back before and after it is compressed, the compressed one
// in parts shared between two threads; the tiles at the canvas's right edge are narrower than
// the four words handled at a time.
TEST_F(CanvasUndoTest, LargeCompressedStepsRestoreEveryByte)
{
    ASSERT_TRUE(surface.adoptImage(test::randomPremultipliedImage(1301, 1030, 8)));
    const QImage original = surface.image().copy();
    const CanvasSnapshot before = surface.snapshot();
    surface.writeRegion(QRect(0, 0, 1301, 900), test::randomPremultipliedImage(1301, 900, 9));
    surface.fillRegion(QRect(200, 700, 1101, 330), 0xFF102030u); // flat tiles too
    const QImage changed = surface.image().copy();
    CanvasUndo::holdEncoding(true);
    ASSERT_TRUE(undo.recordChange(surface.bounds(), before, QStringLiteral("Draw")));
    // Before compressing: the tiles of the snapshots put back.
    history.undo();
    ASSERT_TRUE(test::imagesEqual(surface.image(), original, "large-undo-at-once"));
    history.redo();
    ASSERT_TRUE(test::imagesEqual(surface.image(), changed, "large-redo-at-once"));
    CanvasUndo::holdEncoding(false);
    CanvasUndo::finishPendingWork();
    ASSERT_GT(undo.storedBytes(), 1000000);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        history.undo();
        ASSERT_TRUE(test::imagesEqual(surface.image(), original, "large-undo"));
        history.redo();
        ASSERT_TRUE(test::imagesEqual(surface.image(), changed, "large-redo"));
    }
}

// A step keeps only the tiles whose bytes changed, compressed; nothing once its steps are gone.
TEST_F(CanvasUndoTest, StoresOnlyChangedTilesAndLetsThemGo)
{
    surface.fillRegion(surface.bounds(), 0xFF000000u);
    // Black over black: the change reaches every tile but changes no byte.
    CanvasSnapshot before = surface.snapshot();
    surface.fillRegion(surface.bounds(), 0xFF000000u);
    ASSERT_TRUE(undo.recordChange(surface.bounds(), before, QStringLiteral("Draw")));
    CanvasUndo::finishPendingWork();
    EXPECT_EQ(undo.storedBytes(), 0);
    history.undo();
    history.redo();
    EXPECT_EQ(surface.pixel(100, 75), 0xFF000000u);

    // One changed pixel in a 200 x 150 region: one tile, a few hundred bytes.
    before = surface.snapshot();
    surface.fillRegion(QRect(130, 70, 1, 1), 0xFF0000FFu);
    ASSERT_TRUE(undo.recordChange(surface.bounds(), before, QStringLiteral("Draw")));
    CanvasUndo::finishPendingWork();
    EXPECT_GT(undo.storedBytes(), 0);
    EXPECT_LT(undo.storedBytes(), 600);
    history.undo();
    EXPECT_EQ(surface.pixel(130, 70), 0xFF000000u);
    history.redo();
    EXPECT_EQ(surface.pixel(130, 70), 0xFF0000FFu);
    history.clear();
    EXPECT_EQ(undo.storedBytes(), 0);
}

TEST_F(CanvasUndoTest, RegionIsClippedAndNothingOutsideIsTouched)
{
    surface.fillRegion(surface.bounds(), 0xFFFFFFFFu);
    const QImage before = surface.copyRegion(QRect(-10, -10, 40, 30));
    surface.fillRegion(QRect(0, 0, 30, 20), 0xFF000000u);
    ASSERT_TRUE(undo.recordChange(QRect(-10, -10, 40, 30), before, QStringLiteral("Draw")));
    // A later change elsewhere stays when the first is undone, even across the region's edge.
    surface.fillRegion(QRect(30, 0, 10, 10), 0xFF00FF00u);
    history.undo();
    EXPECT_EQ(surface.pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(surface.pixel(29, 19), 0xFFFFFFFFu);
    EXPECT_EQ(surface.pixel(30, 0), 0xFF00FF00u);
}

TEST_F(CanvasUndoTest, EmptyRegionRegistersNothing)
{
    EXPECT_FALSE(undo.recordChange(
        QRect(300, 300, 10, 10), QImage(10, 10, CanvasSurface::kFormat), QStringLiteral("Draw")));
    EXPECT_FALSE(undo.recordChange(QRect(), QImage(), QStringLiteral("Draw")));
    EXPECT_EQ(history.count(), 0);
}

TEST_F(CanvasUndoTest, DepthLimitKeepsTheNewestSteps)
{
    std::mt19937 rng(77);
    history.setLevelsOfUndo(3);
    for (int i = 0; i < 5; ++i)
        stroke(rng);
    EXPECT_EQ(history.count(), 3);
    history.undo();
    history.undo();
    history.undo();
    EXPECT_FALSE(history.canUndo());
}
