#!/usr/bin/env bash
# The Windows relay's latency under Wine: bench/latency-windows.sh [build-windows folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
"$build/wine-run.sh" "$build/bench/moxel_latency_winmm.exe"
