#!/usr/bin/env bash
# Latency of Moxel's relay on the ALSA sequencer against a direct kernel
# subscription and against a minimal relay in user space (poll, read, the
# channel rewritten, write: the floor for any relay that is a program), in
# one run, the three taking turns, at 1,000 and 10,000 messages a second: the
# median and 99th percentile of each, Moxel's median over the minimal
# relay's; and whether a burst and a 64 KB SysEx arrive complete. It runs in a
# throw-away QEMU guest with the real kernel's sequencer (tools/alsa_guest):
# the processor is emulated, so compare the paths within one run only.
# The benchmark of an arm64 build (scripts/build-arm64.sh) runs on the
# emulated arm64 machine.
#
#   bench/latency-alsa.sh [BUILD_DIR] [MESSAGES] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
messages=${2:-2000}
rounds=${3:-5}
bench="$build/bench/moxel_latency_alsa"
[ -x "$bench" ] || { echo "latency-alsa.sh: build moxel_latency_alsa first ($bench missing)" >&2; exit 2; }
# An arm64 build's benchmark runs on the emulated arm64 machine.
arch=amd64
[[ "$(file -b "$bench")" != *"ARM aarch64"* ]] || arch=arm64
exec "$root/tools/alsa_guest/run-in-guest.sh" --arch "$arch" --timeout 600 -- "$bench" "$messages" "$rounds"
