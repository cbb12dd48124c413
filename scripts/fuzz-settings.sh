#!/usr/bin/env bash
# Builds the settings-file fuzz target (libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
#
# Usage: scripts/fuzz-settings.sh [seconds] [build-folder]
#   seconds       how long to fuzz (default 60)
#   build-folder  where the target, the working corpus and any crash input go
#                 (default build-fuzz/ in the repository)
#
# The committed seeds in tests/settings/fuzz/corpus/ are copied into the
# working corpus in the build folder, which keeps what earlier runs found.
# Exits non-zero when the build fails or the fuzzer finds a crash, a leak or a
# broken invariant; the input that caused it is saved in the build folder.
set -euo pipefail

seconds="${1:-60}"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${2:-$repo/build-fuzz}"
cxx="${CXX:-clang++}"

if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: $0 [seconds] [build-folder]" >&2
    exit 2
fi

mkdir -p "$build"
build="$(cd "$build" && pwd)"
target="$build/settings_fuzz"
corpus="$build/settings-corpus"

# The settings-file sources only: the menu commands in the same folder belong
# to the main window and need the rest of the program.
sources=()
for name in settings/AtomicFilePosix settings/FileLockPosix settings/FileRefusals \
    settings/FoldersPosix settings/KeyEncoding \
    settings/ProfileFile settings/ProfileText settings/ProfileValue settings/RegularFilePosix \
    settings/SettingsFile settings/StoredTextPosix encoding/Utf8 encoding/Utf8Path; do
    sources+=("$repo/src/$name.cpp")
done

echo "Building $target"
"$cxx" -std=c++20 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1 \
    -Wall -Wextra -Wpedantic -I "$repo/src" \
    "${sources[@]}" "$repo/tests/settings/fuzz/settings_fuzz.cpp" \
    -o "$target"

mkdir -p "$corpus"
for seed in "$repo"/tests/settings/fuzz/corpus/*; do
    [ -e "$corpus/$(basename "$seed")" ] || cp "$seed" "$corpus/"
done

echo "Fuzzing for $seconds s"
work="$build/fuzz-work"
mkdir -p "$work"
status=0
MOXEL_FUZZ_WORK="$work" "$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/" "$corpus" || status=$?
rm -rf "$work"
exit "$status"
