#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made: its control fields,
# that it holds the program and its data and nothing else (no tests,
# benchmarks or tools), that lintian finds no error and no warning in it (its
# report is printed, informational tags too), that apt installs it with its
# dependencies, that the installed files are complete
# (scripts/check-installed.sh /usr), that man shows the installed manual page,
# that systemd accepts the installed user service as it stands (systemd-analyze
# verify, without a word), that the installed program answers --version without a display and, started
# as root, looks for its settings in the user's folder; then removes it.
#
# It installs the package on this machine and removes it again: for CI and
# for machines where no other Moxel package is installed. A package for
# another machine (the arm64 one, scripts/build-arm64.sh) is checked up to
# lintian and as files: its tree unpacked, as an install lays it out, with its
# program built for the package's architecture; it is not installed here.
#
# usage: scripts/check-package.sh build/moxel_<version>_<architecture>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh" check-package lintian man-db systemd
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
allowed+="|share/metainfo/$id\.metainfo\.xml|share/man/man1/moxel\.1\.gz"
allowed+="|share/doc/moxel/(copyright|changelog\.gz)|lib/systemd/user/moxel\.service"
allowed+="|share/icons/hicolor/(scalable|[0-9]+x[0-9]+)/apps/$id\.(svg|png))$"
unexpected=$(dpkg-deb --contents "$package" | awk '$1 !~ /^d/ { print $6 }' | grep -Ev "$allowed" || true)
[[ -z "$unexpected" ]] || fail "files that do not belong in the package: $unexpected"

# Errors and warnings fail; informational tags are shown, and left where they
# are explained in the package's build (cmake/Packaging.cmake).
lintian_status=0
report=$(lintian --display-info --fail-on error,warning "$package" 2>&1) || lintian_status=$?
echo "check-package: lintian $(basename "$package"):"
grep -v '^running with root privileges' <<<"$report" || true
[[ $lintian_status -eq 0 ]] || fail "lintian reports errors or warnings (status $lintian_status)"

architecture=$(field Architecture)
declare -A machines=([amd64]=x86-64 [arm64]="ARM aarch64")
built_for=$(dpkg-deb --fsys-tarfile "$package" | tar -xOf - ./usr/bin/moxel | file -b -)
[[ -n "${machines[$architecture]:-}" && "$built_for" == *", ${machines[$architecture]},"* ]] ||
  fail "a package for $architecture holds a program built for: $built_for"
if [[ "$architecture" != "$(dpkg --print-architecture)" ]]; then
  unpacked=$(mktemp -d)
  dpkg-deb -x "$package" "$unpacked"
  "$root/scripts/check-installed.sh" "$unpacked/usr" || status=1
  rm -rf "$unpacked"
  [[ $status -eq 0 ]] && echo "check-package: $(basename "$package") is complete (not installed on this $(dpkg --print-architecture) machine)"
  exit "$status"
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
remove() { "${sudo_cmd[@]}" apt-get remove -y -qq moxel >/dev/null; }
trap remove EXIT
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get install -y -qq "$package" >/dev/null

"$root/scripts/check-installed.sh" /usr || status=1
shown=$(MANPAGER=cat MANWIDTH=80 man moxel 2>&1 | head -n 5) || true
grep -q 'moxel - relay live MIDI' <<<"$shown" || fail "man moxel does not show the manual page: $shown"
answer=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 /usr/bin/moxel --version 2>&1) ||
  fail "/usr/bin/moxel --version failed: $answer"
[[ "$answer" == "Moxel $version" ]] || fail "moxel --version printed '$answer', not 'Moxel $version'"

# The user service as systemd reads it, with its program and its manual page
# now in place: any word from the check (an unknown setting, a missing
# program or page) is a fault, not only a failure.
unit_check=$(mktemp -d)
unit_said=$(XDG_RUNTIME_DIR="$unit_check" systemd-analyze --user verify /usr/lib/systemd/user/moxel.service 2>&1) ||
  fail "systemd-analyze verify rejects the user service: $unit_said"
[[ -z "$unit_said" ]] || fail "systemd-analyze verify has something to say of the user service: $unit_said"
rm -rf "$unit_check"

# Started as root (sudo moxel), the installed program still keeps its settings
# in the user's folder, not in /usr/bin: a FIFO put there is what it names.
# A runtime folder of its own keeps it apart from any Moxel running already.
scratch=$(mktemp -d)
mkdir -p "$scratch/config/moxel"
mkfifo "$scratch/config/moxel/setting.ini"
"${sudo_cmd[@]}" mkdir -m 700 "$scratch/run"
(cd / && exec "${sudo_cmd[@]}" env XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" \
  QT_QPA_PLATFORM=offscreen JACK_NO_START_SERVER=1 /usr/bin/moxel 2>"$scratch/said") &
started=$!
for _ in $(seq 100); do
  grep -q 'not a regular file' "$scratch/said" && break
  sleep 0.1
done
kill "$started" 2>/dev/null || true
wait "$started" || true
grep -qF "\"$scratch/config/moxel/setting.ini\" is not a regular file" "$scratch/said" ||
  fail "moxel run as root did not look for its settings in its user's folder: $(cat "$scratch/said")"
"${sudo_cmd[@]}" rm -rf "$scratch"

remove
trap - EXIT
if dpkg-query -W -f='${Status}' moxel 2>/dev/null | grep -q 'install ok installed'; then
  fail "the package did not go away"
fi
[[ $status -eq 0 ]] && echo "check-package: $(basename "$package") installs, runs and goes away"
exit "$status"
