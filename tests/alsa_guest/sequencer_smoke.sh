#!/usr/bin/env bash
# In the ALSA guest (tools/alsa_guest/run-in-guest.sh): the sequencer lists
# the ports the tests use (PORT... as aconnect -l names them), and a process
# may run at SCHED_FIFO.
set -euo pipefail
export LC_ALL=C
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
(($#)) || fail "usage: sequencer_smoke.sh PORT..."
clients=$(aconnect -l)
for port in "$@"; do
  grep -qE "^ +[0-9]+ '$port *'" <<<"$clients" || fail "no port $port in: $clients"
done

policy=$(chrt -f 50 bash -c 'chrt -p $$')
[[ "$policy" == *"policy: SCHED_FIFO"* && "$policy" == *"priority: 50"* ]] ||
  fail "no SCHED_FIFO: $policy"
echo "ports listed, SCHED_FIFO granted"
