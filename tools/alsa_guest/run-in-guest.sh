#!/usr/bin/env bash
# Runs one command in a throw-away QEMU guest that has the real kernel's ALSA
# sequencer, for the tests of what talks to it: this machine has no sound
# support of its own.
#
#   tools/alsa_guest/run-in-guest.sh [OPTIONS] -- COMMAND [ARGUMENTS...]
#   e.g. tools/alsa_guest/run-in-guest.sh -- aconnect -l
#
# How it works: QEMU boots Debian's stock kernel (tools/alsa_guest/prepare.sh
# fetches and unpacks it once into the cache folder) with a busybox initramfs
# (tools/alsa_guest/init.sh is its first process). The guest loads the
# sequencer (snd-seq, whose snd-seq-dummy gives the client "Midi Through"
# with two ports, Midi Through Port-0 and Port-1) and a virtual raw MIDI card (snd-virmidi: the clients "Virtual Raw MIDI
# 0-0" to "0-3", whose raw devices hw:0,0 to hw:0,3 turn the bytes written to
# them into sequencer events and back). Its root is the host's own, read-only
# over 9p under an overlay that keeps every write in the guest's memory, so
# every host program, library and build is there at the same path and nothing
# the command writes reaches the host (except in folders given with --share).
#
# With --arch arm64 the guest is a 64-bit ARM machine (QEMU's "virt" board
# with a Cortex-A72) running Debian's arm64 kernel, for the programs of an
# arm64 build. That kernel has no virtual raw MIDI card: there clients
# (aplaymidi, aseqdump, a test's own) feed and read the sequencer through
# Midi Through's two ports. The host's programs
# are amd64, so on top of the host's root lies an arm64 userland of the
# guest's own (prepare.sh fetches it): bash, sh, coreutils, util-linux, the
# ALSA utilities and busybox for the other commands, with the host's arm64
# libraries (multiarch). A #!/bin/bash script that calls those by name runs
# there unchanged.
#
# In the guest the command runs
#   - in the caller's working directory, as the caller's user and group
#     (numbers; no supplementary groups), with SCHED_FIFO priorities up to 99
#     and unlimited locked memory allowed;
#   - with PATH, LANG, LANGUAGE, LC_*, USER, LOGNAME and every MOXEL_*, QT_*,
#     GTEST_* and ASAN/UBSAN/LSAN/TSAN_OPTIONS variable of the caller, those
#     named with --env, MOXEL_IN_GUEST=1, HOME=/run/guest-home (empty, 0700)
#     and XDG_RUNTIME_DIR=/run/user/UID (empty, 0700); no other variable;
#   - with /dev/snd/* open to everyone (mode 666), fresh memory file systems
#     on /run and /dev/shm, and /tmp the host's seen through the overlay;
#   - with no standard input; its standard output and error reach this
#     script's as they are written (the guest's output ports). The kernel's
#     and the guest's own messages go to standard error (errors only, unless
#     --verbose).
# Exit status: the command's; 124 when it did not end within --timeout; 125
# when the guest did not come up or stopped without the command's status; 77
# (skip) when QEMU is not installed, unless MOXEL_REQUIRE_GUEST is set (CI
# sets it). Each run has a folder of its own: runs may go in parallel.
#
# Options:
#   --arch amd64|arm64      the guest's processor (default amd64)
#   --timeout SECONDS       stop the guest after this long (default 300)
#   --boot-timeout SECONDS  give up when the guest is not up by then (default 60)
#   --env NAME[=VALUE]      pass NAME (the caller's value, or VALUE) too
#   --share FOLDER          FOLDER, at its own path, writable in the guest
#   --cpus N, --memory MB   the guest's processors (2) and memory (1024)
#   --cache FOLDER          the prepared kernel (default $MOXEL_GUEST_CACHE,
#                           else ~/.cache/moxel/alsa-guest)
#   --verbose               the kernel's and the guest's start-up messages too
#
# Time, without KVM (QEMU emulates the processor; KVM is used where /dev/kvm
# and the processor's virtualisation are there): one run, from start to the
# guest's power-off, takes about 4 s on an otherwise idle two-core machine
# (the command starts about 3 s in) and 5 s of processor time with 2 vCPUs,
# 4 s with --cpus 1; on a busy one it takes two or three times as long. The
# first run, or prepare.sh, takes 15-20 s more (the kernel package, 70 MB),
# plus the packages' installation on a new machine. The arm64 guest is
# always emulated (no KVM for it on a PC): a run of `true` takes 5-7 s of
# processor time; it powered off about 4.5 s after the kernel started (7-10 s
# from start to end) beside other builds on this two-core machine, and took
# 23-30 s on a machine twice as busy. Its first preparation fetches the
# kernel (60 MB) and the userland (7 MB). The window program takes some 15 s
# more to come up there. Nothing in the guest may walk the file system: the
# host's files are reached over 9p, where a look at one file is cheap but a
# walk of /usr takes about a minute.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() { sed -n '/^#   tools/,/^#   e.g./p;/^# Options:/,/^#   --verbose/p' "$0" | sed 's/^# \{0,1\}//'; }
fail() {
  echo "run-in-guest: $*" >&2
  exit 125
}

arch=amd64
timeout=300
boot_timeout=60
cpus=2
memory=1024
verbose=
cache=${MOXEL_GUEST_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/moxel/alsa-guest}
extra_env=()
shares=()
while (($#)); do
  case "$1" in
  --arch | --timeout | --boot-timeout | --env | --share | --cpus | --memory | --cache)
    (($# >= 2)) || { usage >&2; exit 2; }
    case "$1" in
    --arch) arch=$2 ;;
    --timeout) timeout=$2 ;;
    --boot-timeout) boot_timeout=$2 ;;
    --env) extra_env+=("$2") ;;
    --share)
      [[ -d "$2" ]] || fail "no folder $2"
      shares+=("$(realpath "$2")")
      ;;
    --cpus) cpus=$2 ;;
    --memory) memory=$2 ;;
    --cache) cache=$2 ;;
    esac
    shift 2
    ;;
  --verbose) verbose=1 && shift ;;
  -h | --help) usage && exit 0 ;;
  --) shift && break ;;
  *) usage >&2 && exit 2 ;;
  esac
done
(($#)) || { usage >&2; exit 2; }
[[ "$timeout$boot_timeout$cpus$memory" =~ ^[0-9]+$ ]] || { usage >&2; exit 2; }
((boot_timeout <= timeout)) || boot_timeout=$timeout
case "$arch" in
amd64)
  qemu_program="qemu-system-x86_64"
  installer=scripts/setup.sh
  guest=$cache
  ;;
arm64)
  qemu_program="qemu-system-aarch64"
  installer=scripts/build-arm64.sh
  guest=$cache/arm64
  ;;
*) usage >&2 && exit 2 ;;
esac

if ! command -v "$qemu_program" >/dev/null; then
  if [[ -z "${MOXEL_REQUIRE_GUEST:-}" ]]; then
    echo "SKIP: $qemu_program is not installed ($installer installs it)"
    exit 77
  fi
  fail "$qemu_program is not installed ($installer installs it)"
fi
if [[ ! -f "$guest/current/ready" || ! -f "$guest/in-use" ]]; then
  "$here/prepare.sh" --arch "$arch" "$cache" >/dev/null || {
    status=$?
    ((status == 77)) && exit 77
    fail "could not prepare the guest's kernel in $guest"
  }
fi
# While this guest runs, no preparation removes the kernel it started from.
exec 8<"$guest/in-use"
flock -s 8
kernel=$(realpath "$guest/current")

# Run folders of runs that were killed outright go first.
for stale in "${TMPDIR:-/tmp}"/moxel-guest.*/pid; do
  [[ -O "$stale" ]] && ! kill -0 "$(cat "$stale")" 2>/dev/null && rm -rf "$(dirname "$stale")"
done
run=$(mktemp -d "${TMPDIR:-/tmp}/moxel-guest.XXXXXX")
echo $$ >"$run/pid"
qemu_pid=
watch_pid=
# shellcheck disable=SC2317 # run by the trap
cleanup() {
  [[ -z "$watch_pid" ]] || kill "$watch_pid" 2>/dev/null || true
  [[ -z "$qemu_pid" ]] || kill -KILL "$qemu_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
mkdir "$run/share" "$run/init"

# What the guest's first process reads: the user, the shared folders, the
# command's output ports, whether the guest has a userland of its own, and
# the command as a bash script that sets its environment and working folder.
uid=$(id -u)
{
  echo "uid=$uid"
  echo "gid=$(id -g)"
  echo "shares=${#shares[@]}"
  if [[ "$arch" == amd64 ]]; then
    echo "out=/dev/ttyS0 err=/dev/ttyS1 userland="
  else
    echo "out=/dev/hvc0 err=/dev/ttyAMA0 userland=1"
  fi
} >"$run/share/config"
for i in "${!shares[@]}"; do
  echo "${shares[i]}" >"$run/share/share$i"
done
declare -A environment=(
  [HOME]=/run/guest-home [XDG_RUNTIME_DIR]=/run/user/$uid [MOXEL_IN_GUEST]=1
)
while read -r name; do
  environment[$name]=${!name}
done < <(compgen -e | grep -E '^(PATH|LANG|LANGUAGE|USER|LOGNAME|LC_[A-Z_]+|MOXEL_.*|QT_.*|GTEST_.*|(A|UB|L|T)SAN_OPTIONS)$' || true)
for entry in "${extra_env[@]}"; do
  if [[ "$entry" == *=* ]]; then
    environment[${entry%%=*}]=${entry#*=}
  elif [[ -v "$entry" ]]; then
    environment[$entry]=${!entry}
  fi
done
{
  for name in "${!environment[@]}"; do
    printf 'export %s=%q\n' "$name" "${environment[$name]}"
  done
  printf 'cd -- %q || exit 125\n' "$PWD"
  printf 'exec --'
  printf ' %q' "$@"
  printf '\n'
} >"$run/share/command"

# The initramfs: the prepared base, then the first process.
install -m 755 "$here/init.sh" "$run/init/init"
(cd "$run/init" && echo init | /bin/busybox cpio -o -H newc -R 0:0 2>/dev/null) |
  cat "$kernel/base.cpio" - >"$run/initrd"

# A guest that lives for one command needs neither the speculation
# mitigations nor the read-only kernel data (whose check alone takes half a
# second without KVM).
append="panic=-1 mitigations=off rodata=off"
if [[ "$arch" == arm64 ]]; then
  # The board's one serial port carries the kernel's messages and the
  # command's standard error, a virtio console its standard output. A kernel
  # at a random address would keep its page tables split from user space's,
  # which costs every system call a good deal under emulation.
  # shellcheck disable=SC2054 # QEMU's options hold commas
  machine=(qemu-system-aarch64 -machine virt -accel tcg -cpu cortex-a72
    -kernel "$kernel/Image" -serial chardev:err
    -device virtio-serial-pci -device virtconsole,chardev=out
    -fsdev "local,id=userland,path=${kernel//,/,,}/userland,security_model=none,readonly=on"
    -device virtio-9p-pci,fsdev=userland,mount_tag=userland)
  append+=" console=ttyAMA0 nokaslr"
else
  if [[ -r /dev/kvm && -w /dev/kvm ]] && grep -qwE 'vmx|svm' /proc/cpuinfo; then
    accel=(-accel kvm -cpu host)
  else
    accel=(-accel tcg -cpu max)
  fi
  machine=(qemu-system-x86_64 -machine pc "${accel[@]}" -kernel "$kernel/vmlinux"
    -serial chardev:out -serial chardev:err)
  # TSC is its clock (its vCPUs share QEMU's, so the clock's calibration and
  # watchdog go, and clock_gettime stays in user space); its delay loop is
  # given (host MHz / HZ 250) instead of measured on each CPU; PCI interrupts
  # are routed without ACPI's link objects.
  append+=" console=ttyS1 tsc=reliable no_timer_check pci=noacpi"
  mhz=$(awk -F': *' '/^cpu MHz/ {print int($2); exit}' /proc/cpuinfo)
  [[ -z "$mhz" ]] || append+=" lpj=$((mhz * 4000))"
fi
if [[ -n "$verbose" ]]; then
  append+=" loglevel=7 moxel_verbose=1"
else
  append+=" quiet loglevel=4"
fi
# shellcheck disable=SC2054 # QEMU's options hold commas
qemu=("${machine[@]}" -nodefaults -no-user-config -display none -no-reboot
  -smp "$cpus" -m "$memory" -initrd "$run/initrd" -append "$append"
  -chardev "file,id=out,path=${run//,/,,}/out"
  -chardev "file,id=err,path=${run//,/,,}/err"
  -fsdev local,id=host,path=/,security_model=none,readonly=on,multidevs=remap
  -device virtio-9p-pci,fsdev=host,mount_tag=host
  -fsdev "local,id=run,path=${run//,/,,}/share,security_model=none"
  -device virtio-9p-pci,fsdev=run,mount_tag=run)
for i in "${!shares[@]}"; do
  qemu+=(-fsdev "local,id=share$i,path=${shares[i]//,/,,},security_model=none"
    -device "virtio-9p-pci,fsdev=share$i,mount_tag=share$i")
done

# The output ports reach this script's own standard output and error
# (through pipes: QEMU opening them anew would write past the caller's later
# writes to the same file).
mkfifo "$run/out" "$run/err"
cat "$run/out" 8<&- &
out_pid=$!
cat "$run/err" >&2 8<&- &
err_pid=$!
# QEMU dies with this script, however it ends.
setpriv --pdeathsig KILL -- "${qemu[@]}" </dev/null 8<&- &
qemu_pid=$!
# The watchdog: holds none of the caller's pipes open, and its sleep ends
# with it.
(
  exec 8<&- >/dev/null 2>&1
  nap() {
    sleep "$1" &
    sleeper=$!
    wait "$sleeper"
  }
  trap 'kill "$sleeper"; exit' TERM
  nap "$boot_timeout"
  if [[ ! -e "$run/share/up" ]]; then
    echo boot >"$run/reason"
  else
    nap $((timeout - boot_timeout))
    echo timeout >"$run/reason"
  fi
  kill -KILL "$qemu_pid"
) &
watch_pid=$!
qemu_status=0
# (Quiet: a QEMU the watchdog killed is told of below.)
{ wait "$qemu_pid" || qemu_status=$?; } 2>/dev/null
qemu_pid=
wait "$out_pid" "$err_pid" || true

case "$(cat "$run/reason" 2>/dev/null)" in
boot) fail "the guest did not come up within $boot_timeout s (--verbose shows its messages)" ;;
timeout)
  echo "run-in-guest: the command did not end within $timeout s; the guest was stopped" >&2
  exit 124
  ;;
esac
[[ -s "$run/share/status" ]] ||
  fail "the guest stopped without the command's exit status (QEMU's status $qemu_status; --verbose shows the guest's messages)"
exit "$(cat "$run/share/status")"
