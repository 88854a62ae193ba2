#!/bin/sh
# Runs a Windows program of the build under Wine, in the project's own prefix, with the
# messaging stand-in preferred over Wine's built-in mapi32, through the loader of the
# program's bitness.
#   wine-run.sh [--arch x64|x86] PROGRAM [ARGUMENTS]
# --arch (CTest's emulator passes the build's bitness) overrides KELMSGS_ARCH; x64 when
# neither is given. KELMSGS_WINEPREFIX chooses another prefix.
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--arch" ]; then
  KELMSGS_ARCH=$2
  shift 2
fi
. "$here/wine-env.sh"
kelmsgs_wine_env "$here/.." || exit 1
if [ "$KELMSGS_ARCH" = x86 ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A 32-bit loader would make a 32-bit-only prefix: the 64-bit set-up makes it.
  echo "wine-run: no prefix at $WINEPREFIX (scripts/bootstrap.sh prefix makes it)" >&2
  exit 1
fi
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mapi32=n;winemenubuilder.exe=d}"
exec "$KELMSGS_WINE" "$@"
