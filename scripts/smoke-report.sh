#!/usr/bin/env bash
# Smoke test of the calibration report in a real browser: writes the sample series' report, opens it
# in Debian's headless Chromium for a screenshot of an A4-proportioned window and prints it to PDF.
# Fails unless the screenshot exists and is not blank, the printed text holds the result, and every
# plot's title and axis label land on the same printed page (no plot cut across pages). The
# report, the screenshot, the PDF and its pages as pictures stay in BUILD_DIR/smoke-report/.
#   usage: scripts/smoke-report.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: smoke-report.sh BUILD_DIR}" && pwd)
writer="$build/tests/report/write_sample_report"
out="$build/smoke-report"
expected_focal=1799.7003

fail() {
  echo "smoke-report: $*" >&2
  exit 1
}

[ -x "$writer" ] || fail "$writer is not built"
command -v chromium >/dev/null || fail "chromium is missing (scripts/install-deps.sh installs it)"
for tool in identify pdftotext pdfinfo pdftoppm; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

rm -rf "$out"
mkdir -p "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

"$writer" "$out/report.html" || fail "the report was not written"

# A browser that fetches nothing: no network, no updates, no first-run pages, a throw-away profile.
browse() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" "file://$out/report.html" >>"$out/chromium.log" 2>&1
}

browse --screenshot="$out/report.png" --window-size=1240,1754 || fail "chromium failed (see $out/chromium.log)"
[ -s "$out/report.png" ] || fail "no screenshot was taken"
# A blank page is one colour; the report has text, tables and coloured plots.
colours=$(identify -format '%k' "$out/report.png")
[ "$colours" -ge 64 ] || fail "the screenshot looks blank ($colours colours)"

browse --no-pdf-header-footer --print-to-pdf="$out/report.pdf" || fail "printing failed (see $out/chromium.log)"
pages=$(pdfinfo "$out/report.pdf" | awk '/^Pages:/ { print $2 }')
[ "${pages:-0}" -ge 1 ] || fail "the printed report has no page"
pdftotext "$out/report.pdf" "$out/report.txt"
grep -qF "$expected_focal" "$out/report.txt" || fail "the printed report does not show $expected_focal"
pdftoppm -r 60 -png "$out/report.pdf" "$out/page"

page_of() {
  local p
  for p in $(seq 1 "$pages"); do
    if pdftotext -f "$p" -l "$p" "$out/report.pdf" - | grep -qF "$1"; then
      echo "$p"
      return
    fi
  done
  echo 0
}

# Each plot: its title, and its legend's last entry, the lowest text of the picture.
while IFS='|' read -r title last; do
  first_page=$(page_of "$title")
  last_page=$(page_of "$last")
  [ "$first_page" -ge 1 ] || fail "the printed report lacks the plot \"$title\""
  [ "$first_page" -eq "$last_page" ] || fail "the plot \"$title\" is cut: page $first_page to $last_page"
done <<'PLOTS'
Распределение значений фокусного расстояния|Результат после отсечения
Длина тестового отрезка на мишени по изображениям|Отклонение изображения
Среднеквадратическая невязка репроекции по изображениям|Среднее квадратическое по изображениям
Невязки изображения|Точка мишени
PLOTS

echo "smoke-report: $colours colours in the screenshot, $pages printed pages, every plot on one page; see $out"
