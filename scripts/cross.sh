#!/usr/bin/env bash
# Cross-builds solamine for a Raspberry Pi's Debian architecture, arm64 (64-bit) or armhf
# (32-bit), from Debian's multiarch packages into build-<arch>/, and makes the two Debian packages
# there. With `test` it then runs the tests under qemu-user (the window's on Qt's offscreen
# platform), compares `solamine-cli convert` and `summary` with this machine's build byte for
# byte, and lets the station log whole minutes from the virtual counter under emulation.
#
#   scripts/cross.sh arm64|armhf           tools, build and packages
#   scripts/cross.sh arm64|armhf test      the same, then the tests (./test.sh --arch ARCH)
#
# The first run adds the architecture to dpkg and installs its compiler and libraries (as root
# or through sudo). Environment: SOLAMINE_CROSS_JOBS sets the parallel jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=${1:-}
what=${2:-all}
case "$arch" in
    arm64) qemu=qemu-aarch64-static ;;
    armhf) qemu=qemu-arm-static ;;
    *) echo "usage: $0 arm64|armhf [all|test]" >&2; exit 2 ;;
esac
jobs=${SOLAMINE_CROSS_JOBS:-$(nproc)}
out=$root/build-$arch
# The target's libraries are installed where its loader looks, so / is the target's root.
emulate=("$qemu" -L /)
mkdir -p "$out"

# shellcheck source=scripts/steps.sh
. "$root/scripts/steps.sh"

# The target's libraries are Multi-Arch: same, so each must have the very version this machine
# has of it: apt resolves that against an up-to-date index of both architectures.
install_tools() {
    "$root/scripts/deps.sh"
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        as_root dpkg --add-architecture "$arch"
        as_root apt-get update -qq
    fi
    local target=()
    for p in qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libqcustomplot-dev libhidapi-dev \
             libudev-dev libmosquitto-dev; do
        target+=("$p:$arch")
    done
    # Tests: the broker and its certificates, the package check's tools, ip for the silent
    # resolver's namespace, clang's header that the fuzz targets read their input with.
    "$root/scripts/deps.sh" "crossbuild-essential-$arch" qemu-user-static "${target[@]}" \
        mosquitto openssl dpkg-dev file lintian systemd iproute2 libclang-rt-dev
}

build() {
    cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/debian-cross.cmake" -DSOLAMINE_DEB_ARCH="$arch" \
        -DSOLAMINE_TESTS=ON -DSOLAMINE_FUZZ_SEEDS=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
        >/dev/null
    # What the packages hold, the tests (the window's on Qt's offscreen platform) and the fuzz
    # targets; cpack then installs these without building the rest (the benchmarks).
    nice cmake --build "$out" --parallel "$jobs" --target solamine solamine-cli solamine_docs \
        tests_data tests_device tests_net tests_session tests_ui tests_cli solamine_fuzz
}

packages() {
    (cd "$out" && rm -f ./*.deb && DEB_HOST_ARCH=$arch cpack -G DEB >"$out/cpack.log")
    local deb
    for deb in "$out"/solamine_*.deb "$out"/solamine-cli_*.deb; do
        printf '%s, %s KiB\n  Depends: %s\n' "$(basename "$deb")" "$(du -k "$deb" | cut -f1)" \
            "$(dpkg-deb --field "$deb" Depends)"
    done
}

# This machine's solamine-cli, for the comparison.
host_cli() {
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DSOLAMINE_TESTS=OFF >/dev/null
    nice cmake --build "$root/build" --target solamine-cli --parallel "$jobs" >/dev/null
    echo "$root/build/solamine-cli"
}

# The same bytes from both builds: convert over the tests' logs, the fuzz seeds and two years of
# minutes, one past 2038, and the hourly summaries of those years in a zone with daylight saving.
same() {  # same NAME COMMAND...: runs COMMAND with this machine's and the target's solamine-cli
    local name=$1 dir=$out/compare
    shift
    "$host" "${@//@/$dir/$name.host}" >"$dir/$name.host.out" 2>&1 || echo "exit $?" >>"$dir/$name.host.out"
    "${emulate[@]}" "$out/solamine-cli" "${@//@/$dir/$name.$arch}" >"$dir/$name.$arch.out" 2>&1 ||
        echo "exit $?" >>"$dir/$name.$arch.out"
    compared=$((compared + 1))
    if ! cmp -s "$dir/$name.host.out" "$dir/$name.$arch.out" ||
       { [ -e "$dir/$name.host.csv" ] && ! cmp -s "$dir/$name.host.csv" "$dir/$name.$arch.csv"; }; then
        echo "FAIL $name: the two builds differ"
        failed=1
    fi
}
compare() {
    local dir=$out/compare host file failed=0 compared=0
    host=$(host_cli)
    rm -rf "$dir" && mkdir -p "$dir"
    "$root/scripts/year-of-minutes.sh" "$dir/year-2023.csv" 2023
    "$root/scripts/year-of-minutes.sh" "$dir/year-2040.csv" 2040
    for file in "$root"/tests/*/testdata/*.csv "$root"/tests/fuzz/corpus/csv/*.csv \
                "$dir"/year-*.csv; do
        same "convert-$(basename "$file" .csv)" convert "$file" @.csv
    done
    for file in "$dir"/year-*.csv; do
        TZ=Europe/Berlin same "summary-$(basename "$file" .csv)" summary --by hour --csv "$file"
    done
    echo "compared $compared runs: convert and summary give the same bytes on $arch and here" \
        "($(stat -c %s "$dir/convert-year-2040.$arch.csv") bytes for 2040)"
    return $failed
}

# The station under emulation, logging the virtual counter until its first whole minute is
# written, then stopped as systemd stops it.
station() {
    local dir=$out/station job status=0
    rm -rf "$dir" && mkdir -p "$dir"
    "${emulate[@]}" "$out/solamine-cli" log --simulate "$dir/station.csv" 2>"$dir/station.err" &
    job=$!
    # The first whole minute ends at most two minutes after the start.
    for _ in $(seq 180); do [ -s "$dir/station.csv" ] && break; sleep 1; done
    sleep 2
    kill -TERM "$job" 2>/dev/null || true
    wait "$job" || status=$?
    if [ "$status" != 0 ] || [ ! -s "$dir/station.csv" ]; then
        echo "FAIL station: exit $status, $(wc -l <"$dir/station.csv" 2>/dev/null || echo no) line(s)"
        cat "$dir/station.err"
        return 1
    fi
    if grep -Eqv '^[0-9]{2}/[0-9]{2}/[0-9]{2}, [0-9]{2}:[0-9]{2}, [0-9]+' "$dir/station.csv"; then
        echo "FAIL station: a line that is no whole minute"
        return 1
    fi
    echo "station: $(wc -l <"$dir/station.csv") whole minute(s) written, stopped cleanly:" \
        "$(head -1 "$dir/station.csv" | tr -d '\r')"
}

tests() {
    local failed=0
    # CTest runs each test program under the emulator that the toolchain names.
    (cd "$out" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 1800) || failed=1
    compare || failed=1
    station || failed=1
    return $failed
}

{
step "Tools for $arch"; timed "tools for $arch" install_tools
step "Build for $arch"; timed "build for $arch" build
step "Packages for $arch"; timed "packages for $arch" packages
if [ "$what" = test ]; then
    step "Tests for $arch under $qemu"; timed "tests for $arch" tests
fi
exit
}
