#!/usr/bin/env bash
# MIDI latency and jitter of Moxel's relay against a direct in-cycle
# passthrough, in the same run, on a private JACK server (dummy driver,
# 48 kHz, period 64).
#
#   bench/latency.sh [BUILD_DIR] [SAMPLES]
#
# BUILD_DIR holds the built bench/moxel_latency_relay (default: build).
# jack_midi_latency_test sends SAMPLES messages out of its "out" port and times
# their return on its "in" port; the relay under test sits between the two.
# Its messages are note-offs on channel 1 (status 0x80), so Moxel's rewrite to
# channel 1 ("1Ch") leaves them as they are and the test recognises them.
set -euo pipefail

BUILD_DIR=${1:-build}
SAMPLES=${2:-1000}
RELAY="$BUILD_DIR/bench/moxel_latency_relay"
[ -x "$RELAY" ] || { echo "latency.sh: build moxel_latency_relay first ($RELAY missing)" >&2; exit 2; }
command -v jackd >/dev/null && command -v jack_midi_latency_test >/dev/null ||
    { echo "latency.sh: needs jackd and jack_midi_latency_test (package jackd2)" >&2; exit 2; }

export JACK_DEFAULT_SERVER="moxel-bench-$$"
export JACK_NO_START_SERVER=1
export JACK_NO_AUDIO_RESERVATION=1
WORK=$(mktemp -d)
SERVER_PID=""
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# Polls a command until it succeeds or the deadline (seconds) passes.
wait_for() {
    local deadline=$(( $(date +%s) + $1 )); shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
port_exists() { jack_lsp 2>/dev/null | grep -qx "$1"; }

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 64 >"$WORK/jackd.log" 2>&1 &
SERVER_PID=$!
wait_for 10 jack_lsp || { echo "latency.sh: jackd did not start" >&2; cat "$WORK/jackd.log" >&2; exit 1; }

# run MODE: one latency test through that relay; leaves its report in $WORK/MODE.txt
run() {
    local mode=$1
    stdbuf -oL jack_midi_latency_test -s "$SAMPLES" >"$WORK/$mode.txt" 2>&1 &
    local test_pid=$!
    wait_for 10 port_exists jack_midi_latency_test:in || { echo "latency test did not start" >&2; return 1; }
    "$RELAY" --mode "$mode" --source jack_midi_latency_test:out \
        --destination jack_midi_latency_test:in >"$WORK/$mode.relay" 2>&1 &
    local relay_pid=$!
    local rc=0
    wait "$test_pid" || rc=$?
    kill "$relay_pid" 2>/dev/null || true
    wait "$relay_pid" 2>/dev/null || true
    return $rc
}

# field FILE PATTERN: the first number on the line that matches PATTERN
field() { { grep -i -m1 "$2" "$1" | grep -Eo '[0-9]+(\.[0-9]+)?' | head -1; } || true; }

# frames FILE PATTERN: the figure in frames, "(N frames)", on the line that matches PATTERN
frames() { { grep -i -m1 "$2" "$1" | grep -Eo '\([0-9.]+ frames' | grep -Eo '[0-9.]+'; } || true; }

# The frame figures are exact; the test's own millisecond figures come from
# the system clock and go wrong when a cycle is late (xruns: jackd runs
# without real-time priority here), so milliseconds are given from frames.
ms() { awk -v f="$1" 'BEGIN { if (f == "") print "?"; else printf "%.3f", f * 1000 / 48000 }'; }
summary() {
    local f=$1 sent received xruns latency peak average
    sent=$(field "$f" 'messages sent')
    received=$(field "$f" 'messages received')
    xruns=$(field "$f" '^xruns')
    latency=$(frames "$f" 'average latency')
    peak=$(frames "$f" 'peak midi jitter')
    average=$(frames "$f" 'average midi jitter')
    printf '  average latency %s frames (%s ms); peak jitter %s frames (%s ms); average jitter %s frames (%s ms)\n' \
        "${latency:-?}" "$(ms "$latency")" "${peak:-?}" "$(ms "$peak")" "${average:-?}" "$(ms "$average")"
    printf '  messages lost %s of %s; xruns %s\n' "$(( ${sent:-0} - ${received:-0} ))" "${sent:-?}" "${xruns:-0}"
}

# A run that a late cycle spoiled (the latency test gives up and reports no
# figures) is repeated, up to three times.
for mode in direct moxel; do
    for attempt in 1 2 3; do
        if run "$mode" && grep -qi 'average latency' "$WORK/$mode.txt"; then
            break
        fi
        echo "($mode run $attempt gave no figures (late cycles?), repeating)" >&2
    done
done

for mode in direct moxel; do
    echo "=== $mode: jack_midi_latency_test report ==="
    cat "$WORK/$mode.txt"
    cat "$WORK/$mode.relay"
done
echo "=== summary (dummy driver, 48000 Hz, period 64 = 1.333 ms) ==="
echo "direct passthrough:"; summary "$WORK/direct.txt"
echo "moxel relay:";        summary "$WORK/moxel.txt"
d=$(frames "$WORK/direct.txt" 'average latency')
m=$(frames "$WORK/moxel.txt" 'average latency')
if [ -n "$d" ] && [ -n "$m" ]; then
    awk -v d="$d" -v m="$m" 'BEGIN { if (d > 0) printf "moxel / direct average latency: %.3f\n", m / d }'
fi
