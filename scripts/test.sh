#!/bin/bash
# Everything `make test` does, from a fresh machine: packages (32-bit Wine included), the
# three builds, then the Windows tests of both bitnesses under Wine in one WoW64 prefix
# (64-bit programs through the 64-bit loader, 32-bit ones through the 32-bit loader) and the
# native tests with sanitizers.
#
# The Wine tests leave most of the processor idle, so each build after the first compiles
# while the tests before it run. The two Wine runs share the prefix and the stand-in's
# profiles, so they never run at the same time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh packages
mkdir -p build

# build_behind PRESET: configures PRESET, then builds it in the background (its output in
# build/PRESET.log); finish_build waits for it and shows the log if it failed.
build_pid=
build_behind() {
  build_preset=$1
  cmake --preset "$build_preset" >/dev/null
  cmake --build --preset "$build_preset" >"build/$build_preset.log" 2>&1 &
  build_pid=$!
}
finish_build() {
  if ! wait "$build_pid"; then
    cat "build/$build_preset.log"
    echo "test: the $build_preset build failed" >&2
    exit 1
  fi
  tail -n 1 "build/$build_preset.log"
}
# A failing test run does not stop the others: the script fails at the end.
status=0

cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64
build_behind mingw-x86
ctest --preset mingw-x64 || status=1
finish_build

build_behind native
ctest --preset mingw-x86 || status=1
finish_build

# The portable cores natively, with sanitizers and short fuzz runs.
ctest --preset native || status=1
exit $status
