#!/usr/bin/env bash
# Builds the fuzz targets of the byte-level readers with clang (libFuzzer, ASan, UBSan) and
# runs each for a bounded time. The sources they use hold no non-ASCII literals, so clang
# compiles them without the Shift-JIS execution character set.
#
#   scripts/fuzz.sh                      30 s per target
#   FUZZ_SECONDS=3600 scripts/fuzz.sh    a longer run
#   FUZZ_TARGETS=ini_lines scripts/fuzz.sh   one target only
#
# Crashing inputs are kept in $FUZZ_DIR/<target>/ (default build/fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-30}
out=${FUZZ_DIR:-${BUILD_DIR:-$root/build}/fuzz}
targets=${FUZZ_TARGETS:-"log_reader ini_lines"}
cxx=${FUZZ_CXX:-clang++}
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root" -Wall -Wextra)

sources_log_reader=(tests/fuzz/LogReaderFuzz.cpp uninstall/LogRecords.cpp)
sources_ini_lines=(tests/fuzz/IniLinesFuzz.cpp config/IniLines.cpp system/LineReading.cpp
                   system/Dbcs.cpp system/TextHelpers.cpp)

mkdir -p "$out"
status=0
for target in $targets; do
  var="sources_${target}[@]"
  srcs=()
  for s in "${!var}"; do srcs+=("$root/$s"); done
  dir="$out/$target"
  mkdir -p "$dir/corpus"
  # A well-formed input or two to start from.
  case $target in
    log_reader)
      printf '\000FILE\014\000\000\000C:\\ab.cd\000\000\000\000FOLD\014\000\000\000C:\\HD\\ab\\\000\000\000' \
        >"$dir/corpus/seed-records" ;;
    ini_lines)
      printf 'INSTALL\000CORPNAME\000New\000[A]\r\nk=1\r\n[install]\r\n  corpname = Old\r\n\r\n[B]\r\n' \
        >"$dir/corpus/seed-edit" ;;
  esac
  echo "fuzz: building $target"
  "$cxx" "${flags[@]}" "${srcs[@]}" -o "$dir/fuzzer"
  echo "fuzz: running $target for ${seconds}s"
  if ! (cd "$dir" && ./fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 \
          -print_final_stats=1 corpus >"$dir/log.txt" 2>&1); then
    echo "fuzz: $target FAILED; see $dir/log.txt and the crash-* file in $dir" >&2
    tail -n 40 "$dir/log.txt" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units" "$dir/log.txt" || true
  fi
done
exit $status
