#!/usr/bin/env bash
# Checks an installation of Moxel under a prefix: the program, the help pages,
# the desktop entry, the AppStream metainfo, the icons, the manual page, the
# user service, the licence and the changelog are where desktops, software
# centres, man, systemd and Debian look for them, the service starts the
# program without a window, both validators accept the desktop entry and the
# metainfo, all of them use one application id, the metainfo's newest release,
# the changelog's and the manual page's version are the project's version, the
# copyright file (Debian's machine-readable format) carries LICENSE's notice,
# and the hand-drawn scalable icon shows the same picture as the program's own
# icon code.
#
# usage: scripts/check-installed.sh PREFIX     (e.g. /usr, or a DESTDIR tree)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:?usage: scripts/check-installed.sh PREFIX}
id=io.github.moxel.Moxel
version=$(sed -n 's/^project(Moxel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
share="$prefix/share"
desktop="$share/applications/$id.desktop"
metainfo="$share/metainfo/$id.metainfo.xml"
icons="$share/icons/hicolor"
status=0
fail() {
  echo "check-installed: $*" >&2
  status=1
}

[[ -x "$prefix/bin/moxel" ]] || fail "no program $prefix/bin/moxel"
diff -r "$root/manual" "$share/moxel/manual" >/dev/null ||
  fail "$share/moxel/manual differs from the help pages in manual/"

docs="$share/doc/moxel"
copyright="$docs/copyright"
# LICENSE's notice after its copyright line, as the copyright file holds it
# (indented, empty lines as " .").
holders=$(sed -n 's/^Copyright (c) //p' "$root/LICENSE")
notice=$(sed '1,/^Copyright (c) /d' "$root/LICENSE" | sed '1{/^$/d}')
if [[ ! -f "$copyright" ]]; then
  fail "no copyright file $copyright"
else
  head -n1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "$copyright is not in the machine-readable format"
  grep -qx "Copyright: $holders" "$copyright" || fail "$copyright does not name $holders"
  [[ "$(sed '1,/^License: Expat$/d; s/^ //; s/^\.$//' "$copyright")" == "$notice" ]] ||
    fail "$copyright does not carry the notice of LICENSE under License: Expat"
fi
logged=$(gzip -dc "$docs/changelog.gz" 2>/dev/null | sed -n '1s/^moxel (\([^)]*\)) .*/\1/p' || true)
[[ "$logged" == "$version" ]] || fail "the changelog's newest version is '$logged', the project's $version"
page="$share/man/man1/moxel.1.gz"
gzip -dc "$page" 2>/dev/null | grep -q "^\.TH MOXEL 1 .*\"Moxel $version\"" ||
  fail "no manual page $page for Moxel $version"
unit="$prefix/lib/systemd/user/moxel.service"
grep -qE '^ExecStart=/.*/bin/moxel --headless$' "$unit" 2>/dev/null ||
  fail "no user service $unit that starts moxel --headless"
[[ -f "$icons/scalable/apps/$id.svg" ]] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png="$icons/${size}x$size/apps/$id.png"
  file "$png" | grep -q "PNG image data, $size x $size," || fail "no $size x $size icon $png"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --no-net "$metainfo" >/dev/null ||
  fail "appstreamcli rejects $metainfo: $(appstreamcli validate --no-net "$metainfo")"

grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's Icon is not $id"
grep -qx "Exec=moxel" "$desktop" || fail "the desktop entry does not start moxel"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[[ "$newest" == "$version" ]] ||
  fail "the metainfo's newest release is $newest, the project's version $version"

# The scalable icon drawn by a desktop's SVG renderer against the program's
# own 64-pixel picture: anti-aliased edges differ a little, a moved, missing
# or recoloured part a lot.
drawn=$(mktemp --suffix=.png)
trap 'rm -f "$drawn"' EXIT
rsvg-convert -w 64 -h 64 "$icons/scalable/apps/$id.svg" -o "$drawn"
difference=$(compare -metric RMSE "$drawn" "$icons/64x64/apps/$id.png" null: 2>&1 |
  sed -n 's/.*(\(.*\)).*/\1/p' || true)
awk -v d="$difference" 'BEGIN { exit !(d != "" && d < 0.08) }' ||
  fail "the scalable icon differs from the program's icon (RMSE ${difference:-unknown})"

[[ $status -eq 0 ]] && echo "check-installed: $prefix holds a complete Moxel $version"
exit "$status"
