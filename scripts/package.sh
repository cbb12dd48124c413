#!/usr/bin/env bash
# Builds Moxel for release and packs it as a Debian package,
# build/moxel_<version>_<architecture>.deb (the path is printed). Install it
# with: sudo apt-get install ./build/moxel_<version>_<architecture>.deb
#
# The release build lives in build-package/ and builds only what the package
# holds: the program, its icons, its help pages, its manual page and changelog.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"
"$root/scripts/setup.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target moxel moxel_icons moxel_docs

rm -f "$build"/moxel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
packages=("$build"/moxel_*.deb)
mkdir -p "$root/build"
rm -f "$root/build"/moxel_*.deb
cp "${packages[@]}" "$root/build/"
for package in "${packages[@]}"; do
  echo "package: $root/build/$(basename "$package")"
done
