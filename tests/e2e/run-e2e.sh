#!/usr/bin/env bash
# Runs the end-to-end driver under Wine (arguments as for run.sh) and turns the screenshots
# it saved beside itself into PNG files. Beside it runs the watcher that tells the driver
# which processes hold files of a disc (disc-watch.sh).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=""
previous=""
for arg in "$@"; do
  if [ "$previous" = "--" ]; then program=$arg; break; fi
  previous=$arg
done
dir=$(dirname "$program")
rm -f "$dir/disc-check.req" "$dir/disc-check.out"
"$here/disc-watch.sh" "$dir" &
watcher=$!
"$here/../wine/run.sh" "$@"
rc=$?
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
for bmp in "$dir"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $rc
