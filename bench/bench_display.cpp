// The display's costs: a stroke sent as pointer events through a shown canvas view, with the
// repaints it asks for carried out after every sample, beside the engine alone painting the same
// stroke (interleaved rounds, the ratio is what counts); and full repaints of a 2560 x 1600 view
// of a 4096^2 canvas at several zooms and rotations, at rest and while a gesture drags.

#include "app/documentwindow.h"
#include "canvas/canvasundo.h"
#include "canvas/strokeengine.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "strokefile.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

using namespace pennova;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sendMouse(DrawView *view, QEvent::Type type, QPointF p, Qt::KeyboardModifiers modifiers = {})
{
    QMouseEvent e(type, p, p, view->mapToGlobal(p), Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(view, &e);
}

// Every sample: the move event, then the repaint it asked for, as a shown window does it.
void BM_MovesThroughShownWindow(benchmark::State &state)
{
    constexpr int kSide = 1024;
    constexpr float kDiameter = 48.0f;
    const auto samples
        = bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(kSide));
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    Defaults &defaults = Defaults::shared();
    registerDocumentDefaults(defaults);
    defaults.setFloat(keys::BrushSize, kDiameter);
    defaults.setFloat(keys::BrushSizeMin, kDiameter);
    DocumentWindow window(defaults);
    window.newCanvas(kSide, kSide);
    window.resize(kSide, kSide + 60);
    window.show();
    DrawView *view = window.drawView();
    QCoreApplication::processEvents();

    CanvasSurface surface;
    surface.newImageWithSize(Size { float(kSide), float(kSide) });
    StrokeEngine engine(surface);
    BrushParams brush;
    brush.sizeMin = brush.sizeMax = kDiameter;
    const EraseImage erase;

    double viewSeconds = 0, engineSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        sendMouse(view, QEvent::MouseButtonPress, QPointF(samples.front().x, samples.front().y));
        QCoreApplication::processEvents();
        for (size_t i = 1; i < samples.size(); ++i) {
            sendMouse(view, QEvent::MouseMove, QPointF(samples[i].x, samples[i].y));
            QCoreApplication::processEvents();
        }
        sendMouse(view, QEvent::MouseButtonRelease, QPointF(samples.back().x, samples.back().y));
        QCoreApplication::processEvents();
        const double viewTime = secondsSince(start);
        viewSeconds += viewTime;
        // The view's pen-up hands its step to the undo worker; left running, that thread would
        // share the processor with the engine's turn below and slow it.
        CanvasUndo::finishPendingWork();
        // Nor may the view's painting thread, which stays awake a moment after a stroke.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

        // The engine alone, as the view drives it (pressure 1, a mouse), at the canvas points
        // the view's events reach, and its pen-up.
        const auto canvasPoint = [&](const bench::StrokeFileSample &s) {
            return view->viewToCanvas(view->viewPointFromWidget(QPointF(s.x, s.y)));
        };
        start = Clock::now();
        engine.setLastPoints(canvasPoint(samples.front()));
        engine.beginStroke(0xFF000000u);
        for (const auto &s : samples)
            engine.paintSegment(
                PenSample { canvasPoint(s), 1.0f, false }, brush, std::nullopt, erase);
        // The tiles the stroke wrote, taken before the pen-up lets go of its "before" picture.
        const QVector<QRect> engineTiles = engine.changedTiles();
        engine.endStroke();
        engineSeconds += secondsSince(start);
        state.SetIterationTime(viewTime);

        window.undoHistory()->undo();
        window.undoHistory()->clear();
        CanvasUndo::finishPendingWork();
        QCoreApplication::processEvents();
        // Both canvases white again, so that every round paints the same stroke on white.
        for (const QRect &tile : engineTiles)
            surface.fillRegion(tile, 0xFFFFFFFFu);
    }
    state.counters["view_over_engine"] = viewSeconds / engineSeconds;
    const double sampleCount = double(samples.size()) * double(state.iterations());
    state.counters["view_us"] = viewSeconds / sampleCount * 1e6;
    state.counters["engine_us"] = engineSeconds / sampleCount * 1e6;
    state.counters["view_sps"] = sampleCount / viewSeconds;
}

// Arguments: zoom in percent, rotation in degrees, 1 while a gesture drags.
void BM_FullRepaint(benchmark::State &state)
{
    const float zoom = float(state.range(0)) / 100.0f;
    const float degrees = float(state.range(1));
    const bool dragging = state.range(2) == 1;
    Defaults &defaults = Defaults::shared();
    registerDocumentDefaults(defaults);
    DocumentWindow window(defaults);
    window.newCanvas(4096, 4096);
    DrawView *view = window.drawView();
    view->surface().adoptImage([] {
        QImage picture(4096, 4096, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < 4096; ++y) {
            auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < 4096; ++x)
                row[x] = 0xFF000000u | uint32_t(x * 131 + y * 71) * 2654435761u >> 8;
        }
        return picture;
    }());
    window.resize(2560, 1600 + 60);
    window.show();
    QCoreApplication::processEvents();
    view->resize(2560, 1600);
    view->setViewZoom(zoom);
    if (degrees != 0.0f) {
        // A rotation drag (Meta held) about the view's centre, by `degrees`.
        const QPointF centre(1280, 800);
        const double a = double(degrees) * M_PI / 180.0;
        view->flagsChanged(Qt::MetaModifier);
        sendMouse(view, QEvent::MouseButtonPress, centre + QPointF(400, 0), Qt::MetaModifier);
        sendMouse(view, QEvent::MouseMove, centre + QPointF(400 * std::cos(a), -400 * std::sin(a)),
            Qt::MetaModifier);
        if (!dragging) {
            sendMouse(view, QEvent::MouseButtonRelease,
                centre + QPointF(400 * std::cos(a), -400 * std::sin(a)), Qt::MetaModifier);
            view->flagsChanged(Qt::NoModifier);
        }
    } else if (dragging) {
        // A pan drag (Space held) that has not moved yet.
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(view, &space);
        sendMouse(view, QEvent::MouseButtonPress, QPointF(1280, 800));
    }
    QCoreApplication::processEvents();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        view->repaint();
        state.SetIterationTime(secondsSince(start));
    }
    state.counters["rotation"] = double(view->transform().boundsRotation());
}

} // namespace

BENCHMARK(BM_MovesThroughShownWindow)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)
    ->ArgNames({ "zoom", "degrees", "dragging" })
    ->Args({ 100, 0, 0 })
    ->Args({ 50, 0, 0 })
    ->Args({ 150, 0, 0 })
    ->Args({ 200, 0, 0 })
    ->Args({ 400, 0, 0 })
    ->Args({ 100, 30, 0 })
    ->Args({ 100, 30, 1 })
    ->Args({ 150, 30, 1 })
    ->Args({ 50, 30, 1 })
    ->Args({ 50, 0, 1 })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
