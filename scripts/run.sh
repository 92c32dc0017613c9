#!/usr/bin/env bash
# Sets up what is missing, builds the program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BRINDLE_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DBRINDLE_TESTS=OFF >/dev/null
ninja -C build brindleftp-cli

build/bin/brindleftp-cli --help
