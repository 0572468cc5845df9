#!/usr/bin/env bash
# Smoke test of the calibration report in a real browser: kavo-cli writes the report of the sample
# series and of a synthetic series of 10 images with a target tilted by 8° and points measured to
# 0.05 px; each is opened in Debian's headless Chromium for a screenshot of an A4-proportioned window
# and printed to PDF. Fails unless every screenshot exists and is not blank, the printed text holds
# the result, and every plot's title and its legend's last entry land on the same printed page (no
# plot cut across pages). The reports, the screenshots, the PDFs and their pages as pictures stay in
# BUILD_DIR/smoke-report/.
#   usage: scripts/smoke-report.sh BUILD_DIR
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: smoke-report.sh BUILD_DIR}" && pwd)
cli="$build/src/cli/kavo-cli"
sample="$source_dir/examples/sample"
out="$build/smoke-report"

fail() {
  echo "smoke-report: $*" >&2
  exit 1
}

[ -x "$cli" ] || fail "$cli is not built"
command -v chromium >/dev/null || fail "chromium is missing (scripts/install-deps.sh installs it)"
for tool in identify pdftotext pdfinfo pdftoppm; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

rm -rf "$out"
mkdir -p "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

# A browser that fetches nothing: no network, no updates, no first-run pages, a throw-away profile.
browse() {
  local page=$1
  shift
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" "file://$out/$page.html" >>"$out/chromium.log" 2>&1
}

# The page of the text in the printed report NAME, 0 when it is on none.
page_of() {
  local name=$1 text=$2 pages=$3 p
  for p in $(seq 1 "$pages"); do
    if pdftotext -f "$p" -l "$p" "$out/$name.pdf" - | grep -qF "$text"; then
      echo "$p"
      return
    fi
  done
  echo 0
}

# Photographs and prints the report NAME; the printed text must hold each further argument.
check_report() {
  local name=$1
  shift
  browse "$name" --screenshot="$out/$name.png" --window-size=1240,1754 ||
    fail "chromium failed on $name (see $out/chromium.log)"
  [ -s "$out/$name.png" ] || fail "no screenshot of $name was taken"
  # A blank page is one colour; the report has text, tables and coloured plots.
  local colours
  colours=$(identify -format '%k' "$out/$name.png")
  [ "$colours" -ge 64 ] || fail "the screenshot of $name looks blank ($colours colours)"

  browse "$name" --no-pdf-header-footer --print-to-pdf="$out/$name.pdf" ||
    fail "printing $name failed (see $out/chromium.log)"
  local pages
  pages=$(pdfinfo "$out/$name.pdf" | awk '/^Pages:/ { print $2 }')
  [ "${pages:-0}" -ge 1 ] || fail "the printed $name has no page"
  pdftotext "$out/$name.pdf" "$out/$name.txt"
  local text
  for text in "$@"; do
    grep -qF "$text" "$out/$name.txt" || fail "the printed $name does not show \"$text\""
  done
  pdftoppm -r 60 -png "$out/$name.pdf" "$out/$name-page"

  # Each plot: its title, and its legend's last entry, the lowest text of the picture.
  local title last first_page last_page
  while IFS='|' read -r title last; do
    first_page=$(page_of "$name" "$title" "$pages")
    last_page=$(page_of "$name" "$last" "$pages")
    [ "$first_page" -ge 1 ] || fail "the printed $name lacks the plot \"$title\""
    [ "$first_page" -eq "$last_page" ] || fail "the plot \"$title\" of $name is cut: page $first_page to $last_page"
  done <<'PLOTS'
Распределение значений фокусного расстояния|Результат после отсечения
Расстояние от камеры до мишени по изображениям|Отклонение изображения
Среднеквадратическая невязка репроекции по изображениям|Среднее квадратическое по изображениям
Невязки изображения|Точка мишени
PLOTS
  echo "smoke-report: $name: $colours colours in the screenshot, $pages printed pages, every plot on one page"
}

compute() {
  local folder=$1 name=$2
  "$cli" compute --camera "$folder/camera.cam" --scene "$folder/scene.crd" --list "$folder/series.lst" \
    --decimal-separator . --report "$out/$name.html" >"$out/$name.out" 2>"$out/$name.err" ||
    fail "kavo-cli compute --report failed on $name (see $out/$name.err)"
}

compute "$sample" report
check_report report 1799.7003 "Уточнённый результат" "95 % интервал"

"$cli" synth --out "$out/tilted" --tilt 8 --noise 0.05 --images 10 --seed 3 >/dev/null || fail "kavo-cli synth failed"
compute "$out/tilted" tilted
check_report tilted "Мишень наклонена" "Уточнённый результат"

echo "smoke-report: see $out"
