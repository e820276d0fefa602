#!/usr/bin/env bash
# Builds and runs every test: the byte-level suite natively under ASan/UBSan, then the
# Windows suite under Wine (Japanese, code page 932).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)
build=${BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build "$build/native" -j "$jobs"
native_rc=0
(cd "$build/native" && ctest --output-on-failure -j "$jobs") || native_rc=$?

cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win" -j "$jobs"
win_rc=0
(cd "$build/win" && ctest --output-on-failure -j "$jobs") || win_rc=$?

# Bounded fuzz runs of the byte-level readers (FUZZ_SECONDS per target; longer runs:
# FUZZ_SECONDS=3600 scripts/fuzz.sh).
fuzz_rc=0
FUZZ_SECONDS=${FUZZ_SECONDS:-20} FUZZ_DIR="$build/fuzz" "$root/scripts/fuzz.sh" || fuzz_rc=$?

verdict() { [ "$1" = 0 ] && echo passed || echo FAILED; }
echo "native suite: $(verdict $native_rc); Windows suite under Wine: $(verdict $win_rc); fuzz runs: $(verdict $fuzz_rc)"
[ $native_rc = 0 ] && [ $win_rc = 0 ] && [ $fuzz_rc = 0 ]
