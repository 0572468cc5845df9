#!/usr/bin/env bash
# Runs the benchmarks and keeps their report next to the build: bench-report.json and the console
# table, then times whole runs of kavo-cli beside the straightforward implementation.
# Usage: scripts/bench.sh BUILD_DIR   (WHOLE_RUNS=N sets the whole runs of each program, 0 none)
set -euo pipefail
build=${1:-build}
"$build/bench/estimator_bench" --benchmark_out="$build/bench-report.json" --benchmark_out_format=json \
  --benchmark_counters_tabular=true | tee "$build/bench-report.txt"
if [ -x "$build/bench/report_bench" ]; then
  "$build/bench/report_bench" --benchmark_counters_tabular=true | tee -a "$build/bench-report.txt"
fi
if [ -x "$build/bench/cancel_bench" ]; then
  "$build/bench/cancel_bench" | tee -a "$build/bench-report.txt"
fi
if [ -x "$build/bench/detect_bench" ]; then
  "$build/bench/detect_bench" --benchmark_counters_tabular=true | tee -a "$build/bench-report.txt"
fi
if [ -x "$build/bench/real_photo_fit" ]; then
  bash "$(dirname "$0")/../bench/real_photos.sh" "$build" | tee -a "$build/bench-report.txt" ||
    echo "real photographs: not measured (the photos could not be fetched)" | tee -a "$build/bench-report.txt"
fi
if [ -x "$build/bench/refine_bench" ]; then
  "$build/bench/refine_bench" --benchmark_counters_tabular=true | tee -a "$build/bench-report.txt"
fi
if [ "${WHOLE_RUNS:-3}" -gt 0 ] && [ -x "$build/bench/plain_loops_run" ]; then
  bash "$(dirname "$0")/../bench/whole_runs.sh" "$build" "${WHOLE_RUNS:-3}" | tee -a "$build/bench-report.txt"
fi
