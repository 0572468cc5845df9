#!/usr/bin/env bash
# Runs every libFuzzer harness of a fuzz build for a bounded time each.
#   bash scripts/fuzz.sh BUILD_DIR SECONDS_PER_HARNESS
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

status=0
for name in number_text_fuzz camera_file_fuzz correction_table_fuzz coordinate_file_fuzz list_file_fuzz \
  photo_loader_fuzz; do
  harness="$build/fuzz/$name"
  if [ ! -x "$harness" ]; then
    echo "fuzz: $harness is missing; build with -DKAVO_FUZZ=ON" >&2
    exit 2
  fi
  corpus="$build/fuzz-corpus/$name"
  seed_dir="$build/fuzz-seeds/$name"
  artifacts="$build/fuzz-artifacts"
  mkdir -p "$corpus" "$artifacts"
  rm -rf "$seed_dir" && mkdir -p "$seed_dir"
  # The first byte of an input picks the decimal separator: 0 for '.', 1 for ','.
  n=0
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
  log="$build/fuzz-artifacts/$name.log"
  # The readers parse from memory and take inputs as large as the largest file they accept (1 MB);
  # the photo loader reads a file, written to a memory-backed folder, of small encoded photos.
  max_len=1048576
  [ "$name" = photo_loader_fuzz ] && max_len=65536
  work_tmp=${TMPDIR:-/tmp}
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then work_tmp=/dev/shm; fi
  if TMPDIR="$work_tmp" "$harness" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$corpus" "$seed_dir" > "$log" 2>&1; then
    runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "fuzz: $name ok, ${runs:-?} executions in ${seconds}s ($(( ${runs:-0} / seconds )) a second)"
  else
    echo "fuzz: $name FOUND A FAULT; see $log and $artifacts" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
