#!/bin/sh
# The program and the same program with the baseline writer (one fprintf
# per value) must write byte-identical files and console output, for every
# example in every mode.
#   tests/same_output_as_baseline.sh BUILD_DIR EXAMPLES_DIR
set -eu
build=$(cd "$1" && pwd)
examples=$(cd "$2" && pwd)
scratch=$(mktemp -d /tmp/acoustic_same_output.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
status=0
for example in closed_box two_chamber; do
  for answers in "0\n1\n0\n50\n" "1\n1\n1\n250\n" "0\n1\n2\n" "1\n0\n" "0\n2\n"; do
    for program in acoustic_sim bench/acoustic_sim_baseline; do
      dir="$scratch/$(basename "$program")"
      rm -rf "$dir" && mkdir -p "$dir"
      cp "$examples/$example/parameters.txt" "$dir/"
      printf "$answers" > "$dir/answers"
      (cd "$dir" && "$build/$program" < answers > console 2>&1)
    done
    for f in "$scratch/acoustic_sim"/*; do
      if ! cmp -s "$f" "$scratch/acoustic_sim_baseline/$(basename "$f")"; then
        echo "$example, answers $answers: $(basename "$f") differs from the baseline writer's" >&2
        status=1
      fi
    done
  done
done
exit $status
