#!/usr/bin/env bash
# Makes the cabinet fixtures with gcab: the source files and the archives made of them.
#   make-fixtures.sh OUTDIR
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/src/nested/a/b/c" "$out/src/many" "$out/src/big"

# Nested folders; the deepest file comes first, so its folders are all missing at once.
printf 'deep file\r\n' > "$out/src/nested/a/b/c/deep.txt"
seq 1 2000 | sed 's/^/line /' > "$out/src/nested/a/b/mid.txt"
printf 'top\r\n' > "$out/src/nested/top.txt"
(cd "$out/src/nested" && gcab -c "$out/nested_stored.cab" a/b/c/deep.txt a/b/mid.txt top.txt \
  && gcab -c -z "$out/nested_mszip.cab" a/b/c/deep.txt a/b/mid.txt top.txt)

# Many small files, one of them empty.
for i in $(seq -w 0 299); do printf 'small file %s\n' "$i" > "$out/src/many/f$i.txt"; done
: > "$out/src/many/f000.txt"
(cd "$out/src/many" && gcab -c -z "$out/many.cab" f*.txt)

# One multi-megabyte file: a compressible half and an incompressible half.
seq 1 200000 > "$out/src/big/big.bin"
openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f -iv 0 \
  -in <(head -c 2000000 /dev/zero) >> "$out/src/big/big.bin" 2>/dev/null
(cd "$out/src/big" && gcab -c -z "$out/big.cab" big.bin)

# Japanese names, which gcab stores as UTF-8 and flags so; in Shift-JIS 表 and ソ end in
# the byte 0x5C. And one with a name Shift-JIS has no form for, after a file that has one.
mkdir -p "$out/src/utf8/ソフト" "$out/src/nosjis"
printf 'hyouji\r\n' > "$out/src/utf8/表示.txt"
seq 1 500 > "$out/src/utf8/ソフト/データ.bin"
(cd "$out/src/utf8" && gcab -c -z "$out/utf8_names.cab" 表示.txt ソフト/データ.bin)
printf 'first\r\n' > "$out/src/nosjis/先.txt"
printf 'smile\r\n' > "$out/src/nosjis/顔😀.txt"
(cd "$out/src/nosjis" && gcab -c "$out/no_sjis_name.cab" 先.txt 顔😀.txt)

touch "$out/.made"
