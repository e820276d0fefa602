#!/usr/bin/env bash
# Makes the shared base prefix once: 32-bit, Japanese (code page 932), no CD-ROM drive.
set -euo pipefail
base=$1
mkdir -p "$(dirname "$base")"
exec 9>"$base.lock"
flock 9
[ -f "$base/.kaze-ready-5" ] && exit 0
rm -rf "$base"
# winemenubuilder turns every shortcut and file type of the prefix into files of the Linux
# home (menus, .desktop files, MIME types): it never runs.
export WINEPREFIX="$base" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1
# A test program that crashes must fail at once, not wait for a debugger that nobody uses.
env LC_ALL=ja_JP.UTF-8 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
# The dialogs ask for the fonts of a Japanese Windows; without them Wine takes a font of
# other widths and cuts labels short. The IPA fonts of the same kind (proportional, fixed)
# stand in for them.
for pair in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' 'ＭＳ Ｐ明朝=IPAPMincho' 'ＭＳ 明朝=IPAMincho'; do
  env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1
done
wineserver -w
# wineboot links the user's Desktop, Documents and the like to the Linux home: a shortcut
# made on the desktop, or a rollback gone wrong, would then write or delete host files.
# Every such link (Templates too, deeper down) becomes an empty folder of the prefix's own.
while IFS= read -r -d '' link; do
  rm -f "$link"
  mkdir "$link"
done < <(find "$base/drive_c/users" -type l -print0)
touch "$base/.kaze-ready-5"
