#!/usr/bin/env bash
# The checks that need no test run: includes run one way, the code is
# formatted with the committed .clang-format, and clang-tidy finds nothing.
#
# usage: scripts/lint.sh [build folder with compile_commands.json]   (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cd "$root"
status=0

echo "lint: includes run one way (the lower folders never include app/)"
if grep -rnE '^\s*#\s*include\s*[<"](\.\./)*app/' src/midi src/relay src/settings src/tempo src/shell; then
  echo "lint: the files above include app/ from below it" >&2
  status=1
fi

echo "lint: formatting (.clang-format)"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/settings/fuzz/corpus/')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "lint: run clang-format -i on the files above" >&2
  status=1
fi

echo "lint: clang-tidy (.clang-tidy) on src/ and tools/"
if ! run-clang-tidy -quiet -p "$build" -j "$(nproc)" "$root/(src|tools)/.*\.cpp" >"$build/clang-tidy.log" 2>&1; then
  grep -E 'warning:|error:' "$build/clang-tidy.log" >&2 || cat "$build/clang-tidy.log" >&2
  status=1
fi
exit "$status"
