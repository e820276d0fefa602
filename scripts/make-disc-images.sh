#!/usr/bin/env bash
# Turns the folders of a disc set into ISO 9660 images for burning, one per disc, each
# carrying the volume label the installer looks for, and checks every image it writes.
#   make-disc-images.sh [--label N=LABEL ...] OUT_DIR DISC1_FOLDER [DISC2_FOLDER ...]
# Image N is OUT_DIR/disc<N>.iso. Its label is DISK_<N-1> of [INSTALL_INFO] in disc 1's
# install.ini unless --label N=LABEL gives it.
set -euo pipefail
# Byte-wise character classes and sorting; file names reach xorriso as UTF-8 regardless.
export LC_ALL=C
me=$(basename "$0")
die() { echo "$me: $*" >&2; exit 1; }
warn() { echo "$me: warning: $*" >&2; }
usage() { sed -n '4p' "$0" | sed 's/^#  *//' >&2; }

declare -A given=()
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --label) [ $# -ge 2 ] || die "--label needs N=LABEL"; pair=$2; shift 2 ;;
    --label=*) pair=${1#--label=}; shift ;;
    -h|--help) usage; exit 0 ;;
    --) shift; args+=("$@"); break ;;
    -*) usage; die "unknown option $1" ;;
    *) args+=("$1"); shift; continue ;;
  esac
  [[ $pair =~ ^([1-9][0-9]*)=(.*)$ ]] || die "--label $pair: expected N=LABEL, N counting discs from 1"
  given[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
done
set -- "${args[@]+"${args[@]}"}"
if [ $# -lt 2 ]; then usage; exit 2; fi
command -v xorriso >/dev/null || die "xorriso is not installed (scripts/deps.sh installs it)"
out=$1; shift
discs=("$@")
count=${#discs[@]}

for n in "${!given[@]}"; do
  [ "$n" -le "$count" ] || die "--label $n=${given[$n]}: there are only $count disc folders"
done
out_real=$(realpath -m -- "$out")
for ((n = 1; n <= count; n++)); do
  dir=${discs[n-1]}
  [ -d "$dir" ] || die "disc $n: folder '$dir' not found"
  # An image written inside a disc folder would end up on the next run's disc.
  case "$out_real/" in "$(realpath -- "$dir")/"*) die "OUT_DIR '$out' lies inside disc folder '$dir'" ;; esac
done

# Prints the value of KEY in [INSTALL_INFO] of a Shift-JIS install.ini as Windows' profile
# functions read it: names compared without case, blanks around the value dropped, one
# pair of matching quotes removed, the first occurrence wins. Fails when the key is absent.
info_value() {
  { iconv -c -f CP932 -t UTF-8 "$1" || true; } | awk -v want="$2" '
    { sub(/\r$/, ""); sub(/^[ \t]+/, ""); sub(/[ \t]+$/, "") }
    /^\[/ {
      name = substr($0, 2); end = index(name, "]")
      if (end) name = substr(name, 1, end - 1)
      gsub(/^[ \t]+|[ \t]+$/, "", name)
      inside = toupper(name) == "INSTALL_INFO"; next
    }
    !inside || /^;/ { next }
    {
      eq = index($0, "="); if (!eq) next
      key = substr($0, 1, eq - 1); sub(/[ \t]+$/, "", key)
      if (toupper(key) != toupper(want)) next
      value = substr($0, eq + 1); sub(/^[ \t]+/, "", value)
      if (length(value) >= 2 && (value ~ /^".*"$/ || value ~ /^\047.*\047$/))
        value = substr(value, 2, length(value) - 2)
      print value; found = 1; exit
    }
    END { exit !found }'
}

ini=$(find "${discs[0]}/" -maxdepth 1 -type f -iname install.ini | head -n 1)
if [ -n "$ini" ]; then
  disknum=$(info_value "$ini" DISKNUM) || die "$ini: no DISKNUM in [INSTALL_INFO]"
  [[ $disknum =~ ^[0-9]+$ ]] || die "$ini: DISKNUM '$disknum' is not a number"
  disknum=$((10#$disknum))
  [ "$count" -le "$disknum" ] ||
    die "$count disc folders, but install.ini says DISKNUM=$disknum: the installer would never ask for the others"
  [ "$count" -eq "$disknum" ] || warn "$count disc folders, but install.ini says DISKNUM=$disknum"
fi

labels=()
for ((n = 1; n <= count; n++)); do
  if [ -n "${given[$n]+set}" ]; then
    label=${given[$n]}
  elif [ -z "$ini" ]; then
    die "disc $n: no label: disc 1 has no install.ini, so give --label $n=LABEL"
  else
    label=$(info_value "$ini" "DISK_$((n - 1))") || die "disc $n: no DISK_$((n - 1)) in [INSTALL_INFO] of $ini"
  fi
  # The installer finds a disc by comparing its label with install.ini, so a label must reach
  # Windows unchanged: ISO 9660 allows only A-Z, 0-9 and _ (32 at most), and Windows reads the
  # label of the Joliet descriptor, which holds 16 characters.
  [[ $label =~ ^[A-Z0-9_]+$ ]] ||
    die "disc $n: label '$label' cannot be a volume label: only A-Z, 0-9 and _ are allowed, and Windows would read another label than install.ini names"
  [ ${#label} -le 16 ] ||
    die "disc $n: label '$label' has ${#label} characters: Windows reads at most 16 from the disc, so it would not match install.ini"
  labels+=("$label")
done

# The volume id of the Joliet descriptor (UCS-2, what Windows shows as the label).
joliet_volid() {
  local s type esc
  for ((s = 16; s < 64; s++)); do
    type=$(od -An -tu1 -j $((s * 2048)) -N1 "$1" | tr -d ' ')
    case $type in ''|255) return 1 ;; 2) ;; *) continue ;; esac
    esc=$(od -An -c -j $((s * 2048 + 88)) -N3 "$1" | tr -d ' ')
    case $esc in '%/@'|'%/C'|'%/E') ;; *) continue ;; esac
    tail -c +$((s * 2048 + 41)) "$1" | head -c 32 | iconv -f UTF-16BE -t UTF-8 | sed 's/ *$//'
    return 0
  done
  return 1
}

# Relative path and size of every file, as "path<TAB>size", sorted.
folder_files() { (cd "$1" && find -L . -type f -printf '%P\t%s\n') | sort; }
image_files() {
  # The Joliet tree (no Rock Ridge) is what Windows reads.
  xorriso -report_about SORRY -local_charset UTF-8 -read_fs norock -indev "$1" \
      -sh_style_result on -find / -type f -exec lsdl -- 2>/dev/null |
    sed -nE 's#^[^ ]+ +[0-9]+ +[^ ]+ +[^ ]+ +([0-9]+) +[A-Za-z]+ +[0-9]+ +[0-9:]+ /(.*)$#\2\t\1#p' | sort
}

# A disc whose image fails keeps none: neither the new one nor one of an earlier run.
fail() { rm -f "$partial" "$image"; die "disc $n: $*"; }
partial=""
log=$(mktemp)
trap 'rm -f "$log" ${partial:+"$partial"}' EXIT
mkdir -p "$out"
for ((n = 1; n <= count; n++)); do
  dir=${discs[n-1]} label=${labels[n-1]}
  image=$out/disc$n.iso
  partial=$image.part
  rm -f "$partial"
  # Joliet carries the long, mixed-case and Japanese names Windows shows; the folder's
  # names are UTF-8 here whatever the locale. ISO level 2 keeps names like KAZE_INST.EXE
  # whole in the plain ISO 9660 tree for readers without Joliet (level 1 cuts them to 8.3);
  # level 3 would allow files in several extents, which old Windows cannot read.
  # Rock Ridge is harmless (Windows skips it) and keeps Unix names for Linux readers.
  # Symbolic links are followed: Windows has none.
  if ! xorriso -report_about SORRY -abort_on FAILURE -return_with SORRY 32 \
      -local_charset UTF-8 -charset UTF-8 -outdev "$partial" -volid "$label" \
      -joliet on -rockridge on -compliance iso_9660_level=2 -follow link \
      -map "$dir" / -commit >/dev/null 2>"$log"; then
    cat "$log" >&2
    fail "xorriso could not write the image of '$dir'"
  fi

  volid=$(xorriso -report_about SORRY -indev "$partial" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
  [ "$volid" = "$label" ] || fail "the image's volume id is '$volid', not '$label'"
  jvolid=$(joliet_volid "$partial") || fail "the image has no Joliet descriptor"
  [ "$jvolid" = "$label" ] || fail "the image's Joliet volume id is '$jvolid', not '$label'"
  want=$(folder_files "$dir")
  have=$(image_files "$partial")
  if [ "$want" != "$have" ]; then
    echo "files (path, size) of '$dir' (<) and of the image (>):" >&2
    diff <(printf '%s\n' "$want") <(printf '%s\n' "$have") >&2 || true
    fail "the image does not hold the folder's files as they are"
  fi
  mv -f "$partial" "$image"
  partial=""

  files=0
  [ -z "$want" ] || files=$(printf '%s\n' "$want" | wc -l)
  bytes=$(stat -c %s "$image")
  printf '%s: label %s, %d files, %d bytes (%d MiB)\n' "$image" "$label" "$files" "$bytes" \
    $(((bytes + 1048575) / 1048576))
  # An 80-minute CD-R holds 360000 sectors of 2048 bytes.
  [ "$bytes" -le $((360000 * 2048)) ] || warn "$image is larger than an 80-minute CD-R holds"
done
