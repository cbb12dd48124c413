#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing; quick when
# all are there (apt is only asked for what is missing).
#
# usage: scripts/install-packages.sh LABEL PACKAGE...
#   LABEL names the caller in the one line printed when something is installed.
set -euo pipefail
label=$1
shift
missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
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
