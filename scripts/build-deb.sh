#!/usr/bin/env bash
# Builds the Debian package of Scrivlet: build/release/scrivlet_<version>_amd64.deb,
# installable with `apt-get install ./build/release/scrivlet_*.deb`. Its Depends
# are worked out by dpkg-shlibdeps from the libraries the programs link.
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-shlibdeps (dpkg-dev) and file(1) are what CPack asks for the Depends.
bash scripts/install-deps.sh dpkg-dev file

cmake --preset release
cmake --build --preset release -j"$(nproc)"
rm -f build/release/scrivlet_*.deb
(cd build/release && cpack -G DEB)
ls -l build/release/scrivlet_*.deb
