#!/bin/bash
# The benchmarks (`make bench`): builds the 64-bit preset's benchmark programs, installs the
# build in the Wine prefix, runs every benchmark and prints one table of their figures.
# Each benchmark times the library against its baseline in the same run and prints a line
#   BENCH<tab>figure<tab>library us<tab>baseline us<tab>target ratio (or -)
# per figure (times per operation named in the figure); this script gathers them. Nothing
# here checks a time: the targets are printed for the reader.
#   bench.sh [--no-build]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
export KELMSGS_ARCH=x64
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root" || exit 1
bin="$root/build/mingw-x64/bin"
cd "$root" || exit 1

# 1. The build and its installation in the prefix.
if [ "${1:-}" != "--no-build" ]; then
  cmake --preset mingw-x64 >/dev/null || exit 1
  cmake --build --preset mingw-x64 --target KelMsgs mapi_standin standin-profile mapi_bench \
    docfilter_bench docfilter_da docfilter_ta docfilter_ca || exit 1
fi
scripts/bootstrap.sh prefix "$bin" >/dev/null || exit 1

# 2. The inputs of the script benchmark: a default profile of one folder of 10,000 messages.
stores="$root/build/bench-stores"
mkdir -p "$stores"
cmake/wine-run.sh "$bin/standin-profile.exe" generate Bench "$(kelmsgs_winpath "$stores")" 1 10000 ||
  exit 1

# 3. Every benchmark; their figure lines are kept, the rest goes to the log.
log="$root/build/bench.log"
: >"$log"
failed=0
run() {
  local out
  out=$("$@" 2>&1)
  local status=$?
  printf '%s\n' "$out" >>"$log"
  printf '%s\n' "$out" | tr -d '\r' | grep '^BENCH' >>"$log.figures"
  if [ $status -ne 0 ]; then
    echo "bench: $* failed (see $log)" >&2
    failed=1
  fi
}
rm -f "$log.figures"
run scripts/run-script.sh bench/late_bound.vbs 200000
run cmake/wine-run.sh "$bin/mapi_bench.exe" "$(kelmsgs_winpath "$stores")"
run cmake/wine-run.sh "$bin/docfilter_bench.exe"

# 4. One table.
awk -F '\t' '
  BEGIN {
    printf "| %-66s | %12s | %12s | %7s | %6s |\n", "figure", "library us", "baseline us", "ratio", "target"
    printf "|%s|%s|%s|%s|%s|\n", "--------------------------------------------------------------------",
           "--------------", "--------------", "---------", "--------"
  }
  $3 == "failed" { printf "| %-66s | %12s | %12s | %7s | %6s |\n", $2, "failed", "failed", "-", $5; next }
  {
    ratio = $4 > 0 ? sprintf("%.2f", $3 / $4) : "-"
    target = $5 == "-" ? "-" : "<= " $5
    printf "| %-66s | %12.4f | %12.4f | %7s | %6s |\n", $2, $3, $4, ratio, target
  }' "$log.figures"
exit $failed
