#!/usr/bin/env bash
# The Windows program's window under Wine on the test session's virtual X
# display, driven as a person would with the mouse and keyboard (xdotool):
# the window appears titled "Moxel" (a screenshot is saved), a right press
# on its background opens the pop-up menu (chosen from the keyboard: "ヘルプ"
# without a help page shows its box), and a double-click on the patch number
# opens the patch box, which takes "5": program change 5 goes out on the
# stored channel. From the keyboard, Shift+F10 and the Menu key open the menu
# (a screenshot is saved), Esc resets the output (All Sound Off) and F2 opens
# the patch box. The stand-in winmm.dll records what was sent.
#
# usage: window_under_wine.sh BUILD-FOLDER SCREENSHOT-FOLDER [ja|en]
#   ja|en  the language the program is started in (--lang), ja when not given
set -euo pipefail
build=$1
shots=$2
language=${3:-ja}
case "$language" in
ja) help_title='ヘルプ読み込み失敗' ;;
en) help_title='Help not found' ;;
*)
  echo "window_under_wine: the language is ja or en" >&2
  exit 2
  ;;
esac
session="$build/wine-session"
DISPLAY=":$(cat "$session/display")"
export DISPLAY
mkdir -p "$shots"
program=$(mktemp -d)
moxel=""
cleanup() {
  if [[ -n "$moxel" ]]; then
    kill "$moxel" 2>/dev/null || true
  fi
  rm -rf "$program"
}
trap cleanup EXIT

cp "$build/moxel.exe" "$build/tools/winmm_standin/winmm.dll" "$program/"
printf 'in\tKeys\nout\tSynth\n' >"$program/devices.txt"
printf '[Moxel Settings.]\r\nDefaultMIDIOut=Synth\r\nSynth=3\r\n' >"$program/setting.ini"

# The per-program DLL override makes Wine load the stand-in for moxel.exe.
"$build/wine-run.sh" reg add 'HKCU\Software\Wine\AppDefaults\moxel.exe\DllOverrides' \
  /v winmm /d native,builtin /f >/dev/null 2>&1
MOXEL_WINMM_STANDIN="Z:${program//\//\\}" "$build/wine-run.sh" "$program/moxel.exe" --lang "$language" &
moxel=$!

fail() {
  echo "window_under_wine: $*" >&2
  import -window root "$shots/failure.png"
  exit 1
}
# The first visible window whose title matches; xdotool's own --sync stops
# at an X error when a window goes away while it looks, so look again.
find_window() { # title pattern
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [[ -n "$id" ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
wait_for() { # record text
  for _ in $(seq 200); do
    grep -q "$1" "$program/record.txt" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "the record never showed '$1'"
}

window=$(find_window '^Moxel$') || fail "no window titled Moxel"
wait_for "open out 0"
xdotool windowactivate --sync "$window" 2>/dev/null || true
import -window "$window" "$shots/window.png"
echo "window_under_wine: the window, titled Moxel: $shots/window.png"

# The background right of "Midi Out" (client 150,38) opens the menu.
xdotool mousemove --window "$window" 150 38 click 3
sleep 0.5
import -window root "$shots/menu.png"
echo "window_under_wine: the pop-up menu: $shots/menu.png"
xdotool key Down Down Down Down Return # MIDI devices, options, version, help
box=$(find_window "$help_title") || fail "choosing help from the menu showed no box"
import -window root "$shots/help-box.png"
# Keys can go astray while a new box takes the focus: press until it is gone.
for _ in $(seq 50); do
  xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || break
  xdotool windowactivate --sync "$box" 2>/dev/null || true
  xdotool key Return 2>/dev/null || true
  sleep 0.2
done

# From the keyboard: Shift+F10 opens the menu at the focused control, and
# its All Sound Off (the last item of "MIDI devices", which shows its key,
# Esc) resets the output; so do Esc itself and the Menu key's menu.
resets() { grep -c "reset out" "$program/record.txt" 2>/dev/null || true; }
wait_for_resets() { # count
  for _ in $(seq 200); do
    [[ $(resets) -ge $1 ]] && return 0
    sleep 0.05
  done
  fail "All Sound Off did not reset the output ($(resets) resets, not $1)"
}
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key shift+F10
sleep 0.5
xdotool key Down Right
sleep 0.5
import -window root "$shots/menu-from-keyboard.png"
echo "window_under_wine: the menu from the keyboard: $shots/menu-from-keyboard.png"
xdotool key Up Return
wait_for_resets 1
xdotool sleep 0.6 key Escape # one right after the menu closed would be one too many
wait_for_resets 2
xdotool key Menu
sleep 0.5
xdotool key Down Right Up Return
wait_for_resets 3
echo "window_under_wine: Shift+F10 and the Menu key open the menu, Esc is All Sound Off"

# F2 opens the patch box.
xdotool key F2
patch=$(find_window '^Patch No Change$') || fail "F2 opened no patch box"
xdotool windowactivate --sync "$patch" 2>/dev/null || true
xdotool type 7
xdotool key Return
wait_for "short 0007C3"
echo "window_under_wine: F2 opens the patch box: program change 7 went out"

# The patch number (client 35,107): a double-click opens the patch box.
xdotool mousemove --window "$window" 35 107 click --repeat 2 --delay 60 1
patch=$(find_window '^Patch No Change$') ||
  fail "a double-click on the patch number opened no patch box"
import -window "$patch" "$shots/patch-box.png"
echo "window_under_wine: the patch box: $shots/patch-box.png"
xdotool windowactivate --sync "$patch" 2>/dev/null || true
xdotool type 5
xdotool key Return
wait_for "short 0005C3"
echo "window_under_wine: program change 5 went out on channel 4"
import -window "$window" "$shots/window-patch-5.png"

# Alt+F4: the window manager asks the window to close, as its close box does.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+F4
wait_for "close out"
wait "$moxel" || fail "moxel.exe did not end cleanly"
moxel=""
echo "1 passed, 0 failed"
