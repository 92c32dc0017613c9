#!/usr/bin/env bash
# Proves the suite catches the planted faults of scripts/planted_faults.list: applies each in
# turn to src/ in a build folder of its own, builds the test programs the fault names, runs
# them with a short per-test time-out until the first failure, and restores the source.
# A fault whose text no longer stands in its file, or that does not compile, is reported as
# invalid, never as caught.
#
# Usage: scripts/planted_faults.sh [--build DIR] [--only NAME] [--jobs N] [--timeout SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.."

list=scripts/planted_faults.list
build=build-faults
only=""
jobs=4
timeout=45
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        --timeout) timeout=$2; shift 2 ;;
        *) echo "usage: $0 [--build DIR] [--only NAME] [--jobs N] [--timeout SECONDS]" >&2; exit 64 ;;
    esac
done

backup=$(mktemp)
applied=""
restore() {
    if [ -n "$applied" ]; then
        cp "$backup" "$applied"
        applied=""
    fi
}
trap 'restore; rm -f "$backup"' EXIT
trap 'exit 130' INT TERM

# Replaces the one place of `original` in `file`; exit 3 when it is not there exactly once.
apply_fault() {  # file original replacement
    python3 - "$@" <<'EOF'
import sys
path, original, replacement = (sys.argv[1], sys.argv[2].replace("<NL>", "\n"),
                               sys.argv[3].replace("<NL>", "\n"))
text = open(path, encoding="utf-8", errors="surrogateescape").read()
if text.count(original) != 1:
    sys.exit(3)
with open(path, "w", encoding="utf-8", errors="surrogateescape") as out:
    out.write(text.replace(original, replacement))
EOF
}

labels_of() {  # programs -> ctest label expression
    local expression
    expression=$(echo "$1" | tr ' ' '|')
    echo "^($expression)\$"
}

targets_of() {  # programs -> ninja targets
    local program targets=()
    for program in $1; do targets+=("${program}_tests"); done
    echo "${targets[@]} brindleftp-cli"
}

cmake -S . -B "$build" -G Ninja -DBRINDLE_BENCH=OFF -DBRINDLE_TEST_TIMEOUT="$timeout" >/dev/null ||
    exit 1
echo "=== the suite without faults ==="
if ! ninja -C "$build" >"$build/baseline-build.log" 2>&1; then
    tail -30 "$build/baseline-build.log"
    echo "the unchanged source does not build" >&2
    exit 1
fi
if ! ctest --test-dir "$build" -j "$jobs" >"$build/baseline-tests.log" 2>&1; then
    tail -30 "$build/baseline-tests.log"
    echo "the unchanged suite fails; a fault could not be told from it" >&2
    exit 1
fi

caught=0
missed=0
invalid=0
printf '%-32s %-8s %s\n' "fault" "result" "first failing test"
while IFS=$'\t' read -r name programs file original replacement _; do
    case $name in '#'*|'') continue ;; esac
    [ -n "$only" ] && [ "$name" != "$only" ] && continue
    cp "$file" "$backup"
    if ! apply_fault "$file" "$original" "$replacement"; then
        printf '%-32s %-8s %s\n' "$name" "invalid" "the original text is not in $file"
        invalid=$((invalid + 1))
        continue
    fi
    applied=$file
    # shellcheck disable=SC2046
    if ! ninja -C "$build" $(targets_of "$programs") >"$build/fault-build.log" 2>&1; then
        printf '%-32s %-8s %s\n' "$name" "invalid" "does not compile"
        invalid=$((invalid + 1))
    elif ctest --test-dir "$build" -L "$(labels_of "$programs")" -j "$jobs" --stop-on-failure \
            >"$build/fault-tests.log" 2>&1; then
        printf '%-32s %-8s %s\n' "$name" "MISSED" "-"
        missed=$((missed + 1))
    else
        first=$(head -1 "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | cut -d: -f2)
        printf '%-32s %-8s %s\n' "$name" "caught" "${first:-?}"
        caught=$((caught + 1))
    fi
    restore
done <"$list"
echo "caught $caught, missed $missed, invalid $invalid"
