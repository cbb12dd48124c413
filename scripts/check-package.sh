#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made: its control fields,
# that it holds the program and its data and nothing else (no tests,
# benchmarks or tools), that apt installs it with its dependencies, that the
# installed files are complete (scripts/check-installed.sh /usr) and the
# installed program answers --version without a display; then removes it.
#
# It installs the package on this machine and removes it again: for CI and
# for machines where no other Moxel package is installed.
#
# usage: scripts/check-package.sh build/moxel_<version>_<architecture>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
package=$(realpath "${1:?usage: scripts/check-package.sh PACKAGE.deb}")
id=io.github.moxel.Moxel
version=$(sed -n 's/^project(Moxel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
status=0
fail() {
  echo "check-package: $*" >&2
  status=1
}

field() { dpkg-deb --field "$package" "$1"; }
[[ "$(field Package)" == moxel ]] || fail "the package is named $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "version $(field Version), not $version"
[[ "$(field Section)" == sound ]] || fail "section $(field Section), not sound"
[[ -n "$(field Maintainer)" ]] || fail "no maintainer"
[[ -n "$(field Description)" ]] || fail "no description"
for library in libqt6widgets6 libasound2; do
  field Depends | grep -q "$library" || fail "no dependency on $library: $(field Depends)"
done
# Without a JACK library Moxel runs on the ALSA sequencer: JACK is no requirement.
if field Depends | grep -q libjack; then
  fail "the package requires a JACK library: $(field Depends)"
fi

allowed="^\./usr/(bin/moxel|share/moxel/manual/.+|share/applications/$id\.desktop"
allowed+="|share/metainfo/$id\.metainfo\.xml|share/doc/moxel/LICENSE"
allowed+="|share/icons/hicolor/(scalable|[0-9]+x[0-9]+)/apps/$id\.(svg|png))$"
unexpected=$(dpkg-deb --contents "$package" | awk '$1 !~ /^d/ { print $6 }' | grep -Ev "$allowed" || true)
[[ -z "$unexpected" ]] || fail "files that do not belong in the package: $unexpected"

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
remove() { "${sudo_cmd[@]}" apt-get remove -y -qq moxel >/dev/null; }
trap remove EXIT
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get install -y -qq "$package" >/dev/null

"$root/scripts/check-installed.sh" /usr || status=1
answer=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 /usr/bin/moxel --version 2>&1) ||
  fail "/usr/bin/moxel --version failed: $answer"
[[ "$answer" == "Moxel $version" ]] || fail "moxel --version printed '$answer', not 'Moxel $version'"

remove
trap - EXIT
if dpkg-query -W -f='${Status}' moxel 2>/dev/null | grep -q 'install ok installed'; then
  fail "the package did not go away"
fi
[[ $status -eq 0 ]] && echo "check-package: $(basename "$package") installs, runs and goes away"
exit "$status"
