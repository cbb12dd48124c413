#!/usr/bin/env bash
# In the ALSA guest (tools/alsa_guest/run-in-guest.sh): the sequencer lists its
# clients, among them "Midi Through", and the ports the tests play into and
# read from, and a process may run at SCHED_FIFO. (Bytes through those ports
# and the sequencer: the program tests on the ALSA sequencer.)
#
# usage: sequencer_smoke.sh PORT...   (the ports' names as aconnect -l shows them)
set -euo pipefail
export LC_ALL=C
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
(($#)) || fail "usage: sequencer_smoke.sh PORT..."

clients=$(aconnect -l)
grep -q "^client [0-9]*: 'Midi Through' " <<<"$clients" || fail "no client Midi Through in: $clients"
for port in "$@"; do
  grep -qE "^ +[0-9]+ '$port *'" <<<"$clients" || fail "no port $port in: $clients"
done

policy=$(chrt -f 50 bash -c 'chrt -p $$')
[[ "$policy" == *"policy: SCHED_FIFO"* && "$policy" == *"priority: 50"* ]] ||
  fail "no SCHED_FIFO: $policy"
echo "clients and ports listed, SCHED_FIFO granted"
