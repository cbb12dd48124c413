#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing; quick when
# all are there (apt is only asked for what is missing).
#
# usage: scripts/install-packages.sh LABEL PACKAGE...
#   LABEL names the caller in the one line printed when something is installed.
set -euo pipefail
label=$1
shift
# A name without an architecture is this machine's package (or one for
# all); with other architectures added (scripts/build-arm64.sh) dpkg may
# also know the same name for another.
native=$(dpkg --print-architecture)
installed() {
  local name=${1%%:*} architecture=$native
  [[ "$1" != *:* ]] || architecture=${1#*:}
  dpkg-query -W -f='${Architecture} ${Status}\n' "$name" 2>/dev/null |
    grep -qxE "($architecture|all) install ok installed"
}
missing=()
for package in "$@"; do
  installed "$package" || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "$label: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
# jackd2 asks about real-time priority unless told not to ask.
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
