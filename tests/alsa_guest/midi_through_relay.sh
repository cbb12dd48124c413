#!/usr/bin/env bash
# In the guest, with the ALSA utilities alone (as on the arm64 guest, which
# has nothing else): each PROGRAM, run as `moxel --headless` (in English),
# with stored devices relays from Midi Through Port-0 (aplaymidi plays into
# it) to Port-1 (aseqdump reads it) on the stored channel, notes and a SysEx
# whole, says on its error output that it opened the output on that channel,
# on SIGTERM resets the output and ends with status 0, and leaves setting.ini
# as it was.
#
# usage: midi_through_relay.sh PROGRAM...
set -euo pipefail
(($#)) || { echo "usage: midi_through_relay.sh PROGRAM..." >&2 && exit 2; }
top=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$top"' EXIT
fail() {
  printf 'FAIL: %s: %s\nwhat reached Port-1:\n%s\nwhat Moxel said:\n%s\n' "$program" "$1" \
    "$(cat "$work/dump")" "$(cat "$work/said")" >&2 && exit 1
}
wait_for() {
  local what=$1 deadline=$((SECONDS + 120))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || fail "$what"
    sleep 0.1
  done
}
has() { grep -qE "$1" "$work/dump"; }

# A MIDI file on channel 1: a note, a SysEx of 300 bytes (301 after F0, 0x82
# 0x2D as a variable-length number) and a note left sounding.
mapfile -t sysex < <(for i in {0..299}; do echo $((i % 128)); done)
track=(0 0x90 60 100 0 0x80 60 64 0 0xF0 0x82 0x2D "${sysex[@]}" 0xF7 0 0x90 62 100 0 0xFF 0x2F 0)
file=(0x4D 0x54 0x68 0x64 0 0 0 6 0 0 0 1 0 96 0x4D 0x54 0x72 0x6B
  0 0 $((${#track[@]} >> 8)) $((${#track[@]} & 255)) "${track[@]}")
# shellcheck disable=SC2059 # the format is the file's bytes
printf "$(printf '\\x%02x' "${file[@]}")" >"$top/play.mid"

connected() {
  kill -0 "$moxel" || fail "Moxel ended before it connected its devices"
  aconnect -l | awk '/^client/ { inside = /'"'Moxel'"'/ } inside' >"$work/ports"
  grep -q 'Connected From: .*\b14:0\b' "$work/ports" && grep -q 'Connecting To: .*\b14:1\b' "$work/ports"
}
said_opened() { grep -qx 'moxel: MIDI OUT 4Ch: .*Midi Through Port-1 opened' "$work/said"; }
reset() { # the note still sounding released, all notes and sound off everywhere
  has 'Note off +3, note 62' || return 1
  for channel in {0..15}; do
    { has "Control change +$channel, controller 123, value 0" &&
      has "Control change +$channel, controller 120, value 0"; } || return 1
  done
}

for program in "$@"; do
  # A copy of the program in a folder of its own keeps its settings beside it.
  work=$(mktemp -d "$top/run.XXXXXX")
  cp "$program" "$work/moxel"
  printf '%s\n' '[Moxel Settings.]' 'AlsaDefaultMidiIn=Midi Through:Midi Through Port-0' \
    'AlsaDefaultMidiOut=Midi Through:Midi Through Port-1' 'Midi Through:Midi Through Port-1=3' >"$work/setting.ini"
  cp "$work/setting.ini" "$work/stored.ini"

  stdbuf -oL aseqdump -p 'Midi Through:1' >"$work/dump" &
  dump=$!
  started=$SECONDS
  "$work/moxel" --headless --lang en 2>"$work/said" &
  moxel=$!
  wait_for "Moxel did not connect Port-0 and Port-1" connected
  wait_for "Moxel did not say that it opened the output on the stored channel" said_opened
  echo "$program: connected $((SECONDS - started)) s after its start"
  aplaymidi -p 'Midi Through:0' "$top/play.mid"
  wait_for "the notes did not come on the stored channel" has 'Note on +3, note 62, velocity 100'
  has 'Note off +3, note 60, velocity 64' || fail "the first note did not come on the stored channel"
  [[ "$(sed -n 's/.*System exclusive *//p' "$work/dump" | tr '\n' ' ' | tr -s ' ')" == \
    "$(printf '%02X ' 0xF0 "${sysex[@]}" 0xF7)" ]] || fail "the SysEx did not come whole"

  kill -TERM "$moxel"
  wait "$moxel" || fail "Moxel ended with status $? on SIGTERM"
  wait_for "SIGTERM's reset did not reach the output" reset
  kill "$dump"
  cmp -s "$work/stored.ini" "$work/setting.ini" || fail "setting.ini changed: $(cat "$work/setting.ini")"
  echo "$program: relayed on the stored channel, SysEx whole; reset and status 0 on SIGTERM;" \
    "setting.ini as it was"
done
