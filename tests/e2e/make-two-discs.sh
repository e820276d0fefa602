#!/usr/bin/env bash
# Builds a two-disc set from the demo disc: disc 1 as make-disc.sh builds it, with a file
# group on disc 2 added to the standard type, and disc 2 holding that group's file.
#   make-two-discs.sh DISC1_DIR DISC2_DIR [FILE | PLACE=FILE ...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
disc1=$1 disc2=$2; shift 2
"$here/make-disc.sh" "$disc1" "$@"
ini=$disc1/install.ini
# The description is Shift-JIS with CR LF: edit it bytewise, ASCII lines only.
LC_ALL=C sed -i -e 's/^DISKNUM=1\r$/DISKNUM=2\r/' \
                -e 's/^DISK_0=TSUKIMI1\r$/DISK_0=TSUKIMI1\r\nDISK_1=TSUKIMI2\r/' \
                -e 's/^DEFAULTLIST=0,1\r$/DEFAULTLIST=0,1,3\r/' "$ini"
printf '\r\n[INSTALL_GROUP_DISK_1]\r\nIDNUM=1\r\nGROUP_0=3\r\nMEMBERSIZE_0=1\r\nMEMBERNUM_0=1\r\nMEMBER_0_0=second.txt > Second\\\r\n' >> "$ini"
for line in 'DISKNUM=2' 'DISK_1=TSUKIMI2' 'DEFAULTLIST=0,1,3'; do
  LC_ALL=C grep -q "^$line"$'\r'"\$" "$ini" || { echo "make-two-discs.sh: $line not set" >&2; exit 1; }
done
rm -rf "$disc2"
mkdir -p "$disc2"
printf 'second disc\r\n' > "$disc2/second.txt"
