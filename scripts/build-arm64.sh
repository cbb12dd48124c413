#!/usr/bin/env bash
# Cross-builds Moxel for 64-bit ARM Linux (a Raspberry Pi with a 64-bit
# system): BUILD_DIR/moxel (the window program), BUILD_DIR/nogui/moxel (the
# program without a window, which links no Qt: the same libraries, linked
# without the window), the tests, and the Debian package
# BUILD_DIR/moxel_<version>_arm64.deb (the window program; the path is
# printed).
# `ctest --test-dir BUILD_DIR` runs the tests under user-mode emulation
# (qemu-aarch64-static), those of label alsa in an emulated arm64 machine
# with Debian's arm64 kernel (tools/alsa_guest/run-in-guest.sh --arch arm64).
#
# usage: scripts/build-arm64.sh [BUILD_DIR] [cmake options...]
#   BUILD_DIR  default build-arm64
#
# Installs what is missing first: the arm64 architecture for apt (multiarch),
# Debian's cross compiler, the arm64 Qt, ALSA, JACK and GoogleTest
# development packages, QEMU for user-mode and whole-machine emulation. The
# arm64 libraries bring amd64 ones of the same version: apt may upgrade a
# few of this machine's libraries to match.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-arm64}
shift || true

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  echo "build-arm64: adding the arm64 architecture to apt"
  "${sudo_cmd[@]}" dpkg --add-architecture arm64
  "${sudo_cmd[@]}" apt-get update -qq
fi
packages=(
  crossbuild-essential-arm64 cmake ninja-build pkg-config file
  qemu-user-static qemu-system-arm kmod xz-utils
  qt6-base-dev:arm64 libgl-dev:arm64 libfontconfig-dev:arm64 libxcb1-dev:arm64
  libasound2-dev:arm64 libjack-jackd2-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
)
"$root/scripts/install-packages.sh" build-arm64 "${packages[@]}"

# Installed under /usr, as the package puts it.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-aarch64-linux-gnu.cmake" \
  -DCMAKE_INSTALL_PREFIX=/usr "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

# The package from this build (Debian's own are built the same way: optimised
# with debugging information, which the package leaves out).
rm -f "$build"/moxel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
for package in "$build"/moxel_*_arm64.deb; do
  [[ -f "$package" ]] || { echo "build-arm64: cpack made no arm64 package" >&2; exit 1; }
  echo "package: $package"
done
