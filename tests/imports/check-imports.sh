#!/usr/bin/env bash
# Import check of the programs that go onto the disc: each must load on every Windows it is
# sold for (95, 98, Me, NT 4.0 and later). Wine cannot tell (its kernel32 exports
# everything whatever version it reports), so the import tables are read here.
#
#   check-imports.sh ALLOWLIST BINARY...
#
# Fails, naming each fault, on: an import that the allow-list does not name; an import by
# ordinal; an OS or subsystem version above 4.0; a function that Windows 95 or NT 4.0 lacks,
# or only has as a failing stub, unless its entry names the run-time fallback; a DLL with a
# static TLS directory (LoadLibrary refuses it on Windows 95); a setup.exe without the
# header flag that has NT run it from the page file when it was started from a CD.
set -euo pipefail
allow=$1; shift
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
status=0
for binary in "$@"; do
  headers=$("$objdump" -p "$binary") || { echo "$binary: objdump failed"; status=1; continue; }
  awk -v binary="$(basename "$binary")" '
    # The allow-list: dll function 9x nt [fallback: ...]
    FNR == NR {
      sub(/[ \t]*#.*/, "")
      if (NF == 0) next
      if (NF < 4) { printf "allow-list line %d: needs dll, function, 9x, nt\n", FNR; bad = 1; next }
      key = tolower($1) " " $2
      win9x[key] = $3; nt[key] = $4
      note = ""
      for (i = 5; i <= NF; ++i) note = note (i > 5 ? " " : "") $i
      fallback[key] = (note ~ /^fallback:/)
      next
    }
    function fault(text) { printf "%s: %s\n", binary, text; bad = 1 }
    function above40(major, minor) { return major > 4 || (major == 4 && minor > 0) }
    function hex(text,   i, value) {
      sub(/^0x/, "", text)
      value = 0
      for (i = 1; i <= length(text); ++i) value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
      return value
    }
    /^Characteristics/ { characteristics = hex($2) }
    /^Magic/ { magic = $2 }
    /^Subsystem/ { subsystem = $0 }
    /^MajorOSystemVersion/ { osMajor = $2 }
    /^MinorOSystemVersion/ { osMinor = $2 }
    /^MajorSubsystemVersion/ { subMajor = $2 }
    /^MinorSubsystemVersion/ { subMinor = $2 }
    /Thread Storage Directory/ && binary ~ /\.[dD][lL][lL]$/ && $3 != "00000000" {
      fault("has a static TLS directory; Windows 95 does not load such a DLL with LoadLibrary")
    }
    /^[ \t]*DLL Name:/ { dll = tolower($3); inImports = 1; next }
    /^The Export Tables/ || /^PE File Base Relocations/ || /^The Function Table/ { inImports = 0 }
    inImports && /^\t[0-9a-f]+\t/ {
      name = $NF
      if (name == "<none>" || $(NF - 1) ~ /^<none>/) { fault(dll " imports by ordinal: " $0); next }
      ++imports
      key = dll " " name
      if (!(key in win9x)) { fault("imports " dll " " name ", which the allow-list does not name"); next }
      old9x = (win9x[key] == "95")
      oldNt = (nt[key] == "3.1" || nt[key] == "3.5" || nt[key] == "3.51" || nt[key] == "4.0")
      if ((!old9x || !oldNt) && !fallback[key]) {
        fault("imports " dll " " name " (9x: " win9x[key] ", NT: " nt[key] ") with no run-time fallback named")
      }
    }
    END {
      if (above40(osMajor, osMinor)) fault("OS version " osMajor "." osMinor " is above 4.0")
      if (above40(subMajor, subMinor)) fault("subsystem version " subMajor "." subMinor " is above 4.0")
      if (magic != "010b") fault("not a 32-bit (PE32) program")
      # The disc checker is a console tool for makers; every other program opens windows.
      if (binary ~ /disccheck\.exe$/) {
        if (subsystem !~ /Windows CUI/) fault("not a Windows console program")
      } else if (binary ~ /\.[eE][xX][eE]$/ && subsystem !~ /Windows GUI/) {
        fault("not a Windows GUI program")
      }
      if (tolower(binary) == "setup.exe" && int(characteristics / 1024) % 2 == 0) {
        fault("lacks IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP: NT would read it from disc 1 while disc 2 is in")
      }
      if (osMajor == "" || subMajor == "") fault("no PE header versions found")
      if (imports == 0) fault("no imports found: not a program objdump can read?")
      exit bad
    }
  ' "$allow" <(printf '%s\n' "$headers") || status=1
done
[ $status = 0 ] && echo "imports of $* fit the allow-list"
exit $status
