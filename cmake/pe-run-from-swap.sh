#!/usr/bin/env bash
# Sets IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) in a PE file's header: Windows NT then
# loads the whole program into the page file when it is started from a CD or a floppy,
# so the disc can be taken out while it runs. The linker has no option for it.
#   pe-run-from-swap.sh FILE
set -euo pipefail
file=$1
le() { od -An -t u"$2" -j "$1" -N "$2" "$file" | tr -d ' '; }
[ "$(head -c 2 "$file")" = "MZ" ] || { echo "$file: not an MZ program" >&2; exit 1; }
pe=$(le 60 4)
[ "$(dd if="$file" bs=1 skip="$pe" count=4 status=none | od -An -t x1 | tr -d ' ')" = "50450000" ] ||
  { echo "$file: no PE signature" >&2; exit 1; }
at=$((pe + 4 + 18))  # Characteristics in the COFF file header
flags=$(( $(le "$at" 2) | 0x0400 ))
printf "$(printf '\\%03o\\%03o' $((flags & 0xFF)) $((flags >> 8)))" |
  dd of="$file" bs=1 seek="$at" conv=notrunc status=none
