#!/bin/sh
# Runs build/acoustic_sim on a shipped example in a scratch folder, so the
# example folder stays clean.
#   examples/run_example.sh EXAMPLE [ANSWERS] [FOLDER]
# EXAMPLE is a folder under examples/ (closed_box, two_chamber); ANSWERS a
# file in it (default answers.txt); FOLDER where to run (default
# /tmp/acoustic_run/EXAMPLE). Prints where the results are.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
example=${1:?usage: run_example.sh EXAMPLE [ANSWERS] [FOLDER]}
answers=${2:-answers.txt}
folder=${3:-/tmp/acoustic_run/$example}
[ -f "$here/$example/parameters.txt" ] || { echo "run_example.sh: no example $example in $here" >&2; exit 1; }
[ -x "$root/build/acoustic_sim" ] || { echo "run_example.sh: build first: cmake -S . -B build && cmake --build build" >&2; exit 1; }
mkdir -p "$folder"
cp "$here/$example/parameters.txt" "$folder/"
cd "$folder"
"$root/build/acoustic_sim" < "$here/$example/$answers"
echo "results in $folder"
