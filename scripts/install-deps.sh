#!/usr/bin/env bash
# Installs what the build needs from Debian's packages: everything (the desktop program, the tests) or
# only what kavo-cli needs.
# Safe to run again: packages already present are not fetched a second time.
set -euo pipefail

# What kavo-cli needs to build and run (make demo): the compiler, CMake, and the libraries of the
# rooms it links.
cli_packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev nlohmann-json3-dev
  libceres-dev libeigen3-dev
  libopencv-dev libopencv-contrib-dev libjpeg-dev libpng-dev libtiff-dev
  libssl-dev libcairo2-dev
  libexiv2-dev
)
# Everything else: the desktop program, the tests and their tools, the benchmarks, the fuzzers, the
# report's browser check and the desktop integration validators.
more_packages=(
  mold
  libgtest-dev libgmock-dev libbenchmark-dev libyaml-cpp-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-translations-l10n
  chromium
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth fonts-dejavu-core xdotool openbox x11-apps imagemagick poppler-utils
  colmap camera-calibration-parsers-tools
  appstream desktop-file-utils
)

# What scripts/fresh-machine.sh needs to build a clean Debian 12 in a folder.
fresh_packages=(debootstrap)

# Usage: install-deps.sh [cli|all|fresh] (all by default).
case "${1:-all}" in
  cli) packages=("${cli_packages[@]}") ;;
  all) packages=("${cli_packages[@]}" "${more_packages[@]}") ;;
  fresh) packages=("${fresh_packages[@]}") ;;
  *) echo "install-deps: unknown set '$1' (cli, all or fresh)" >&2; exit 2 ;;
esac

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
