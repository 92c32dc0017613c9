#!/usr/bin/env bash
# Sets up what is missing and builds the programs. On a desktop (an X11 or Wayland display), opens
# BrindleFTP connected to a demo FTP server started on 127.0.0.1, with a demo site in private
# settings, and stops the server when the window closes. Without a display, shows the
# command-line program at work against the demo server instead (pwd, the upload of a small
# folder, a listing and a synchronization), then its help and how to open the windows.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BRINDLE_BUILD_PACKAGES[@]}"
source scripts/demo_server.sh
source scripts/demo_site.sh

cmake -S . -B build -G Ninja -DBRINDLE_TESTS=OFF >/dev/null
ninja -C build brindleftp brindleftp-cli brindleftp-crash-question

# A small folder to show, uploaded to the server and kept locally.
make_demo_files() {
    mkdir -p "$DEMO_SERVER_DIR/local/site" "$DEMO_SERVER_DIR/mirror"
    echo "<h1>Hello</h1>" > "$DEMO_SERVER_DIR/local/site/index.html"
    echo "body { margin: 0 }" > "$DEMO_SERVER_DIR/local/site/style.css"
}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    demo_server_start
    make_demo_files
    demo_settings_use "$DEMO_SERVER_DIR/settings"
    demo_site_save build/bin/brindleftp-cli "$DEMO_SERVER_PORT" "$DEMO_SERVER_DIR/local"
    demo_settings_set Settings/FirstRun 0
    build/bin/brindleftp-cli --site Demo --quiet upload "$DEMO_SERVER_DIR/local/site"
    echo "BrindleFTP is open, connected to the demo site: user test on 127.0.0.1:$DEMO_SERVER_PORT."
    echo "Close its window to stop the demo server."
    build/bin/brindleftp
    exit 0
fi

demo_server_start
make_demo_files
connection=(--server "127.0.0.1:$DEMO_SERVER_PORT" --user test --password secret)
show() {
    echo "\$ brindleftp-cli $*"
    build/bin/brindleftp-cli "${connection[@]}" "$@"
}
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
echo
echo "No display here (DISPLAY and WAYLAND_DISPLAY are empty), so the windows stayed closed."
echo "Run this command again in a desktop session to open BrindleFTP on the demo server, or start"
echo "build/bin/brindleftp there with your own sites. To install it for the desktop menu:"
echo "    cmake --install build --prefix ~/.local"
