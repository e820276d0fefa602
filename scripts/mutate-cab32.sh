#!/usr/bin/env bash
# A longer mutation run of cab32.dll than the test command's minute, under Wine.
#   scripts/mutate-cab32.sh [SECONDS [SEED]]     (defaults: 1800 s, seed 1)
# One case again, or its damaged cabinet written out:
#   tests/wine/run.sh -- build/win/tests/archive/cab32_mutation.exe --seed S --only N [--save DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win" -j "$(nproc)" --target cab32_mutation_staging
WINE_BASE_PREFIX=${WINE_BASE_PREFIX:-$build/win/wine-base} \
  exec "$root/tests/wine/run.sh" -- "$build/win/tests/archive/cab32_mutation.exe" \
  --seconds "${1:-1800}" --seed "${2:-1}"
