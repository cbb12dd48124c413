#!/usr/bin/env bash
# In the ALSA guest (tools/alsa_guest/run-in-guest.sh): the sequencer lists its
# clients and a process may run at SCHED_FIFO. (Bytes through the virtual raw
# MIDI port and the sequencer: the program test on the ALSA sequencer.)
set -euo pipefail
export LC_ALL=C
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

clients=$(aconnect -l)
client() { sed -n "s/^client \([0-9]*\): '$1' .*/\1/p" <<<"$clients"; }
[[ -n "$(client 'Midi Through')" ]] || fail "no client Midi Through in: $clients"
from=$(client 'Virtual Raw MIDI 0-0')
to=$(client 'Virtual Raw MIDI 0-1')
[[ -n "$from" && -n "$to" ]] || fail "no clients Virtual Raw MIDI 0-0 and 0-1 in: $clients"

policy=$(chrt -f 50 bash -c 'chrt -p $$')
[[ "$policy" == *"policy: SCHED_FIFO"* && "$policy" == *"priority: 50"* ]] ||
  fail "no SCHED_FIFO: $policy"
echo "clients listed, SCHED_FIFO granted"
