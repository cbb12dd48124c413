#!/usr/bin/env bash
# How Moxel heals itself when devices and the JACK server go and come back:
# 20 server restarts and 100 port replugs against the running program, each
# with a note held, on a private JACK server (dummy driver, 48 kHz, period
# 64). Prints, per kind, the time from the device's return to the first
# relayed message (median, maximum), the notes left sounding at the synth
# (target 0) and the rounds that did not recover by themselves (target 0),
# and the program's idle wake-ups per second by thread.
#
#   bench/recovery.sh [BUILD_DIR] [RESTARTS] [REPLUGS]
set -euo pipefail
BUILD_DIR=${1:-build}
BENCH="$BUILD_DIR/bench/moxel_recovery_bench"
[ -x "$BENCH" ] || { echo "recovery.sh: build moxel_recovery_bench first ($BENCH missing)" >&2; exit 2; }
exec "$BENCH" --moxel "$BUILD_DIR/moxel" --restarts "${2:-20}" --replugs "${3:-100}"
