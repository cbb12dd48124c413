#!/usr/bin/env bash
# Runs a command as a JACK client of a private, headless PipeWire: a session
# bus, PipeWire and WirePlumber of its own, with their own runtime,
# configuration and state folders, so a desktop's PipeWire and its settings
# are never touched. No sound hardware is needed: PipeWire's dummy driver node
# runs the graph's clock, and WirePlumber is told to leave devices alone.
# Everything started here is stopped when the command ends, however it ends.
#
# usage: tools/pipewire/private_pipewire.sh COMMAND [ARGUMENTS...]
#   e.g. tools/pipewire/private_pipewire.sh build/tools/moxel_relay_check build/moxel
# Exit status: the command's; 77 (skipped) when PipeWire is not installed.
set -euo pipefail

if ! command -v pipewire >/dev/null; then
  echo "SKIP: pipewire is not installed (scripts/setup.sh installs it)"
  exit 77
fi
for tool in wireplumber pw-jack pw-cli dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
command_pid=
cleanup() {
  [[ -z "$command_pid" ]] || kill -- -"$command_pid" 2>/dev/null || true
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [[ -n "${KEEP_WORK:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

fail() {
  echo "FAIL: $*" >&2
  tail -n 20 "$work"/*.log >&2 || true
  exit 1
}

# Polls a command until it succeeds, for at most $1 seconds.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

mkdir -m 700 "$work/run"
# WirePlumber leaves sound, video and Bluetooth devices alone: these files
# come after its defaults (50-) and before the monitors start (90-).
mkdir -p "$work/config/wireplumber/main.lua.d" "$work/config/wireplumber/bluetooth.lua.d" "$work/state"
printf '%s\n' 'alsa_monitor.enabled = false' 'v4l2_monitor.enabled = false' \
  'libcamera_monitor.enabled = false' >"$work/config/wireplumber/main.lua.d/60-private.lua"
echo 'bluez_monitor.enabled = false' >"$work/config/wireplumber/bluetooth.lua.d/60-private.lua"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
# Clients that have a runtime folder of their own (Moxel started by the check
# has) still find this PipeWire.
export PIPEWIRE_RUNTIME_DIR="$work/run"
unset PIPEWIRE_REMOTE

dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" >"$work/dbus.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$work/bus" || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"

pipewire >"$work/pipewire.log" 2>&1 &
pids+=($!)
wait_for 10 pw-cli info 0 || fail "PipeWire did not start"
wireplumber >"$work/wireplumber.log" 2>&1 &
pids+=($!)
wait_for 10 sh -c 'pw-cli ls Client | grep -q "application.name = \"WirePlumber\""' ||
  fail "WirePlumber did not connect"

# The command in a process group of its own, so that what it starts (the
# check's Moxel) is stopped with it.
setsid pw-jack "$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
exit "$status"
