#!/bin/sh
# Runs the workloads B1-B3 end to end with the program, the same program
# with a baseline writer (one stdio call per value) and with a writer that
# drops all files but dftv.txt, and reports for each: the median wall time
# of RUNS runs, peak memory, bytes written, the share of the time spent
# formatting and writing, and the speed-up over the baseline. Also checks
# that program and baseline write byte-identical files.
#   bench/run_workloads.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-3}
scratch=$(mktemp -d /tmp/acoustic_workloads.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# median of the numbers on standard input
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run PROGRAM WORKLOAD FOLDER: prints "seconds peak_kb"
run() {
  rm -rf "$3" && mkdir -p "$3" && cp "$here/$2/parameters.txt" "$3/"
  (cd "$3" && /usr/bin/time -f "%e %M" -o .time "$build/bench/$1" < "$here/$2/answers.txt" > .stdout 2> .stderr) ||
    { echo "$1 failed on $2:" >&2; cat "$3/.stderr" >&2; exit 1; }
  cat "$3/.time"
}

printf '%-4s %10s %10s %10s %12s %10s %10s %9s\n' workload "time[s]" "baseline" "discard" "bytes" "peak[MB]" "write%" "speed-up"
for w in B1 B2 B3; do
  t_fast=""; t_base=""; t_drop=""; peak=0
  i=0
  while [ $i -lt "$runs" ]; do
    set -- $(run ../acoustic_sim "$w" "$scratch/fast")
    t_fast="$t_fast $1"; [ "$2" -gt "$peak" ] && peak=$2
    set -- $(run acoustic_sim_baseline "$w" "$scratch/base")
    t_base="$t_base $1"
    set -- $(run acoustic_sim_discarding "$w" "$scratch/drop")
    t_drop="$t_drop $1"
    i=$((i + 1))
  done
  for f in "$scratch"/fast/*.csv "$scratch"/fast/*.txt "$scratch/fast/.stdout"; do
    cmp -s "$f" "$scratch/base/$(basename "$f")" || { echo "$w: $(basename "$f") differs from the baseline" >&2; exit 1; }
  done
  bytes=$(cat "$scratch"/fast/*.csv "$scratch"/fast/dft*.txt | wc -c)
  fast=$(echo $t_fast | tr ' ' '\n' | median)
  base=$(echo $t_base | tr ' ' '\n' | median)
  drop=$(echo $t_drop | tr ' ' '\n' | median)
  awk -v w="$w" -v f="$fast" -v b="$base" -v d="$drop" -v by="$bytes" -v p="$peak" 'BEGIN {
    share = (f > 0) ? 100 * (f - d) / f : 0
    printf "%-4s %10.2f %10.2f %10.2f %12d %10.1f %9.0f%% %8.1fx\n", w, f, b, d, by, p / 1024, share, b / f }'
done
