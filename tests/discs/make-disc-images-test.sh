#!/usr/bin/env bash
# make-disc-images.sh on a two-disc set: each image carries the label install.ini gives
# its disc and, in the Joliet tree Windows reads, exactly the files of its folder (checked
# here with xorriso, not with the script's own checks); and what it must refuse, leaving
# no image behind.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
script=$root/scripts/make-disc-images.sh
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Disc 1: the demo disc made the first of two. The edit is written as makers do: other
# case, blanks and quotes, and before it a DISK_1 of another section that must not count.
"$root/tests/e2e/make-disc.sh" "$work/disc1" >/dev/null || { echo "FAIL: make-disc.sh"; exit 1; }
ini=$work/disc1/install.ini
iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r' |
  sed -e 's/^\[INSTALL_INFO\]$/[Other]\nDISK_1=WRONG\n[Install_Info]/' -e 's/^DISKNUM=1$/DISKNUM=2/' \
      -e 's/^DISK_0=TSUKIMI1$/&\n  disk_1 = "TSUKIMI2"  /' |
  iconv -f UTF-8 -t CP932 | sed 's/$/\r/' > "$ini.new" && mv "$ini.new" "$ini"
grep -aq 'disk_1 = "TSUKIMI2"' "$ini" || { echo "FAIL: install.ini was not edited"; exit 1; }
# Disc 2: Japanese names (UTF-8 here) that must reach Windows unchanged.
mkdir -p "$work/disc2/データ"
printf 'シナリオ第二章\r\n' | iconv -f UTF-8 -t CP932 > "$work/disc2/データ/シナリオ.txt"
head -c 5000 /dev/urandom > "$work/disc2/Data2_Scenario.cab"

# Label and files of an image as Windows sees them, read back with xorriso: the volume id,
# and the Joliet tree extracted and compared with the folder, names and bytes.
check_image() {  # image label folder
  local volid copy=$work/extracted/$(basename "$1")
  volid=$(xorriso -indev "$1" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
  [ "$volid" = "$2" ] || fail "$1: volume id '$volid', expected '$2'"
  rm -rf "$copy"
  if ! xorriso -report_about SORRY -local_charset UTF-8 -read_fs norock -indev "$1" \
       -osirrox on -extract / "$copy" >/dev/null 2>&1; then
    fail "$1: cannot extract its Joliet tree"
  elif ! diff -r "$3" "$copy"; then
    fail "$1: its Joliet tree differs from $3"
  fi
}

out=$work/out
if ! "$script" "$out" "$work/disc1" "$work/disc2" > "$work/log" 2>&1; then
  cat "$work/log"; fail "the two-disc set was refused"
else
  cat "$work/log"
  check_image "$out/disc1.iso" TSUKIMI1 "$work/disc1"
  check_image "$out/disc2.iso" TSUKIMI2 "$work/disc2"
  grep -q "disc2.iso: label TSUKIMI2, 2 files" "$work/log" || fail "no summary line for disc 2"
fi

# A label given for a disc whose first folder has no install.ini; fewer folders than
# DISKNUM is only warned about.
if ! "$script" --label 1=EXTRA_1 "$work/out-label" "$work/disc2" >/dev/null 2>&1; then
  fail "--label 1=EXTRA_1 on a disc without install.ini was refused"
else
  check_image "$work/out-label/disc1.iso" EXTRA_1 "$work/disc2"
fi
if ! "$script" "$work/out-fewer" "$work/disc1" > "$work/log" 2>&1; then
  cat "$work/log"; fail "one folder of a two-disc set was refused"
else
  grep -q "warning" "$work/log" || fail "one folder of a two-disc set: no warning"
  check_image "$work/out-fewer/disc1.iso" TSUKIMI1 "$work/disc1"
fi

# Refusals: a non-zero exit, a message naming the reason, no image (nor part of one).
refuses() {  # what expected-message args...
  local what=$1 expected=$2 dir=$work/refused
  shift 2
  rm -rf "$dir"
  if "$script" "$dir" "$@" > "$work/log" 2>&1; then
    fail "$what: accepted"
  elif ! grep -qF -- "$expected" "$work/log"; then
    cat "$work/log"; fail "$what: no '$expected' in the message"
  fi
  if [ -d "$dir" ] && [ -n "$(find "$dir" -name '*.iso*')" ]; then
    fail "$what: left $(find "$dir" -name '*.iso*' | tr '\n' ' ')"
  fi
}
d1=$work/disc1 d2=$work/disc2
refuses "lower-case label"     "only A-Z, 0-9 and _" --label 2=Tsukimi2 "$d1" "$d2"
refuses "label with a blank"   "only A-Z, 0-9 and _" --label "2=TSUKIMI 2" "$d1" "$d2"
refuses "empty label"          "only A-Z, 0-9 and _" --label 2= "$d1" "$d2"
refuses "33-character label"   "33 characters" --label 2=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456 "$d1" "$d2"
# Windows reads the label of the Joliet descriptor, which holds 16 characters.
refuses "17-character label"   "17 characters" --label 2=TSUKIMI_BIYORI_02 "$d1" "$d2"
refuses "missing disc folder"  "not found" "$d1" "$work/no-such-disc"
refuses "more discs than DISKNUM" "DISKNUM=2" "$d1" "$d2" "$d2"
refuses "no install.ini, no label" "no install.ini" "$d2"
refuses "label for a disc not given" "only 2 disc folders" --label 3=TSUKIMI3 "$d1" "$d2"

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all passed"
