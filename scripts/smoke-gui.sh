#!/usr/bin/env bash
# Smoke test of the desktop program: starts `kavo camera.cam scene.crd series.lst` on the sample
# series under a bare X server, waits past the splash, presses Enter, and keeps the screenshots of
# the main window and of the finished run in BUILD_DIR/smoke-gui/. Fails unless the result fields
# show the series' known focal length.
#   usage: scripts/smoke-gui.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: smoke-gui.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
kavo="$build/src/gui/kavo"
out="$build/smoke-gui"
expected_focal=1799.7003

[ -x "$kavo" ] || { echo "smoke-gui: $kavo is not built" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "smoke-gui: xvfb-run is missing (package xvfb)" >&2; exit 1; }

series="$root/examples/sample"
[ -f "$series/img06.crd" ] || { echo "smoke-gui: the sample series is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$series"/* "$work/"
chmod -R u+w "$work"
rm -rf "$out"
mkdir -p "$out"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Runs inside the X server: the program, and Enter typed into its window once the splash is gone.
cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -u
cd "$SMOKE_WORK"
if command -v xdotool >/dev/null; then
  "$SMOKE_KAVO" camera.cam scene.crd series.lst &
  pid=$!
  sleep 5
  window=$(xdotool search --sync --name 'Вычисление фокусного расстояния' | head -n 1)
  xdotool windowfocus --sync "$window" key Return
  echo "smoke-gui: Enter typed into window $window with xdotool"
else
  # Without a tool that types into the display, the program presses Enter itself.
  echo "smoke-gui: no xdotool; the program presses Enter itself"
  KAVO_PRESS_ENTER_AFTER_MS=5000 "$SMOKE_KAVO" camera.cam scene.crd series.lst &
  pid=$!
fi
wait "$pid"
SESSION
chmod +x "$work/session.sh"

status=0
SMOKE_WORK="$work" SMOKE_KAVO="$kavo" KAVO_SCREENSHOT_DIR="$out" KAVO_QUIT_AFTER_RESULT=1 \
  timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" >"$out/session.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "smoke-gui: the session ended with status $status" >&2
  cat "$out/session.log" >&2
  exit 1
fi

for shot in main.png result.png; do
  [ -s "$out/$shot" ] || { echo "smoke-gui: no $shot" >&2; exit 1; }
done
focal=$(head -n 1 "$out/result.txt")
if [ "$focal" != "$expected_focal" ]; then
  echo "smoke-gui: the window shows focal length '$focal', expected $expected_focal" >&2
  exit 1
fi
grep '^smoke-gui:' "$out/session.log" || true
echo "smoke-gui: focal length $focal shown; screenshots:"
ls -1 "$out"/*.png
