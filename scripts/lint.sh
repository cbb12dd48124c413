#!/usr/bin/env bash
# The checks that need no test run: includes run one way, the code is
# formatted with the committed .clang-format, and clang-tidy finds nothing.
#
# usage: scripts/lint.sh [build folder] [Windows build folder]
#   build folder          with compile_commands.json (default build)
#   Windows build folder  given: clang-tidy also checks the Windows-only
#                         sources there (scripts/build-windows.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
windows_build=${2:-}
cd "$root"
status=0

echo "lint: includes run one way (the lower folders never include app/)"
if grep -rnE '^\s*#\s*include\s*[<"](\.\./)*app/' src/midi src/relay src/settings src/tempo src/shell; then
  echo "lint: the files above include app/ from below it" >&2
  status=1
fi
echo "lint: app/ includes no MIDI backend (the rows of midi/systems make them)"
if grep -rnE '^\s*#\s*include\s*[<"](\.\./)*midi/backends/' src/app; then
  echo "lint: the files above include a backend from app/" >&2
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
if [[ -n "$windows_build" ]]; then
  echo "lint: clang-tidy (.clang-tidy) on the Windows-only sources"
  # clang reads the mingw-w64 compile commands as the cross compiler would.
  cxx_include=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | head -n1)
  windows_only='(src/(app/win32|midi/backends/winmm)/.*|tools/winmm_standin/.*|src/.*Win32)\.cpp'
  if ! run-clang-tidy -quiet -p "$windows_build" -j "$(nproc)" \
    -extra-arg=--target=x86_64-w64-mingw32 -extra-arg=-isystem"$cxx_include" \
    -extra-arg=-isystem"$cxx_include/x86_64-w64-mingw32" \
    "$root/$windows_only" >"$windows_build/clang-tidy.log" 2>&1; then
    grep -E 'warning:|error:' "$windows_build/clang-tidy.log" >&2 || cat "$windows_build/clang-tidy.log" >&2
    status=1
  fi
fi
exit "$status"
