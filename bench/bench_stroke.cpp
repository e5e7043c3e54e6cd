// Replays the same 2000-sample zigzag stroke (5 px per sample, pressure 0.2-1.0) through the
// stroke engine on a 1024^2 and an 8192^2 canvas, with brush diameters 5 and 25 (and 10 and 50,
// radius 5 and 25, for comparison with engines that count brushes by radius), and reports
// samples per second. A segment only touches its own neighbourhood, so both canvas sizes should
// run at the same speed.

#include "canvas/strokeengine.h"
#include "strokefile.h"

#include <benchmark/benchmark.h>

using namespace pennova;

namespace {

void BM_Stroke(benchmark::State &state)
{
    const int side = int(state.range(0));
    const float diameter = float(state.range(1));
    const auto samples
        = bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(side));
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    CanvasSurface surface;
    surface.newImageWithSize(Size { float(side), float(side) });
    StrokeEngine engine(surface);
    BrushParams brush;
    brush.sizeMin = brush.sizeMax = diameter;
    const EraseImage erase;
    for (auto _ : state) {
        const auto canvasPoint = [&](const bench::StrokeFileSample &s) {
            return Point { s.x, float(side) - s.y }; // the file's y runs down
        };
        engine.setLastPoints(canvasPoint(samples.front()));
        engine.beginStroke(0xFF000000u);
        for (const auto &s : samples)
            engine.paintSegment(
                PenSample { canvasPoint(s), s.pressure, false }, brush, std::nullopt, erase);
        benchmark::DoNotOptimize(engine.dirtyRect());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(samples.size()));
    state.counters["samples_per_second"]
        = benchmark::Counter(double(samples.size()), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_Stroke)
    ->ArgNames({ "canvas", "diameter" })
    ->Args({ 1024, 5 })
    ->Args({ 1024, 25 })
    ->Args({ 8192, 5 })
    ->Args({ 8192, 25 })
    ->Args({ 1024, 10 })
    ->Args({ 1024, 50 })
    ->Args({ 8192, 10 })
    ->Args({ 8192, 50 })
    ->Unit(benchmark::kMillisecond);
