#!/usr/bin/env bash
# Builds a disc folder from the demo disc: its texts converted to Shift-JIS with CR LF line
# ends, and the given programs and libraries copied in (to the disc's root, or, written
# PLACE=FILE, to that place on the disc).
#   make-disc.sh OUT_DIR [FILE | PLACE=FILE ...]
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
# Each folder of demo/cab/ becomes a cabinet of that name (MSZIP), its texts in Shift-JIS.
for dir in "$root"/demo/cab/*/; do
  name=$(basename "$dir")
  work=$(mktemp -d)
  cp -a "$dir/." "$work/"
  find "$work" -type f -name '*.txt' | while read -r f; do
    iconv -f UTF-8 -t CP932 "$f" | sed 's/$/\r/' > "$f.sjis"
    mv "$f.sjis" "$f"
  done
  (cd "$work" && find . -type f | sed 's|^\./||' | sort | xargs gcab -c -z "$out/$name.cab")
  rm -rf "$work"
done
# The banner picture named by install.ini, made here rather than kept as a binary.
convert -size 320x60 gradient:'#000040-#4060a0' BMP3:"$out/banner.bmp"
for f in "$@"; do
  [ -z "$f" ] && continue
  if [[ $f == *=* ]]; then
    place=$out/${f%%=*}
    mkdir -p "$(dirname "$place")"
    cp "${f#*=}" "$place"
  else
    cp "$f" "$out/"
  fi
done
