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
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_updated=""
apt_update() { [ -n "$apt_updated" ] || { $sudo apt-get update -qq; apt_updated=1; }; }

# proftpd with mod_tls for the FTPS tests. Debian's proftpd packages conflict
# with vsftpd, so they are not installed: they are unpacked, with the libraries
# proftpd links that are not installed, into one folder the tests look in
# (tests/support/proftpd_server.cpp) and run proftpd from with LD_LIBRARY_PATH.
# Done once: a complete tree is marked by the file "complete".
proftpd_tree=/var/cache/scrivlet-test-servers/proftpd
unpack_proftpd() {
  [ -e "$proftpd_tree/complete" ] && return 0
  echo "Unpacking proftpd with mod_tls into $proftpd_tree"
  apt_update
  local debs round=0 wanted=(proftpd-core proftpd-mod-crypto) seen=() deb dep
  debs="$(mktemp -d)"
  $sudo rm -rf "$proftpd_tree"
  $sudo mkdir -p "$proftpd_tree"
  while [ "${#wanted[@]}" -gt 0 ]; do
    round=$((round + 1))
    mkdir "$debs/$round"
    (cd "$debs/$round" && $sudo apt-get download -qq -o APT::Sandbox::User=root "${wanted[@]}")
    seen+=("${wanted[@]}")
    wanted=()
    # The libraries among these packages' dependencies that are not installed.
    for deb in "$debs/$round"/*.deb; do
      $sudo dpkg-deb -x "$deb" "$proftpd_tree"
      for dep in $(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{ print $1 }'); do
        case "$dep" in lib*) ;; *) continue ;; esac
        dpkg-query -W -f='${Status}' "$dep" 2>/dev/null | grep -q "install ok installed" && continue
        [[ " ${seen[*]} ${wanted[*]} " == *" $dep "* ]] || wanted+=("$dep")
      done
    done
  done
  rm -rf "$debs"
  if LD_LIBRARY_PATH="$proftpd_tree/usr/lib/$(gcc -print-multiarch)" ldd "$proftpd_tree/usr/sbin/proftpd" \
    "$proftpd_tree/usr/lib/proftpd/mod_tls.so" | grep "not found"; then
    echo "proftpd: libraries missing after unpacking" >&2
    exit 1
  fi
  $sudo touch "$proftpd_tree/complete"
}

if [ "${#missing[@]}" -eq 0 ]; then
  unpack_proftpd
  exit 0
fi

echo "Installing: ${missing[*]}"
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
apt_update
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
unpack_proftpd
