#!/bin/sh
# Runs the workloads B1-B3 end to end with the program (on the machine's
# threads), the same program with ACOUSTIC_THREADS=1, the program with a
# baseline writer (one stdio call per value) and with a writer that drops
# all files but dftv.txt, alternated, and reports for each: the median wall
# time of RUNS runs, peak memory, bytes written, the share of the time
# spent formatting and writing, the speed-up over the baseline and the
# ratio of the threaded run's time to the one-thread run's (median of the
# pairs' ratios). Also checks that program, one-thread run and baseline
# write byte-identical files.
#   bench/run_workloads.sh [BUILD_DIR] [RUNS] ["WORKLOADS"]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-3}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/acoustic_workloads.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# median of the numbers on standard input
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run PROGRAM WORKLOAD FOLDER [THREADS]: prints "seconds peak_kb"
run() {
  rm -rf "$3" && mkdir -p "$3" && cp "$here/$2/parameters.txt" "$3/"
  # The earlier runs' files out of the page cache first: their write-back
  # would otherwise compete with this run for the second core.
  sync
  (cd "$3" && ACOUSTIC_THREADS=${4:-} /usr/bin/time -f "%e %M" -o .time "$build/bench/$1" < "$here/$2/answers.txt" > .stdout 2> .stderr) ||
    { echo "$1 failed on $2:" >&2; cat "$3/.stderr" >&2; exit 1; }
  cat "$3/.time"
}

printf '%-4s %10s %10s %10s %10s %12s %10s %10s %9s %9s\n' workload "time[s]" "1-thread" "baseline" "discard" "bytes" "peak[MB]" "write%" "speed-up" "threaded"
for w in ${3:-B1 B2 B3}; do
  t_fast=""; t_one=""; t_base=""; t_drop=""; ratios=""; peak=0
  i=0
  while [ $i -lt "$runs" ]; do
    set -- $(run ../acoustic_sim "$w" "$scratch/fast")
    t_fast="$t_fast $1"; [ "$2" -gt "$peak" ] && peak=$2; threaded=$1
    set -- $(run ../acoustic_sim "$w" "$scratch/one" 1)
    t_one="$t_one $1"; [ "$2" -gt "$peak" ] && peak=$2
    ratios="$ratios $(awk -v a="$threaded" -v b="$1" 'BEGIN { print (b > 0) ? a / b : 1 }')"
    set -- $(run acoustic_sim_baseline "$w" "$scratch/base")
    t_base="$t_base $1"
    set -- $(run acoustic_sim_discarding "$w" "$scratch/drop")
    t_drop="$t_drop $1"
    i=$((i + 1))
  done
  for f in "$scratch"/fast/*.csv "$scratch"/fast/*.txt "$scratch/fast/.stdout"; do
    cmp -s "$f" "$scratch/base/$(basename "$f")" || { echo "$w: $(basename "$f") differs from the baseline" >&2; exit 1; }
    cmp -s "$f" "$scratch/one/$(basename "$f")" || { echo "$w: $(basename "$f") differs with one thread" >&2; exit 1; }
  done
  bytes=$(cat "$scratch"/fast/*.csv "$scratch"/fast/dft*.txt | wc -c)
  fast=$(echo $t_fast | tr ' ' '\n' | median)
  one=$(echo $t_one | tr ' ' '\n' | median)
  ratio=$(echo $ratios | tr ' ' '\n' | median)
  base=$(echo $t_base | tr ' ' '\n' | median)
  drop=$(echo $t_drop | tr ' ' '\n' | median)
  awk -v w="$w" -v f="$fast" -v o="$one" -v b="$base" -v d="$drop" -v by="$bytes" -v p="$peak" -v r="$ratio" 'BEGIN {
    share = (f > 0) ? 100 * (f - d) / f : 0
    printf "%-4s %10.2f %10.2f %10.2f %10.2f %12d %10.1f %9.0f%% %8.1fx %9.2f\n", w, f, o, b, d, by, p / 1024, share, b / f, r }'
done
