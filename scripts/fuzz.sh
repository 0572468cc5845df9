#!/usr/bin/env bash
# Runs every libFuzzer harness of a fuzz build for a bounded time each.
#   bash scripts/fuzz.sh BUILD_DIR SECONDS_PER_HARNESS
# Harnesses run side by side, one per core (FUZZ_JOBS sets how many at once).
# Seeds come from the fixture files under tests/data/; the corpus each harness grows is kept in
# BUILD_DIR/fuzz-corpus/<harness> for the next run, and any crashing input is written to
# BUILD_DIR/fuzz-artifacts/. Exits non-zero when a harness finds a fault.
set -euo pipefail

if [ "$#" -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS_PER_HARNESS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/tests/data"

# Which fixture files seed which harness.
declare -A seeds=(
  [number_text_fuzz]="*.crd *.lst"
  [camera_file_fuzz]="*.cam"
  [correction_table_fuzz]="*.txt"
  [coordinate_file_fuzz]="*.crd"
  [list_file_fuzz]="*.lst"
  [photo_loader_fuzz]="*.png *.jpg *.tif"
)

# Prepares one harness's seeds and runs it; its summary line goes to BUILD_DIR/fuzz-artifacts/NAME.result.
run_harness() {
  local name=$1
  local harness="$build/fuzz/$name"
  local corpus="$build/fuzz-corpus/$name"
  local seed_dir="$build/fuzz-seeds/$name"
  local artifacts="$build/fuzz-artifacts"
  local result="$artifacts/$name.result"
  mkdir -p "$corpus" "$artifacts"
  rm -f "$result"
  rm -rf "$seed_dir" && mkdir -p "$seed_dir"
  # The first byte of an input picks the decimal separator: 0 for '.', 1 for ','.
  local n=0 pattern file
  local -a patterns
  read -r -a patterns <<< "${seeds[$name]}"
  for pattern in "${patterns[@]}"; do
    while IFS= read -r -d '' file; do
      n=$((n + 1))
      if [ "$name" = photo_loader_fuzz ]; then
        # For photos the first byte picks the name it is loaded under: 0 .png, 1 .jpg, 2 .tif.
        case "$file" in
          *.png) printf '\0' ;; *.jpg) printf '\1' ;; *) printf '\2' ;;
        esac > "$seed_dir/$n"
        cat "$file" >> "$seed_dir/$n"
        continue
      fi
      if [ "$name" = correction_table_fuzz ]; then
        # The second byte picks the value corrected: x = 1000 (7), and y = 999 (6 with the top bit).
        { printf '\0\7'; cat "$file"; } > "$seed_dir/$n-point-x"
        { printf '\1\206'; cat "$file"; } > "$seed_dir/$n-comma-y"
        continue
      fi
      { printf '\0'; cat "$file"; } > "$seed_dir/$n-point"
      { printf '\1'; cat "$file"; } > "$seed_dir/$n-comma"
    done < <(find "$data" -type f -name "$pattern" -print0)
  done
  if [ "$name" = number_text_fuzz ]; then
    # Number text is one value: seed with the single fields of the fixture lines.
    for f in "$seed_dir"/*; do
      head -c 40 "$f" | tr -d '\r' | head -n 1 > "$f.first"
    done
  fi
  echo "fuzz: $name for ${seconds}s ($(find "$seed_dir" -type f | wc -l) seeds)"
  local log="$artifacts/$name.log"
  # The readers parse from memory and take inputs as large as the largest file they accept (1 MB);
  # the photo loader reads a file, written to a memory-backed folder, of small encoded photos.
  local max_len=1048576
  [ "$name" = photo_loader_fuzz ] && max_len=65536
  local work_tmp=${TMPDIR:-/tmp}
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then work_tmp=/dev/shm; fi
  if TMPDIR="$work_tmp" "$harness" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$corpus" "$seed_dir" > "$log" 2>&1; then
    local runs
    runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "fuzz: $name ok, ${runs:-?} executions in ${seconds}s ($(( ${runs:-0} / seconds )) a second)" > "$result"
  else
    {
      echo "fuzz: $name FOUND A FAULT; see $log and $artifacts"
      tail -n 40 "$log"
    } > "$result"
    return 1
  fi
}

harnesses=(number_text_fuzz camera_file_fuzz correction_table_fuzz coordinate_file_fuzz list_file_fuzz
  photo_loader_fuzz)
for name in "${harnesses[@]}"; do
  if [ ! -x "$build/fuzz/$name" ]; then
    echo "fuzz: $build/fuzz/$name is missing; build with -DKAVO_FUZZ=ON" >&2
    exit 2
  fi
done

# Each harness runs on one core: as many run at once as there are cores (FUZZ_JOBS to choose).
jobs=${FUZZ_JOBS:-$(nproc)}
status=0
running=0
for name in "${harnesses[@]}"; do
  run_harness "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
for name in "${harnesses[@]}"; do
  result="$build/fuzz-artifacts/$name.result"
  if [ -f "$result" ]; then
    if grep -q "FOUND A FAULT" "$result"; then cat "$result" >&2; else cat "$result"; fi
  fi
done
exit $status
