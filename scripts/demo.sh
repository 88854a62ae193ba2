#!/bin/bash
# The demo: the sample mailbox is given to the messaging stand-in, then examples/demo.vbs
# walks it through the library, as a script client on Windows would. KELMSGS_ARCH=x86 runs
# the 32-bit build through the 32-bit script host (x64 when unset).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root"
stores="$root/build/demo-stores/$KELMSGS_ARCH"
mkdir -p "$stores"
"$root/cmake/wine-run.sh" "$root/build/mingw-$KELMSGS_ARCH/bin/standin-profile.exe" load \
  "$(kelmsgs_winpath "$root/platform/mapi/fixture/sample-profile.json")" "$(kelmsgs_winpath "$stores")"
out=$("$root/cmake/wine-run.sh" "C:\\windows\\$KELMSGS_SYSDIR\\cscript.exe" //nologo "$(kelmsgs_winpath "$root/examples/demo.vbs")" "$@" 2>&1)
printf '%s\n' "$out"
# cscript exits 0 even when a script stops on an error: the last line tells.
printf '%s\n' "$out" | tr -d '\r' | grep -q '^Demo finished\.$' || {
  echo "demo: the script did not finish (rerun with WINEDEBUG=fixme+vbscript)" >&2
  exit 1
}
# The mail the demo sent to the profile's owner, as the SMTP transport wrote it.
newest=$(ls -t "$stores"/sample/outgoing/*.eml 2>/dev/null | head -n 1 || true)
if [ -n "$newest" ]; then
  echo
  echo "The transport's file $(basename "$newest"), its headers:"
  sed -n '1,/^\r\{0,1\}$/p' "$newest" | tr -d '\r' | grep -v '^$'
fi
