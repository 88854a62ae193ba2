#!/bin/bash
# The Windows Installer packages (`make package`): build/package/KelMsgs-x64.msi (64-bit,
# Program Files) and KelMsgs-x86.msi (32-bit, Program Files (x86)). wixl builds each from
# tools/package/KelMsgs.wxs; its Registry table is then replaced by the rows that
# registry-rows.exe makes from the built DLL: the class table's registration scripts and
# the type library's registration, the same that DllRegisterServer applies. No
# self-registration runs at install time.
#   package.sh [x64|x86 ...] [--version X.Y.Z] [--out DIR]   (default: both, the project's version)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"
arches=()
version=
out="$root/build/package"
while [ $# -gt 0 ]; do
  case "$1" in
    x64 | x86) arches+=("$1") ;;
    --version) version=$2; shift ;;
    --out) out=$2; shift ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
[ ${#arches[@]} -gt 0 ] || arches=(x64 x86)
[ -n "$version" ] || version=$(sed -n 's/^project(KelMsgs VERSION \([0-9.]*\).*/\1.0/p' "$root/CMakeLists.txt")
mkdir -p "$out"
. "$root/cmake/wine-env.sh"
for arch in "${arches[@]}"; do
  bin="$root/build/mingw-$arch/bin"
  # 1. The DLL and the rows tool of the bitness.
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" --target KelMsgs registry-rows >/dev/null
  # 2. The registry rows, from the DLL itself.
  KELMSGS_ARCH=$arch kelmsgs_wine_env "$root"
  KELMSGS_ARCH=$arch "$root/cmake/wine-run.sh" "$bin/registry-rows.exe" \
    "$(kelmsgs_winpath "$bin/KelMsgs.dll")" KelMsgsDll "$(kelmsgs_winpath "$out/Registry-$arch.idt")"
  # 3. The package, then its Registry table.
  if [ "$arch" = x64 ]; then
    defines=(-D Win64=yes -D ProgramFiles=ProgramFiles64Folder
             -D UpgradeCode=6F0A3C2E-5B1D-4E8A-9C47-2D81B3E5A190
             -D ComponentGuid=0B7E4D21-8C3A-4F59-A1E6-93D2C5B7F048)
  else
    defines=(-D Win64=no -D ProgramFiles=ProgramFilesFolder
             -D UpgradeCode=9D4B1E7A-2C6F-4A83-B5D0-E18F6A2C3B94
             -D ComponentGuid=E25C8A13-7F4B-4D96-8E01-A6C3B9D2F175)
  fi
  # wixl finds the sources beside the .wxs, so both go into a staging folder.
  # The product code follows from the bitness and the version: a package can always be
  # removed with the package file of its version, and a new version is a new product.
  product=$(python3 -c "import uuid,sys; print(str(uuid.uuid5(uuid.NAMESPACE_URL, 'kelmsgs:' + sys.argv[1])).upper())" "$arch-$version")
  msi="$out/KelMsgs-$arch.msi"
  stage="$out/stage-$arch"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$bin/KelMsgs.dll" "$root/tools/package/KelMsgs.wxs" "$stage/"
  cp "$out/Registry-$arch.idt" "$stage/Registry.idt"
  (cd "$stage" &&
    wixl -a "$arch" -o "$msi" -D Arch="$arch" -D Version="$version" -D Dll=KelMsgs.dll \
      -D ProductCode="$product" \
      "${defines[@]}" KelMsgs.wxs &&
    msibuild "$msi" -i Registry.idt)
  rm -rf "$stage"
  echo "package: $msi ($version)"
done
