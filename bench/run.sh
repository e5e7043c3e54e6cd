#!/usr/bin/env bash
# Builds and runs the benchmarks, then prints the table of bench/README.md.
#   bench/run.sh [build-dir]        (default build/dev, the RelWithDebInfo build of the README)
# Speed claims rest on ratios measured in one process (the engine beside libmypaint, the view
# beside the engine alone); on a busy machine compare those, and the CPU times, not wall times.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/dev}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target pennova_bench >/dev/null
out="$build/bench_results.json"
uptime
QT_QPA_PLATFORM=offscreen "$build/bench/pennova_bench" \
    --benchmark_filter='BM_EngineBesidePeer|BM_EngineCanvasSizeRatio|BM_PenUpUndoRedo|BM_UndoRedo512|BM_UndoBytesPerChangedPixel|BM_FirstPressAfterSeal|BM_Autosave|BM_StrokeDuringAutosave|BM_MovesThroughShownWindow|BM_FullRepaint' \
    --benchmark_out="$out" --benchmark_out_format=json >/dev/null
uptime
python3 bench/summary.py "$out"
