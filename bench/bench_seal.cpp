// Sealing a canvas and the first press after it, through a real canvas view: the seal takes the
// picture that erasing restores, and the first stroke must not pay for copying the canvas.

#include "app/documentwindow.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace pennova;

namespace {

using Clock = std::chrono::steady_clock;

void BM_FirstPressAfterSeal(benchmark::State &state)
{
    const int side = int(state.range(0));
    Defaults &defaults = Defaults::shared();
    registerDocumentDefaults(defaults);
    DocumentWindow window(defaults);
    if (!window.newCanvas(side, side)) {
        state.SkipWithError("canvas could not be made");
        return;
    }
    DrawView *view = window.drawView();
    view->resize(800, 600);
    PointerEvent press;
    press.location = Point { 400.5f, 300.5f };
    press.pressure = 1.0f;
    double sealSeconds = 0;
    for (auto _ : state) {
        const Clock::time_point sealStart = Clock::now();
        view->setErase(1);
        sealSeconds += std::chrono::duration<double>(Clock::now() - sealStart).count();
        const Clock::time_point start = Clock::now();
        view->mouseDown(press);
        view->finishPainting(); // the press's dot, painted on the painting thread, counts too
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        view->mouseUp(press);
        window.undoHistory()->undo();
    }
    state.counters["seal_ms"] = 1e3 * sealSeconds / double(state.iterations());
}

} // namespace

BENCHMARK(BM_FirstPressAfterSeal)
    ->ArgNames({ "canvas" })
    ->Arg(1024)
    ->Arg(8192)
    ->Arg(16384)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
