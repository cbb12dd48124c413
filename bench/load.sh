#!/usr/bin/env bash
# What relaying costs in CPU: whole-process and per-thread CPU of Moxel (the
# real program, on a virtual display), of a bare in-cycle passthrough client
# and of x42's channel-map plugin in jalv, at 100, 1,000, 10,000 and 50,000
# messages per second, on a private JACK server (dummy driver, 48 kHz,
# period 64): the three take turns for ROUNDS rounds (default 3) and the
# figures are the medians, with Moxel's difference to each in points of one
# core.
#
#   bench/load.sh [BUILD_DIR] [SECONDS_PER_RATE] [RATE...]
#   ROUNDS=5 bench/load.sh build 5 1000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${1:-build}
SECONDS_PER_RATE=${2:-5}
shift 2 || shift $#
BENCH="$BUILD_DIR/bench/moxel_load_bench"
[ -x "$BENCH" ] || { echo "load.sh: build moxel_load_bench first ($BENCH missing)" >&2; exit 2; }
# The plugin host and the plugin, Debian's, as the reference a user would
# otherwise reach for.
"$root/scripts/install-packages.sh" load.sh jalv x42-plugins
run=("$BENCH" --moxel "$BUILD_DIR/moxel" --passthrough "$BUILD_DIR/bench/moxel_latency_relay"
  --jalv "$(command -v jalv)" --rounds "${ROUNDS:-3}" --seconds "$SECONDS_PER_RATE" "$@")
if [ -n "${DISPLAY:-}" ]; then
  exec "${run[@]}"
fi
exec xvfb-run -a -s "-screen 0 640x480x24" "${run[@]}"
