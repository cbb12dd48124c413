#!/usr/bin/env bash
# In the arm64 ALSA guest (tools/alsa_guest/run-in-guest.sh --arch arm64),
# with the ALSA utilities only: Moxel started with stored devices relays from
# Midi Through Port-0 to Midi Through Port-1 on the channel stored for that
# output, notes and a SysEx whole (aplaymidi plays into Port-0, aseqdump
# reads Port-1), and SIGTERM ends it with status 0 after the output's reset:
# the note still sounding released, all notes and all sound off on every
# channel.
#
# usage: midi_through_relay.sh PROGRAM [ARGUMENT...]
set -euo pipefail
export LC_ALL=C
program=${1:?usage: midi_through_relay.sh PROGRAM [ARGUMENT...]}
shift
work=$(mktemp -d)
dumper=
moxel=
finish() {
  [[ -z "$moxel" ]] || kill -KILL "$moxel" 2>/dev/null || true
  [[ -z "$dumper" ]] || kill "$dumper" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL: $*" >&2
  echo "what reached Midi Through Port-1:" >&2
  cat "$work/dump" >&2
  exit 1
}
# Waits up to 120 s for a command to succeed (the window program alone takes
# some 15 s to come up on the emulated machine).
wait_for() {
  local what=$1 deadline=$((SECONDS + 120))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || fail "$what"
    sleep 0.1
  done
}

# A copy of the program in a folder of its own keeps its settings beside it.
cp "$program" "$work/moxel"
printf '%s\n' '[Moxel Settings.]' 'AlsaDefaultMidiIn=Midi Through:Midi Through Port-0' \
  'AlsaDefaultMidiOut=Midi Through:Midi Through Port-1' 'Midi Through:Midi Through Port-1=3' \
  >"$work/setting.ini"

# A standard MIDI file on channel 1: a note, a SysEx of 300 bytes and a note
# left sounding, all at once.
sysex=()
for i in $(seq 0 299); do
  sysex+=($((i % 0x80)))
done
length=$((${#sysex[@]} + 1)) # the SysEx's bytes after F0, F7 included
track=(0 0x90 60 100 0 0x80 60 64
  0 0xF0 $((length >> 7 | 0x80)) $((length & 0x7F)) "${sysex[@]}" 0xF7
  0 0x90 62 100 0 0xFF 0x2F 0)
size=${#track[@]}
file=(0x4D 0x54 0x68 0x64 0 0 0 6 0 0 0 1 0 96
  0x4D 0x54 0x72 0x6B 0 0 $((size >> 8)) $((size & 0xFF)) "${track[@]}")
# shellcheck disable=SC2059 # the format is the bytes
printf "$(printf '\\x%02x' "${file[@]}")" >"$work/play.mid"

stdbuf -oL aseqdump -p 'Midi Through:1' >"$work/dump" &
dumper=$!
"$work/moxel" "$@" &
moxel=$!
# Moxel's ports, connected from Port-0 and to Port-1.
connected() {
  kill -0 "$moxel" 2>/dev/null || fail "Moxel ended before it connected its devices"
  aconnect -l | awk '/^client/ { inside = /'"'Moxel'"'/ } inside' >"$work/ports"
  grep -q 'Connected From: .*\b14:0\b' "$work/ports" && grep -q 'Connecting To: .*\b14:1\b' "$work/ports"
}
wait_for "Moxel did not connect Midi Through Port-0 and Port-1" connected
aplaymidi -p 'Midi Through:0' "$work/play.mid"

has() { grep -qE "$1" "$work/dump"; }
relayed() { has 'Note on +3, note 62, velocity 100'; }
wait_for "the notes did not come through on the stored channel" relayed
if ! has 'Note on +3, note 60, velocity 100' || ! has 'Note off +3, note 60'; then
  fail "the first note did not come through on the stored channel"
fi
expected=$(printf '%02X ' 0xF0 "${sysex[@]}" 0xF7)
got=$(sed -n 's/.*System exclusive *//p' "$work/dump" | tr '\n' ' ' | tr -s ' ')
[[ "$got" == "$expected" ]] || fail "the SysEx did not come through whole: $got"

kill -TERM "$moxel"
status=0
wait "$moxel" || status=$?
moxel=
((status == 0)) || fail "Moxel ended with status $status on SIGTERM"
reset() {
  has 'Note off +3, note 62' || return 1
  for channel in $(seq 0 15); do
    has "Control change +$channel, controller 123, value 0" &&
      has "Control change +$channel, controller 120, value 0" || return 1
  done
}
wait_for "SIGTERM's reset did not reach the output" reset
echo "relayed on the stored channel, SysEx whole, reset and status 0 on SIGTERM"
