#!/usr/bin/env bash
# setup.exe must be a 32-bit Windows GUI program that needs only DLLs Windows itself
# ships: nothing of the compiler's runtime may have to lie beside it on the disc.
set -euo pipefail
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'Magic.*010b' <<<"$headers" || { echo "not PE32"; exit 1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "not a GUI program"; exit 1; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt)\.dll$'
status=0
while read -r dll; do
  if ! grep -qiE "$allowed" <<<"$dll"; then
    echo "imports a DLL Windows does not ship: $dll"
    status=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
exit $status
