#!/usr/bin/env bash
# The manual page says what "moxel --help" says: its synopsis holds each
# bracketed item of the usage line as it is, OPTIONS has an entry for every
# option --help names, and man reads the page without a warning (as lintian
# reads it).
#
# usage: man_page.sh PROGRAM MANUAL_PAGE
set -euo pipefail
program=${1:?usage: man_page.sh PROGRAM MANUAL_PAGE}
page=${2:?usage: man_page.sh PROGRAM MANUAL_PAGE}
status=0
fail() {
  echo "man_page: $*" >&2
  status=1
}

help=$("$program" --help)
# One line per paragraph is wide enough for the synopsis; no formatting.
text=$(groff -man -Tascii -P-cbou -rLL=250n "$page")
section() { awk -v name="$1" '/^[A-Z]/ { inside = ($0 == name) } inside' <<<"$text"; }
synopsis=$(section SYNOPSIS)
options=$(section OPTIONS)

usage=$(grep -m1 '^Usage: ' <<<"$help")
while read -r item; do
  grep -qF -- "$item" <<<"$synopsis" || fail "the synopsis lacks $item of: $usage"
done < <(grep -o '\[[^]]*\]' <<<"$usage")
while read -r option; do
  grep -qE -- "^ {7}$option( |,|$)" <<<"$options" || fail "OPTIONS has no entry for $option"
done < <(grep -oE -- '--[a-z]+' <<<"$help" | sort -u)

warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
[[ -z "$warnings" ]] || fail "man warns about the page: $warnings"
exit "$status"
