#!/usr/bin/env bash
# Builds the installer and the demo disc, puts the disc into a Wine CD-ROM drive labelled
# TSUKIMI1 and starts setup.exe from it, on a Japanese Wine.
#
# With a display (DISPLAY set) the wizard opens there and you click through it.
# Without one it runs on a virtual display; a screenshot goes to out/demo/ and the
# wizard is closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build}/win
out=$root/out/demo
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target setup tsukimi_demo $(grep -q '^cab32:' <(cmake --build "$build" --target help) && echo cab32)

# The disc: the demo files with their texts in Shift-JIS, and the programs.
rm -rf "$out/disc1"
mkdir -p "$out/disc1"
cp -a "$root/demo/disc1/." "$out/disc1/"
find "$out/disc1" -type f \( -name '*.ini' -o -name '*.txt' \) | while read -r f; do
  iconv -f UTF-8 -t CP932 "$f" | sed 's/$/\r/' > "$f.sjis" && mv "$f.sjis" "$f"
done
cp "$build/app/setup.exe" "$out/disc1/"
cp "$build/demo/Tsukimi.exe" "$out/disc1/"
[ -f "$build/cab32/cab32.dll" ] && cp "$build/cab32/cab32.dll" "$out/disc1/"

export WINE_BASE_PREFIX=${WINE_BASE_PREFIX:-$root/out/wine-base}
run=("$root/tests/wine/run.sh" --cdrom "D=$out/disc1:TSUKIMI1")

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting setup.exe from the demo disc in drive D: (label TSUKIMI1)..."
  exec "${run[@]}" -- 'D:\setup.exe'
fi

# No display: a virtual one, a screenshot of what opens, then close it.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
# No window manager here: Wine draws the windows' title bars itself.
"${run[@]}" --reg 'HKCU\Software\Wine\X11 Driver|Managed|N' -- 'D:\setup.exe' &
setup=$!
window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --class "setup.exe" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
if [ -z "$window" ]; then
  echo "demo: the installer's window did not appear" >&2
  kill $setup 2>/dev/null || true
  exit 1
fi
sleep 2
mkdir -p "$out"
xwd -root -silent -display "$display" | convert xwd:- "$out/wizard.png"
echo "demo: setup.exe is running from drive D: (TSUKIMI1); screenshot: $out/wizard.png"
xdotool key Escape 2>/dev/null || true  # Cancel; nothing is installed yet, so no question
for _ in $(seq 1 40); do kill -0 $setup 2>/dev/null || break; sleep 0.5; done
kill $setup 2>/dev/null || true
wait $setup 2>/dev/null || true
