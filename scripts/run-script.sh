#!/bin/bash
# Runs a VBScript through Wine's cscript against the registered library. The script must
# print a last line "N passed, 0 failed"; cscript itself exits 0 even when a script does
# not parse or stops on an error, so that line is the only proof of success.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
script=${1:?script}
shift
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
winscript="Z:${script//\//\\}"
out=$("$here/../cmake/wine-run.sh" cscript //nologo "$winscript" "$@" 2>&1)
status=$?
printf '%s\n' "$out"
last=$(printf '%s\n' "$out" | tr -d '\r' | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
if [ $status -ne 0 ] || [ -z "$last" ]; then
  echo "run-script: no result line (the script did not parse or stopped on an error)" >&2
  echo "run-script: rerun with WINEDEBUG=fixme+vbscript to see the parser's complaint" >&2
  exit 1
fi
case "$last" in
  *" 0 failed") exit 0 ;;
  *) exit 1 ;;
esac
