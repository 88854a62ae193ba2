#!/bin/bash
# Set-up of a build and test machine (Debian 12).
#   bootstrap.sh packages        install the Debian packages that are missing (needs root)
#   bootstrap.sh prefix BINDIR   make the Wine prefix inside the build tree if it does not
#                                exist, install the stand-ins from BINDIR into it and
#                                register BINDIR/KelMsgs.dll
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

PACKAGES=(
  build-essential cmake ninja-build clang libclang-rt-14-dev googletest libgtest-dev
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine64 wine libwine-dev libz-mingw-w64-dev nlohmann-json3-dev zlib1g-dev
)

packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "bootstrap: all packages present"
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: these Debian packages are missing: ${missing[*]}" >&2
    echo "bootstrap: run as root (or install them with: sudo apt-get install ${missing[*]})" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

prefix() {
  local bin=${1:?bin directory}
  bin=$(cd "$bin" && pwd)
  export WINEPREFIX="${KELMSGS_WINEPREFIX:-$root/build/wineprefix}"
  export WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d"
  # One set-up at a time: CTest may start it next to another run.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "bootstrap: making the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # No display here: Wine's null graphics driver gives every process a working desktop, so
  # hidden windows (where MAPI delivers notifications) can always be made. Without it,
  # a process that starts next to another one may lose the race for the desktop and
  # cannot create any window for its whole life.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null
  # The messaging stand-in replaces Wine's built-in mapi32 for every program.
  local system32="$WINEPREFIX/drive_c/windows/system32"
  cp -f "$bin/mapi32.dll" "$system32/mapi32.dll"
  # The document-filter stand-in goes where the library looks for the filter: the
  # directory named by the components key's "CRO" value, plus "inso".
  if [ -f "$bin/SCCDA.DLL" ]; then
    local inso="$WINEPREFIX/drive_c/Program Files/Vexa/Vexaware/inso"
    mkdir -p "$inso"
    cp -f "$bin/SCCDA.DLL" "$bin/SCCCA.DLL" "$bin/SCCTA.DLL" "$inso/"
    wine reg add 'HKLM\SOFTWARE\Vexa\Vexaware\Components' /v CRO /t REG_SZ \
      /d 'C:\Program Files\Vexa\Vexaware' /f >/dev/null
  fi
  # Register the library where it was built.
  wine regsvr32 /s "$(winepath -w "$bin/KelMsgs.dll")"
  wineserver -w
  echo "bootstrap: prefix ready, KelMsgs.dll registered from $bin"
}

case "${1:-}" in
  packages) packages ;;
  prefix) prefix "${2:-}" ;;
  *) echo "usage: $0 packages | prefix BINDIR" >&2; exit 2 ;;
esac
