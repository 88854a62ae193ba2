#!/bin/sh
# Reads the embedded message that the copy service wrote as its own ".msg" file with
# Debian's msgconvert, an independent reader: the file must be a message with its subject
# and its own attachment (the plain body is left out of a message file). Skipped (exit 77)
# where msgconvert is not installed.
# Usage: copied_message_reader.sh BINDIR
set -eu
bindir=$(cd "$1" && pwd)
msg="$bindir/msgfiles/copied-embedded.msg"
command -v msgconvert >/dev/null 2>&1 || { echo "msgconvert not installed: skipped"; exit 77; }
[ -f "$msg" ] || { echo "no copied message at $msg"; exit 1; }
work="$bindir/copied-message-reader"
rm -rf "$work"
mkdir -p "$work"
cp "$msg" "$work/embedded.msg"
(cd "$work" && msgconvert embedded.msg 2>/dev/null)
eml="$work/embedded.eml"
[ -f "$eml" ] || { echo "msgconvert wrote nothing"; exit 1; }
fail=0
grep -q '^Subject: inner' "$eml" || { echo "subject missing"; fail=1; }
grep -q 'deep.txt' "$eml" || { echo "the embedded message's attachment missing"; fail=1; }
# "deep down" in base64, as a MIME part carries it
grep -q 'ZGVlcCBkb3du' "$eml" || grep -q 'deep down' "$eml" || { echo "attachment data missing"; fail=1; }
[ $fail = 0 ] && echo "msgconvert read the copied embedded message"
exit $fail
