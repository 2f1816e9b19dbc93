#!/bin/sh
# Which bytes depend on the sine and cosine code glibc picks at run time.
# glibc's libm has one sin/cos for processors with FMA and AVX2 and one
# without; both are accurate to within an ulp but not always the same ulp.
# Runs every shipped example (both answer files) and the workloads B1-B3
# twice, as the machine chooses and with GLIBC_TUNABLES hiding FMA and AVX2,
# and reports, per file, whether the bytes agree and otherwise how many
# rows differ and by how much. Information, not a test: it exits 0 unless a
# run fails.
#   bench/libm_paths.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/acoustic_libm.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
tunables=glibc.cpu.hwcaps=-AVX2,-FMA

# run FOLDER PARAMETERS ANSWERS [TUNABLES]
run() {
  mkdir -p "$1" && cp "$2" "$1/parameters.txt"
  (cd "$1" && GLIBC_TUNABLES=${4:-} "$build/acoustic_sim" < "$3" > console.txt 2> errors.txt) ||
    { echo "acoustic_sim failed in $1:" >&2; cat "$1/errors.txt" >&2; exit 1; }
}

# compare NAME A B: one line per file that differs, "same" otherwise
compare() {
  differing=0
  for f in "$2"/*; do
    name=$(basename "$f")
    [ "$name" = parameters.txt ] && continue
    if cmp -s "$f" "$3/$name"; then continue; fi
    differing=$((differing + 1))
    paste -d '\n' "$f" "$3/$name" | awk -F, -v file="$name" -v case="$1" '
      NR % 2 { a = $0; next }
      { rows++; if (a == $0) next; differ++
        n = split(a, x, ","); split($0, y, ",")
        for (i = 1; i <= n; i++) { d = x[i] - y[i]; if (d < 0) d = -d; if (d > most) most = d } }
      END { printf "%-40s %-28s %8d of %9d rows differ, by at most %g\n", case, file, differ, rows, most }'
  done
  [ $differing -gt 0 ] || printf '%-40s %-28s same bytes\n' "$1" "(every file)"
}

echo "GLIBC_TUNABLES=$tunables against the machine's choice ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))"
for example in "$root"/examples/*/; do
  [ -f "$example/parameters.txt" ] || continue
  for answers in "$example"/answers*.txt; do
    name="$(basename "$example")/$(basename "$answers")"
    run "$scratch/$name/native" "$example/parameters.txt" "$answers"
    run "$scratch/$name/other" "$example/parameters.txt" "$answers" "$tunables"
    compare "$name" "$scratch/$name/native" "$scratch/$name/other"
  done
done
for w in B1 B2 B3; do
  run "$scratch/$w/native" "$here/$w/parameters.txt" "$here/$w/answers.txt"
  run "$scratch/$w/other" "$here/$w/parameters.txt" "$here/$w/answers.txt" "$tunables"
  compare "$w" "$scratch/$w/native" "$scratch/$w/other"
done
