#!/usr/bin/env bash
# Runs a driver of the test build of setup.exe under Wine, the recorder writing to LOG,
# then checks the log against LIST. Screenshots the driver saved become PNG files.
#   run-recorded.sh LIST LOG -- run.sh [ARGUMENTS...] -- driver.exe [ARGUMENTS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=$1 log=$2
shift 2
[ "${1:-}" = "--" ] && shift
rm -f "$log"
# The recorder inside Wine writes through drive Z:, the Unix root.
export KAZE_CONTROL_LOG="Z:${log//\//\\}"
"$@"
rc=$?
for bmp in "${log%.log}"*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "--- recorded by the test build: $log"
cat "$log" 2>/dev/null
"$here/check-control-messages.sh" "$list" "$log" || rc=1
exit $rc
