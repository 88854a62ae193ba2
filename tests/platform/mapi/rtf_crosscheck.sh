#!/bin/sh
# Cross-checks the stand-in's compressed RTF with an independent decoder from the npm
# registry: RTF written through WrapCompressedRTFStream must decompress to the same bytes.
# Skipped (exit 77) where npm or its registry cannot be reached.
# Usage: rtf_crosscheck.sh BINDIR
set -eu
bindir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
work="$bindir/rtf-crosscheck"
modules="$work/npm"

command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || {
  echo "node/npm not installed: skipped"; exit 77; }
if [ ! -d "$modules/node_modules/@kenjiuno/decompressrtf" ]; then
  mkdir -p "$modules"
  timeout 180 npm install --silent --no-audit --no-fund --prefix "$modules" \
    @kenjiuno/decompressrtf@0.1.4 >/dev/null 2>&1 || {
    echo "npm registry not reachable: skipped"; exit 77; }
fi

rm -rf "$work/out"
mkdir -p "$work/out"
winout="Z:$(echo "$work/out" | sed 's#/#\\#g')"
(cd "$bindir" && KELMSGS_RTF_DUMP_DIR="$winout" "$root/cmake/wine-run.sh" ./mapi_standin_tests.exe \
  --gtest_filter='RtfCrossCheck.*')
NODE_PATH="$modules/node_modules" node "$here/rtf_crosscheck.js" "$work/out"
