#!/usr/bin/env bash
# Installs what is missing, builds everything (warnings are errors) and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENNOVA_WERROR=ON >/dev/null
cmake --build "$root/build/test" -j"$(nproc)"
cd "$root/build/test"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
