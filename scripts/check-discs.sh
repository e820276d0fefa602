#!/usr/bin/env bash
# Checks a disc set before it ships, with the installer's own rules: disccheck.exe under a
# Japanese Wine, on the disc folders given here (Linux paths).
#   scripts/check-discs.sh [--label N=LABEL]... DISC1_FOLDER [DISC2_FOLDER ...]
# A folder's volume label cannot be read from a Linux folder: give it with --label (disc
# numbers count from 1). The report is printed in UTF-8; the exit code is disccheck's
# (0 no errors, 1 errors, 2 not checked).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build}/win
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target shipped >/dev/null

args=()
while [ $# -gt 0 ]; do
  case $1 in
    --label) args+=(--label "$2"); shift 2 ;;
    --label=*) args+=("$1"); shift ;;
    *)
      [ -d "$1" ] || { echo "check-discs: no such folder: $1" >&2; exit 2; }
      folder=$(realpath "$1")
      args+=("Z:${folder//\//\\}\\")
      shift ;;
  esac
done

export WINE_BASE_PREFIX=${WINE_BASE_PREFIX:-$root/out/wine-base}
report=$(mktemp)
trap 'rm -f "$report"' EXIT
set +e
"$root/tests/wine/run.sh" -- "$build/shipped/disccheck/disccheck.exe" "${args[@]}" >"$report" 2>&1
rc=$?
set -e
# The report is Shift-JIS, as on a Japanese Windows console; Wine's own chatter is left out.
iconv -f CP932 -t UTF-8 -c "$report" | grep -v -e '^X connection to' -e '^err:' -e '^fixme:' || true
exit $rc
