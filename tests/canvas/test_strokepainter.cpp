#include "canvas/strokepainter.h"
#include "testsupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>

using namespace pennova;

namespace {

struct Segment
{
    PenSample sample;
    BrushParams brush;
    std::optional<Rect> clip;
};

// Random strokes: the press first, then drags, some erasing, one inside a selection.
std::vector<std::vector<Segment>> randomStrokes(unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::vector<Segment>> strokes;
    for (int s = 0; s < 6; ++s) {
        BrushParams brush;
        brush.sizeMin = float(rng() % 5);
        brush.sizeMax = brush.sizeMin + float(rng() % 40);
        brush.eraserDiameter = float(1 + rng() % 30);
        brush.ink = s == 3;
        std::optional<Rect> clip;
        if (s == 4)
            clip = MakeRect(40, 30, 150, 90);
        Point p { float(rng() % 400) - 50, float(rng() % 300) - 50 };
        std::vector<Segment> stroke;
        for (int i = 0; i < 60; ++i) {
            stroke.push_back(
                Segment { PenSample { p, float(rng() % 100) / 100.0f, s == 2 }, brush, clip });
            p = Point { p.x + float(int(rng() % 40) - 20), p.y + float(int(rng() % 40) - 20) };
        }
        strokes.push_back(std::move(stroke));
    }
    return strokes;
}

// The same random picture on two canvases, one painted directly and one through a painter.
struct TwoCanvases
{
    TwoCanvases(int width, int height, uint32_t seed)
    {
        const QImage start = test::randomPremultipliedImage(width, height, seed);
        direct.adoptImage(start);
        threaded.adoptImage(start);
    }
    CanvasSurface direct, threaded;
    StrokeEngine directEngine { direct }, threadedEngine { threaded };
};

} // namespace

// The painting thread makes the same engine calls in the same order: the same pixels, the same
// dirty rectangle and "before" picture, and what it reports painted covers every change.
TEST(StrokePainterTest, PaintsWhatTheEngineWouldAndReportsWhereItPainted)
{
    TwoCanvases c(300, 200, 5);
    CanvasSurface &direct = c.direct, &threaded = c.threaded;
    StrokeEngine &directEngine = c.directEngine, &threadedEngine = c.threadedEngine;
    StrokePainter painter(threadedEngine, threaded);
    const EraseImage erase;

    int s = 0;
    for (const auto &stroke : randomStrokes(77)) {
        SCOPED_TRACE(s++);
        const QImage before = threaded.image().copy();
        for (StrokeEngine *engine : { &directEngine, &threadedEngine }) {
            engine->setLastPoints(stroke.front().sample.canvasPoint);
            engine->beginStroke(0xFF203040u);
        }
        QRect painted;
        for (size_t i = 0; i < stroke.size(); ++i) {
            const Segment &g = stroke[i];
            directEngine.paintSegment(g.sample, g.brush, g.clip, erase);
            painter.paintSegment(g.sample, g.brush, g.clip, erase);
            if (i % 7 == 0)
                painted |= painter.takePainted();
        }
        EXPECT_TRUE(painter.busy());
        painter.finish();
        EXPECT_FALSE(painter.busy());
        painted |= painter.takePainted();
        EXPECT_TRUE(painter.takePainted().isEmpty());

        ASSERT_TRUE(test::imagesEqual(threaded.image(), direct.image(), QStringLiteral("same")));
        EXPECT_EQ(threadedEngine.dirtyRect(), directEngine.dirtyRect());
        EXPECT_TRUE(test::imagesEqual(threadedEngine.before().copyRegion(threaded.bounds()), before,
            QStringLiteral("before")));
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                if (before.pixel(x, 199 - y) != threaded.pixel(x, y)) {
                    ASSERT_TRUE(painted.contains(x, y)) << x << "," << y;
                }
        for (StrokeEngine *engine : { &directEngine, &threadedEngine })
            engine->endStroke();
    }
}

// Segments that come quickly are painted on the painting thread, which tells once it has caught
// up with something to show, and again only after that was taken; a painter let go of with
// segments queued paints them first.
TEST(StrokePainterTest, TellsWhenCaughtUpAndPaintsWhatIsQueuedBeforeItGoes)
{
    TwoCanvases c(200, 150, 6);
    CanvasSurface &direct = c.direct, &threaded = c.threaded;
    StrokeEngine &directEngine = c.directEngine, &threadedEngine = c.threadedEngine;
    const EraseImage erase;
    BrushParams brush;
    brush.sizeMin = brush.sizeMax = 30.0f;
    const auto sample = [&](int i) {
        const float t = float(i % 400);
        return PenSample { Point {
            20.0f + (i / 400 % 2 ? 160.0f - t * 0.4f : t * 0.4f), 20.0f + float(i % 9) * 12.0f } };
    };
    std::atomic<int> told { 0 };
    int queued = 0;
    {
        StrokePainter painter(threadedEngine, threaded);
        painter.setCaughtUp([&] { ++told; });
        for (StrokeEngine *engine : { &directEngine, &threadedEngine }) {
            engine->setLastPoints(sample(0).canvasPoint);
            engine->beginStroke(0xFF000000u);
        }
        // Quickly queued until the painting thread has taken some and caught up (a thread
        // just woken may take milliseconds to run).
        const auto queueUntilTold = [&](int count) {
            for (int n = 0; told.load() < count && n < 200000; ++n) {
                painter.paintSegment(sample(queued++), brush, std::nullopt, erase);
                if (n % 50 == 49)
                    painter.finish();
            }
            painter.finish();
        };
        queueUntilTold(1);
        ASSERT_EQ(told.load(), 1);
        // Not taken yet: caught up again and again, but not told again.
        for (int i = 0; i < 200; ++i)
            painter.paintSegment(sample(queued++), brush, std::nullopt, erase);
        painter.finish();
        EXPECT_EQ(told.load(), 1);
        EXPECT_FALSE(painter.takePainted().isEmpty());
        queueUntilTold(2);
        EXPECT_EQ(told.load(), 2);
        for (int i = 0; i < 300; ++i)
            painter.paintSegment(sample(queued++), brush, std::nullopt, erase);
    }
    for (int i = 0; i < queued; ++i)
        directEngine.paintSegment(sample(i), brush, std::nullopt, erase);
    EXPECT_TRUE(test::imagesEqual(threaded.image(), direct.image(), QStringLiteral("queued")));
}
