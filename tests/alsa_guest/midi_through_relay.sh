#!/usr/bin/env bash
# On the arm64 guest, with the ALSA utilities alone: Moxel (PROGRAM ARGS...)
# with stored devices relays from Midi Through Port-0 (aplaymidi plays into
# it) to Port-1 (aseqdump reads it) on the stored channel, notes and a SysEx
# whole, and on SIGTERM resets the output and ends with status 0.
set -euo pipefail
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { printf 'FAIL: %s\nwhat reached Port-1:\n%s\n' "$1" "$(cat "$work/dump")" >&2 && exit 1; }
# The window program alone takes some 15 s to come up there.
wait_for() {
  local what=$1 deadline=$((SECONDS + 120))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || fail "$what"
    sleep 0.1
  done
}
has() { grep -qE "$1" "$work/dump"; }

# A copy of the program in a folder of its own keeps its settings beside it.
cp "$1" "$work/moxel"
printf '%s\n' '[Moxel Settings.]' 'AlsaDefaultMidiIn=Midi Through:Midi Through Port-0' \
  'AlsaDefaultMidiOut=Midi Through:Midi Through Port-1' 'Midi Through:Midi Through Port-1=3' >"$work/setting.ini"
# A MIDI file on channel 1: a note, a SysEx of 300 bytes (301 after F0, 0x82
# 0x2D as a variable-length number) and a note left sounding.
mapfile -t sysex < <(for i in {0..299}; do echo $((i % 128)); done)
track=(0 0x90 60 100 0 0x80 60 64 0 0xF0 0x82 0x2D "${sysex[@]}" 0xF7 0 0x90 62 100 0 0xFF 0x2F 0)
file=(0x4D 0x54 0x68 0x64 0 0 0 6 0 0 0 1 0 96 0x4D 0x54 0x72 0x6B
  0 0 $((${#track[@]} >> 8)) $((${#track[@]} & 255)) "${track[@]}")
# shellcheck disable=SC2059 # the format is the file's bytes
printf "$(printf '\\x%02x' "${file[@]}")" >"$work/play.mid"

stdbuf -oL aseqdump -p 'Midi Through:1' >"$work/dump" &
"$work/moxel" "${@:2}" & moxel=$!
connected() {
  kill -0 "$moxel" || fail "Moxel ended before it connected its devices"
  aconnect -l | awk '/^client/ { inside = /'"'Moxel'"'/ } inside' >"$work/ports"
  grep -q 'Connected From: .*\b14:0\b' "$work/ports" && grep -q 'Connecting To: .*\b14:1\b' "$work/ports"
}
wait_for "Moxel did not connect Port-0 and Port-1" connected
aplaymidi -p 'Midi Through:0' "$work/play.mid"
wait_for "the notes did not come on the stored channel" has 'Note on +3, note 62, velocity 100'
has 'Note off +3, note 60, velocity 64' || fail "the first note did not come on the stored channel"
[[ "$(sed -n 's/.*System exclusive *//p' "$work/dump" | tr '\n' ' ' | tr -s ' ')" == \
  "$(printf '%02X ' 0xF0 "${sysex[@]}" 0xF7)" ]] || fail "the SysEx did not come whole"

kill -TERM "$moxel"
wait "$moxel" || fail "Moxel ended with status $? on SIGTERM"
reset() { # the note still sounding released, all notes and sound off everywhere
  has 'Note off +3, note 62' || return 1
  for channel in {0..15}; do
    { has "Control change +$channel, controller 123, value 0" &&
      has "Control change +$channel, controller 120, value 0"; } || return 1
  done
}
wait_for "SIGTERM's reset did not reach the output" reset
echo "relayed on the stored channel, SysEx whole; reset and status 0 on SIGTERM"
