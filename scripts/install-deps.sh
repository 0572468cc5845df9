#!/usr/bin/env bash
# Installs everything the build, the tests and the desktop program need, from Debian's packages.
# Safe to run again: packages already present are not fetched a second time.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config mold
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcli11-dev nlohmann-json3-dev
  libceres-dev libeigen3-dev
  libopencv-dev libopencv-contrib-dev libjpeg-dev libpng-dev libtiff-dev
  libssl-dev libcairo2-dev libyaml-cpp-dev
  qt6-translations-l10n
  chromium
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth fonts-dejavu-core xdotool openbox x11-apps imagemagick poppler-utils
  colmap camera-calibration-parsers-tools
  appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
