#!/bin/bash
# The demo: the sample mailbox is given to the messaging stand-in, then examples/demo.vbs
# walks it through the library, as a script client on Windows would.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); printf 'Z:%s' "${p//\//\\}"; }
stores="$root/build/demo-stores"
mkdir -p "$stores"
"$root/cmake/wine-run.sh" "$root/build/mingw-x64/bin/standin-profile.exe" load \
  "$(winpath "$root/platform/mapi/fixture/sample-profile.json")" "$(winpath "$stores")"
out=$("$root/cmake/wine-run.sh" cscript //nologo "$(winpath "$root/examples/demo.vbs")" "$@" 2>&1)
printf '%s\n' "$out"
# cscript exits 0 even when a script stops on an error: the last line tells.
printf '%s\n' "$out" | tr -d '\r' | grep -q '^Demo finished\.$' || {
  echo "demo: the script did not finish (rerun with WINEDEBUG=fixme+vbscript)" >&2
  exit 1
}
