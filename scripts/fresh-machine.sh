#!/usr/bin/env bash
# Tries Kavo on a machine that has nothing of it: a clean Debian 12 (bookworm) made by debootstrap in
# a folder, entered with chroot. Run as root.
#
#   fresh-machine.sh base    only makes the clean system (once)
#   fresh-machine.sh demo    a clean clone of this checkout runs `make demo` there, timed from the
#                            first package fetched to the focal length printed
#   fresh-machine.sh deb DEB the package is installed there with `apt install ./kavo_*.deb`, then
#                            kavo-cli computes the sample series and the desktop program starts
#                            under Xvfb
#
# The clean system has only Debian's minimal base plus make (the one tool `make demo` needs before
# it can install the rest). It is kept in KAVO_FRESH_DIR (/var/tmp/kavo-fresh by default) as base/
# and copied afresh for every try, so a try never sees what another one installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fresh="${KAVO_FRESH_DIR:-/var/tmp/kavo-fresh}"
mirror="${KAVO_FRESH_MIRROR:-http://deb.debian.org/debian}"

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine: run as root (debootstrap and chroot need it)" >&2
  exit 2
fi
bash "$root/scripts/install-deps.sh" fresh

base="$fresh/base"
if [ ! -x "$base/usr/bin/make" ]; then
  rm -rf "$base"
  mkdir -p "$fresh"
  echo "fresh-machine: making a clean Debian 12 in $base"
  debootstrap --variant=minbase --include=make bookworm "$base" "$mirror"
  # The same package sources as this machine, so that the clean system fetches from where it does.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    rm -f "$base/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/debian.sources "$base/etc/apt/sources.list.d/"
  fi
fi

system=""
cleanup() {
  if [ -n "$system" ]; then
    for m in dev/pts dev proc; do
      if mountpoint -q "$system/$m"; then umount -l "$system/$m"; fi
    done
    rm -rf "$system"
  fi
}
trap cleanup EXIT

# A fresh copy of the clean system with /proc, /dev and name resolution, as a booted machine has.
enter() {
  system="$(mktemp -d "$fresh/try.XXXXXX")"
  cp -a "$base/." "$system/"
  cp /etc/resolv.conf "$system/etc/resolv.conf"
  mount -t proc proc "$system/proc"
  mount --bind /dev "$system/dev"
  mount --bind /dev/pts "$system/dev/pts"
}

in_system() {
  chroot "$system" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb "$@"
}

case "${1:-}" in
  base) ;; # only the clean system, made once
  demo)
    enter
    # A clone of what is committed here, as a user's `git clone` would give.
    git clone -q "$root" "$system/root/kavo"
    start=$(date +%s)
    in_system bash -c 'cd /root/kavo && make demo'
    end=$(date +%s)
    echo "fresh-machine: make demo took $((end - start)) s on a clean Debian 12 (packages fetched from $mirror)"
    ;;
  deb)
    deb="${2:?fresh-machine: name the package: fresh-machine.sh deb kavo_X_amd64.deb}"
    enter
    cp "$deb" "$system/root/"
    cp -r "$root/examples/sample" "$system/root/sample"
    name="$(basename "$deb")"
    in_system bash -c "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./root/$name xvfb xauth x11-apps"
    in_system kavo-cli --version
    in_system kavo --version
    in_system kavo --help > /dev/null
    in_system man -w kavo-cli 2> /dev/null || ls "$system/usr/share/man/man1/" | grep kavo
    in_system bash -c 'cd /root/sample && kavo-cli compute --camera camera.cam --scene scene.crd --list series.lst'
    # The desktop program in a real X server: it must start and stay up, and its window must show.
    in_system bash -c 'Xvfb :7 -screen 0 1280x800x24 & xvfb=$!; sleep 2;
      DISPLAY=:7 kavo & app=$!; sleep 6;
      if ! kill -0 $app 2>/dev/null; then echo "fresh-machine: kavo did not stay up" >&2; kill $xvfb; exit 1; fi
      DISPLAY=:7 xwd -root -silent > /root/kavo.xwd; kill $app; wait $app 2>/dev/null; kill $xvfb; true'
    cp "$system/root/kavo.xwd" "$fresh/kavo-desktop.xwd"
    echo "fresh-machine: the package installed and ran; the desktop's screen is in $fresh/kavo-desktop.xwd"
    ;;
  *)
    echo "usage: fresh-machine.sh demo | deb PACKAGE.deb" >&2
    exit 2
    ;;
esac
