#!/bin/bash
# Runs a VBScript through Wine's cscript against the registered library: the 64-bit
# script host and build by default, the 32-bit ones with KELMSGS_ARCH=x86. The script must
# print a last line "N passed, 0 failed"; cscript itself exits 0 even when a script does
# not parse or stops on an error, so that line is the only proof of success.
#   run-script.sh [--profile description.json] [--prelude start.vbs] script.vbs [arguments]
# With --profile, the messaging stand-in is given that profile first (its stores in a
# scratch directory of the build tree). With --prelude, the host runs that file and the
# script as one (written to the build tree; the lines cscript names in an error count from
# the start of the prelude); KELMSGS_SCRIPT_DIR names the script's own directory.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root" || exit 1
if [ "${1:-}" = "--profile" ]; then
  profile=${2:?profile description}
  shift 2
  stores="$root/build/script-stores/$KELMSGS_ARCH/$(basename "$profile" .json)"
  mkdir -p "$stores"
  bin="$root/build/mingw-$KELMSGS_ARCH/bin"
  if ! "$root/cmake/wine-run.sh" "$bin/standin-profile.exe" load "$(kelmsgs_winpath "$profile")" \
       "$(kelmsgs_winpath "$stores")"; then
    echo "run-script: the profile $profile could not be loaded" >&2
    exit 1
  fi
  # Where the profile's files went (its stores, the transport's outgoing mail).
  KELMSGS_SCRIPT_STORES=$(kelmsgs_winpath "$stores")
  export KELMSGS_SCRIPT_STORES
fi
prelude=
if [ "${1:-}" = "--prelude" ]; then
  prelude=${2:?prelude script}
  shift 2
fi
script=${1:?script}
shift
KELMSGS_SCRIPT_DIR=$(kelmsgs_winpath "$(cd "$(dirname "$script")" && pwd)")
export KELMSGS_SCRIPT_DIR
if [ -n "$prelude" ]; then
  joined="$root/build/scripts/$KELMSGS_ARCH/$(basename "$script")"
  mkdir -p "$(dirname "$joined")"
  cat "$prelude" "$script" > "$joined" || exit 1
  script=$joined
fi
# What the script host must report as its processor architecture: scripts check it, so a
# run proves which bitness of the host (and so of the library) it went through.
case "$KELMSGS_ARCH" in
  x86) export KELMSGS_SCRIPT_ARCH=x86 ;;
  *) export KELMSGS_SCRIPT_ARCH=AMD64 ;;
esac
# The script host of the bitness, by the system folder that holds it.
out=$("$root/cmake/wine-run.sh" "C:\\windows\\$KELMSGS_SYSDIR\\cscript.exe" //nologo "$(kelmsgs_winpath "$script")" "$@" 2>&1)
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
