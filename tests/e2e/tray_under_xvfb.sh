#!/usr/bin/env bash
# Moxel in the notification area of a real X desktop: a virtual display with a
# window manager (openbox) and a small tray host (trayer). Minimising puts the
# icon into the tray and hides the window; a left click on the icon brings the
# window back and removes the icon; a right click opens the menu with the
# window still hidden, and its exit command ends Moxel.
#
# usage: tray_under_xvfb.sh <path of the built moxel> [folder for screenshots]
set -euo pipefail
program=$1
shots=${2:-}
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [[ -n "${KEEP_WORK:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Polls a command until it succeeds, for at most $1 seconds.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

shot() { [[ -z "$shots" ]] || import -window root "$shots/$1.png"; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 400x300x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for 10 test -s "$work/display" || fail "no virtual display"
export DISPLAY=":$(head -n1 "$work/display")"

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype pixel --width 80 --height 24 \
  --transparent false --tint 0x404040 >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 10 xdotool search --class trayer || fail "no tray host"

# Its own folder: its own settings and lock; no MIDI service.
mkdir -m 700 "$work/moxel"
cp "$program" "$work/moxel/moxel"
start_moxel() {
  XDG_RUNTIME_DIR="$work/moxel" XDG_CONFIG_HOME="$work/moxel" QT_QPA_PLATFORM=xcb \
    JACK_DEFAULT_SERVER="moxel-tray-test-none" JACK_NO_START_SERVER=1 \
    "$work/moxel/moxel" >>"$work/moxel.log" 2>&1
}
start_moxel &
moxel=$!
pids+=($moxel)

# Clicks the middle of the tray icon $icon with button $1.
click_icon() {
  local x y w h
  x=$(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {print $4}')
  y=$(xwininfo -id "$icon" | awk '/Absolute upper-left Y/ {print $4}')
  w=$(xwininfo -id "$icon" | awk '/Width:/ {print $2}')
  h=$(xwininfo -id "$icon" | awk '/Height:/ {print $2}')
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
}

# Clicks the icon with button $1 until the condition (the other arguments)
# holds: a freshly shown icon may not take clicks yet.
click_icon_until() {
  local button=$1; shift
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    click_icon "$button"
    wait_for 2 "$@" && return 0
  done
  return 1
}

visible_window() { xdotool search --onlyvisible --name '^Moxel$' | head -n1; }
# Moxel's top-level X windows as "id width height", one a line.
moxel_windows() {
  xwininfo -root -tree | awk '/"Moxel": \("moxel" "Moxel"\)/ {
      if (match($0, / [0-9]+x[0-9]+\+/)) {
        split(substr($0, RSTART + 1, RLENGTH - 2), size, "x"); print $1, size[1], size[2]
      }
    }'
}
# The icon: Moxel's small window inside the tray host.
tray_icon() { moxel_windows | awk '$2 <= 64 && $3 <= 64 && !id {id = $1} END {if (id) print id; else exit 1}'; }

wait_for 20 visible_window || fail "the window did not appear"
window=$(visible_window)
shot shown

xdotool windowminimize "$window"
wait_for 10 tray_icon || fail "no tray icon after minimising"
wait_for 10 bash -c '! xdotool search --onlyvisible --name "^Moxel$"' ||
  fail "the window is still shown after minimising"
shot in-tray
echo "ok: minimise puts the icon into the tray and hides the window"

start_moxel || fail "a second start ended with status $?"
wait_for 10 visible_window || fail "a second start did not bring the window out of the tray"
echo "ok: a second start brings the window out of the tray and ends"
xdotool windowminimize "$(visible_window)"
wait_for 10 tray_icon || fail "no tray icon after minimising again"

icon=$(tray_icon)
click_icon_until 1 visible_window || fail "a left click on the icon did not bring the window back"
wait_for 10 bash -c "! xwininfo -id $icon" || fail "the icon stayed after the window came back"
shot restored
echo "ok: a left click on the icon restores the window and removes the icon"

xdotool windowminimize "$(visible_window)"
wait_for 10 tray_icon || fail "no tray icon after the second minimise"
icon=$(tray_icon)
# Qt's pop-up menu: a window of Moxel's neither the icon nor the main window.
popup() { moxel_windows | awk '$2 > 64 && !($2 == 196 && $3 == 114) {n++} END {exit !n}'; }
click_icon_until 3 popup || fail "a right click on the icon opened no menu"
shot tray-menu
if xdotool search --onlyvisible --name '^Moxel$' >/dev/null 2>&1; then
  fail "the window appeared when the menu opened from the icon"
fi
# The menu's last item is the exit command.
xdotool key Up Return
wait_for 20 bash -c "! kill -0 $moxel" || fail "the exit command from the tray did not end Moxel"
wait "$moxel" || fail "Moxel ended with status $?"
tray_icon && fail "the icon stayed after the exit"
echo "ok: the tray menu opens with the window hidden and its exit command ends Moxel"
