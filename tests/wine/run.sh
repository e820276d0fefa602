#!/usr/bin/env bash
# Runs one Windows program under Wine in a private copy of a Japanese 32-bit prefix,
# so that tests which change machine state (registry, drives, Windows version) never
# see one another. The program's exit code is returned.
#
#   run.sh [--version win98|winxp|win2k|win7] [--cdrom L=DIR:LABEL]... [--native-dll NAME]...
#          [--drive L=DIR:TYPE[:LABEL]]... [--reg 'KEY|VALUE|DATA']... [--keep] -- program.exe [args...]
#
# --cdrom L=DIR:LABEL  drive L: becomes a CD-ROM drive holding a copy of DIR (empty DIR:
#                      an empty disc) with volume label LABEL (empty LABEL: no label file,
#                      which Wine reads as an empty drive).
# --drive L=DIR:TYPE[:LABEL]
#                      drive L: holds a copy of DIR (empty DIR: an empty folder) and has the
#                      drive type TYPE, one of Wine's: hd, network, floppy, cdrom, ramdisk.
# --native-dll NAME    Wine loads NAME.dll from the program's folder instead of its own.
# --system-dll FILE    FILE (NAME.dll) replaces Wine's own NAME.dll in the system folder and
#                      is loaded instead of it by every program, wherever that lies (a
#                      program that runs on from a copy of itself elsewhere still finds it).
# --small-drive L=SIZE drive L: becomes a hard disk of SIZE (tmpfs size, e.g. 64k), so that
#                      writes really fail when it is full. Needs the right to mount (root);
#                      without it the run fails loudly instead of testing nothing.
# WINE_BASE_PREFIX     where the shared, read-only base prefix lives (made on first use).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
base=${WINE_BASE_PREFIX:-${TMPDIR:-/tmp}/kaze-wine-base}
version=""
cdroms=()
drives=()
natives=()
systems=()
regs=()
smalls=()
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --version) version=$2; shift 2 ;;
    --cdrom) cdroms+=("$2"); shift 2 ;;
    --drive) drives+=("$2"); shift 2 ;;
    --native-dll) natives+=("$2"); shift 2 ;;
    --system-dll) systems+=("$2"); shift 2 ;;
    --reg) regs+=("$2"); shift 2 ;;
    --small-drive) smalls+=("$2"); shift 2 ;;
    --keep) keep=1; shift ;;
    --) shift; break ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -ge 1 ] || { echo "run.sh: no program" >&2; exit 2; }

# No winemenubuilder: it would copy the Start menu the tests make into the Linux home.
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine_ja() { env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wine "$@"; }

"$here/make-base.sh" "$base"

work=$(mktemp -d "${TMPDIR:-/tmp}/kaze-wine.XXXXXX")
mounts=()
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
  for m in "${mounts[@]+"${mounts[@]}"}"; do umount -l "$m" >/dev/null 2>&1 || true; done
  if [ "$keep" = 1 ]; then echo "run.sh: kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
cp -a "$base" "$work/prefix"
export WINEPREFIX="$work/prefix"
# The run's own folder on the host: what a test makes outside its prefix (a disc folder)
# goes there, never into a folder that tests running at the same time share.
export KAZE_TEST_WORK="$work"

setup_cmds=()
if [ -n "$version" ]; then
  setup_cmds+=("HKCU\\Software\\Wine|Version|$version")
fi
# A CD-ROM drive is a drive of type cdrom: L=DIR:LABEL becomes L=DIR:cdrom:LABEL.
for arg in "${cdroms[@]+"${cdroms[@]}"}"; do
  rest=${arg#*=}
  drives+=("${arg%%=*}=${rest%%:*}:cdrom:${rest#*:}")
done
for arg in "${drives[@]+"${drives[@]}"}"; do
  letter=${arg%%=*}; letter=${letter,,}
  rest=${arg#*=}
  dir=${rest%%:*}
  rest=${rest#*:}
  type=${rest%%:*}
  label=""
  case "$rest" in *:*) label=${rest#*:} ;; esac
  case "$type" in
    hd|network|floppy|cdrom|ramdisk) ;;
    *) echo "run.sh: unknown drive type '$type' in --drive $arg" >&2; exit 2 ;;
  esac
  root="$work/drive_$letter"
  mkdir -p "$root"
  if [ -n "$dir" ]; then cp -a "$dir/." "$root/"; fi
  if [ -n "$label" ]; then printf '%s\n' "$label" > "$root/.windows-label"; fi
  ln -sfn "$root" "$WINEPREFIX/dosdevices/$letter:"
  setup_cmds+=("HKLM\\Software\\Wine\\Drives|$letter:|$type")
done
for arg in "${smalls[@]+"${smalls[@]}"}"; do
  letter=${arg%%=*}; letter=${letter,,}
  size=${arg#*=}
  small="$work/small_$letter"
  mkdir -p "$small"
  if ! mount -t tmpfs -o "size=$size" kaze-small "$small"; then
    echo "run.sh: ERROR: --small-drive $arg: cannot mount a tmpfs of $size at $small" \
         "(mounting needs root or CAP_SYS_ADMIN); the test cannot run" >&2
    exit 3
  fi
  mounts+=("$small")
  ln -sfn "$small" "$WINEPREFIX/dosdevices/$letter:"
  setup_cmds+=("HKLM\\Software\\Wine\\Drives|$letter:|hd")
done
if [ ${#natives[@]} -gt 0 ]; then
  for dll in "${natives[@]}"; do
    setup_cmds+=("HKCU\\Software\\Wine\\DllOverrides|$dll|native")
  done
fi
for file in "${systems[@]+"${systems[@]}"}"; do
  [ -f "$file" ] || { echo "run.sh: --system-dll $file: no such file" >&2; exit 2; }
  name=$(basename "$file"); name=${name%.*}; name=${name,,}
  cp "$file" "$WINEPREFIX/drive_c/windows/system32/$name.dll"
  setup_cmds+=("HKCU\\Software\\Wine\\DllOverrides|$name|native")
done
for r in "${regs[@]+"${regs[@]}"}"; do setup_cmds+=("$r"); done

if [ ${#setup_cmds[@]} -gt 0 ]; then
  for c in "${setup_cmds[@]}"; do
    IFS='|' read -r key name data <<<"$c"
    wine_ja reg add "$key" /v "$name" /d "$data" /f >/dev/null 2>&1
  done
  # Drives and the Windows version are read when the session starts.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi

prog=$1; shift
run() {
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wine "$prog" "$@"
  else
    wine_ja "$prog" "$@"
  fi
}
# Wine's background processes inherit the output: send it to a file, not to ctest's pipe.
set +e
run "$@" >"$work/out.txt" 2>&1
rc=$?
set -e
cat "$work/out.txt"
exit $rc
