#!/bin/sh
# Reads message files with independent readers: Debian's msgconvert (converts to MIME) and
# python3-olefile (the compound file's streams), then the npm package @kenjiuno/msgreader
# installed into the build tree. A file with a description beside it (FILE.json) is
# compared to that; one without is the stand-in's sample, checked against what
# MsgFileWriter puts in it. Every file is read before the result is given. Skipped
# (exit 77) where msgconvert or olefile is not installed or the npm registry cannot be
# reached.
# Usage: msgfile_readers.sh BINDIR FILE.msg...
set -eu
bindir=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
modules="$bindir/msgfile-readers/npm"
python=/usr/bin/python3
status=0

# The description beside a message file, when there is one.
described() {
  json="${1%.msg}.json"
  [ -f "$json" ] && echo "$json" || true
}

command -v msgconvert >/dev/null 2>&1 && "$python" -c "import olefile" 2>/dev/null || {
  echo "msgconvert or python3-olefile not installed: skipped"; exit 77; }
mkdir -p "$bindir/msgfile-readers"
work=$(mktemp -d "$bindir/msgfile-readers/eml.XXXXXX")
trap 'rm -rf "$work"' EXIT
for msg in "$@"; do
  name=$(basename "$msg" .msg)
  cp "$msg" "$work/$name.msg"
  (cd "$work" && msgconvert "$name.msg" 2>/dev/null)
  echo "$msg:"
  # shellcheck disable=SC2046
  "$python" "$here/msgfile_readers.py" "$msg" "$work/$name.eml" $(described "$msg") || status=1
done

command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || {
  echo "node/npm not installed: msgreader check skipped"; [ $status -eq 0 ] && exit 77; exit 1; }
if [ ! -d "$modules/node_modules/@kenjiuno/msgreader" ]; then
  mkdir -p "$modules"
  timeout 180 npm install --silent --no-audit --no-fund --prefix "$modules" \
    @kenjiuno/msgreader@1.28.0 >/dev/null 2>&1 || {
    echo "npm registry not reachable: msgreader check skipped"; [ $status -eq 0 ] && exit 77; exit 1; }
fi
for msg in "$@"; do
  echo "$msg:"
  # shellcheck disable=SC2046
  NODE_PATH="$modules/node_modules" node "$here/msgfile_readers.js" "$msg" $(described "$msg") ||
    status=1
done
exit $status
