#!/usr/bin/env bash
# Checks what the test build of setup.exe recorded during a wizard run against the
# reviewed list of common-control messages and styles. Wine cannot tell: its list view
# answers every message, whatever library version the program believes it has.
#
#   check-control-messages.sh LIST LOG
#
# The log (written by ControlMessageRecorder.cpp) holds "version V" (the library version the
# program decided it has, major * 100 + minor) and lines "message|style|exstyle CLASS VALUE".
# Fails, naming each fault, on: a list entry newer than 4.00 that names no fallback; a log
# without its version or without any message; a message or style the list does not name;
# one newer than the version the program decided it has.
set -euo pipefail
list=$1 log=$2
[ -f "$log" ] || { echo "$log: no log: the run recorded nothing"; exit 1; }
awk '
  function number(version,   parts) {
    if (version !~ /^[0-9]+\.[0-9][0-9]$/) return -1
    split(version, parts, ".")
    return parts[1] * 100 + parts[2]
  }
  function hex(text,   i, value) {
    if (text !~ /^0[xX][0-9a-fA-F]+$/) return -1
    value = 0
    for (i = 3; i <= length(text); ++i) value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
    return value
  }
  function shown(value) { return sprintf("%d.%02d", int(value / 100), value % 100) }
  function fault(text) { print "control messages: " text; bad = 1 }
  # The list: class kind name value comctl32 [fallback: ...]
  FNR == NR {
    sub(/[ \t]*#.*/, "")
    if (NF == 0) next
    if (NF < 5 || hex($4) < 0 || number($5) < 0 || ($2 != "message" && $2 != "style" && $2 != "exstyle")) {
      fault("list line " FNR ": needs class, kind (message, style, exstyle), name, value 0x..., version N.NN")
      next
    }
    key = $1 " " $2 " " hex($4)
    if (key in name) fault("list line " FNR ": " $3 " has the value of " name[key])
    name[key] = $3
    needs[key] = number($5)
    if (needs[key] > 400 && $6 != "fallback:") {
      fault("list: " $3 " (comctl32 " $5 ") names no fallback for older libraries")
    }
    next
  }
  $1 == "version" { decided = $2 + 0; next }
  NF == 3 && ($1 == "message" || $1 == "style" || $1 == "exstyle") {
    ++recorded[$1]
    what = ($1 == "message") ? "sends " $2 " message " : ($1 == "style") ? "gives " $2 " style " : "gives " $2 " extended style "
    key = $2 " " $1 " " hex($3)
    if (!(key in name)) { fault(what $3 ", which the list does not name"); next }
    lines[++count] = key
    next
  }
  { fault("log line " FNR ": not a record: " $0) }
  END {
    if (decided == "") fault("the log names no library version: was the program started with the recorder?")
    if (recorded["message"] == 0) fault("nothing recorded: no message reached a common control")
    for (i = 1; i <= count; ++i) {
      key = lines[i]
      if (decided != "" && needs[key] > decided) {
        fault(name[key] " needs comctl32 " shown(needs[key]) ", but the program decided it has " shown(decided))
      }
    }
    if (!bad) printf "%d messages and styles, all in the list and known to comctl32 %s\n", count, shown(decided)
    exit bad
  }
' "$list" "$log"
