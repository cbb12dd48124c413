#!/usr/bin/env bash
# Prepares what run-in-guest.sh boots: Debian's current stock kernel for the
# guest's architecture, ready for a direct boot, and the base of the guest's
# initramfs (a static busybox and the kernel modules the guest loads, in load
# order, each with its options). For an arm64 guest also its own userland
# (see below). Done once per kernel package and kept in the cache folder;
# quick when done. Safe to run twice at once (a lock in the cache folder).
#
# usage: tools/alsa_guest/prepare.sh [--arch amd64|arm64] [CACHE-FOLDER]
#   --arch        the guest's architecture (default amd64, the host's)
#   CACHE-FOLDER  default $MOXEL_GUEST_CACHE, else ~/.cache/moxel/alsa-guest;
#                 an arm64 guest is kept in its folder arm64
# Prints the folder of the prepared kernel. Exit status 77 (skip) when QEMU
# is missing and cannot be installed, unless MOXEL_REQUIRE_GUEST is set.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" # depmod, modprobe
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
arch=amd64
if [[ "${1:-}" == --arch ]]; then
  arch=${2:?usage: tools/alsa_guest/prepare.sh [--arch amd64|arm64] [CACHE-FOLDER]}
  shift 2
fi
cache=${1:-${MOXEL_GUEST_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/moxel/alsa-guest}}

# The modules the guest loads, each with what it needs before it: the PCI
# transport, the host's file system over 9p, the overlay that keeps the
# guest's writes in memory, the sequencer with its "Midi Through" client of
# two ports and (amd64) the virtual raw MIDI card whose ports are sequencer
# clients of their own. Debian's arm64 kernel has no virtual raw MIDI card,
# and the command's output has a virtio console of its own there (the
# machine has one serial port).
case "$arch" in
amd64)
  wanted_modules=(virtio_pci 9pnet_virtio 9p overlay "snd-seq-dummy ports=2" snd-virmidi)
  packages=(qemu-system-x86 busybox-static kmod xz-utils alsa-utils)
  qemu="qemu-system-x86_64"
  qualifier=
  ;;
arm64)
  wanted_modules=(virtio_pci virtio_console 9pnet_virtio 9p overlay "snd-seq-dummy ports=2")
  packages=(qemu-system-arm qemu-user-static kmod xz-utils)
  qemu="qemu-system-aarch64"
  qualifier=:arm64
  cache=$cache/arm64
  ;;
*)
  echo "alsa-guest prepare: no guest for the architecture $arch (amd64, arm64)" >&2
  exit 2
  ;;
esac
# The arm64 guest's own programs: the host's are amd64. Its root is the
# host's with these on top; their libraries are the host's arm64 ones
# (multiarch), installed here where missing.
userland_packages=(busybox-static bash dash coreutils util-linux alsa-utils)

fail() {
  echo "alsa-guest prepare: $*" >&2
  exit 1
}

if ! "$root/scripts/install-packages.sh" alsa-guest "${packages[@]}"; then
  if ! command -v "$qemu" >/dev/null && [[ -z "${MOXEL_REQUIRE_GUEST:-}" ]]; then
    echo "SKIP: QEMU is not installed and could not be installed (${packages[*]})"
    exit 77
  fi
  fail "could not install ${packages[*]}"
fi

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
if [[ "$arch" != amd64 && "$(dpkg --print-foreign-architectures)" != *"$arch"* ]]; then
  "${sudo_cmd[@]}" dpkg --add-architecture "$arch"
  "${sudo_cmd[@]}" apt-get update -qq
fi
# The kernel package that linux-image-ARCH points to now; its name carries
# the kernel's ABI number, which changes with kernel updates.
kernel_package() {
  apt-cache show --no-all-versions "linux-image-$arch$qualifier" 2>/dev/null |
    sed -n 's/^Depends:.*\(linux-image-[0-9][^ ,]*\) (= \([^)]*\)).*/\1 \2/p' | head -n1
}
read -r package version < <(kernel_package || true) || true
if [[ -z "${package:-}" ]]; then
  "${sudo_cmd[@]}" apt-get update -qq
  read -r package version < <(kernel_package) || fail "apt knows no linux-image-$arch"
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

download() { (cd "$work" && apt-get download -q "$package$qualifier=$version" >"$work/download.log" 2>&1); }
if ! download; then
  # The lists may name a version the archive no longer has.
  "${sudo_cmd[@]}" apt-get update -qq
  read -r package version < <(kernel_package) || fail "apt knows no linux-image-$arch"
  download || fail "could not download $package $version: $(cat "$work/download.log")"
fi
dpkg-deb -x "$work"/linux-image-*.deb "$work/deb"
modules_dir="$work/deb/lib/modules/$release"
[[ -d "$modules_dir" ]] || fail "$package holds no lib/modules/$release"
depmod -b "$work/deb" "$release"

image="$work/deb/boot/vmlinuz-$release"
if [[ "$arch" == amd64 ]]; then
  # The uncompressed kernel: the image's payload after its xz (or gzip)
  # signature. Booting it directly saves decompressing it at every start.
  for format in 'xz:\xfd7zXZ\x00' 'gzip:\x1f\x8b\x08'; do
    tool=${format%%:*}
    for offset in $(LC_ALL=C grep -obUaP "${format#*:}" "$image" | cut -d: -f1 | head -n5); do
      tail -c +$((offset + 1)) "$image" | "$tool" -dc 2>/dev/null >"$out/vmlinux" || true
      [[ "$(head -c4 "$out/vmlinux" | od -An -c | tr -d ' ')" == '177ELF' ]] && break 2
    done
  done
  [[ "$(head -c4 "$out/vmlinux" | od -An -c | tr -d ' ')" == '177ELF' ]] ||
    fail "found no compressed ELF kernel in $image"
else
  # Debian's arm64 image is the kernel's own uncompressed Image (its magic
  # "ARM\x64" at 0x38), which QEMU boots as it is.
  [[ "$(tail -c +57 "$image" | head -c4 | od -An -tx1 | tr -d ' ')" == 41524d64 ]] ||
    fail "$image is no arm64 kernel Image"
  cp "$image" "$out/Image"
fi

# The arm64 userland: the packages' files with /bin, /sbin and /lib moved
# under /usr (the host's are links there, which a folder of the same name
# would hide), and a link to busybox for each of its commands that no
# package brings.
if [[ "$arch" == arm64 ]]; then
  mkdir "$work/debs"
  (cd "$work/debs" && apt-get download -q "${userland_packages[@]/%/:arm64}" >"$work/download.log" 2>&1) ||
    fail "could not download ${userland_packages[*]} for arm64: $(cat "$work/download.log")"
  userland="$out/userland"
  libraries=()
  for deb in "$work"/debs/*.deb; do
    dpkg-deb -x "$deb" "$userland"
    # The libraries among its dependencies (co-installable), first choices.
    for dependency in $({ dpkg-deb -f "$deb" Pre-Depends Depends | sed 's/^[A-Za-z-]*: //'; } |
      tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/:any//' | tr -d ' '); do
      if apt-cache show --no-all-versions "$dependency:arm64" 2>/dev/null | grep -q '^Multi-Arch: same'; then
        libraries+=("$dependency:arm64")
      fi
    done
  done
  "$root/scripts/install-packages.sh" alsa-guest "${libraries[@]}" ||
    fail "could not install the arm64 libraries ${libraries[*]}"
  for folder in bin sbin lib; do
    if [[ -d "$userland/$folder" && ! -L "$userland/$folder" ]]; then
      mkdir -p "$userland/usr/$folder"
      cp -a --remove-destination "$userland/$folder/." "$userland/usr/$folder/"
      rm -rf "${userland:?}/$folder"
    fi
  done
  busybox=("qemu-aarch64-static" "$userland/usr/bin/busybox")
  for applet in $("${busybox[@]}" --list-full); do
    applet=usr/${applet#usr/}
    mkdir -p "$(dirname "$userland/$applet")"
    [[ -e "$userland/$applet" || -L "$userland/$applet" ]] || ln -s /usr/bin/busybox "$userland/$applet"
  done
else
  busybox=(/bin/busybox)
fi

# The initramfs's base: busybox with a link for each of its commands, and the
# modules (plain, whatever compression they ship with) in load order.
base="$work/base"
mkdir -p "$base/bin" "$base/lib/modules" "$base/dev" "$base/proc" "$base/sys"
cp "${busybox[-1]}" "$base/bin/busybox"
for applet in $("${busybox[@]}" --list); do
  [[ "$applet" == busybox ]] || ln -s busybox "$base/bin/$applet"
done
: >"$base/modules"
for module in "${wanted_modules[@]}"; do
  # shellcheck disable=SC2086 # the module's name and options
  modprobe -C /dev/null -d "$work/deb" -S "$release" --show-depends $module ||
    fail "no module $module in $package"
done | while read -r kind path options; do
  [[ "$kind" == insmod ]] || continue # built into the kernel
  file=$(basename "$path")
  plain=${file%.xz}
  plain=${plain%.zst}
  plain=${plain%.gz}
  grep -q "^$plain\( \|$\)" "$base/modules" && continue
  case "$file" in
  *.xz) xz -dc "$path" >"$base/lib/modules/$plain" ;;
  *.zst) zstd -qdc "$path" >"$base/lib/modules/$plain" ;;
  *.gz) gzip -dc "$path" >"$base/lib/modules/$plain" ;;
  *) cp "$path" "$base/lib/modules/$plain" ;;
  esac
  echo "$plain${options:+ $options}" >>"$base/modules"
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
