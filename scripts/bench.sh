#!/bin/bash
# The benchmarks (`make bench`): builds the 64-bit preset's benchmark programs (the 32-bit
# ones with KELMSGS_ARCH=x86, `make bench ARCH=x86`), installs the build in the Wine prefix, runs every benchmark and prints one table of their figures.
# Each benchmark times the library against its baseline in the same run and prints a line
#   BENCH<tab>figure<tab>library us<tab>baseline us<tab>target ratio (or -)
# per figure (times per operation named in the figure), and lines
#   SCALE<tab>figure<tab>size<tab>library<tab>baseline
# for the scaling curves (cost per item at each size); this script gathers them into two
# tables. Nothing here checks a time: the targets are printed for the reader.
#   bench.sh [--no-build]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
export KELMSGS_ARCH=${KELMSGS_ARCH:-x64}
case "$KELMSGS_ARCH" in x64 | x86) ;; *) echo "bench: KELMSGS_ARCH is x64 or x86" >&2; exit 2 ;; esac
preset=mingw-$KELMSGS_ARCH
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root" || exit 1
bin="$root/build/$preset/bin"
cd "$root" || exit 1

# 1. The build and its installation in the prefix.
if [ "${1:-}" != "--no-build" ]; then
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" --target KelMsgs mapi_standin standin-profile mapi_bench \
    docfilter_bench docfilter_da docfilter_ta docfilter_ca || exit 1
fi
scripts/bootstrap.sh prefix "$bin" >/dev/null || exit 1

# 2. The inputs of the script benchmark: a default profile of one folder of 10,000 messages.
stores="$root/build/bench-stores/$KELMSGS_ARCH"
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
  printf '%s\n' "$out" | tr -d '\r' | grep '^SCALE' >>"$log.scale"
  if [ $status -ne 0 ]; then
    echo "bench: $* failed (see $log)" >&2
    failed=1
  fi
}
# The logon figure: whole runs of the script with the logon against runs without it,
# alternating, best of five; over a profile of three stores (loaded once, before).
logon_figure() {
  cmake/wine-run.sh "$bin/standin-profile.exe" load "$(kelmsgs_winpath "$root/bench/logon.json")" \
    "$(kelmsgs_winpath "$stores/logon")" >>"$log" 2>&1 || return 1
  local best_logon=0 best_start=0 r mode t0 us
  for r in 1 2 3 4 5; do
    for mode in logon start; do
      t0=$(date +%s%N)
      scripts/run-script.sh bench/logon.vbs "$mode" >>"$log" 2>&1 || return 1
      us=$((($(date +%s%N) - t0) / 1000))
      if [ "$mode" = logon ]; then
        [ "$best_logon" -eq 0 ] || [ "$us" -lt "$best_logon" ] && best_logon=$us
      else
        [ "$best_start" -eq 0 ] || [ "$us" -lt "$best_start" ] && best_start=$us
      fi
    done
  done
  printf 'BENCH\t%s\t%s\t%s\t-\n' "logon, 3 stores, first call (vs the script's start without it)" \
    "$best_logon" "$best_start" >>"$log.figures"
}

rm -f "$log.figures" "$log.scale"
run scripts/run-script.sh bench/late_bound.vbs 200000
mkdir -p "$stores/logon"
if ! logon_figure; then
  printf 'BENCH\t%s\tfailed\tfailed\t-\n' "logon, 3 stores, first call (vs the script's start without it)" >>"$log.figures"
  echo "bench: the logon figure failed (see $log)" >&2
  failed=1
fi
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
# 5. The scaling curves: the cost per item of each figure at each size.
echo
awk -F '\t' '
  BEGIN {
    printf "| %-74s | %7s | %12s | %12s | %7s |\n", "figure, cost per item", "size", "library", "baseline", "ratio"
    printf "|%s|%s|%s|%s|%s|\n", "----------------------------------------------------------------------------",
           "---------", "--------------", "--------------", "---------"
  }
  $4 == "failed" { printf "| %-74s | %7s | %12s | %12s | %7s |\n", $2, $3, "failed", "failed", "-"; next }
  {
    ratio = $5 > 0 ? sprintf("%.2f", $4 / $5) : "-"
    printf "| %-74s | %7s | %12.4f | %12.4f | %7s |\n", $2, $3, $4, $5, ratio
  }' "$log.scale"
exit $failed
