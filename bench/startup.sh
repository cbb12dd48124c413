#!/usr/bin/env bash
# Start and memory: the median of 10 starts of Moxel with its window, of
# Moxel without one (--headless), each with a JACK server running and its two
# stored devices there, and of an empty Qt Widgets window of the same size:
# exec to the window mapped, exec to the first note relayed, and the resident
# memory a second after the start, in the same run on a virtual display, with
# the ratios. HEADLESS_MOXEL names another program for the run without a
# window (a build without the window's toolkit); default: BUILD_DIR's.
#
#   bench/startup.sh [BUILD_DIR] [RUNS] [HEADLESS_MOXEL]
set -euo pipefail
BUILD_DIR=${1:-build}
BENCH="$BUILD_DIR/bench/moxel_startup_bench"
[ -x "$BENCH" ] || { echo "startup.sh: build moxel_startup_bench first ($BENCH missing)" >&2; exit 2; }
exec xvfb-run -a -s "-screen 0 640x480x24" "$BENCH" --moxel "$BUILD_DIR/moxel" \
  --empty "$BUILD_DIR/bench/moxel_empty_window" --runs "${2:-10}" \
  --headless "${3:-$BUILD_DIR/moxel}"
