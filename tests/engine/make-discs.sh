#!/usr/bin/env bash
# Makes the two discs of the installation tests: plain files, a folder member, a cabinet
# with nested folders, a broken cabinet, a folder holding a file whose path is too long,
# and a second disc with one file.
#   make-discs.sh OUTDIR
set -euo pipefail
out=$1
rm -rf "$out"
d1=$out/disc1 d2=$out/disc2 work=$out/work
mkdir -p "$d1/Data/sub" "$d2" "$work/game/maps/deep"

sjis() { iconv -f UTF-8 -t CP932 | sed 's/$/\r/'; }

cat <<'INI' | sjis > "$d1/install.ini"
[INSTALL_INFO]
CORPNAME=KAZE_CORP
APPNAME=月見日和
EXENAME=Tsukimi.exe
README=Readme.txt
MAKEMYSHORTCUT=アンインストール
MAKESHORTCUT=0
DISKNUM=2
DISK_0=TSUKIMI1
DISK_1=TSUKIMI2

[INSTALL_GROUP_DISK_0]
IDNUM=6
GROUP_0=0
MEMBERSIZE_0=1
MEMBERNUM_0=4
MEMBER_0_0=big.bin
MEMBER_0_1=small.txt
MEMBER_0_2=empty.txt
MEMBER_0_3=Data\ > Data\
GROUP_1=1
MEMBERSIZE_1=1
MEMBERNUM_1=1
MEMBER_1_0=game.cab > Game
GROUP_2=2
MEMBERSIZE_2=1
MEMBERNUM_2=1
MEMBER_2_0=broken.cab > Broken\
GROUP_3=6
MEMBERSIZE_3=1
MEMBERNUM_3=2
MEMBER_3_0=small.txt
MEMBER_3_1=月見日和月見日和月見日和月見日和月見日和月見日和月見日和月見日和.txt
GROUP_4=7
MEMBERSIZE_4=1
MEMBERNUM_4=2
MEMBER_4_0=small.txt
MEMBER_4_1=small.txt > dddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddd\
GROUP_5=8
MEMBERSIZE_5=1
MEMBERNUM_5=1
MEMBER_5_0=Long\ > Long\

[INSTALL_GROUP_DISK_1]
IDNUM=2
GROUP_0=5
MEMBERSIZE_0=1
MEMBERNUM_0=1
MEMBER_0_0=second.txt > Second\
GROUP_1=10
MEMBERSIZE_1=1
MEMBERNUM_1=1
MEMBER_1_0=extra.cab > Extra

[INSTALL_GROUP]
NAME_DEFAULT=標準
NAME_FULL=全部
DEFAULTLIST=0,1
FULLLIST=0,1,5
INSTGROUP=7
GROUPNAME_0=壊れた書庫
GROUPLIST_0=0,2
GROUPNAME_1=なし
GROUPLIST_1=9
GROUPNAME_2=二枚目だけ
GROUPLIST_2=5
GROUPNAME_3=長い名前
GROUPLIST_3=6
GROUPNAME_4=長いパス
GROUPLIST_4=7
GROUPNAME_5=長い一覧
GROUPLIST_5=8
GROUPNAME_6=二枚の書庫
GROUPLIST_6=1,10

[INSTALL_REGISTRY_0]
REG_KEY=Software\KAZE_CORP\EngineTest
REGDATA_GROUP_0="InstallDir"="INSTALL_DIR"
INI

printf 'read me\r\n' | sjis > "$d1/Readme.txt"
printf 'MZ uninstaller stand-in' > "$d1/Kaze_Inst.exe"
# 1 MiB and a bit: many 8192-byte blocks, the last one short.
head -c 1050000 /dev/urandom > "$d1/big.bin"
printf 'small\r\n' > "$d1/small.txt"
# 32 Japanese characters: 68 bytes in Shift-JIS with the extension.
printf 'long name\r\n' > "$d1/月見日和月見日和月見日和月見日和月見日和月見日和月見日和月見日和.txt"
: > "$d1/empty.txt"
printf 'data a\r\n' > "$d1/Data/a.txt"
printf '表 data\r\n' | sjis > "$d1/Data/表.txt"
printf 'not listed\r\n' > "$d1/Data/sub/skip.txt"
# A folder member holding a file whose path on the disc (Q:\Long\…) is 260 bytes.
mkdir -p "$d1/Long"
printf 'long\r\n' > "$d1/Long/$(printf 'l%.0s' $(seq 1 248)).txt"

printf 'map one\r\n' > "$work/game/maps/deep/one.map"
seq 1 5000 > "$work/game/maps/two.map"
printf 'top\r\n' > "$work/game/top.txt"
(cd "$work/game" && gcab -c -z "$d1/game.cab" maps/deep/one.map maps/two.map top.txt)
# A cabinet header over a body that is no cabinet.
cp "$d1/game.cab" "$d1/broken.cab"
printf 'garbage' | dd of="$d1/broken.cab" bs=1 seek=40 conv=notrunc status=none
truncate -s 200 "$d1/broken.cab"
printf 'TSUKIMI1\n' > "$d1/.windows-label"

printf 'second disc\r\n' > "$d2/second.txt"
cp "$d1/game.cab" "$d2/extra.cab"
printf 'MZ uninstaller stand-in' > "$d2/Kaze_Inst.exe"
printf 'TSUKIMI2\n' > "$d2/.windows-label"
rm -rf "$work"
