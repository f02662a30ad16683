#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-test/, runs every test through CTest headless, then each fuzz target for a few
# seconds when clang is there.
# --tsan: builds the device, session, ui and cli tests (the station and its reader thread, in the
# tests and in solamine-cli run by them; the host-name lookup's thread with a DNS server that never
# answers) with ThreadSanitizer into build-tsan/ and runs those.
# --windows: cross-builds for Windows (scripts/windows.sh) and runs the tests under Wine.
# --arch arm64|armhf: cross-builds for a Raspberry Pi (scripts/cross.sh) and runs the tests
# under qemu-user.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--windows" ]; then
    exec scripts/windows.sh test
fi
if [ "${1:-}" = "--arch" ]; then
    exec scripts/cross.sh "${2:-}" test
fi
scripts/deps.sh --test
export QT_QPA_PLATFORM=offscreen

if [ "${1:-}" = "--tsan" ]; then
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DSOLAMINE_SANITIZE=thread >/dev/null
    cmake --build build-tsan --target tests_device tests_session tests_ui tests_cli --parallel 2
    # Qt is not instrumented; the file names the reports that only Qt's own ordering explains.
    # Children of QProcess (mount in the file tests) only exec, so forking with threads is fine.
    export TSAN_OPTIONS="suppressions=$PWD/tests/tsan-suppressions.txt die_after_fork=0"
    # GLib's slice allocator hands blocks between threads under locks TSan cannot see; plain
    # malloc it can.
    export G_SLICE=always-malloc
    cd build-tsan
    exec ctest --output-on-failure --timeout 600 -R '^(device|session|ui|cli|cli_silent_resolver)$'
fi

# The fuzz targets are built and run briefly over their seeds, so that they keep building and
# their properties keep holding; ./fuzz.sh SECONDS runs them longer. Run before CTest, so that
# CTest's summary is the last thing printed.
if command -v clang++ >/dev/null 2>&1; then
    ./fuzz.sh 5
fi

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DSOLAMINE_SANITIZE=ON >/dev/null
cmake --build build-test --parallel "$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd build-test
exec ctest --output-on-failure --timeout 300
