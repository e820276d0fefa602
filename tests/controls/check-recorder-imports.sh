#!/usr/bin/env bash
# The recorder sees every message only if the test build reaches no way of sending one
# past it: fails when setup_recorded.exe still imports such a function from user32.
#   check-recorder-imports.sh PROGRAM
set -euo pipefail
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
found=$("$objdump" -p "$1" | awk '
  /^[ \t]*DLL Name:/ { dll = tolower($3) }
  dll == "user32.dll" && $NF ~ /^(SendMessage|PostMessage|SendDlgItemMessage|SendNotifyMessage|SendMessageTimeout|SendMessageCallback|CallWindowProc|SetWindowLong|BroadcastSystemMessage)/ { print $NF }' | tr '\n' ' ')
if [ -n "$found" ]; then
  echo "$1 sends messages past the recorder through: $found (add them to ControlMessageRecorder.cpp)"
  exit 1
fi
echo "$1: every message-sending import goes through the recorder"
