#!/bin/sh
# Times the whole program on one core, start-up and files included, best of
# three runs: on the network of ../shared/data (the default run, the run
# without the bootstrap, the run with the HTML pages) and on a 1000-year
# record generated from the Nile's model. When R is installed, times
# bench/compare.R (a lighter analysis, no simulations) on the same records
# and prints the ratios.
# Usage: bench/network.sh RIVAN6 [DATA]
set -eu
bin=$1
here=$(dirname "$0")
data=${2:-$here/../../shared/data}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pin=""
# The last processor: the first tends to take the interrupts.
if command -v taskset > /dev/null 2>&1; then pin="taskset -c $(($(nproc) - 1))"; fi

# best_of N CMD...: the least wall time of N runs, in seconds.
best_of() {
  runs=$1
  shift
  best=""
  i=0
  while [ "$i" -lt "$runs" ]; do
    rm -rf "$out/run" && mkdir "$out/run"
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" \
      'BEGIN { t = e - s; if (b == "" || t < b + 0) print t; else print b }')
    i=$((i + 1))
  done
  awk -v b="$best" 'BEGIN { printf "%.3f", b }'
}

# A 1000-year record: one series from the Nile's model, each year split into
# twelve equal months as the bundled record is.
"$bin" -q -j 1 -d "$here/../examples" -o "$out" NILE > /dev/null
"$bin" generate "$out/NILE.json" --series 1 --years 1000 -o "$out/long.csv"
awk -F, 'NR > 1 { m = $3 / 12; printf "ANNU%04d", $2; for (i = 0; i < 12; ++i) printf " %7.3f", m; printf "\n" }' \
  "$out/long.csv" > "$out/LONG.INC"
long=$(best_of 3 $pin "$bin" -q -j 1 -o "$out/run" "$out/LONG.INC")
echo "1000-year record, one core, start-up included (best of 3)"
echo "  rivan6, defaults              ${long} s"
if command -v Rscript > /dev/null 2>&1; then
  rlong=$(best_of 3 $pin Rscript "$here/compare.R" "$out/run" "$out/LONG.INC")
  echo "  Rscript bench/compare.R       ${rlong} s"
  awk -v r="$rlong" -v p="$long" 'BEGIN { printf "  R takes %.1f times as long as rivan6\n", r / p }'
fi

if [ ! -d "$data" ]; then
  echo "network: $data is absent, no network timing"
  exit 0
fi
# Every record but the 100-year Nile, which is timed on its own.
files=$(ls "$data"/*.INC | grep -v '/NILE\.INC$')
count=$(echo "$files" | wc -l)
echo "network: $count records of $data, one core, start-up included (best of 3)"
# shellcheck disable=SC2086
plain=$(best_of 3 $pin "$bin" -q -j 1 --bootstrap 0 -o "$out/run" $files)
# shellcheck disable=SC2086
full=$(best_of 3 $pin "$bin" -q -j 1 -o "$out/run" $files)
# shellcheck disable=SC2086
html=$(best_of 3 $pin "$bin" -q -j 1 --html -o "$out/run" $files)
echo "  rivan6, no bootstrap          ${plain} s"
echo "  rivan6, defaults              ${full} s"
echo "  rivan6, defaults and --html   ${html} s"
if command -v Rscript > /dev/null 2>&1; then
  # shellcheck disable=SC2086
  r=$(best_of 1 $pin Rscript "$here/compare.R" "$out/run" $files)
  echo "  Rscript bench/compare.R       ${r} s"
  awk -v r="$r" -v p="$plain" -v f="$full" 'BEGIN {
    printf "  R takes %.1f times as long as rivan6 without the bootstrap, %.1f times with the defaults\n", r / p, r / f }'
else
  echo "  (Rscript is not installed: no comparison)"
fi
