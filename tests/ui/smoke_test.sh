#!/usr/bin/env bash
# The desktop program on a real X server (Xvfb): started on a pyftpdlib demo site in private
# settings, it connects and quits with status 0 once its status bar reads "Connected to".
# Usage: smoke_test.sh BRINDLEFTP BRINDLEFTP_CLI
set -uo pipefail
program=$1
cli=$2
scripts="$(cd "$(dirname "$0")/../../scripts" && pwd)"
source "$scripts/demo_server.sh"
source "$scripts/demo_site.sh"
source "$(dirname "$0")/x_session.sh"

demo_server_start || exit 1
demo_settings_use "$DEMO_SERVER_DIR/settings"
export HOME="$DEMO_SERVER_DIR/settings/home"
mkdir -p "$HOME/local"
demo_site_save "$cli" "$DEMO_SERVER_PORT" "$HOME/local" || exit 1
demo_settings_set Settings/FirstRun 0 || exit 1

BRINDLE_QUIT_WHEN_CONNECTED=1 run_on_x_server "$DEMO_SERVER_DIR/output" "$program"
status=$?
log_lines=$(cat "$XDG_DATA_HOME/Velmor Software/BrindleFTP/Logs/"*.txt 2>/dev/null)
if [ "$status" -ne 0 ] || ! grep -q "Connected OK." <<<"$log_lines"; then
    echo "brindleftp ended with status $status; its output:"
    cat "$DEMO_SERVER_DIR/output"
    echo "its log:"
    echo "$log_lines"
    exit 1
fi
echo "brindleftp connected to 127.0.0.1:$DEMO_SERVER_PORT on a real X server and quit with 0"
