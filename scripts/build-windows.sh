#!/usr/bin/env bash
# Cross-builds Moxel for Windows: build-windows/moxel.exe and the Windows
# tests, which `ctest --test-dir build-windows` runs under Wine.
#
# usage: scripts/build-windows.sh [build folder] [cmake options...]
#
# Installs what is missing from Debian's packages first: the mingw-w64 cross
# compiler (its -posix variant), Wine, GoogleTest's sources, and what the
# Windows tests use (a virtual X display, a window manager, xdotool,
# ImageMagick, the locale sources for a Japanese code page).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
shift || true

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest
  cmake ninja-build xvfb xauth x11-utils xdotool openbox imagemagick fonts-ipafont-gothic locales
)
"$root/scripts/install-packages.sh" build-windows "${packages[@]}"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64.cmake" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
# The tests' Wine prefix, made before CTest first runs a test program.
if [[ -x "$build/wine-run.sh" ]]; then
  "$root/cmake/wine-session.sh" prepare "$build/wine-session" "$build/wine-run.sh"
fi
