#!/usr/bin/env bash
# Fails when the authoring guide does not name a section or key that the install.ini
# loader reads, and names each one missing.
#   check-authoring-keys.sh [GUIDE [LOADER]]
#
# The names are the loader's upper-case string literals: plain ones ("CORPNAME",
# "INSTALL_INFO") and printf patterns ("MEMBER_%d_%d"). A number conversion in a pattern
# stands for a placeholder letter or a number in the guide (`MEMBER_g_m`,
# `MAKESHORTCUT_PATH_0`). A name counts only as a code span of its own, optionally in
# brackets (`[INSTALL_GROUP]`), so that `PATH2` never stands for `PATH`.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
guide=${1:-$root/docs/authoring.md}
loader=${2:-$root/config/InstallIniLoader.cpp}
me=$(basename "$0")
[ -r "$guide" ] || { echo "$me: cannot read the guide $guide" >&2; exit 1; }
[ -r "$loader" ] || { echo "$me: cannot read the loader $loader" >&2; exit 1; }

# Every string literal of the loader whose text starts with an upper-case letter and holds
# only upper-case letters, digits, '_' and printf conversions.
mapfile -t names < <(
  grep -oE '"([^"\\]|\\.)*"' "$loader" | sed 's/^"//; s/"$//' |
    grep -E '^[A-Z][A-Z0-9_]*(%[-+ #0-9.]*[a-zA-Z]+[A-Z0-9_]*)*$' | sort -u)
if [ ${#names[@]} -eq 0 ]; then
  echo "$me: found no section or key names in $loader: the extraction no longer matches how the loader names them" >&2
  exit 1
fi

# The guide's form of a name as an extended regular expression (without the code span).
pattern_of() {
  local name=$1 out="" head conv
  while [[ $name =~ ^([^%]*)(%[-+\ #0-9.]*[a-zA-Z]+)(.*)$ ]]; do
    head=${BASH_REMATCH[1]} conv=${BASH_REMATCH[2]} name=${BASH_REMATCH[3]}
    # Only integer conversions name numbered keys; anything else needs a new rule here.
    [[ $conv =~ ^%[-+\ #0-9.]*(hh|h|l|ll|z|j|t)?[diu]$ ]] || {
      echo "$me: key pattern \"$1\" has the conversion $conv, which this check cannot map" >&2
      return 1
    }
    out+=$head'([a-z]|[0-9]+)'
  done
  printf '%s\n' "$out$name"
}

# name<TAB>pattern, one a line, for awk.
table=""
for name in "${names[@]}"; do
  table+=$name$'\t'$(pattern_of "$name")$'\n'
done
export KEY_TABLE=$table

# The names that FILE does not mention, one a line: one pass over its code spans.
missing_in() {
  { grep -oE '`[^`]+`' "$1" || true; } | awk '
    BEGIN {
      n = split(ENVIRON["KEY_TABLE"], rows, "\n") - 1
      for (i = 1; i <= n; i++) {
        split(rows[i], field, "\t")
        name[i] = field[1]
        form[i] = "^`\\[?" field[2] "\\]?`$"
      }
    }
    { for (i = 1; i <= n; i++) if (!(i in seen) && $0 ~ form[i]) seen[i] = 1 }
    END { for (i = 1; i <= n; i++) if (!(i in seen)) print name[i] }'
}

missing=$(missing_in "$guide")
if [ -n "$missing" ]; then
  echo "$me: $guide does not mention these install.ini names that $loader reads" >&2
  echo "(write each as a code span; a %d stands for a placeholder letter or a number):" >&2
  sed 's/^/  /' <<<"$missing" >&2
  exit 1
fi

# Each name is found by its own mentions only: with them taken out of a copy of the guide,
# that name and no other must be missing (PATH is not found in PATH2, nor GROUP_%d in
# REGDATA_GROUP_i).
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
while IFS=$'\t' read -r name pattern; do
  sed -E 's/`\[?'"$pattern"'\]?`//g' "$guide" > "$copy"
  got=$(missing_in "$copy")
  if [ "$got" != "$name" ]; then
    echo "$me: without the mentions of $name the check reports [${got//$'\n'/, }] missing; it must report exactly $name" >&2
    exit 1
  fi
done <<<"${table%$'\n'}"
echo "$me: $guide mentions all ${#names[@]} section and key names of $loader"
