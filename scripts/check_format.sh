#!/usr/bin/env bash
# Fails, naming each one, when a C++ file under src, tests, fuzz or bench differs from what
# clang-format makes of it with the root .clang-format. Fix them with `clang-format -i FILE...`.
# The files are git's (tracked, and new ones not ignored); outside a git checkout, all of them.
set -uo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" >/dev/null; then
    echo "check_format: $clang_format is not installed" >&2
    exit 2
fi

folders=(src tests fuzz bench)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    listed=$(git ls-files --cached --others --exclude-standard -- \
        "${folders[@]/%//*.cpp}" "${folders[@]/%//*.h}")
else
    listed=$(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null)
fi
files=()
while IFS= read -r file; do
    # A tracked file deleted in the working tree is not there to check.
    [ -f "$file" ] && files+=("$file")
done < <(sort -u <<< "$listed")
if [ ${#files[@]} -eq 0 ]; then
    echo "check_format: no files found" >&2
    exit 2
fi

# One run for all files; each place that drifts is reported as "FILE:LINE:COLUMN: error: ...".
output=$("$clang_format" --dry-run --Werror "${files[@]}" 2>&1)
status=$?
if [ $status -ne 0 ]; then
    drifted=$(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
        <<< "$output" | sort -u)
    if [ -z "$drifted" ]; then
        echo "$output" >&2
        exit $status
    fi
    echo "These files are not formatted as .clang-format asks (clang-format -i FILE):"
    sed 's/^/  /' <<< "$drifted"
    exit 1
fi
echo "check_format: ${#files[@]} files formatted"
