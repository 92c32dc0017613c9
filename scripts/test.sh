#!/usr/bin/env bash
# Sets up what is missing, then builds and runs every test: the normal build, the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for a while.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BRINDLE_BUILD_PACKAGES[@]}" "${BRINDLE_TEST_PACKAGES[@]}" || exit 1

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
# The tests mostly wait on servers on 127.0.0.1, so more of them run at once than there are cores.
TEST_JOBS=$(($(nproc) * 4))
passed=0
failed=0
failures=()
failed_tests=()
failed_reruns=()

count_tests() {  # ctest log: adds its "N tests failed out of M" to the totals
    local summary
    summary=$(grep -E 'tests failed out of [0-9]+' "$1" | tail -1)
    [ -n "$summary" ] || return 0
    local bad total
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    total=$(echo "$summary" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/')
    failed=$((failed + bad))
    passed=$((passed + total - bad))
}

run_suite() {  # name, build folder, extra cmake arguments...
    local name=$1 dir=$2
    shift 2
    echo "=== $name build ==="
    if ! cmake -S . -B "$dir" -G Ninja -DBRINDLE_TESTS=ON "$@" >/dev/null ||
        ! ninja -C "$dir"; then
        failures+=("$name build")
        return
    fi
    echo "=== $name tests ==="
    ctest --test-dir "$dir" -j "$TEST_JOBS" --output-on-failure 2>&1 | tee "$dir/ctest.log"
    local status=${PIPESTATUS[0]}
    count_tests "$dir/ctest.log"
    if [ "$status" -ne 0 ]; then
        failures+=("$name tests")
        # The summary comes last so that a clipped log still names what failed.
        local failed_list="$dir/Testing/Temporary/LastTestsFailed.log"
        [ -f "$failed_list" ] && failed_tests+=("$name: $(tr '\n' ' ' < "$failed_list")")
        ctest --test-dir "$dir" --rerun-failed --output-on-failure > "$dir/rerun-failed.log" 2>&1
        failed_reruns+=("$dir/rerun-failed.log")
    fi
}

run_suite "normal" build
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    run_suite "sanitizer" build-asan -DBRINDLE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

echo "=== fuzz targets (${FUZZ_SECONDS} s each, side by side) ==="
if CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DBRINDLE_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && ninja -C build-fuzz; then
    declare -A fuzz_pids
    for fuzzer in build-fuzz/bin/*_fuzzer; do
        name=$(basename "$fuzzer")
        corpus=build-fuzz/corpus/$name
        mkdir -p "$corpus"
        seeds=()
        [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
        "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$corpus" "${seeds[@]}" \
            > "build-fuzz/$name.log" 2>&1 &
        fuzz_pids[$name]=$!
    done
    for name in "${!fuzz_pids[@]}"; do
        if wait "${fuzz_pids[$name]}"; then
            echo "$name: $(grep -E '^stat::number_of_executed_units' "build-fuzz/$name.log" |
                awk '{print $2}') runs, no crash"
        else
            tail -40 "build-fuzz/$name.log"
            failures+=("fuzz $name")
        fi
    done
else
    failures+=("fuzz build")
fi

# Tests are meant to stay near a quarter to a third of the code they check.
count_lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' -o -name '*.sh' \) \
    -exec cat {} + | wc -l; }
src_lines=$(count_lines src)
test_lines=$(count_lines tests fuzz)
data_lines=$(find tests/data -type f -exec cat {} + 2>/dev/null | wc -l)
echo "test code: $test_lines lines for $src_lines lines of src/ ($((test_lines * 100 / src_lines)) %, goal 25-35 %); test data: $data_lines lines"

if [ ${#failures[@]} -ne 0 ]; then
    for log in "${failed_reruns[@]}"; do echo "--- the failed tests run again, one at a time:"; tail -60 "$log"; done
    for line in "${failed_tests[@]}"; do echo "failed tests, $line"; done
    echo "FAILED: ${failures[*]}"
    echo "$passed passed, $failed failed"
    exit 1
fi
echo "All test suites passed."
echo "$passed passed, $failed failed"
