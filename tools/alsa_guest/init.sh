#!/bin/sh
# The guest's first process (busybox sh, from the initramfs that
# run-in-guest.sh boots). It loads the modules, builds the guest's root from
# the host's (read-only over 9p, under an overlay whose writes stay in
# memory; on an arm64 guest with the arm64 userland on top), runs the command
# that run-in-guest.sh left in the run folder (its own 9p share, tag "run")
# as the caller's user, writes its exit status there and powers the guest
# off. Its own messages go to the console, the host's
# standard error; the command's output goes to the two ports (serial or
# virtio consoles) the host reads as its standard output and standard error.
# shellcheck disable=SC2154 # uid, gid, shares, out, err, userland: from the run folder's config
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
exec </dev/null

say() { [ -z "$moxel_verbose" ] || echo "guest: $(cut -d' ' -f1 /proc/uptime) s: $*" >&2; }
die() {
  echo "guest: $*" >&2
  poweroff -f
}

say "init started"

# Nothing is loaded on demand: every module the guest needs is loaded here.
echo >/proc/sys/kernel/modprobe
while read -r module options; do
  # shellcheck disable=SC2086 # the module's options, each a word
  insmod "/lib/modules/$module" $options || die "could not load $module"
  say "$module"
done </modules
say "modules loaded"

mkdir -p /share /lower /mem /root
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=none run /share ||
  die "could not mount the run folder"
# uid, gid, shares (the number of folders shared writable), out and err (the
# command's output ports) and userland (1: a userland of the guest's own).
# shellcheck disable=SC1091
. /share/config
# A virtio console's port comes a moment after its driver.
for port in "$out" "$err"; do
  waited=0
  while [ ! -e "$port" ]; do
    [ "$waited" -lt 500 ] || die "no port $port"
    sleep 0.01
    waited=$((waited + 1))
  done
done
# The command's output passes as it is (no carriage returns added).
stty -F "$out" raw -echo
stty -F "$err" raw -echo
# The host's root, as it is, never written: the guest's writes go to memory.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,ro,cache=loose host /lower ||
  die "could not mount the host's root"
lower=/lower
if [ -n "$userland" ]; then
  mkdir -p /userland
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,ro,cache=loose userland /userland ||
    die "could not mount the guest's userland"
  lower=/userland:/lower
fi
mount -t tmpfs -o mode=755 tmpfs /mem
mkdir /mem/upper /mem/work
mount -t overlay -o "lowerdir=$lower,upperdir=/mem/upper,workdir=/mem/work" overlay /root ||
  die "could not put the overlay over the host's root"
mount -t proc proc /root/proc
mount -t sysfs sysfs /root/sys
mount -t devtmpfs devtmpfs /root/dev
# What a system's /dev has besides the devices (bash's <(...) needs /dev/fd).
ln -s /proc/self/fd /root/dev/fd
ln -s fd/0 /root/dev/stdin
ln -s fd/1 /root/dev/stdout
ln -s fd/2 /root/dev/stderr
mkdir -p /root/dev/pts /root/dev/shm
mount -t devpts -o newinstance,ptmxmode=666 devpts /root/dev/pts
mount -t tmpfs -o mode=1777 tmpfs /root/dev/shm
mount -t tmpfs -o mode=755 tmpfs /root/run
chmod 666 /dev/snd/*
hostname moxel-guest
ip link set lo up
mkdir -p /root/run/guest
mount --move /share /root/run/guest
# Folders the caller shares writable, each at its own path.
i=0
while [ "$i" -lt "$shares" ]; do
  read -r path <"/root/run/guest/share$i"
  mkdir -p "/root$path"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=none "share$i" "/root$path" ||
    die "could not mount the shared folder $path"
  i=$((i + 1))
done
for dir in "/root/run/user/$uid" /root/run/guest-home; do
  mkdir -p "$dir"
  chown "$uid:$gid" "$dir"
  chmod 700 "$dir"
done
say "root ready"
: >/root/run/guest/up

# The command, as the caller's user, with real-time priority and locked
# memory allowed; then whatever it left running is stopped and the serial
# ports are drained before the status is written.
drop=
[ "$uid" = 0 ] || drop="/usr/bin/setpriv --reuid=$uid --regid=$gid --clear-groups --"
# shellcheck disable=SC2086 # $drop is a command's words
chroot /root /usr/bin/prlimit --rtprio=99 --memlock=unlimited -- $drop \
  /usr/bin/env -i /bin/bash /run/guest/command >"$out" 2>"$err"
status=$?
kill -9 -1 2>/dev/null
stty -F "$out" raw # waits until what was written has left
stty -F "$err" raw
echo "$status" >/root/run/guest/status
say "command exited with status $status"
[ -n "$moxel_verbose" ] || echo 0 >/proc/sys/kernel/printk
poweroff -f
