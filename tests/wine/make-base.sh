#!/usr/bin/env bash
# Makes the shared base prefix once: 32-bit, Japanese (code page 932), no CD-ROM drive.
set -euo pipefail
base=$1
mkdir -p "$(dirname "$base")"
exec 9>"$base.lock"
flock 9
[ -f "$base/.kaze-ready-3" ] && exit 0
rm -rf "$base"
export WINEPREFIX="$base" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1
# A test program that crashes must fail at once, not wait for a debugger that nobody uses.
env LC_ALL=ja_JP.UTF-8 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
wineserver -w
# wineboot links the user's Desktop, Documents and the like to the Linux home: a shortcut
# made on the desktop, or a rollback gone wrong, would then write or delete host files.
# Every such link becomes an empty folder of the prefix's own.
for link in "$base"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm -f "$link"
    mkdir "$link"
  fi
done
if find "$base/drive_c/users" -type l | grep -q .; then
  echo "make-base.sh: links out of the prefix remain under drive_c/users" >&2
  exit 1
fi
touch "$base/.kaze-ready-3"
