#!/usr/bin/env bash
# Runs the import check on a probe that breaks one rule: passes when the check refuses it
# with a message containing EXPECTED.
#   expect-refusal.sh CHECK ALLOWLIST EXPECTED PROBE
set -uo pipefail
check=$1 allow=$2 expected=$3 probe=$4
output=$("$check" "$allow" "$probe" 2>&1)
rc=$?
printf '%s\n' "$output"
if [ $rc = 0 ]; then echo "FAIL: the check accepted $probe"; exit 1; fi
if ! grep -qF -- "$expected" <<<"$output"; then echo "FAIL: no '$expected' in the refusal"; exit 1; fi
echo "refused as expected"
