#!/usr/bin/env bash
# In the ALSA guest (tools/alsa_guest/run-in-guest.sh): the sequencer lists its
# clients; a note pair, a control change and a 1 KB SysEx written to one
# virtual raw MIDI port arrive byte for byte at another through a sequencer
# subscription; a process may run at SCHED_FIFO.
set -euo pipefail
export LC_ALL=C
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Polls a command until it succeeds, for at most $1 seconds.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@" 2>/dev/null; do
    ((SECONDS < end)) || return 1
    sleep 0.02
  done
}

clients=$(aconnect -l)
client() { sed -n "s/^client \([0-9]*\): '$1' .*/\1/p" <<<"$clients"; }
[[ -n "$(client 'Midi Through')" ]] || fail "no client Midi Through in: $clients"
from=$(client 'Virtual Raw MIDI 0-0')
to=$(client 'Virtual Raw MIDI 0-1')
[[ -n "$from" && -n "$to" ]] || fail "no clients Virtual Raw MIDI 0-0 and 0-1 in: $clients"

work=$(mktemp -d)
{
  printf '\x90\x3c\x64\x80\x3c\x40\xb0\x07\x64\xf0'
  head -c 1022 /dev/urandom | tr '\200-\377' '\000-\177'
  printf '\xf7'
} >"$work/sent"
aconnect "$from:0" "$to:0"
amidi -p hw:0,1 -r "$work/received" &
receiver=$!
# The receiving port hears the subscription only once it is open.
wait_for 10 grep -q 'Owner PID' /proc/asound/card0/midi1 || fail "amidi did not open hw:0,1"
amidi -p hw:0,0 -s "$work/sent"
sent_size=$(stat -c %s "$work/sent")
received_size() { (($(stat -c %s "$work/received") >= sent_size)); }
arrived=yes
wait_for 10 received_size || arrived=
kill "$receiver"
if [[ -z "$arrived" ]] || ! cmp "$work/sent" "$work/received"; then
  echo "sent:" && od -An -tx1 "$work/sent" | head -n3
  echo "received:" && od -An -tx1 "$work/received" | head -n3
  fail "the bytes through $from:0 -> $to:0 are not the bytes sent"
fi

policy=$(chrt -f 50 bash -c 'chrt -p $$')
[[ "$policy" == *"policy: SCHED_FIFO"* && "$policy" == *"priority: 50"* ]] ||
  fail "no SCHED_FIFO: $policy"
echo "clients listed, $sent_size bytes passed exactly, SCHED_FIFO granted"
