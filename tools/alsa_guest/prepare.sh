#!/usr/bin/env bash
# Prepares what run-in-guest.sh boots: Debian's current stock kernel,
# uncompressed for a direct (PVH) boot, and the base of the guest's
# initramfs (a static busybox and the kernel modules the guest loads, in load
# order). Done once per kernel package and kept in the cache folder; quick
# when done. Safe to run twice at once (a lock in the cache folder).
#
# usage: tools/alsa_guest/prepare.sh [CACHE-FOLDER]
#   CACHE-FOLDER  default $MOXEL_GUEST_CACHE, else ~/.cache/moxel/alsa-guest
# Prints the folder of the prepared kernel. Exit status 77 (skip) when QEMU
# is missing and cannot be installed, unless MOXEL_REQUIRE_GUEST is set.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" # depmod, modprobe
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${1:-${MOXEL_GUEST_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/moxel/alsa-guest}}

# The modules the guest loads, each with what it needs before it: the PCI
# transport, the host's file system over 9p, the overlay that keeps the
# guest's writes in memory, the sequencer with its "Midi Through" client and
# the virtual raw MIDI card whose ports are sequencer clients of their own.
wanted_modules=(virtio_pci 9pnet_virtio 9p overlay snd-seq-dummy snd-virmidi)
packages=(qemu-system-x86 busybox-static kmod xz-utils alsa-utils)

fail() {
  echo "alsa-guest prepare: $*" >&2
  exit 1
}

if ! "$root/scripts/install-packages.sh" alsa-guest "${packages[@]}"; then
  if ! command -v qemu-system-x86_64 >/dev/null && [[ -z "${MOXEL_REQUIRE_GUEST:-}" ]]; then
    echo "SKIP: QEMU is not installed and could not be installed (${packages[*]})"
    exit 77
  fi
  fail "could not install ${packages[*]}"
fi

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
# The kernel package that linux-image-amd64 points to now; its name carries
# the kernel's ABI number, which changes with kernel updates.
kernel_package() {
  apt-cache show --no-all-versions linux-image-amd64 2>/dev/null |
    sed -n 's/^Depends:.*\(linux-image-[0-9][^ ,]*\) (= \([^)]*\)).*/\1 \2/p' | head -n1
}
read -r package version < <(kernel_package || true) || true
if [[ -z "${package:-}" ]]; then
  "${sudo_cmd[@]}" apt-get update -qq
  read -r package version < <(kernel_package) || fail "apt knows no linux-image-amd64"
fi
release=${package#linux-image-}
# A new preparation whenever this script changes (its module list, say).
recipe=$(sha256sum "$0" | cut -c1-8)
name="${release}_${version}_${recipe}"
ready() { [[ -f "$cache/$name/ready" && "$(readlink "$cache/current" 2>/dev/null)" == "$name" ]]; }
if ready; then
  echo "$cache/$name"
  exit 0
fi

mkdir -p "$cache"
touch "$cache/in-use"
exec 9>"$cache/lock"
flock 9
if ready; then
  echo "$cache/$name"
  exit 0
fi
start=$SECONDS
echo "alsa-guest prepare: $package $version into $cache" >&2
work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
out="$work/out"
mkdir -p "$out"

download() { (cd "$work" && apt-get download -q "$package=$version" >"$work/download.log" 2>&1); }
if ! download; then
  # The lists may name a version the archive no longer has.
  "${sudo_cmd[@]}" apt-get update -qq
  read -r package version < <(kernel_package) || fail "apt knows no linux-image-amd64"
  download || fail "could not download $package $version: $(cat "$work/download.log")"
fi
dpkg-deb -x "$work"/linux-image-*.deb "$work/deb"
modules_dir="$work/deb/lib/modules/$release"
[[ -d "$modules_dir" ]] || fail "$package holds no lib/modules/$release"
depmod -b "$work/deb" "$release"

# The uncompressed kernel: the image's payload after its xz (or gzip)
# signature. Booting it directly saves decompressing it at every start.
image="$work/deb/boot/vmlinuz-$release"
for format in 'xz:\xfd7zXZ\x00' 'gzip:\x1f\x8b\x08'; do
  tool=${format%%:*}
  for offset in $(LC_ALL=C grep -obUaP "${format#*:}" "$image" | cut -d: -f1 | head -n5); do
    tail -c +$((offset + 1)) "$image" | "$tool" -dc 2>/dev/null >"$out/vmlinux" || true
    [[ "$(head -c4 "$out/vmlinux" | od -An -c | tr -d ' ')" == '177ELF' ]] && break 2
  done
done
[[ "$(head -c4 "$out/vmlinux" | od -An -c | tr -d ' ')" == '177ELF' ]] ||
  fail "found no compressed ELF kernel in $image"

# The initramfs's base: busybox with a link for each of its commands, and the
# modules (plain, whatever compression they ship with) in load order.
base="$work/base"
mkdir -p "$base/bin" "$base/lib/modules" "$base/dev" "$base/proc" "$base/sys"
cp /bin/busybox "$base/bin/busybox"
for applet in $(/bin/busybox --list); do
  [[ "$applet" == busybox ]] || ln -s busybox "$base/bin/$applet"
done
: >"$base/modules"
for module in "${wanted_modules[@]}"; do
  modprobe -C /dev/null -d "$work/deb" -S "$release" --show-depends "$module" ||
    fail "no module $module in $package"
done | while read -r kind path _; do
  [[ "$kind" == insmod ]] || continue # built into the kernel
  file=$(basename "$path")
  plain=${file%.xz}
  plain=${plain%.zst}
  plain=${plain%.gz}
  grep -qxF "$plain" "$base/modules" && continue
  case "$file" in
  *.xz) xz -dc "$path" >"$base/lib/modules/$plain" ;;
  *.zst) zstd -qdc "$path" >"$base/lib/modules/$plain" ;;
  *.gz) gzip -dc "$path" >"$base/lib/modules/$plain" ;;
  *) cp "$path" "$base/lib/modules/$plain" ;;
  esac
  echo "$plain" >>"$base/modules"
done
(cd "$base" && find . | LC_ALL=C sort | busybox cpio -o -H newc -R 0:0 2>/dev/null) >"$out/base.cpio"
echo "$release" >"$out/release"
cp "$base/modules" "$out/modules"
touch "$out/ready"

rm -rf "${cache:?}/$name"
mv "$out" "$cache/$name"
ln -sfn "$name" "$cache/current.new"
mv -T "$cache/current.new" "$cache/current"
# Earlier preparations go when no guest runs (each holds a shared lock on
# in-use); otherwise the next preparation removes them.
exec 7<"$cache/in-use"
if flock -n -x 7; then
  for old in "$cache"/*/ready; do
    old=$(dirname "$old")
    [[ -L "$old" || "$(basename "$old")" == "$name" ]] || rm -rf "$old"
  done
fi
exec 7<&-
echo "alsa-guest prepare: done in $((SECONDS - start)) s" >&2
echo "$cache/$name"
