#!/usr/bin/env bash
# Turns the list of common-control messages and styles into a C++ file that checks, as it
# compiles, each name's value against commctrl.h.
#   list-values.sh LIST > FILE.cpp
set -euo pipefail
awk '
  BEGIN { print "// Made by list-values.sh from " ARGV[1] "."; print "#include <windows.h>"; print "#include <commctrl.h>" }
  { sub(/[ \t]*#.*/, "") }
  NF >= 5 { printf "static_assert(%s == %s, \"control-messages.txt: the value of %s\");\n", $3, $4, $3 }
' "$1"
