#!/usr/bin/env bash
# Builds a disc folder from the demo disc: its texts converted to Shift-JIS with CR LF line
# ends, and the given programs and libraries copied in.
#   make-disc.sh OUT_DIR [FILE...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1; shift
rm -rf "$out"
mkdir -p "$out"
cp -a "$root/demo/disc1/." "$out/"
find "$out" -type f \( -name '*.ini' -o -name '*.txt' \) | while read -r f; do
  iconv -f UTF-8 -t CP932 "$f" | sed 's/$/\r/' > "$f.sjis"
  mv "$f.sjis" "$f"
done
for f in "$@"; do
  [ -n "$f" ] && cp "$f" "$out/"
done
