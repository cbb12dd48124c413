#!/usr/bin/env bash
# The program without a window needs no library of the GUI toolkit or of the
# window system: its dynamic section names no libQt6*, libX11* or libxcb*
# (read from the file, so a cross-built program is read as well), and where
# the program can run here, nothing that it loads does either (ldd). The
# window program, when given, is read the same way and must name Qt: a check
# that read nothing would pass anything.
#
# usage: links_no_toolkit.sh PROGRAM [WINDOW_PROGRAM]
set -euo pipefail
program=${1:?usage: links_no_toolkit.sh PROGRAM [WINDOW_PROGRAM]}
toolkit='^(libQt6|libX11|libxcb)'
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

libraries=$(needed "$program")
[[ -n "$libraries" ]] || fail "$program names no library"
found=$(grep -E "$toolkit" <<<"$libraries" || true)
[[ -z "$found" ]] || fail "$program needs" $found
if loaded=$(ldd "$program" 2>/dev/null); then
  found=$(awk '{print $1}' <<<"$loaded" | grep -E "$toolkit" || true)
  [[ -z "$found" ]] || fail "$program loads" $found
fi
if [[ -n "${2:-}" ]]; then
  needed "$2" | grep -qE '^libQt6Widgets' || fail "read no Qt in the window program $2"
fi
echo "$program needs only:" $libraries
