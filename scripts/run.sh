#!/usr/bin/env bash
# Sets up, builds and starts Moxel.
#
# Without a running JACK server it starts a private one (dummy driver) for the
# session and stops it when Moxel exits. Without a display it starts Moxel on
# a virtual display, plays a few demo notes through it, saves a screenshot of
# the window while they play, prints what went in and what came out, and
# closes Moxel again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

# No runtime folder (a bare console, a container): the session gets the
# private folder Moxel itself falls back to, so that the toolkit has one too.
# Only when it is as it should be (the user's own, mode 0700, not a link);
# otherwise the warnings about it are real and show.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  tmp=${TMPDIR:-/tmp}
  [[ "$tmp" == /* ]] || tmp=/tmp
  runtime="$tmp/moxel-$(id -u)"
  mkdir -m 700 "$runtime" 2>/dev/null || true
  if [[ -d "$runtime" && ! -L "$runtime" && -O "$runtime" && "$(stat -c %a "$runtime")" == 700 ]]; then
    export XDG_RUNTIME_DIR="$runtime"
  fi
fi

pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT

# A MIDI service: the user's JACK server, else a private one.
if ! JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1; then
  export JACK_DEFAULT_SERVER="moxel-$$"
  echo "run: no JACK server found; starting a private one ($JACK_DEFAULT_SERVER, dummy driver)"
  jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$build/jackd.log" 2>&1 &
  pids+=($!)
  JACK_NO_START_SERVER=1 jack_wait -w -t 10 >/dev/null 2>&1
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  "$build/moxel"
  exit 0
fi

# No display: a virtual one, and a demo that shows the relay at work.
exec 3>"$build/xvfb.display"
Xvfb -displayfd 3 -screen 0 320x200x24 -nolisten tcp >"$build/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [[ -s "$build/xvfb.display" ]] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$build/xvfb.display")"
echo "run: no display; started Moxel on the virtual display $DISPLAY"

"$build/tools/moxel_midi_demo" --timeout 20 >"$build/demo.log" 2>&1 &
demo=$!
"$build/moxel" &
pids+=($!)
moxel=$!
window=$(xdotool search --sync --onlyvisible --name '^Moxel$' | head -n1)

# The screenshot while the melody plays: the demo's ports chosen, the lamps lit.
for _ in $(seq 200); do
  grep -q '^sent ' "$build/demo.log" 2>/dev/null && break
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
screenshot="$build/moxel-screenshot.png"
import -window "$window" "$screenshot"

demo_status=0
wait "$demo" || demo_status=$?
cat "$build/demo.log"
echo "run: screenshot of the window saved to $screenshot"
kill -TERM "$moxel"
wait "$moxel" || true
exit "$demo_status"
