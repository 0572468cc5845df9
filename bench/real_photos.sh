#!/usr/bin/env bash
# The model-fit RMS of chessboard corners in published real photographs: the two sets of 640 × 480
# webcam photos of a 9 × 6 board in Debian's opencv-doc package (right01 … right14, left01 … left14),
# Kavo's corners beside OpenCV's stock detectors. The package is fetched once into a cache folder.
# Usage: bench/real_photos.sh BUILD_DIR [PHOTO_FOLDER]
#   PHOTO_FOLDER: a folder holding right??.jpg and left??.jpg already (no download then)
#   KAVO_PHOTO_CACHE: where the package is unpacked (default ~/.cache/kavo/opencv-doc)
set -euo pipefail
build=${1:-build}
folder=${2:-}
if [ -z "$folder" ]; then
  cache=${KAVO_PHOTO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kavo/opencv-doc}
  folder=$cache/usr/share/doc/opencv-doc/examples/data
  if [ ! -f "$folder/right01.jpg" ]; then
    mkdir -p "$cache"
    (cd "$cache" && apt-get download opencv-doc && dpkg-deb -x opencv-doc_*.deb . && rm -f opencv-doc_*.deb)
  fi
fi
"$build/bench/real_photo_fit" --size 9x6 --set right "$folder"/right??.jpg --set left "$folder"/left??.jpg
