#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a fixed time.
#   scripts/fuzz.sh [SECONDS] [TARGET...]      (default: 25 s each, every target)
#   FUZZ_RUNS=1000000 scripts/fuzz.sh 0 imageread   (a number of executions instead of a time)
# Seed corpora come from the test data; what a run finds new is kept in build/fuzz/corpora, a
# crash is written to build/fuzz/findings and makes the script fail.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-25}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(colorarchive settings undotiff replayscript imageread toolbox)
build="$root/build/fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPENNOVA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

seed() { # seed TARGET FILE...: copies test data into the target's corpus
    local dir="$build/corpora/$1"
    shift
    mkdir -p "$dir"
    for f in "$@"; do [ -f "$f" ] && cp -n "$f" "$dir/" || true; done
}
data="$root/tests/data"
seed colorarchive "$root"/fuzz/corpus/colorarchive/*
seed settings "$root"/fuzz/corpus/settings/*
seed replayscript "$data"/replay/*.txt
seed imageread "$data"/images/seeds/* "$data"/images/bad/* "$data"/strokes/*.png
seed toolbox "$root"/fuzz/corpus/toolbox/*
# Difference images: two size bytes, two spare, then a TIFF of four 8-bit samples a pixel.
mkdir -p "$build/corpora/undotiff"
{ printf '\x2f\x1f\x00\x00'; cat "$data/images/seeds/rgba.tiff"; } >"$build/corpora/undotiff/rgba"
{ printf '\x5f\x3f\x00\x00'; cat "$data/images/seeds/lzw.tiff"; } >"$build/corpora/undotiff/lzw"

mkdir -p "$build/findings"
status=0
for t in "${targets[@]}"; do
    [ -x "$build/fuzz/fuzz_$t" ] || { echo "fuzz_$t: not built"; status=1; continue; }
    limit=(-max_total_time="$seconds")
    [ -n "${FUZZ_RUNS:-}" ] && limit=(-runs="$FUZZ_RUNS")
    log="$build/findings/$t.log"
    if (cd "$build/findings" && "$build/fuzz/fuzz_$t" "${limit[@]}" -timeout=10 -rss_limit_mb=3072 \
        -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
        "$build/corpora/$t" >"$log" 2>&1); then
        echo "fuzz_$t: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no finding"
    else
        echo "fuzz_$t: FINDING (see $log)"
        tail -40 "$log"
        status=1
    fi
done
exit $status
