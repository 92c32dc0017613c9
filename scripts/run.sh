#!/usr/bin/env bash
# Sets up what is missing, builds the command-line program and shows it at work: pwd against a
# demo FTP server started on 127.0.0.1 (and stopped again), then its help.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BRINDLE_BUILD_PACKAGES[@]}"
source scripts/demo_server.sh

cmake -S . -B build -G Ninja -DBRINDLE_TESTS=OFF >/dev/null
ninja -C build brindleftp-cli

demo_server_start
command=(build/bin/brindleftp-cli --server "127.0.0.1:$DEMO_SERVER_PORT" --user test
         --password secret pwd)
echo "\$ ${command[*]}"
"${command[@]}"
demo_server_stop

echo
echo "\$ build/bin/brindleftp-cli --help"
build/bin/brindleftp-cli --help
