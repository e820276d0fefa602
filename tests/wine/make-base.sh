#!/usr/bin/env bash
# Makes the shared base prefix once: 32-bit, Japanese (code page 932), no CD-ROM drive.
set -euo pipefail
base=$1
mkdir -p "$(dirname "$base")"
exec 9>"$base.lock"
flock 9
[ -f "$base/.kaze-ready-2" ] && exit 0
rm -rf "$base"
export WINEPREFIX="$base" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1
# A test program that crashes must fail at once, not wait for a debugger that nobody uses.
env LC_ALL=ja_JP.UTF-8 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
wineserver -w
touch "$base/.kaze-ready-2"
