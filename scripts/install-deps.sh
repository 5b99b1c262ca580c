#!/usr/bin/env bash
# Installs the Debian packages Scrivlet builds, tests and runs with. Idempotent:
# only missing packages are fetched. Needs root (or sudo) when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev
  python3-pyftpdlib
  microsocks dante-server
  curl time
  desktop-file-utils appstream
  libssl-dev openssl python3-openssl vsftpd
)
[ "$#" -gt 0 ] && packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Servers among the packages (vsftpd, dante-server) are for the tests, which
# start them with configs of their own: keep the package scripts from starting
# them as system services.
policy=/usr/sbin/policy-rc.d
added_policy=""
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  added_policy=1
fi
remove_policy() { [ -z "$added_policy" ] || $sudo rm -f "$policy"; }
trap remove_policy EXIT
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
