#!/usr/bin/env bash
# Whole runs side by side: kavo-cli's classic computation (every core and one thread, --no-refine)
# and the straightforward implementation (bench/plain_loops_run: the plain nested loops, the full
# 8 × 9 elimination, plain statistics) on the same synthetic series, and kavo-cli as it runs by
# default, going on to the refined fit and the intervals. Prints the minimum and the median of the
# wall and CPU seconds of each, the ratio of the medians of the classic computations, and checks that
# all give the same count and numbers to the last bit.
#
# Usage: bench/whole_runs.sh BUILD_DIR [RUNS] [SYNTH OPTIONS...]
# The default series is a 7x7 grid, 40 images, pitch 160, noise 0.15 px (about 74 million values
# with spacing 10 % and angle 10°).
set -euo pipefail
build=${1:-build}
runs=${2:-3}
shift $(($# < 2 ? $# : 2))
synth=("$@")
if [ ${#synth[@]} -eq 0 ]; then
  synth=(--grid 7x7 --images 40 --pitch 160 --noise 0.15)
fi

cli="$build/src/cli/kavo-cli"
plain="$build/bench/plain_loops_run"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" synth --out "$work/series" "${synth[@]}" >/dev/null
args=(--camera "$work/series/camera.cam" --scene "$work/series/scene.crd" --list "$work/series/series.lst"
  --min-spacing 10 --min-angle 10)

# Runs a command RUNS times; prints "wall cpu" per run, and keeps the last run's output.
time_runs() {
  local out=$1
  shift
  local TIMEFORMAT='%R %U %S'
  for ((r = 0; r < runs; r++)); do
    { time "$@" >"$out" 2>/dev/null; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
  done
}

# min and median of column $1 of the lines on stdin
stats() {
  sort -n -k"$1" | awk -v c="$1" '{ v[NR] = $c } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
    printf "min %.3f  median %.3f", v[1], m }'
}

report() {
  local name=$1 file=$2
  printf '%-34s wall: %s   cpu: %s\n' "$name" "$(stats 1 <"$file")" "$(stats 2 <"$file")"
}

median() { sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
time_runs "$work/all.json" "$cli" compute "${args[@]}" --json --no-refine >"$work/t-all"
time_runs "$work/one.json" "$cli" compute "${args[@]}" --json --no-refine --threads 1 >"$work/t-one"
time_runs "$work/plain.txt" "$plain" "${args[@]}" >"$work/t-plain"
time_runs "$work/refined.json" "$cli" compute "${args[@]}" --json >"$work/t-refined"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

report "kavo-cli, every core" "$work/t-all"
report "kavo-cli, one thread" "$work/t-one"
report "straightforward implementation" "$work/t-plain"
report "kavo-cli, every core, refined fit" "$work/t-refined"
awk -v a="$(median "$work/t-plain" 1)" -v b="$(median "$work/t-all" 1)" -v c="$(median "$work/t-one" 1)" \
  'BEGIN { printf "ratio of median wall times: %.1fx (every core), %.1fx (one thread)\n", a / b, a / c }'

# The same count and numbers, compared as doubles.
json_number() { sed -n "s/^ *\"$1\": \\([-0-9.eE+]*\\),*\$/\\1/p" "$2"; }
plain_number() { sed -n "s/^$1 //p" "$work/plain.txt"; }
same=1
for pair in "valueCount:values" "meanValue:mean" "deviation:deviation" "standardDeviation:standard deviation"; do
  for run in all one refined; do
    a=$(json_number "${pair%%:*}" "$work/$run.json")
    b=$(plain_number "${pair#*:}")
    if ! awk -v a="$a" -v b="$b" 'BEGIN { exit !(a + 0 == b + 0 && a != "") }'; then
      echo "DIFFERENT ${pair%%:*} ($run): kavo-cli $a, straightforward $b"
      same=0
    fi
  done
done
if [ "$same" = 1 ]; then
  echo "same values: $(plain_number values) values, mean $(plain_number mean)"
else
  exit 1
fi
