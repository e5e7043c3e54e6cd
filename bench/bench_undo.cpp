// The undo history's costs on the main thread: recording a stroke at pen-up, undoing and redoing
// it right away (while the step is still being compressed) and later (from the compressed
// difference); undo and redo of four kinds of 512 x 512 change; and the memory a step keeps per
// changed pixel, as stored bytes and as heap really held (mallinfo2).

#include "canvas/canvasundo.h"
#include "canvas/strokeengine.h"
#include "canvas/undohistory.h"
#include "strokefile.h"

#include <QPainter>
#include <QPainterPath>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <random>

using namespace pennova;

namespace {

using Clock = std::chrono::steady_clock;

template <typename F> double millisecondsOf(F &&f)
{
    const Clock::time_point start = Clock::now();
    f();
    return 1e3 * std::chrono::duration<double>(Clock::now() - start).count();
}

// A canvas with its engine and undo history.
struct UndoBench
{
    explicit UndoBench(int canvasSide)
        : side(canvasSide)
    {
        surface.newImageWithSize(Size { float(side), float(side) });
        undo.setHistory(&history);
    }

    void paintZigzag(const std::vector<bench::StrokeFileSample> &samples, float diameter)
    {
        BrushParams brush;
        brush.sizeMin = brush.sizeMax = diameter;
        const auto canvasPoint = [&](const bench::StrokeFileSample &s) {
            return Point { s.x, float(side) - s.y };
        };
        engine.setLastPoints(canvasPoint(samples.front()));
        engine.beginStroke(0xFF000000u);
        for (const auto &s : samples)
            engine.paintSegment(
                PenSample { canvasPoint(s), s.pressure, false }, brush, std::nullopt, erase);
    }

    // Pen-up as the canvas view does it.
    void penUp()
    {
        undo.recordChange(toQRect(engine.dirtyRect()), engine.before(), QStringLiteral("Draw"));
        engine.endStroke();
    }

    qint64 pixelsDifferentFromWhite() const
    {
        qint64 n = 0;
        for (int y = 0; y < side; ++y) {
            const QRgb *row = surface.row(y);
            for (int x = 0; x < side; ++x)
                n += row[x] != 0xFFFFFFFFu;
        }
        return n;
    }

    int side;
    CanvasSurface surface;
    StrokeEngine engine { surface };
    UndoHistory history;
    CanvasUndo undo { surface };
    EraseImage erase;
};

std::vector<bench::StrokeFileSample> zigzag(int side)
{
    return bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(side));
}

// Pen-up, undo and redo of the 2000-sample zigzag with radius 25 on a 1024^2 canvas.
void BM_PenUpUndoRedo(benchmark::State &state)
{
    const auto samples = zigzag(1024);
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    UndoBench b(1024);
    double penUp = 0, undoFresh = 0, redoFresh = 0, undoStored = 0, redoStored = 0;
    for (auto _ : state) {
        b.paintZigzag(samples, 50.0f);
        const double up = millisecondsOf([&] { b.penUp(); });
        penUp += up;
        undoFresh += millisecondsOf([&] { b.history.undo(); });
        redoFresh += millisecondsOf([&] { b.history.redo(); });
        CanvasUndo::finishPendingWork();
        undoStored += millisecondsOf([&] { b.history.undo(); });
        redoStored += millisecondsOf([&] { b.history.redo(); });
        state.SetIterationTime(up / 1e3);
        b.history.undo();
        b.history.clear();
    }
    const double n = double(state.iterations());
    state.counters["pen_up_ms"] = penUp / n;
    state.counters["undo_at_once_ms"] = undoFresh / n;
    state.counters["redo_at_once_ms"] = redoFresh / n;
    state.counters["undo_ms"] = undoStored / n;
    state.counters["redo_ms"] = redoStored / n;
}

// Undo and redo of a compressed 512 x 512 change: 0 a curve, 1 a flat fill, 2 a real stroke,
// 3 noise.
void BM_UndoRedo512(benchmark::State &state)
{
    const int kind = int(state.range(0));
    UndoBench b(512);
    const CanvasSnapshot before = b.surface.snapshot();
    if (kind == 0) {
        QImage region = b.surface.copyRegion(b.surface.bounds());
        QPainter painter(&region);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 25, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path(QPointF(30, 460));
        path.cubicTo(QPointF(120, 40), QPointF(300, 520), QPointF(480, 60));
        painter.drawPath(path);
        painter.end();
        b.surface.writeRegion(b.surface.bounds(), region);
        b.undo.recordChange(b.surface.bounds(), before, QStringLiteral("Draw"));
    } else if (kind == 1) {
        b.surface.fillRegion(b.surface.bounds(), 0xFF3070B0u);
        b.undo.recordChange(b.surface.bounds(), before, QStringLiteral("Draw"));
    } else if (kind == 2) {
        const auto samples = zigzag(512);
        if (samples.empty()) {
            state.SkipWithError("stroke file missing: run the build's stroke-file step");
            return;
        }
        b.paintZigzag(samples, 25.0f);
        b.penUp();
    } else {
        QImage noise(512, 512, CanvasSurface::kFormat);
        std::mt19937 rng(3);
        for (int y = 0; y < 512; ++y) {
            auto *row = reinterpret_cast<QRgb *>(noise.scanLine(y));
            for (int x = 0; x < 512; ++x)
                row[x] = 0xFF000000u | (rng() & 0xFFFFFFu);
        }
        b.surface.writeRegion(b.surface.bounds(), noise);
        b.undo.recordChange(b.surface.bounds(), before, QStringLiteral("Draw"));
    }
    CanvasUndo::finishPendingWork();
    double undoMs = 0, redoMs = 0;
    for (auto _ : state) {
        const double u = millisecondsOf([&] { b.history.undo(); });
        undoMs += u;
        redoMs += millisecondsOf([&] { b.history.redo(); });
        state.SetIterationTime(u / 1e3);
    }
    state.counters["undo_ms"] = undoMs / double(state.iterations());
    state.counters["redo_ms"] = redoMs / double(state.iterations());
    state.counters["stored_bytes"] = double(b.undo.storedBytes());
}

// Memory one stroke's step keeps, per changed pixel: the zigzag of radius R on a 1024^2 canvas.
void BM_UndoBytesPerChangedPixel(benchmark::State &state)
{
    const float radius = float(state.range(0));
    const auto samples = zigzag(1024);
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    double payload = 0, heap = 0;
    for (auto _ : state) {
        UndoBench b(1024);
        // A first stroke, undone, so that every scratch buffer has its size.
        b.paintZigzag(samples, 2 * radius);
        b.penUp();
        CanvasUndo::finishPendingWork();
        b.history.undo();
        b.history.clear();
        CanvasUndo::finishPendingWork();
        malloc_trim(0);
        const size_t heapBefore = mallinfo2().uordblks;
        b.paintZigzag(samples, 2 * radius);
        b.penUp();
        CanvasUndo::finishPendingWork();
        const size_t heapAfter = mallinfo2().uordblks;
        const double changed = double(b.pixelsDifferentFromWhite());
        payload += double(b.undo.storedBytes()) / changed;
        heap += (double(heapAfter) - double(heapBefore)) / changed;
        state.SetIterationTime(1e-3);
    }
    state.counters["payload_bytes_per_px"] = payload / double(state.iterations());
    state.counters["heap_bytes_per_px"] = heap / double(state.iterations());
}

} // namespace

BENCHMARK(BM_PenUpUndoRedo)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo512)
    ->ArgNames({ "curve_flat_stroke_noise" })
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoBytesPerChangedPixel)
    ->ArgNames({ "R" })
    ->Arg(5)
    ->Arg(25)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
