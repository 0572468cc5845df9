#!/usr/bin/env bash
# The road from photos to the focal length on the bundled example series: kavo-cli detect finds the
# chessboard in examples/photos and writes the series files, kavo-cli compute turns them into the
# focal length, and both results are printed beside the true one.
# Usage: bash scripts/demo.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$build/src/cli/kavo-cli"
[[ "$cli" = /* ]] || cli="$root/$cli"
photos="$root/examples/photos"
if [[ ! -x "$cli" ]]; then
  echo "demo: $cli is missing; build first (make demo)" >&2
  exit 1
fi
truth="$photos/truth.json"
focal=$(sed -n 's/.*"focal": *\([0-9.eE+-]*\).*/\1/p' "$truth")
# The detect arguments as truth.json lists them: the quoted words of its one line.
mapfile -t arguments < <(sed -n 's/.*"detectArguments": *\[\(.*\)\].*/\1/p' "$truth" | grep -o '"[^"]*"' | tr -d '"')
mapfile -t images < <(sed -n 's/.*"photos": *\[\(.*\)\].*/\1/p' "$truth" | grep -o '"[^"]*"' | tr -d '"')

work="$(mktemp -d "${TMPDIR:-/tmp}/kavo-demo.XXXXXX")"
trap 'rm -rf "$work"' EXIT
series="$work/series"
cd "$photos"

echo "Photos: $photos (${#images[@]} photos of a chessboard, the camera moved away after each)"
echo "\$ kavo-cli detect ${arguments[*]} --out SERIES ${images[*]}"
"$cli" detect "${arguments[@]}" --decimal-separator . --out "$series" "${images[@]}" > /dev/null
echo
echo "\$ kavo-cli compute --camera SERIES/camera.cam --scene SERIES/scene.crd --list SERIES/series.lst"
status=0
"$cli" compute --camera "$series/camera.cam" --scene "$series/scene.crd" --list "$series/series.lst" \
  --decimal-separator . || status=$?
echo
echo "True focal length (пикс.): $focal"
exit "$status"
