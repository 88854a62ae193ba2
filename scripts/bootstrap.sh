#!/bin/bash
# Set-up of a build and test machine (Debian 12).
#   bootstrap.sh packages        install the Debian packages that are missing (needs root),
#                                32-bit Wine included (the i386 architecture is added first)
#   bootstrap.sh prefix BINDIR   make the Wine prefix inside the build tree if it does not
#                                exist, install the stand-ins from BINDIR into it and
#                                register BINDIR/KelMsgs.dll; KELMSGS_ARCH (x64 or x86) names
#                                the bitness of BINDIR's build
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/cmake/wine-env.sh"

PACKAGES=(
  build-essential cmake ninja-build clang libclang-rt-14-dev googletest libgtest-dev
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine64 wine wine32:i386 libwine-dev libz-mingw-w64-dev nlohmann-json3-dev zlib1g-dev
  libemail-outlook-message-perl libemail-address-perl python3-olefile wixl msitools
  nodejs npm
)

packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
    # Node.js from another source (nodesource's package carries npm) serves as well, and
    # Debian's npm package would conflict with it.
    case "$p" in nodejs | npm) command -v "${p/nodejs/node}" >/dev/null 2>&1 && continue ;; esac
    missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "bootstrap: all packages present"
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: these Debian packages are missing: ${missing[*]}" >&2
    echo "bootstrap: run as root (or install them with: sudo apt-get install ${missing[*]};" \
      "wine32:i386 needs 'sudo dpkg --add-architecture i386 && sudo apt-get update' first)" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine comes from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# make_prefix: the WoW64 prefix, made by the 64-bit loader. A prefix made while 32-bit Wine
# was missing has no 32-bit system and stops working once 32-bit Wine is installed: it is
# made again.
make_prefix() {
  local wow64_marker="$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
  if [ -f "$WINEPREFIX/system.reg" ] && [ -x "$KELMSGS_WINE32" ] && [ ! -f "$wow64_marker" ]; then
    echo "bootstrap: the prefix $WINEPREFIX has no 32-bit system; making it again"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "bootstrap: making the Wine prefix $WINEPREFIX"
    WINEARCH=win64 WINELOADER="$KELMSGS_WINE64" "$KELMSGS_WINE64" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

prefix() {
  local bin=${1:?bin directory}
  bin=$(cd "$bin" && pwd)
  kelmsgs_wine_env "$root"
  if [ "$(kelmsgs_pe_machine "$bin/KelMsgs.dll")" != "$KELMSGS_PE_MACHINE" ]; then
    echo "bootstrap: $bin/KelMsgs.dll is not a $KELMSGS_ARCH build (set KELMSGS_ARCH)" >&2
    exit 1
  fi
  export WINEDLLOVERRIDES="mapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d"
  # One set-up at a time: CTest may start it next to another run.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  make_prefix
  # Programs of this bitness, by the system folder that holds them.
  local windir="$WINEPREFIX/drive_c/windows" system="C:\\windows\\$KELMSGS_SYSDIR"
  run() { "$KELMSGS_WINE" "$system\\$1.exe" "${@:2}"; }
  # No display here: Wine's null graphics driver gives every process a working desktop, so
  # hidden windows (where MAPI delivers notifications) can always be made. Without it,
  # a process that starts next to another one may lose the race for the desktop and
  # cannot create any window for its whole life.
  run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null
  # A program that crashes starts Wine's debugger, which by default opens a crash dialog
  # and waits for an answer nobody can give here: the test hung until its time-out. With
  # the dialog off, the debugger prints the backtrace to the test's output and the
  # program ends at once with a failure.
  run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  # The messaging stand-in replaces Wine's built-in mapi32 for every program of its
  # bitness: a 64-bit process loads it from system32, a 32-bit one from syswow64.
  cp -f "$bin/mapi32.dll" "$windir/$KELMSGS_SYSDIR/mapi32.dll"
  # The document-filter stand-in goes where the library looks for the filter: the
  # directory named by the components key's "CRO" value, plus "inso". Each bitness has its
  # own copy and its own registry view (the 32-bit one is Wow6432Node), written by the
  # reg program of that bitness.
  if [ -f "$bin/SCCDA.DLL" ]; then
    local programs='Program Files'
    [ "$KELMSGS_ARCH" = x86 ] && programs='Program Files (x86)'
    local inso="$WINEPREFIX/drive_c/$programs/Vexa/Vexaware/inso"
    mkdir -p "$inso"
    cp -f "$bin/SCCDA.DLL" "$bin/SCCCA.DLL" "$bin/SCCTA.DLL" "$inso/"
    run reg add 'HKLM\SOFTWARE\Vexa\Vexaware\Components' /v CRO /t REG_SZ \
      /d "C:\\$programs\\Vexa\\Vexaware" /f >/dev/null
  fi
  # Register the library where it was built, with the regsvr32 of its bitness.
  run regsvr32 /s "$(kelmsgs_winpath "$bin/KelMsgs.dll")"
  # The host add-in stand-in (KelMsgsHost.Toolbar), which tests and the demo hand to the
  # library as the mail client's toolbar, is registered the same way.
  if [ -f "$bin/KelMsgsHost.dll" ]; then
    run regsvr32 /s "$(kelmsgs_winpath "$bin/KelMsgsHost.dll")"
  fi
  wineserver -w
  echo "bootstrap: prefix ready, $KELMSGS_ARCH KelMsgs.dll registered from $bin"
}

case "${1:-}" in
  packages) packages ;;
  prefix) prefix "${2:-}" ;;
  *) echo "usage: $0 packages | prefix BINDIR" >&2; exit 2 ;;
esac
