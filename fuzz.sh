#!/usr/bin/env bash
# Installs clang when missing, builds the fuzz targets (tests/fuzz) into build-fuzz/ and runs each
# for SECONDS (default 60), one after another. Prints per target the runs done and the result;
# exits non-zero on any finding, leaving the input that caused it in build-fuzz/findings/TARGET/.
# The corpus grown by earlier runs (build-fuzz/corpus/) is reused. ./test.sh runs it for 5 seconds.
set -euo pipefail
cd "$(dirname "$0")"
seconds=${1:-60}
scripts/deps.sh clang libclang-rt-dev

# Debug keeps Qt's own bounds assertions in its inline code; -O1 keeps the runs quick.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DSOLAMINE_FUZZ=ON -DSOLAMINE_TESTS=OFF >/dev/null
cmake --build build-fuzz --target solamine_fuzz --parallel 2

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1
# Each target and its seeds in the repository; the CSV target also starts from the test logs.
targets=(
    "csv tests/fuzz/corpus/csv tests/data/testdata tests/cli/testdata"
    "dates_numbers tests/fuzz/corpus/dates_numbers"
    "ini tests/fuzz/corpus/ini"
    "device tests/fuzz/corpus/device"
)
failed=0
for entry in "${targets[@]}"; do
    read -r name seeds <<<"$entry"
    target=fuzz_$name
    corpus=build-fuzz/corpus/$target
    findings=build-fuzz/findings/$target
    log=build-fuzz/$target.log
    mkdir -p "$corpus" "$findings"
    status=0
    # shellcheck disable=SC2086 # the seed directories are separate arguments
    build-fuzz/tests/fuzz/$target -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" $seeds >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "$target: ${runs:-?} runs, no finding"
    else
        failed=1
        input=$(ls -t "$findings" 2>/dev/null | head -n 1)
        echo "$target: ${runs:-?} runs, FINDING: $findings/${input:-?} (log: $log)"
        grep -m 3 -E "property broken|ERROR: |runtime error" "$log" | sed 's/^/    /' || true
    fi
done
exit "$failed"
