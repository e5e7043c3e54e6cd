// The undo step of a stroke: difference of a 512 x 512 region, its LZW TIFF encoding and the
// decoding that undo runs. The region is white before and holds an antialiased, 25-px-wide curved
// black stroke after, the typical change a pen stroke records.

#include "canvas/filters/difference.h"
#include "canvas/filters/tiffcodec.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <benchmark/benchmark.h>

using namespace pennova::filters;

namespace {

constexpr int kSide = 512;
constexpr int64_t kRegionBytes = int64_t(kSide) * kSide * 4;

struct StrokeRegion
{
    QImage before;
    QImage after;
};

const StrokeRegion &strokeRegion()
{
    static const StrokeRegion region = [] {
        StrokeRegion r;
        r.before = QImage(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
        r.before.fill(0xFFFFFFFFu);
        r.after = r.before.copy();
        QPainter painter(&r.after);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 25, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path(QPointF(30, 460));
        path.cubicTo(QPointF(120, 40), QPointF(300, 520), QPointF(480, 60));
        painter.drawPath(path);
        return r;
    }();
    return region;
}

void reportThroughput(benchmark::State &state, qsizetype compressedBytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * kRegionBytes);
    state.counters["compressed_bytes"] = double(compressedBytes);
}

void BM_DifferenceFilter(benchmark::State &state)
{
    const StrokeRegion &r = strokeRegion();
    for (auto _ : state) {
        QImage diff = diffFilter(r.before, r.after);
        benchmark::DoNotOptimize(diff.constBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kRegionBytes);
}

void BM_DifferenceTiffEncode(benchmark::State &state)
{
    const StrokeRegion &r = strokeRegion();
    const QImage diff = diffFilter(r.before, r.after);
    QByteArray tiff;
    for (auto _ : state) {
        tiff = encodeDifferenceTiff(diff);
        benchmark::DoNotOptimize(tiff.constData());
    }
    reportThroughput(state, tiff.size());
}

void BM_DifferenceTiffDecode(benchmark::State &state)
{
    const StrokeRegion &r = strokeRegion();
    const QByteArray tiff = encodeDifferenceTiff(diffFilter(r.before, r.after));
    for (auto _ : state) {
        QImage diff = decodeDifferenceTiff(tiff, QSize(kSide, kSide));
        if (diff.isNull())
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(diff.constBits());
    }
    reportThroughput(state, tiff.size());
}

// Recording a step (difference and encoding) and applying it (decoding and undo filter).
void BM_DifferenceRecordAndUndo(benchmark::State &state)
{
    const StrokeRegion &r = strokeRegion();
    qsizetype compressed = 0;
    for (auto _ : state) {
        const QByteArray tiff = encodeDifferenceTiff(diffFilter(r.before, r.after));
        compressed = tiff.size();
        QImage restored = undoFilter(r.after, decodeDifferenceTiff(tiff, QSize(kSide, kSide)));
        if (restored != r.before)
            state.SkipWithError("undo did not restore the region");
        benchmark::DoNotOptimize(restored.constBits());
    }
    reportThroughput(state, compressed);
}

} // namespace

BENCHMARK(BM_DifferenceFilter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DifferenceTiffEncode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DifferenceTiffDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DifferenceRecordAndUndo)->Unit(benchmark::kMicrosecond);
