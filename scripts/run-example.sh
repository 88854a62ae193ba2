#!/bin/bash
# Runs a sample of examples/ (VBScript or JScript) through Wine's script host against the
# sample mailbox, the way a script writer runs it, and checks that its output holds the
# lines of tests/examples/NAME.expect in their order (each a part of an output line).
# cscript exits 0 even when a script stops on an error, so the output is the proof.
#   run-example.sh NAME.vbs|NAME.js [arguments]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root" || exit 1
sample=${1:?sample}
shift
name=${sample%.*}
expect="$root/tests/examples/$name.expect"
# 1. A fresh copy of the sample mailbox for this sample.
stores="$root/build/example-stores/$KELMSGS_ARCH/$name"
rm -rf "$stores"
mkdir -p "$stores"
bin="$root/build/mingw-$KELMSGS_ARCH/bin"
"$root/cmake/wine-run.sh" "$bin/standin-profile.exe" load \
  "$(kelmsgs_winpath "$root/platform/mapi/fixture/sample-profile.json")" "$(kelmsgs_winpath "$stores")" ||
  exit 1
# 2. The sample.
out=$("$root/cmake/wine-run.sh" "C:\\windows\\$KELMSGS_SYSDIR\\cscript.exe" //nologo \
  "$(kelmsgs_winpath "$root/examples/$sample")" "$@" 2>&1 | tr -d '\r')
printf '%s\n' "$out"
# 3. What a user must see, in order.
rest=$out
while IFS= read -r line || [ -n "$line" ]; do
  [ -z "$line" ] && continue
  case "$rest" in
    *"$line"*) rest=${rest#*"$line"} ;;
    *)
      echo "run-example: \"$line\" is missing from the output of $sample (in this order)" >&2
      exit 1
      ;;
  esac
done <"$expect"
