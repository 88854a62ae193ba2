#!/bin/bash
# Everything `make test` does, from a fresh machine: packages, the three builds, the Wine
# prefix, then the Windows tests under Wine and the native tests with sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh packages
# The 64-bit build, tested under Wine.
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64
ctest --preset mingw-x64
# The 32-bit build is compile-checked (Wine cannot run it dependably here).
cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86 --target KelMsgs
# The portable cores natively, with sanitizers and short fuzz runs.
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
