// Pennova's stroke engine side by side with libmypaint, the reference brush library, on the same
// 2000-sample zigzag, in one process and in interleaved rounds (one Pennova stroke, one peer
// stroke, again), so that both see the same machine load. Reported: samples per second of both
// and their ratio, and the pixels each stroke changed.
//
// The peer paints a hard round brush of radius R x pressure with four dabs per radius R (R/4
// spacing), opaque black, one atomic section per sample, as an interactive program drives it.
// Pennova's width also follows speed, so two settings are compared: "equal area" paints as many
// pixels as the peer (bsizemin 0 with bsize 20.5 for R5, 98 for R25), "constant width" paints
// the peer's largest width all along (bsizemin = bsize = 2R).
//
// Also here: the same stroke on a 1024^2 and an 8192^2 canvas, interleaved, whose time ratio
// shows that a segment costs nothing in proportion to the canvas.

#include "canvas/strokeengine.h"
#include "strokefile.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

#ifdef PENNOVA_HAVE_LIBMYPAINT
#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>
#endif

using namespace pennova;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<bench::StrokeFileSample> zigzag(int side)
{
    return bench::readStrokeFile(QStringLiteral(PENNOVA_BENCH_DATA "/zigzag_%1.txt").arg(side));
}

// One Pennova canvas with its engine; each stroke starts on a white canvas.
class PennovaPainter
{
public:
    PennovaPainter(int side, float sizeMin, float sizeMax)
        : m_side(side)
    {
        m_surface.newImageWithSize(Size { float(side), float(side) });
        m_brush.sizeMin = sizeMin;
        m_brush.sizeMax = sizeMax;
    }

    // Paints the stroke and returns the seconds it took.
    double paint(const std::vector<bench::StrokeFileSample> &samples)
    {
        const auto canvasPoint = [&](const bench::StrokeFileSample &s) {
            return Point { s.x, float(m_side) - s.y }; // the file's y runs down
        };
        const Clock::time_point start = Clock::now();
        m_engine.setLastPoints(canvasPoint(samples.front()));
        m_engine.beginStroke(0xFF000000u);
        for (const auto &s : samples)
            m_engine.paintSegment(
                PenSample { canvasPoint(s), s.pressure, false }, m_brush, std::nullopt, m_erase);
        const double seconds = secondsSince(start);
        benchmark::DoNotOptimize(m_engine.dirtyRect());
        return seconds;
    }

    // Pixels the last stroke changed; then the canvas is white again.
    qint64 changedPixelsAndClear()
    {
        qint64 changed = 0;
        for (const QRect &tile : m_engine.changedTiles()) {
            for (int y = tile.top(); y <= tile.bottom(); ++y) {
                const QRgb *row = m_surface.row(y);
                for (int x = tile.left(); x <= tile.right(); ++x)
                    changed += row[x] != 0xFFFFFFFFu;
            }
            m_surface.fillRegion(tile, 0xFFFFFFFFu);
        }
        return changed;
    }

    void clear() { changedPixelsAndClear(); }

private:
    int m_side;
    CanvasSurface m_surface;
    StrokeEngine m_engine { m_surface };
    BrushParams m_brush;
    EraseImage m_erase;
};

#ifdef PENNOVA_HAVE_LIBMYPAINT
class PeerPainter
{
public:
    PeerPainter(int side, float radius)
    {
        m_surface = mypaint_fixed_tiled_surface_new(side, side);
        m_brush = mypaint_brush_new();
        mypaint_brush_from_defaults(m_brush);
        const auto set = [&](MyPaintBrushSetting id, float value) {
            mypaint_brush_set_base_value(m_brush, id, value);
        };
        set(MYPAINT_BRUSH_SETTING_COLOR_H, 0.0f);
        set(MYPAINT_BRUSH_SETTING_COLOR_S, 0.0f);
        set(MYPAINT_BRUSH_SETTING_COLOR_V, 0.0f);
        set(MYPAINT_BRUSH_SETTING_HARDNESS, 1.0f);
        set(MYPAINT_BRUSH_SETTING_ANTI_ALIASING, 1.0f);
        set(MYPAINT_BRUSH_SETTING_OPAQUE, 1.0f);
        // Opaque whatever the pressure: pressure sets the radius instead.
        mypaint_brush_set_mapping_n(
            m_brush, MYPAINT_BRUSH_SETTING_OPAQUE_MULTIPLY, MYPAINT_BRUSH_INPUT_PRESSURE, 0);
        set(MYPAINT_BRUSH_SETTING_OPAQUE_MULTIPLY, 1.0f);
        // Four dabs per radius R: spacing R/4 whatever the pressure.
        set(MYPAINT_BRUSH_SETTING_DABS_PER_ACTUAL_RADIUS, 0.0f);
        set(MYPAINT_BRUSH_SETTING_DABS_PER_BASIC_RADIUS, 4.0f);
        set(MYPAINT_BRUSH_SETTING_DABS_PER_SECOND, 0.0f);
        set(MYPAINT_BRUSH_SETTING_RADIUS_BY_RANDOM, 0.0f);
        set(MYPAINT_BRUSH_SETTING_SLOW_TRACKING, 0.0f);
        set(MYPAINT_BRUSH_SETTING_TRACKING_NOISE, 0.0f);
        // Radius R x pressure: log R plus log(pressure), the latter as the pressure input's curve.
        set(MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, std::log(radius));
        const float points[] = { 0.05f, 0.1f, 0.2f, 0.3f, 0.45f, 0.6f, 0.8f, 1.0f };
        mypaint_brush_set_mapping_n(
            m_brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, MYPAINT_BRUSH_INPUT_PRESSURE, 8);
        for (int i = 0; i < 8; ++i)
            mypaint_brush_set_mapping_point(m_brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC,
                MYPAINT_BRUSH_INPUT_PRESSURE, i, points[i], std::log(points[i]));
        // The blank canvas, as the surface starts.
        MyPaintTileRequest request;
        mypaint_tile_request_init(&request, 0, 0, 0, TRUE);
        auto *tiled = reinterpret_cast<MyPaintTiledSurface *>(surface());
        mypaint_tiled_surface_tile_request_start(tiled, &request);
        if (request.buffer)
            std::copy(request.buffer, request.buffer + 4, m_blank);
        mypaint_tiled_surface_tile_request_end(tiled, &request);
    }
    ~PeerPainter()
    {
        mypaint_brush_unref(m_brush);
        mypaint_surface_unref(surface());
    }
    PeerPainter(const PeerPainter &) = delete;
    PeerPainter &operator=(const PeerPainter &) = delete;

    double paint(const std::vector<bench::StrokeFileSample> &samples)
    {
        MyPaintSurface *s = surface();
        const Clock::time_point start = Clock::now();
        mypaint_brush_reset(m_brush);
        mypaint_brush_new_stroke(m_brush);
        for (const auto &sample : samples) {
            mypaint_surface_begin_atomic(s);
            mypaint_brush_stroke_to(
                m_brush, s, sample.x, sample.y, sample.pressure, 0.0f, 0.0f, double(sample.dt));
            MyPaintRectangle roi;
            mypaint_surface_end_atomic(s, &roi);
        }
        return secondsSince(start);
    }

    // Pixels that differ from the blank canvas, counted tile by tile.
    qint64 paintedPixels(int side)
    {
        auto *tiled = reinterpret_cast<MyPaintTiledSurface *>(surface());
        qint64 painted = 0;
        const int tiles = (side + MYPAINT_TILE_SIZE - 1) / MYPAINT_TILE_SIZE;
        for (int ty = 0; ty < tiles; ++ty) {
            for (int tx = 0; tx < tiles; ++tx) {
                MyPaintTileRequest request;
                mypaint_tile_request_init(&request, 0, tx, ty, TRUE);
                mypaint_tiled_surface_tile_request_start(tiled, &request);
                if (request.buffer) {
                    for (int i = 0; i < MYPAINT_TILE_SIZE * MYPAINT_TILE_SIZE; ++i) {
                        const uint16_t *p = request.buffer + 4 * i;
                        painted += p[0] != m_blank[0] || p[1] != m_blank[1] || p[2] != m_blank[2]
                            || p[3] != m_blank[3];
                    }
                }
                mypaint_tiled_surface_tile_request_end(tiled, &request);
            }
        }
        return painted;
    }

private:
    MyPaintSurface *surface() { return mypaint_fixed_tiled_surface_interface(m_surface); }

    uint16_t m_blank[4] = { 0, 0, 0, 0 };
    MyPaintFixedTiledSurface *m_surface = nullptr;
    MyPaintBrush *m_brush = nullptr;
};
#endif

// Arguments: canvas side, peer radius R, and 0 for equal area or 1 for constant width.
void BM_EngineBesidePeer(benchmark::State &state)
{
#ifndef PENNOVA_HAVE_LIBMYPAINT
    state.SkipWithError("libmypaint not found at configure time (install libmypaint-dev)");
    return;
#else
    const int side = int(state.range(0));
    const int radius = int(state.range(1));
    const bool constantWidth = state.range(2) == 1;
    const auto samples = zigzag(side);
    if (samples.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    const float sizeMax = constantWidth ? 2.0f * float(radius) : (radius == 5 ? 20.5f : 98.0f);
    PennovaPainter pennova(side, constantWidth ? sizeMax : 0.0f, sizeMax);
    PeerPainter peer(side, float(radius));
    // One untimed round of each: first-touch costs, and the areas.
    pennova.paint(samples);
    const qint64 pennovaArea = pennova.changedPixelsAndClear();
    peer.paint(samples);
    const qint64 peerArea = peer.paintedPixels(side);

    double pennovaSeconds = 0, peerSeconds = 0;
    for (auto _ : state) {
        const double ours = pennova.paint(samples);
        pennovaSeconds += ours;
        peerSeconds += peer.paint(samples);
        state.SetIterationTime(ours);
        pennova.clear();
    }
    const double n = double(samples.size()) * double(state.iterations());
    state.counters["pennova_sps"] = n / pennovaSeconds;
    state.counters["peer_sps"] = n / peerSeconds;
    state.counters["ratio"] = peerSeconds / pennovaSeconds;
    state.counters["pennova_px"] = double(pennovaArea);
    state.counters["peer_px"] = double(peerArea);
#endif
}

// The same stroke on a 1024^2 and an 8192^2 canvas, interleaved: time(8192) / time(1024).
void BM_EngineCanvasSizeRatio(benchmark::State &state)
{
    const float diameter = float(state.range(0));
    const auto small = zigzag(1024);
    const auto large = zigzag(8192);
    if (small.empty() || large.empty()) {
        state.SkipWithError("stroke file missing: run the build's stroke-file step");
        return;
    }
    PennovaPainter smallCanvas(1024, diameter, diameter);
    PennovaPainter largeCanvas(8192, diameter, diameter);
    smallCanvas.paint(small);
    smallCanvas.clear();
    largeCanvas.paint(large);
    largeCanvas.clear();
    double smallSeconds = 0, largeSeconds = 0;
    for (auto _ : state) {
        const double s = smallCanvas.paint(small);
        smallSeconds += s;
        largeSeconds += largeCanvas.paint(large);
        state.SetIterationTime(s);
        smallCanvas.clear();
        largeCanvas.clear();
    }
    state.counters["ratio_8192_1024"] = largeSeconds / smallSeconds;
}

} // namespace

BENCHMARK(BM_EngineBesidePeer)
    ->ArgNames({ "canvas", "R", "constwidth" })
    ->Args({ 1024, 5, 0 })
    ->Args({ 8192, 5, 0 })
    ->Args({ 1024, 25, 0 })
    ->Args({ 8192, 25, 0 })
    ->Args({ 1024, 5, 1 })
    ->Args({ 8192, 5, 1 })
    ->Args({ 1024, 25, 1 })
    ->Args({ 8192, 25, 1 })
    ->UseManualTime()
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_EngineCanvasSizeRatio)
    ->ArgNames({ "diameter" })
    ->Arg(10)
    ->Arg(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
