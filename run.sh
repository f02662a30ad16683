#!/usr/bin/env bash
# Installs what is missing, builds a Release build into build/ and starts the program.
# Usage: ./run.sh [--simulate]
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSOLAMINE_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
exec build/solamine "$@"
