#!/usr/bin/env bash
# Builds Pennova with AddressSanitizer and UndefinedBehaviorSanitizer (-DPENNOVA_SANITIZE=ON) and
# runs the whole test suite there, leaks checked at every exit. Leaks inside Qt and the system
# libraries under it are listed, each with its reason, in tests/sanitizer/lsan.supp; nothing of
# Pennova's own goes there. Any report fails: a test's own, or one a program it starts printed.
#   scripts/sanitize.sh [ctest arguments...]       (e.g. -R 'Autosave' for a few tests)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/asan"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENNOVA_WERROR=ON \
    -DPENNOVA_SANITIZE=ON -DPENNOVA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# A failed allocation returns null, as it does without the sanitizer, so that the program's own
# handling of a picture too large for memory is what the tests see. Stacks of allocations are
# unwound the slow way: Qt's libraries have no frame pointers, and a leak's stack must reach the
# frames the suppressions name.
# Every report, of a test or of a program a test starts (whose output the test may not show),
# goes to a file of its own in $reports.
reports="$build/Testing/sanitizer-reports"
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:detect_stack_use_after_return=1:check_initialization_order=1:fast_unwind_on_malloc=0:log_path=$reports/asan"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 900 "$@") \
    || status=$?
count=$(find "$reports" -type f | wc -l)
for report in "$reports"/*; do
    [ -f "$report" ] || continue
    echo "== $report"
    head -n 40 "$report"
done
echo "sanitizer reports: $count"
[ "$count" -eq 0 ] || status=1
exit $status
