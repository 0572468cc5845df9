#!/usr/bin/env bash
# Runs the benchmarks and keeps their report next to the build: bench-report.json and the console
# table. Usage: scripts/bench.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
"$build/bench/estimator_bench" --benchmark_out="$build/bench-report.json" --benchmark_out_format=json \
  --benchmark_counters_tabular=true | tee "$build/bench-report.txt"
if [ -x "$build/bench/cancel_bench" ]; then
  "$build/bench/cancel_bench" | tee -a "$build/bench-report.txt"
fi
if [ -x "$build/bench/detect_bench" ]; then
  "$build/bench/detect_bench" --benchmark_counters_tabular=true | tee -a "$build/bench-report.txt"
fi
