#!/bin/bash
# Everything `make test` does, from a fresh machine: packages (32-bit Wine included), the
# three builds, then the Windows tests of both bitnesses under Wine in one WoW64 prefix
# (64-bit programs through the 64-bit loader, 32-bit ones through the 32-bit loader) and the
# native tests with sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh packages
# The 64-bit and the 32-bit build, each tested under Wine. The two runs share the prefix
# and the stand-in's profiles, so they run one after the other.
for arch in x64 x86; do
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch"
  ctest --preset "mingw-$arch"
done
# The portable cores natively, with sanitizers and short fuzz runs.
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
