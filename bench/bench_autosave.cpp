// Autosave of an 8192^2 canvas: the time the main thread spends on one (taking the snapshot and
// handing it to the worker), against a goal of 2 ms, beside what a plain copy of the canvas for
// the worker would cost it; the time the worker then takes to write the file; and a stroke
// painted while an autosave is being written beside the same stroke painted without one (the
// canvas hands the snapshot each tile it writes first).

#include "app/autosavewriter.h"
#include "canvas/strokeengine.h"
#include "strokefile.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>

using namespace pennova;

namespace {

constexpr int kSide = 8192;

// A canvas with something on it: rows of noise every 16 rows, white elsewhere, so that the file is
// neither trivial nor all noise.
void paintSomething(CanvasSurface &surface)
{
    std::mt19937 random(7);
    for (int y = 0; y < surface.height(); y += 16) {
        QRgb *row = surface.row(y);
        for (int x = 0; x < surface.width(); ++x)
            row[x] = 0xFF000000u | (random() & 0xFFFFFFu);
    }
}

autosavefile::Record recordFor(const CanvasSurface &surface)
{
    return { {}, QStringLiteral("Untitled"), QDateTime::currentDateTime(),
        QSize(surface.width(), surface.height()) };
}

void waitForWrites()
{
    AutosaveWriter::waitForAll();
    QCoreApplication::sendPostedEvents();
}

void BM_AutosaveMainThread(benchmark::State &state)
{
    CanvasSurface surface;
    surface.newImageWithSize(Size { float(kSide), float(kSide) });
    paintSomething(surface);
    QTemporaryDir dir;
    AutosaveWriter writer(dir.filePath(QStringLiteral("autosave.png")));
    double writeSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        writer.write(surface.snapshot(), recordFor(surface));
        const auto handedOver = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(handedOver - start).count());
        waitForWrites();
        writeSeconds
            += std::chrono::duration<double>(std::chrono::steady_clock::now() - handedOver).count();
    }
    state.counters["worker_write_s"]
        = benchmark::Counter(writeSeconds / double(state.iterations()));
}

// The reference: a deep copy of the canvas, which a worker could encode without a snapshot.
void BM_AutosaveCopyReference(benchmark::State &state)
{
    CanvasSurface surface;
    surface.newImageWithSize(Size { float(kSide), float(kSide) });
    paintSomething(surface);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QImage copy = surface.image().copy();
        benchmark::DoNotOptimize(copy.constBits());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

// Arg 1: an autosave is being written while the stroke is painted; 0: none.
void BM_StrokeDuringAutosave(benchmark::State &state)
{
    const bool autosaving = state.range(0) != 0;
    const auto samples
        = bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(kSide));
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    CanvasSurface surface;
    surface.newImageWithSize(Size { float(kSide), float(kSide) });
    paintSomething(surface);
    StrokeEngine engine(surface);
    BrushParams brush;
    brush.sizeMin = brush.sizeMax = 25;
    const EraseImage erase;
    QTemporaryDir dir;
    AutosaveWriter writer(dir.filePath(QStringLiteral("autosave.png")));
    double paintSeconds = 0;
    for (auto _ : state) {
        if (autosaving)
            writer.write(surface.snapshot(), recordFor(surface));
        const auto canvasPoint = [](const bench::StrokeFileSample &s) {
            return Point { s.x, float(kSide) - s.y };
        };
        const auto start = std::chrono::steady_clock::now();
        engine.setLastPoints(canvasPoint(samples.front()));
        engine.beginStroke(0xFF000000u);
        for (const auto &s : samples)
            engine.paintSegment(
                PenSample { canvasPoint(s), s.pressure, false }, brush, std::nullopt, erase);
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        paintSeconds += seconds;
        waitForWrites();
    }
    state.counters["us_per_sample"]
        = benchmark::Counter(paintSeconds * 1e6 / double(state.iterations() * samples.size()));
}

} // namespace

BENCHMARK(BM_AutosaveMainThread)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutosaveCopyReference)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeDuringAutosave)
    ->ArgName("autosaving")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
