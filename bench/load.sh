#!/usr/bin/env bash
# What relaying costs in CPU: whole-process and per-thread CPU of Moxel (the
# real program, on a virtual display) and of a bare in-cycle passthrough
# client at 100, 1,000, 10,000 and 50,000 messages per second, in the same
# run on a private JACK server (dummy driver, 48 kHz, period 64), with the
# difference in points of one core.
#
#   bench/load.sh [BUILD_DIR] [SECONDS_PER_RATE] [RATE...]
set -euo pipefail
BUILD_DIR=${1:-build}
SECONDS_PER_RATE=${2:-5}
shift 2 || shift $#
BENCH="$BUILD_DIR/bench/moxel_load_bench"
[ -x "$BENCH" ] || { echo "load.sh: build moxel_load_bench first ($BENCH missing)" >&2; exit 2; }
run=("$BENCH" --moxel "$BUILD_DIR/moxel" --passthrough "$BUILD_DIR/bench/moxel_latency_relay"
  --seconds "$SECONDS_PER_RATE" "$@")
if [ -n "${DISPLAY:-}" ]; then
  exec "${run[@]}"
fi
exec xvfb-run -a -s "-screen 0 640x480x24" "${run[@]}"
