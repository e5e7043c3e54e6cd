#include "canvas/strokeengine.h"
#include "testsupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace pennova;

namespace {

// A canvas and an engine, with helpers to paint strokes sample by sample.
class StrokeTest : public ::testing::Test
{
protected:
    void makeCanvas(int w, int h, QRgb fill = 0xFFFFFFFFu)
    {
        ASSERT_TRUE(surface.newImageWithSize(Size { float(w), float(h) }));
        surface.fillRegion(surface.bounds(), fill);
    }

    Rect press(Point p, float pressure = 1.0f, bool erasing = false)
    {
        engine.setLastPoints(p);
        engine.beginStroke(colour);
        return engine.paintSegment(PenSample { p, pressure, erasing }, brush, selection, erase);
    }

    Rect drag(Point p, float pressure = 1.0f, bool erasing = false)
    {
        return engine.paintSegment(PenSample { p, pressure, erasing }, brush, selection, erase);
    }

    // How much darker than white a pixel is, 0..1 (mean of the colour channels).
    float darkness(int x, int y) const
    {
        const QRgb c = surface.pixel(x, y);
        return 1.0f - (qRed(c) + qGreen(c) + qBlue(c)) / (3.0f * 255.0f);
    }
    float rowDarkness(int y, int x0, int x1) const
    {
        float sum = 0;
        for (int x = x0; x <= x1; ++x)
            sum += darkness(x, y);
        return sum;
    }
    float columnDarkness(int x, int y0, int y1) const
    {
        float sum = 0;
        for (int y = y0; y <= y1; ++y)
            sum += darkness(x, y);
        return sum;
    }

    CanvasSurface surface;
    StrokeEngine engine { surface };
    BrushParams brush;
    std::optional<Rect> selection;
    EraseImage erase;
    QRgb colour = 0xFF000000u;
};

} // namespace

TEST_F(StrokeTest, ClickPaintsRoundDotOfPressureDiameter)
{
    makeCanvas(100, 100);
    brush.sizeMin = 4;
    brush.sizeMax = 20;
    for (float pressure : { 0.0f, 0.49f, 1.0f }) {
        surface.fillRegion(surface.bounds(), 0xFFFFFFFFu);
        press(Point { 50.5f, 50.5f }, pressure);
        const float expected = 4.0f + 16.0f * std::sqrt(pressure);
        EXPECT_NEAR(rowDarkness(50, 0, 99), expected, 1.0f) << "pressure " << pressure;
        EXPECT_NEAR(columnDarkness(50, 0, 99), expected, 1.0f) << "pressure " << pressure;
        // Round: the diagonal through the centre is as long as the row, not sqrt(2) longer.
        float diagonal = 0;
        for (int i = -20; i <= 20; ++i)
            diagonal += darkness(50 + i, 50 + i);
        EXPECT_NEAR(diagonal * std::sqrt(2.0f), expected, 1.5f);
        EXPECT_EQ(darkness(50, 50), 1.0f);
    }
}

TEST_F(StrokeTest, SamplesCloserThanTwoPixelsAreDropped)
{
    makeCanvas(100, 100);
    press(Point { 20, 20 });
    EXPECT_FALSE(drag(Point { 30, 20 }).isEmpty());
    const QImage before = surface.image().copy();
    EXPECT_TRUE(drag(Point { 31.9f, 20 }).isEmpty());
    EXPECT_EQ(engine.lastPoint(), (Point { 30, 20 }));
    EXPECT_EQ(surface.image(), before);
    // The next sample is measured from the same point, so two small moves add up.
    EXPECT_FALSE(drag(Point { 32.5f, 20 }).isEmpty());
}

TEST_F(StrokeTest, FirstSegmentIsStraightLaterOnesCurve)
{
    makeCanvas(120, 100);
    brush.sizeMin = brush.sizeMax = 6;
    press(Point { 10.5f, 50.5f });
    drag(Point { 90.5f, 50.5f });
    // A straight horizontal line: every column is symmetric about row 50, and rows 5 away from
    // the centre line are untouched.
    for (int x = 20; x <= 80; x += 7) {
        for (int k = 1; k <= 4; ++k)
            EXPECT_NEAR(darkness(x, 50 + k), darkness(x, 50 - k), 1.0f / 255.0f) << x << "," << k;
        EXPECT_EQ(darkness(x, 56), 0.0f);
        EXPECT_EQ(darkness(x, 44), 0.0f);
    }

    // A second segment turning upwards leaves its start along the chord from the sample before
    // it: the curve bulges out past the straight line between its end points.
    surface.fillRegion(surface.bounds(), 0xFFFFFFFFu);
    brush.sizeMin = brush.sizeMax = 2;
    press(Point { 10.5f, 20.5f });
    drag(Point { 50.5f, 20.5f });
    drag(Point { 70.5f, 60.5f });
    // The chord from (50, 20) to (70, 60) passes x = 60 at y = 40; the curve, leaving (50, 20)
    // heading right, passes x = 60 lower down.
    float weighted = 0, total = 0;
    for (int y = 0; y < 100; ++y) {
        weighted += y * darkness(60, y);
        total += darkness(60, y);
    }
    ASSERT_GT(total, 0.5f);
    EXPECT_LT(weighted / total, 37.0f);
}

TEST_F(StrokeTest, EqualSizesGiveConstantWidthWhateverPressureAndSpeed)
{
    makeCanvas(400, 60);
    brush.sizeMin = brush.sizeMax = 9;
    std::mt19937 rng(7);
    press(Point { 5.5f, 30.5f }, 0.3f);
    float x = 5.5f;
    while (x < 390) {
        x += 2.5f + float(rng() % 30);
        drag(Point { std::min(x, 395.5f), 30.5f }, float(rng() % 100) / 100.0f);
    }
    for (int cx = 30; cx < 380; cx += 23)
        EXPECT_NEAR(columnDarkness(cx, 0, 59), 9.0f, 0.6f) << "column " << cx;
}

TEST_F(StrokeTest, FastStrokeIsThinnerAndWidthMovesAThirdPerSegment)
{
    makeCanvas(1000, 100);
    brush.sizeMin = 2;
    brush.sizeMax = 20;
    press(Point { 10, 30 }, 1.0f);
    EXPECT_FLOAT_EQ(engine.lastWidth(), 10.0f);
    // h = 2: target radius 1 + 9 * 0.5 = 5.5; the end radius moves a third of the way.
    drag(Point { 14, 30 }, 1.0f);
    EXPECT_FLOAT_EQ(engine.lastWidth(), (5.5f + 2 * 10.0f) / 3);
    // A sudden drop to zero pressure targets the minimum radius 1.
    const float w = engine.lastWidth();
    drag(Point { 18, 30 }, 0.0f);
    EXPECT_FLOAT_EQ(engine.lastWidth(), (1.0f + 2 * w) / 3);

    // At full pressure a 20-pixel jump (h = 10) targets bmin + (bmax - bmin) / 10.
    press(Point { 10, 70 }, 1.0f);
    for (int i = 1; i <= 30; ++i)
        drag(Point { 10.0f + 20.0f * i, 70 }, 1.0f);
    EXPECT_NEAR(engine.lastWidth(), 1.0f + 9.0f / 10.0f, 0.01f);
    const float fast = columnDarkness(500, 50, 99);
    press(Point { 10, 30 }, 1.0f);
    for (int i = 1; i <= 400; ++i)
        drag(Point { 10.0f + 2.0f * i, 30 }, 1.0f);
    const float slow = columnDarkness(500, 0, 49);
    EXPECT_NEAR(fast, 3.8f, 0.7f);
    EXPECT_GT(slow, 3 * fast);
}

TEST_F(StrokeTest, EraserStrengthBuildsUpCoverage)
{
    makeCanvas(200, 100, 0xFF000000u);
    brush.eraserDiameter = 12;
    brush.eraserStrength = 100;
    press(Point { 10.5f, 70.5f }, 1.0f, true);
    drag(Point { 190.5f, 70.5f }, 1.0f, true);
    EXPECT_EQ(surface.pixel(100, 70), 0xFFFFFFFFu);

    brush.eraserStrength = 30;
    press(Point { 10.5f, 30.5f }, 1.0f, true);
    drag(Point { 100.5f, 30.5f }, 1.0f, true);
    const int once = qRed(surface.pixel(60, 30));
    EXPECT_GT(once, 0);
    EXPECT_LT(once, 255);
    press(Point { 10.5f, 30.5f }, 1.0f, true);
    drag(Point { 100.5f, 30.5f }, 1.0f, true);
    EXPECT_GT(qRed(surface.pixel(60, 30)), once);
}

TEST_F(StrokeTest, EraserRestoresSealedPicture)
{
    makeCanvas(100, 100);
    surface.fillRegion(QRect(0, 0, 50, 100), 0xFF0000FFu);
    erase = EraseImage::sealed(surface.image());
    brush.sizeMin = brush.sizeMax = 10;
    press(Point { 5, 50 });
    drag(Point { 95, 50 });
    EXPECT_EQ(surface.pixel(25, 50), 0xFF000000u);
    brush.eraserDiameter = 16;
    brush.eraserStrength = 100;
    press(Point { 5, 50 }, 1.0f, true);
    drag(Point { 95, 50 }, 1.0f, true);
    EXPECT_EQ(surface.pixel(25, 50), 0xFF0000FFu);
    EXPECT_EQ(surface.pixel(75, 50), 0xFFFFFFFFu);
}

TEST_F(StrokeTest, InkGlazesPenStrokesOnly)
{
    makeCanvas(100, 100, 0xFF0000FFu);
    brush.ink = true;
    brush.inkColour = colour = 0xFFFFFF00u; // yellow
    brush.sizeMin = brush.sizeMax = 10;
    press(Point { 10, 70 });
    drag(Point { 90, 70 });
    const QRgb glazed = surface.pixel(50, 70);
    // Yellow over blue never lightens any channel; plain painting would give yellow.
    EXPECT_LE(qRed(glazed), 0);
    EXPECT_LE(qGreen(glazed), 0);
    EXPECT_LE(qBlue(glazed), 255);
    EXPECT_NE(glazed, 0xFFFFFF00u);

    brush.eraserDiameter = 10;
    brush.eraserStrength = 100;
    press(Point { 10, 30 }, 1.0f, true);
    drag(Point { 90, 30 }, 1.0f, true);
    EXPECT_EQ(surface.pixel(50, 30), 0xFFFFFFFFu);
}

TEST_F(StrokeTest, StrokeOffCanvasChangesOnlyCanvasAndClipsDirtyRect)
{
    makeCanvas(50, 40);
    brush.sizeMin = brush.sizeMax = 8;
    press(Point { -30, 20 });
    drag(Point { 25, 20 });
    drag(Point { 25, 80 });
    const Rect dirty = engine.dirtyRect();
    EXPECT_EQ(dirty.origin.x, 0);
    EXPECT_GE(dirty.origin.y, 0);
    EXPECT_LE(dirty.maxX(), 50);
    EXPECT_EQ(dirty.maxY(), 40);
    EXPECT_EQ(darkness(0, 20), 1.0f);
}

TEST_F(StrokeTest, SelectionClipsStrokesInsideItsOuterRing)
{
    makeCanvas(100, 100);
    selection = MakeRect(20.4f, 20, 40, 30); // integral: (20, 20, 41, 30)
    brush.sizeMin = brush.sizeMax = 12;
    press(Point { 0, 35 });
    drag(Point { 99, 35 });
    drag(Point { 40, 99 });
    drag(Point { 40, 0 });
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 21 && x < 60 && y >= 21 && y < 49;
            if (!inside) {
                ASSERT_EQ(surface.pixel(x, y), 0xFFFFFFFFu) << x << "," << y;
            }
        }
    EXPECT_EQ(darkness(21, 35), 1.0f);
    EXPECT_EQ(darkness(59, 35), 1.0f);
}

TEST_F(StrokeTest, RandomStrokesStayInsideDirtyRectAndBackupKeepsBefore)
{
    std::mt19937 rng(1234);
    SCOPED_TRACE("seed 1234");
    makeCanvas(300, 200);
    surface.adoptImage(test::randomPremultipliedImage(300, 200, 99));
    for (int stroke = 0; stroke < 5; ++stroke) {
        const QImage before = surface.image().copy();
        brush.sizeMin = float(rng() % 5);
        brush.sizeMax = brush.sizeMin + float(rng() % 30);
        brush.eraserDiameter = float(1 + rng() % 30);
        brush.ink = stroke == 3;
        Point p { float(rng() % 400) - 50, float(rng() % 300) - 50 };
        press(p, 0.5f, stroke == 2);
        for (int i = 0; i < 20; ++i) {
            p = Point { p.x + float(int(rng() % 60) - 30), p.y + float(int(rng() % 60) - 30) };
            drag(p, float(rng() % 100) / 100.0f, stroke == 2);
        }
        const Rect d = engine.dirtyRect();
        const QRect dirty(int(d.origin.x), int(d.origin.y), int(d.size.width), int(d.size.height));
        // The tiles handed to the undo step hold every changed pixel, and none is handed over
        // for nothing (a copy the step would keep without need).
        const QVector<QRect> tiles = engine.changedTiles();
        std::vector<int> changedIn(size_t(tiles.size()), 0);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                if (before.pixel(x, 199 - y) != surface.pixel(x, y)) {
                    ASSERT_TRUE(dirty.contains(x, y))
                        << "stroke " << stroke << " " << x << "," << y;
                    const auto tile = std::find_if(tiles.begin(), tiles.end(),
                        [&](const QRect &t) { return t.contains(x, y); });
                    ASSERT_NE(tile, tiles.end()) << "stroke " << stroke << " " << x << "," << y;
                    ++changedIn[size_t(tile - tiles.begin())];
                }
        for (size_t i = 0; i < changedIn.size(); ++i)
            EXPECT_GT(changedIn[i], 0) << "stroke " << stroke << " tile " << i;
        const QImage original = engine.beforeImage(dirty);
        EXPECT_TRUE(test::imagesEqual(original, before.copy(surface.storageRect(dirty)),
            QStringLiteral("backup-%1").arg(stroke)));
    }
}

TEST_F(StrokeTest, StraySamplesAreDroppedWithoutHarm)
{
    makeCanvas(100, 100);
    const float nan = std::nanf("");
    press(Point { nan, 10 });
    EXPECT_TRUE(drag(Point { 1e30f, 50 }).isEmpty());
    EXPECT_TRUE(drag(Point { 50, std::numeric_limits<float>::infinity() }).isEmpty());
    // The stroke goes on from the next good sample.
    EXPECT_FALSE(drag(Point { 20, 50 }, nan).isEmpty());
    drag(Point { 80, 50 });
    EXPECT_EQ(darkness(50, 50), 1.0f);
    EXPECT_TRUE(engine.dirtyRect().size.width < 100.0f);
}

// The view redisplays only what a segment's pieces reach: every pixel a segment changes lies in
// it, for pens, erasers, ink and a selection clip.
TEST_F(StrokeTest, EachSegmentChangesPixelsOnlyWhereItsPiecesReach)
{
    std::mt19937 rng(31);
    makeCanvas(160, 120);
    surface.adoptImage(test::randomPremultipliedImage(160, 120, 8));
    for (int stroke = 0; stroke < 4; ++stroke) {
        brush.sizeMin = float(rng() % 6);
        brush.sizeMax = brush.sizeMin + float(rng() % 40);
        brush.eraserDiameter = float(1 + rng() % 30);
        brush.eraserStrength = stroke == 1 ? 40.0f : 100.0f;
        brush.ink = stroke == 2;
        selection = stroke == 3 ? std::optional<Rect>(MakeRect(20, 20, 100, 70)) : std::nullopt;
        Point p { float(rng() % 160), float(rng() % 120) };
        QImage before = surface.image().copy();
        press(p, 0.7f, stroke == 1);
        for (int i = 0; i < 25; ++i) {
            const QRect reach = engine.lastReach();
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x)
                    if (before.pixel(x, 119 - y) != surface.pixel(x, y)) {
                        ASSERT_TRUE(reach.contains(x, y))
                            << "stroke " << stroke << " sample " << i << " " << x << "," << y;
                    }
            before = surface.image().copy();
            p = Point { p.x + float(int(rng() % 40) - 20), p.y + float(int(rng() % 40) - 20) };
            drag(p, float(rng() % 100) / 100.0f, stroke == 1);
        }
    }
}

// A long thin diagonal reaches a square of tiles but crosses only a band of them: only the tiles
// it writes are handed to the undo step, each holding changed pixels.
TEST_F(StrokeTest, LongDiagonalHandsOverOnlyTheTilesItCrosses)
{
    makeCanvas(640, 640);
    const QImage before = surface.image().copy();
    brush.sizeMin = brush.sizeMax = 4.0f;
    press(Point { 10, 10 });
    drag(Point { 630, 630 });
    const QVector<QRect> tiles = engine.changedTiles();
    EXPECT_LE(tiles.size(), 30); // of the 100 under the segment's bounding box
    for (const QRect &t : tiles) {
        bool changed = false;
        for (int y = t.top(); y <= t.bottom() && !changed; ++y)
            for (int x = t.left(); x <= t.right() && !changed; ++x)
                changed = before.pixel(x, 639 - y) != surface.pixel(x, y);
        EXPECT_TRUE(changed) << t.x() << "," << t.y();
    }
}
