#!/bin/sh
# Runs every fuzz target for SECONDS (default 30) from a seed corpus made of
# the shipped examples; a finding stops it with the input saved in
# BUILD/findings.   fuzz/run.sh BUILD [SECONDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
examples=$(dirname "$here")/examples
build=${1:?usage: fuzz/run.sh BUILD [SECONDS]}
seconds=${2:-30}
seed() {  # seed TARGET FILE...: the files as the target's corpus
  mkdir -p "$build/corpus/$1"
  shift_target=$1
  shift
  for f in "$@"; do cp "$f" "$build/corpus/$shift_target/$(echo "$f" | tr / _)"; done
}
seed parameters "$examples"/*/parameters.txt
seed answers "$examples"/*/answers*.txt
seed design "$examples"/designs/*.toml
printf '50\n0.001000\n' > "$build/corpus/signal.seed"
seed signal "$build/corpus/signal.seed"
printf -- '--vector-sum\0000\000--voltage\0002.83\000--bl\0007\000--re\0005.6' > "$build/corpus/options.seed"
seed steady_options "$build/corpus/options.seed"
mkdir -p "$build/findings"
for target in parameters answers signal steady_options design; do
  echo "fuzz_$target: $seconds s"
  "$build/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=0 \
    -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" 2>"$build/$target.log" ||
    { tail -30 "$build/$target.log" >&2; echo "fuzz_$target found a failure: $build/findings" >&2; exit 1; }
done
