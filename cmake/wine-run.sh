#!/bin/sh
# Runs a Windows program of the build under Wine, in the project's own prefix, with the
# messaging stand-in preferred over Wine's built-in mapi32.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="${KELMSGS_WINEPREFIX:-$here/../build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mapi32=n;winemenubuilder.exe=d}"
export WINEARCH=win64
exec wine "$@"
