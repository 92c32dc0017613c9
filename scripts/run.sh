#!/usr/bin/env bash
# Sets up what is missing, builds the command-line program and shows it at work against a demo
# FTP server started on 127.0.0.1 (and stopped again): pwd, the upload of a small folder, a
# listing and a synchronization; then its help.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BRINDLE_BUILD_PACKAGES[@]}"
source scripts/demo_server.sh

cmake -S . -B build -G Ninja -DBRINDLE_TESTS=OFF >/dev/null
ninja -C build brindleftp-cli

demo_server_start
connection=(--server "127.0.0.1:$DEMO_SERVER_PORT" --user test --password secret)
show() {
    echo "\$ brindleftp-cli $*"
    build/bin/brindleftp-cli "${connection[@]}" "$@"
}
mkdir -p "$DEMO_SERVER_DIR/local/site" "$DEMO_SERVER_DIR/mirror"
echo "<h1>Hello</h1>" > "$DEMO_SERVER_DIR/local/site/index.html"
echo "body { margin: 0 }" > "$DEMO_SERVER_DIR/local/site/style.css"
show pwd
show upload "$DEMO_SERVER_DIR/local/site"
show ls site
show --cd site --yes sync "$DEMO_SERVER_DIR/mirror"
echo "\$ ls $DEMO_SERVER_DIR/mirror"
ls "$DEMO_SERVER_DIR/mirror"
demo_server_stop

echo
echo "\$ build/bin/brindleftp-cli --help"
build/bin/brindleftp-cli --help
