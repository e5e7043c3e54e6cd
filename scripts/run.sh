#!/usr/bin/env bash
# Installs what is missing, makes a release build and starts Pennova. Arguments go to pennova.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release \
    -DPENNOVA_BUILD_TESTS=OFF -DPENNOVA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target pennova -j"$(nproc)"
exec "$root/build/release/src/pennova" "$@"
