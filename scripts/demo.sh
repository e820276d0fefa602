#!/usr/bin/env bash
# Builds the installer and the demo disc, puts the disc into a Wine CD-ROM drive labelled
# TSUKIMI1 and starts setup.exe from it, on a Japanese Wine.
#
# With a display (DISPLAY set) the wizard opens there and you click through it.
# Without one it runs on a virtual display, driven by the end-to-end driver as a user
# would (a whole installation, then the uninstaller); the screenshots of the five steps
# go to out/demo/.
#
# Wine lacks the account query of the administrator test, so the Wine prefix gets the
# tests' stand-in account library (answering "administrator") in place of its own (setup.exe
# runs on from a copy of itself off the disc, so a library beside it on the disc would not
# be found), and the disc carries the tests' stand-in DirectX setup library (answering a
# runtime newer than the game needs) where a game's disc has the real one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build}/win
out=$root/out/demo
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target shipped standin_netapi32 standin_dxsetup e2e_driver

# The programs of the disc come from the shipped build (win32-thread compilers, stripped,
# for Windows 95 and NT 4.0 onward); the account stand-in and the driver are test programs.
shipped=$build/shipped
extras=("$shipped/app/setup.exe" "$shipped/demo/Tsukimi.exe" "$shipped/uninstaller/Kaze_Inst.exe"
        "$shipped/cab32/cab32.dll" "DirectX/dsetup.dll=$build/tests/standins/dxsetup_standin.dll")
"$root/tests/e2e/make-disc.sh" "$out/disc1" "${extras[@]}"

export WINE_BASE_PREFIX=${WINE_BASE_PREFIX:-$root/out/wine-base}
# The disc set is checked first, as a game maker would before burning it.
echo "demo: checking the demo disc with disccheck..."
"$root/scripts/check-discs.sh" --label 1=TSUKIMI1 "$out/disc1"

export KAZE_NETAPI_PRIVILEGE=admin
run=("$root/tests/wine/run.sh" --cdrom "Q=$out/disc1:TSUKIMI1"
     --system-dll "$build/tests/standins/netapi32.dll")

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting setup.exe from the demo disc in drive Q: (label TSUKIMI1)..."
  exec "${run[@]}" -- 'Q:\setup.exe'
fi

# No display: Wine draws the title bars itself (there is no window manager), and the
# driver takes the wizard through a whole installation (standard type, default folder),
# saving a screenshot of each step, then runs the uninstaller from the uninstall entry.
rm -f "$out"/step*.png
cp "$build/tests/e2e/e2e_driver.exe" "$out/"
"$root/tests/e2e/run-e2e.sh" "${run[@]:1}" --reg 'HKCU\Software\Wine\X11 Driver|Managed|N' \
  -- "$out/e2e_driver.exe" --gtest_filter=EndToEnd.InstallsThenUninstalls
echo "demo: installed from drive Q: (TSUKIMI1) and uninstalled again; screenshots: $(ls "$out"/step*.png | tr '\n' ' ')"
