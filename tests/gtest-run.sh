#!/usr/bin/env bash
# Runs a GoogleTest program (the whole command line given) and fails when it ran no test (a
# filter that matches nothing, a test renamed away from its filter) or skipped a test that
# tests/expected-skips.txt does not list with its reason. GoogleTest counts both as passed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skips="$here/expected-skips.txt"
log=$(mktemp "${TMPDIR:-/tmp}/kaze-gtest.XXXXXX")
trap 'rm -f "$log"' EXIT

"$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || exit "$rc"

tr -d '\r' < "$log" > "$log.plain" && mv "$log.plain" "$log"
ran=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from [0-9]+ test suites? ran.*/\1/p' "$log" |
      awk '{ total += $1 } END { print total + 0 }')
if [ "$ran" -eq 0 ]; then
  echo "gtest-run: no test ran: the filter matches nothing" >&2
  exit 1
fi

status=0
while read -r name; do
  [ -n "$name" ] || continue
  if ! grep -qE "^${name//./\\.}[[:space:]]+[^[:space:]]" "$skips"; then
    echo "gtest-run: $name was skipped, and $skips does not list it with its reason" >&2
    status=1
  fi
done < <(awk '/^\[  SKIPPED \] [0-9]+ tests?, listed below:/ { listing = 1; next }
              listing && /^\[  SKIPPED \] / { print $4; next }
              { listing = 0 }' "$log")
exit "$status"
