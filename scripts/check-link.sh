#!/usr/bin/env bash
# Reads a shell link the Windows tests saved, with lnkinfo on the host: it must
# be a well-formed link to the program, with its description, folder and arguments.
set -uo pipefail
link=$1
[ -f "$link" ] || { echo "no link at $link"; exit 1; }
out=$(timeout 30 lnkinfo "$link" 2>&1) || { echo "$out"; exit 1; }
status=0
while IFS='|' read -r field value; do
  grep -qE "^[[:space:]]*$field[[:space:]]*: $value\$" <<<"$out" || { echo "lnkinfo: no $field \"$value\""; status=1; }
done <<'WANT'
Local path|C:\\vqm-links\\Vantor\.exe
Description|Vantor Q-Mira
Working directory|C:\\vqm-links
Command line arguments|/servidor
WANT
[ $status -eq 0 ] || echo "$out"
exit $status
