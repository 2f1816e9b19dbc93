#!/bin/sh
# Times acoustic_design with its pictures against the same run with
# --no-picture and against gnuplot alone on the very script the program
# fed it (captured by a gnuplot on the PATH that copies its input), for:
#   one      one design with its picture (woofer_vented)
#   study50  a 50-value --vary study (compare.png, study.png)
#   study1000  a 1000-value study (50 curves drawn, study.png of all 1000)
#   grid1000 two --vary keys, 50 x 20 = 1000 designs (a heat map)
# Prints the median wall time of RUNS runs of each and, in brackets, the
# median processor time (user + system, all processes): on a machine
# shared with other work the wall time follows the load, the processor
# time does not.
#   bench/pictures.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
design="$here/../examples/designs/woofer_vented.toml"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/acoustic_pictures.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
gnuplot=$(command -v gnuplot) || { echo "bench/pictures.sh: gnuplot not found" >&2; exit 1; }
mkdir "$scratch/capture"
printf '#!/bin/sh\ntee "%s/script.gp" | "%s" "$@"\n' "$scratch" "$gnuplot" > "$scratch/capture/gnuplot"
chmod +x "$scratch/capture/gnuplot"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() { date +%s.%N; }

# elapsed COMMAND...: "wall cpu" of one run, in seconds
elapsed() {
  /usr/bin/time -f "%e %U %S" -o "$scratch/time" "$@" > /dev/null 2>&1 ||
    { echo "bench/pictures.sh: failed: $*" >&2; exit 1; }
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$scratch/time"
}

# shown TIMES: the median wall time and, in brackets, the median processor time
shown() {
  wall=$(echo "$1" | awk 'NF { print $1 }' | median)
  cpu=$(echo "$1" | awk 'NF { print $2 }' | median)
  printf '%s (%s)' "$wall" "$cpu"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %16s %16s %16s\n' workload pictures no-picture gnuplot-alone
for workload in one study50 study1000 grid1000; do
  case $workload in
    one) args="" ;;
    study50) args="--vary enclosure.Vb=20l:69l:1l" ;;
    study1000) args="--vary enclosure.Vb=20l:119.9l:0.1l" ;;
    grid1000) args="--vary enclosure.Vb=20l:69l:1l --vary enclosure.fb=25Hz:44Hz:1Hz" ;;
  esac
  # shellcheck disable=SC2086
  PATH="$scratch/capture:$PATH" "$build/acoustic_design" "$design" --out "$scratch/out" $args > /dev/null
  with="" without="" alone=""
  i=0
  while [ $i -lt "$runs" ]; do
    # shellcheck disable=SC2086
    with="$with
$(elapsed "$build/acoustic_design" "$design" --out "$scratch/out" $args)"
    # shellcheck disable=SC2086
    without="$without
$(elapsed "$build/acoustic_design" "$design" --out "$scratch/out" $args --no-picture)"
    alone="$alone
$(elapsed "$gnuplot" "$scratch/script.gp")"
    i=$((i + 1))
  done
  printf '%-10s %16s %16s %16s\n' "$workload" "$(shown "$with")" "$(shown "$without")" "$(shown "$alone")"
done
