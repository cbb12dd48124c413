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
  pipewire pipewire-jack wireplumber dbus-daemon
  desktop-file-utils appstream librsvg2-bin dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
# jackd2 asks about real-time priority unless told not to ask.
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
