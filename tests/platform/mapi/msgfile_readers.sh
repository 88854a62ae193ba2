#!/bin/sh
# Reads the message files that MsgFileWriter wrote with independent readers: Debian's
# msgconvert (converts to MIME) and python3-olefile (the compound file's streams), then
# the npm package @kenjiuno/msgreader installed into the build tree. Skipped (exit 77)
# where msgconvert or olefile is not installed or the npm registry cannot be reached.
# Usage: msgfile_readers.sh MSGDIR BINDIR
set -eu
msgdir=$(cd "$1" && pwd)
bindir=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$bindir/msgfile-readers"
modules="$work/npm"
python=/usr/bin/python3

command -v msgconvert >/dev/null 2>&1 && "$python" -c "import olefile" 2>/dev/null || {
  echo "msgconvert or python3-olefile not installed: skipped"; exit 77; }
rm -rf "$work/eml"
mkdir -p "$work/eml"
cp "$msgdir/sample.msg" "$work/eml/"
(cd "$work/eml" && msgconvert sample.msg 2>/dev/null)
"$python" "$here/msgfile_readers.py" "$msgdir/sample.msg" "$work/eml/sample.eml"

command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || {
  echo "node/npm not installed: msgreader check skipped"; exit 77; }
if [ ! -d "$modules/node_modules/@kenjiuno/msgreader" ]; then
  mkdir -p "$modules"
  timeout 180 npm install --silent --no-audit --no-fund --prefix "$modules" \
    @kenjiuno/msgreader@1.28.0 >/dev/null 2>&1 || {
    echo "npm registry not reachable: msgreader check skipped"; exit 77; }
fi
NODE_PATH="$modules/node_modules" node "$here/msgfile_readers.js" "$msgdir/sample.msg"
