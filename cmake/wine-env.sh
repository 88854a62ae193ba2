# Sourced by every launcher: the Wine loader, system folder and prefix for one bitness.
# KELMSGS_ARCH chooses it: x64 (the default) runs 64-bit programs through the 64-bit loader,
# x86 runs 32-bit programs through the 32-bit loader. Both share one WoW64 prefix. The
# loaders are named by path because the `wine` command starts the 32-bit loader as soon as
# 32-bit Wine is installed, whatever the program's bitness.
#   kelmsgs_wine_env ROOT   sets KELMSGS_ARCH, KELMSGS_WINE (the loader), KELMSGS_SYSDIR
#                           (the Windows folder of the bitness's system programs and DLLs),
#                           KELMSGS_PE_MACHINE (the PE machine word of that bitness) and
#                           exports WINEPREFIX, WINELOADER and WINEDEBUG. WINEARCH=win64
#                           is exported for 64-bit runs only: the prefix is always made by
#                           the 64-bit loader, and a 32-bit run joins it as WoW64.

KELMSGS_WINE64=/usr/lib/wine/wine64
KELMSGS_WINE32=/usr/lib/wine/wine

kelmsgs_wine_env() {
  KELMSGS_ARCH=${KELMSGS_ARCH:-x64}
  case "$KELMSGS_ARCH" in
    x64) KELMSGS_WINE=$KELMSGS_WINE64 KELMSGS_SYSDIR=system32 KELMSGS_PE_MACHINE=8664 ;;
    x86) KELMSGS_WINE=$KELMSGS_WINE32 KELMSGS_SYSDIR=syswow64 KELMSGS_PE_MACHINE=014c ;;
    *)
      echo "KELMSGS_ARCH must be x64 or x86, not '$KELMSGS_ARCH'" >&2
      return 2
      ;;
  esac
  if [ ! -x "$KELMSGS_WINE" ]; then
    echo "the Wine loader $KELMSGS_WINE for $KELMSGS_ARCH programs is not installed" >&2
    echo "(scripts/bootstrap.sh packages, as root, installs it)" >&2
    return 1
  fi
  export KELMSGS_ARCH
  export WINEPREFIX="${KELMSGS_WINEPREFIX:-$1/build/wineprefix}"
  export WINELOADER="$KELMSGS_WINE"
  if [ "$KELMSGS_ARCH" = x64 ]; then export WINEARCH=win64; else unset WINEARCH; fi
  export WINEDEBUG="${WINEDEBUG:--all}"
}

# kelmsgs_pe_machine FILE: the machine word of a PE file in hex (8664 or 014c).
kelmsgs_pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

# kelmsgs_winpath PATH: the Windows path of a file or directory here (drive Z: is the root).
kelmsgs_winpath() {
  printf 'Z:%s' "$(printf '%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | sed 's#/#\\#g')"
}
