#!/usr/bin/env bash
# Computes the focal length of the committed synthetic series and prints it next to the true one.
# Usage: bash scripts/demo.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$build/src/cli/kavo-cli"
[[ "$cli" = /* ]] || cli="$root/$cli"
series="$root/examples/synthetic"
if [[ ! -x "$cli" ]]; then
  echo "demo: $cli is missing; build first (make build)" >&2
  exit 1
fi
truth=$(sed -n 's/.*"focal": *\([0-9.eE+-]*\).*/\1/p' "$series/truth.json")
noise=$(sed -n 's/.*"noise": *\([0-9.eE+-]*\).*/\1/p' "$series/truth.json")
echo "Series: $series (7 x 7 target, 8 images, noise $noise px)"
echo "kavo-cli compute --camera camera.cam --scene scene.crd --list series.lst --decimal-separator ."
echo
"$cli" compute --camera "$series/camera.cam" --scene "$series/scene.crd" --list "$series/series.lst" \
  --decimal-separator .
echo
echo "True focal length (пикс.): $truth"
