#!/usr/bin/env bash
# Start to window: the median of 10 starts of Moxel (a JACK server running,
# its two stored devices there) and of an empty Qt Widgets window of the same
# size, from exec to the window being mapped, in the same run on a virtual
# display, with the ratio.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
BUILD_DIR=${1:-build}
BENCH="$BUILD_DIR/bench/moxel_startup_bench"
[ -x "$BENCH" ] || { echo "startup.sh: build moxel_startup_bench first ($BENCH missing)" >&2; exit 2; }
exec xvfb-run -a -s "-screen 0 640x480x24" "$BENCH" --moxel "$BUILD_DIR/moxel" \
  --empty "$BUILD_DIR/bench/moxel_empty_window" --runs "${2:-10}"
