#!/usr/bin/env bash
# Installs what is missing, builds a Release build into build/ and makes the Debian packages
# build/solamine_<version>-1_<arch>.deb (the window) and build/solamine-cli_<version>-1_<arch>.deb
# (the station) from it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh dpkg-dev file
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSOLAMINE_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
cd build
cpack -G DEB
ls -1 "$PWD"/solamine_*.deb "$PWD"/solamine-cli_*.deb
