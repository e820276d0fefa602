#!/usr/bin/env bash
# Runs the end-to-end driver under Wine (arguments as for run.sh) and turns the screenshots
# it saved beside itself into PNG files.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=""
previous=""
for arg in "$@"; do
  if [ "$previous" = "--" ]; then program=$arg; break; fi
  previous=$arg
done
"$here/../wine/run.sh" "$@"
rc=$?
dir=$(dirname "$program")
for bmp in "$dir"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $rc
