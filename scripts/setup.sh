#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Moxel need.
# Quick when everything is already there: it only asks apt when a package is
# missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libjack-jackd2-dev jackd2 libasound2-dev libfontconfig-dev
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth x11-utils xdotool imagemagick trayer openbox libxcb1-dev
  fonts-ipafont-gothic
  pipewire pipewire-jack wireplumber dbus-daemon at-spi2-core python3-pyatspi
  desktop-file-utils appstream librsvg2-bin dpkg-dev file man-db
  qemu-system-x86 busybox-static kmod xz-utils alsa-utils
)

"$(dirname "$0")/install-packages.sh" setup "${packages[@]}"
