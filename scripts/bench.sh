#!/usr/bin/env bash
# Measures step 4 of the installer against what this machine needs to copy and unpack the
# same payload, in one run and side by side. Not a test: it prints figures.
#
#   scripts/bench.sh [--files N] [--plain-mb N] [--text-mb N] [--rollback-files N] [--runs N]
#
# The payload: N plain files of random bytes (--plain-mb in all, default 10 files, 100 MB)
# and a text of --text-mb (default 100) in one MSZIP cabinet, on a disc in drive Q:. It
# prints: step 4's time (from the click on "インストール" to the done status), xcopy of the
# plain files and a bare client of cab32.dll unpacking the cabinet under the same Wine, cp -r
# and cabextract on Linux, the ratios; the peak resident memory of setup.exe beside that of a
# minimal window program under the same Wine; how long a Cancel click takes to bring its
# question during the largest file; the rollback after a Cancel confirmed at 90 %; and the
# rollback of --rollback-files small installed files (default 10000; 0 leaves it out)
# against rm -rf of the same tree. Step 4 and the figures it is set against are the medians
# of --runs runs (default 3), taken in turns so that the machine's ups and downs (its disk
# writing back what the last run wrote) fall on both alike.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
files=10 plain_mb=100 text_mb=100 many=10000 runs=3
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --plain-mb) plain_mb=$2; shift 2 ;;
    --text-mb) text_mb=$2; shift 2 ;;
    --rollback-files) many=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "bench: unknown option $1" >&2; exit 2 ;;
  esac
done
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build}/win
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target shipped standin_netapi32 standin_dxsetup bench_driver >/dev/null
# BENCH_SHIPPED measures the programs of another build (an earlier commit, say).
shipped=${BENCH_SHIPPED:-$build/shipped}
work=${BENCH_DIR:-$root/out/bench}
rm -rf "$work"
mkdir -p "$work/bin" "$work/payload/Plain" "$work/payload/text"
cp "$build/tests/bench/bench_driver.exe" "$shipped/cab32/cab32.dll" "$work/bin/"
export WINE_BASE_PREFIX=${WINE_BASE_PREFIX:-$root/out/wine-base}
export KAZE_NETAPI_PRIVILEGE=admin
now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

echo "bench: making the payload ($files files, $plain_mb MB of random bytes; $text_mb MB of text)..."
each=$(( plain_mb * 1024 * 1024 / files ))
for i in $(seq 0 $((files - 1))); do
  head -c "$each" /dev/urandom > "$work/payload/Plain/$(printf 'plain%02d.bin' "$i")"
done
awk -v size=$((text_mb * 1024 * 1024)) 'BEGIN {
  srand(7); n = 0
  while (n < size) {
    line = sprintf("%07d moon viewing %d, chapter %d: the night is long\r\n", NR++, int(rand() * 1000), int(rand() * 50))
    # Cut here rather than by a reader that may close the pipe under awk (a failed pipe).
    if (n + length(line) > size) line = substr(line, 1, size - n)
    printf "%s", line; n += length(line)
  }
}' > "$work/payload/text/scenario.txt"
(cd "$work/payload/text" && gcab -c -z "$work/payload/text.cab" scenario.txt)

# A disc of one group: the cabinet first, then the folder of plain files.
make_disc() {  # make_disc DIR MEMBERS... (each "SOURCE > TARGET")
  local disc=$1; shift
  mkdir -p "$disc/DirectX"
  cp "$shipped/app/setup.exe" "$shipped/uninstaller/Kaze_Inst.exe" "$shipped/cab32/cab32.dll" \
     "$disc/"
  cp "$build/tests/standins/dxsetup_standin.dll" "$disc/DirectX/dsetup.dll"
  local size; size=$(( $(du -sm "$disc" | cut -f1) + text_mb + 1 ))
  {
    printf '[INSTALL_INFO]\nCORPNAME=KAZE_CORP\nAPPNAME=月見日和\nPATH=Program Files\\KAZE_CORP\nPATH2=月見日和\n'
    printf 'MAKEMYSHORTCUT=アンインストール\nMAKESHORTCUT=0\nDISKNUM=1\nDISK_0=TSUKIMI1\n'
    printf '[INSTALL_GROUP_DISK_0]\nIDNUM=1\nGROUP_0=0\nMEMBERSIZE_0=%d\nMEMBERNUM_0=%d\n' "$size" $#
    local m=0
    for member in "$@"; do printf 'MEMBER_0_%d=%s\n' $m "$member"; m=$((m + 1)); done
    printf '[INSTALL_GROUP]\nNAME_DEFAULT=標準インストール\nNAME_FULL=フルインストール\n'
    printf 'DEFAULTLIST=0\nFULLLIST=0\nINSTGROUP=0\n[INSTALL_REGISTRY_0]\nREG_KEY=Software\\KAZE_CORP\\Tsukimi\n'
  } | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > "$disc/install.ini"
}
disc=$work/disc1
mkdir -p "$disc"
cp -r "$work/payload/Plain" "$disc/"
cp "$work/payload/text.cab" "$disc/"
make_disc "$disc" 'text.cab > Text\' 'Plain\ > Plain\'

run_wine() {  # run_wine DISC ARGS...: the driver under Wine with DISC in Q:
  local d=$1; shift
  "$root/tests/wine/run.sh" --cdrom "Q=$d:TSUKIMI1" \
    --system-dll "$build/tests/standins/netapi32.dll" \
    --reg 'HKCU\Software\Wine\X11 Driver|Managed|N' -- "$work/bin/bench_driver.exe" "$@" 2>&1 |
    tr -d '\r' | LC_ALL=C grep -a -E '^([a-z_0-9]+=[0-9]+|profile .*)$' || true
}
# The highest resident set of the processes whose command line holds $1, while $2 runs.
peak_rss() {
  local pattern=$1 pid=$2 peak=0
  while kill -0 "$pid" 2>/dev/null; do
    for p in $(grep -l -a -- "$pattern" /proc/[0-9]*/cmdline 2>/dev/null | cut -d/ -f3); do
      local kb; kb=$(awk '/^VmHWM/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)
      [ "${kb:-0}" -gt "$peak" ] && peak=$kb
    done
    sleep 0.2
  done
  echo "$peak"
}
value() { grep -a -E "^$1=" "$2" | tail -1 | cut -d= -f2 || true; }
# The median of the values named $1 in the files $2...; empty when none has it.
median() {
  local name=$1; shift
  for f in "$@"; do value "$name" "$f"; done | grep -E '^[0-9]+$' | sort -n |
    awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

for run in $(seq 1 "$runs"); do
  echo "bench: run $run of $runs: step 4 under Wine..."
  run_wine "$disc" install > "$work/install-$run.txt" & pid=$!
  peak_rss 'setup.exe' $pid > "$work/setup-rss-$run.txt"
  wait $pid || true
  echo "bench: run $run of $runs: xcopy and a bare cab32.dll client under Wine..."
  run_wine "$disc" floor "$(winpath "$work/payload/Plain")" "$(winpath "$work/payload/text.cab")" > "$work/floor-$run.txt"
done
echo "bench: the minimal window program..."
run_wine "$disc" window 6 > /dev/null & pid=$!
peak_rss 'bench_driver' $pid > "$work/window-rss.txt"
wait $pid || true
echo "bench: a window program with the installer's system libraries and dialog font..."
run_wine "$disc" window 6 system > /dev/null & pid=$!
peak_rss 'bench_driver' $pid > "$work/system-rss.txt"
wait $pid || true
echo "bench: Cancel during the largest file, then confirmed at 90 %..."
run_wine "$disc" cancel scenario.txt "$(printf 'plain%02d' $(( files * 9 / 10 - 1 < 0 ? 0 : files * 9 / 10 - 1 )))" > "$work/cancel.txt"

echo "bench: cp -r and cabextract on Linux..."
rm -rf "$work/linux"; mkdir -p "$work/linux"
t0=$(now); cp -r "$work/payload/Plain" "$work/linux/plain"; t1=$(now)
cabextract -q -d "$work/linux/text" "$work/payload/text.cab"; t2=$(now)
cp_ms=$(ms "$t0" "$t1"); cabextract_ms=$(ms "$t1" "$t2")

rollback_many="" rm_many="" erase_many=""
if [ "$many" -gt 0 ]; then
  echo "bench: rollback of $many installed files against rm -rf..."
  mdisc=$work/disc-many
  mkdir -p "$mdisc/Many"
  for i in $(seq -w 0 $((many - 1))); do printf 'small file %s\r\n' "$i" > "$mdisc/Many/f$i.txt"; done
  make_disc "$mdisc" 'Many\ > Many\'
  # Cancelled during the last file: (nearly) all of them are there to be taken back.
  last=$(ls "$mdisc/Many" | sort | tail -1)
  run_wine "$mdisc" cancel - "${last%.txt}" > "$work/cancel-many.txt"
  rollback_many=$(value rollback_ms "$work/cancel-many.txt")
  run_wine "$mdisc" erase "$(winpath "$mdisc/Many")" > "$work/erase-many.txt"
  erase_many=$(value erase_ms "$work/erase-many.txt")
  cp -r "$mdisc/Many" "$work/linux/many"
  t0=$(now); rm -rf "$work/linux/many"; t1=$(now)
  rm_many=$(ms "$t0" "$t1")
fi

step4=$(median step4_ms "$work"/install-*.txt)
xcopy=$(median xcopy_ms "$work"/floor-*.txt)
cab32=$(median cab32_ms "$work"/floor-*.txt)
floor=$(median floor_ms "$work"/floor-*.txt)
each_run=$(for run in $(seq 1 "$runs"); do
  printf ' %s/%s' "$(value step4_ms "$work/install-$run.txt")" "$(value floor_ms "$work/floor-$run.txt")"
done)
question=$(value largest_file_question_ms "$work/cancel.txt")
rollback=$(value rollback_ms "$work/cancel.txt")
setup_kb=$(sort -n "$work"/setup-rss-*.txt | tail -1); window_kb=$(cat "$work/window-rss.txt")
system_kb=$(cat "$work/system-rss.txt")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.2f", a / b }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

printf '\n%-58s %10s\n' "payload: $files plain files, $plain_mb MB; text $text_mb MB in one MSZIP cabinet" ""
printf '%-58s %10s\n' "medians of runs" "$runs"
printf '%-58s %10s ms\n' "step 4 of setup.exe (click to done status)" "${step4:--}"
printf '%-58s %10s ms\n' "Wine: xcopy of the plain files" "${xcopy:--}"
printf '%-58s %10s ms\n' "Wine: bare cab32.dll client unpacking the cabinet" "${cab32:--}"
printf '%-58s %10s ms\n' "Linux: cp -r of the plain files" "$cp_ms"
printf '%-58s %10s ms\n' "Linux: cabextract of the cabinet" "$cabextract_ms"
printf '%-58s %10s   (goal <= 1.5)\n' "ratio: step 4 / (xcopy + cab32.dll)" "$(ratio "$step4" "$floor")"
printf '%-58s %s\n' "each run: step 4 / (xcopy + cab32.dll), ms" "$each_run"
printf '%-58s %10s   (goal <= 2)\n' "ratio: step 4 / (cp -r + cabextract)" "$(ratio "$step4" $(( cp_ms + cabextract_ms )))"
printf '%-58s %10s\n' "repaints of the progress bar during step 4 (run 1)" "$(value repaints "$work/install-1.txt")"
printf '%-58s %10s ms (goal <= 100)\n' "Cancel click to its question, during the largest file" "${question:--}"
printf '%-58s %10s ms\n' "rollback after a Cancel confirmed at 90 %" "${rollback:--}"
if [ "$many" -gt 0 ]; then
  printf '%-58s %10s ms\n' "rollback of $many small files (Cancel at the last)" "${rollback_many:--}"
  printf '%-58s %10s ms\n' "Linux: rm -rf of the same $many files" "$rm_many"
  printf '%-58s %10s ms\n' "Wine: a bare DeleteFileA loop over the same files" "${erase_many:--}"
  printf '%-58s %10s   (goal <= 2)\n' "ratio: rollback / rm -rf" "$(ratio "$rollback_many" "$rm_many")"
  printf '%-58s %10s\n' "ratio: rollback / DeleteFileA loop under Wine" "$(ratio "$rollback_many" "$erase_many")"
fi
echo "where step 4's time went in run 1 (ms from the click, then the line the page showed):"
{ LC_ALL=C grep -a '^profile' "$work/install-1.txt" || true; } | cut -d' ' -f2- | iconv -f CP932 -t UTF-8 -c | sed 's/^/  /'
printf '%-58s %10s MB\n' "peak resident memory of setup.exe under Wine" "$(mb "$setup_kb")"
printf '%-58s %10s MB\n' "peak resident memory of a minimal window program" "$(mb "$window_kb")"
printf '%-58s %10s MB (goal <= 4)\n' "difference" "$(mb $(( setup_kb - window_kb )))"
printf '%-58s %10s MB\n' "a window program with the installer's system DLLs and font" "$(mb "$system_kb")"
printf '%-58s %10s MB\n' "setup.exe above that" "$(mb $(( setup_kb - system_kb )))"
