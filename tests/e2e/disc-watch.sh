#!/usr/bin/env bash
# Answers the end-to-end driver's question "does any process hold a file of this folder
# open or mapped?" from the Linux side, where Wine's open files and mappings are the
# processes' own descriptors and mappings (wineserver holds one for every open file and
# every mapped image).
#   disc-watch.sh DIR
# The driver writes DIR/disc-check.req holding a Unix folder; the answer goes to
# DIR/disc-check.out: "none", or one line per descriptor or mapping found.
set -uo pipefail
dir=$1
request=$dir/disc-check.req
answer=$dir/disc-check.out
while :; do
  if [ -f "$request" ]; then
    folder=$(head -n 1 "$request" | tr -d '\r')
    folder=$(realpath -e "$folder" 2>/dev/null || echo "$folder")
    folder=${folder%/}
    # One find and one grep over every process: a loop per descriptor is far too slow
    # on a busy machine.
    found=$(
      find /proc/[0-9]*/fd -maxdepth 1 \( -lname "$folder" -o -lname "$folder/*" \) \
           -printf '%h open: %l\n' 2>/dev/null
      grep -F -- " $folder/" /proc/[0-9]*/maps 2>/dev/null | awk '{ print $1, "mapped:", $NF }' |
        sed 's|/maps:[^ ]*||' | sort -u
    )
    rm -f "$request"
    printf '%s\n' "${found:-none}" > "$answer.tmp"
    mv "$answer.tmp" "$answer"
  fi
  sleep 0.2
done
