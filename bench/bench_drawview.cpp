// The same zigzag stroke as the engine benchmark, sent as mouse events through a real canvas
// view: event conversion, settings reads at every segment, painting and redisplay requests, and
// the undo step at release.

#include "app/documentwindow.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "strokefile.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

using namespace pennova;

namespace {

void BM_StrokeThroughView(benchmark::State &state)
{
    const int side = int(state.range(0));
    const float diameter = float(state.range(1));
    const auto samples
        = bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(side));
    if (samples.empty()) {
        state.SkipWithError("stroke file missing");
        return;
    }
    Defaults &defaults = Defaults::shared();
    registerDocumentDefaults(defaults);
    defaults.setFloat(keys::BrushSize, diameter);
    defaults.setFloat(keys::BrushSizeMin, diameter);
    DocumentWindow window(defaults);
    window.newCanvas(side, side);
    DrawView *view = window.drawView();
    view->resize(side, side);
    const auto send = [&](QEvent::Type type, const bench::StrokeFileSample &s) {
        const QPointF p(s.x, s.y); // the file's y runs down, like the widget's
        QMouseEvent e(type, p, p, p, Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
    };
    for (auto _ : state) {
        send(QEvent::MouseButtonPress, samples.front());
        for (size_t i = 1; i < samples.size(); ++i)
            send(QEvent::MouseMove, samples[i]);
        send(QEvent::MouseButtonRelease, samples.back());
    }
    state.counters["samples_per_second"]
        = benchmark::Counter(double(samples.size()), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_StrokeThroughView)
    ->ArgNames({ "canvas", "diameter" })
    ->Args({ 1024, 5 })
    ->Args({ 1024, 25 })
    ->Args({ 8192, 25 })
    ->Unit(benchmark::kMillisecond);
