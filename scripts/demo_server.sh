# A throw-away FTP server on 127.0.0.1 for showing the program: user "test", password "secret",
# an empty home folder, a port the system picks. Needs python3-pyftpdlib.
# Usage: source scripts/demo_server.sh; demo_server_start
# demo_server_start sets DEMO_SERVER_PORT; the server is stopped and its folder removed when the
# shell exits (or by demo_server_stop).

DEMO_SERVER_SCRIPT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/servers/pyftpd_server.py"
DEMO_SERVER_PID=""
DEMO_SERVER_DIR=""
DEMO_SERVER_PORT=""

demo_server_stop() {
    if [ -n "$DEMO_SERVER_PID" ]; then
        kill "$DEMO_SERVER_PID" 2>/dev/null || true
        wait "$DEMO_SERVER_PID" 2>/dev/null || true
        DEMO_SERVER_PID=""
    fi
    if [ -n "$DEMO_SERVER_DIR" ]; then
        rm -rf "$DEMO_SERVER_DIR"
        DEMO_SERVER_DIR=""
    fi
    DEMO_SERVER_PORT=""
}

demo_server_start() {
    demo_server_stop
    DEMO_SERVER_DIR=$(mktemp -d "${TMPDIR:-/tmp}/brindle-demo.XXXXXX")
    trap demo_server_stop EXIT
    # Interrupted runs leave through the EXIT trap too.
    trap 'exit 130' INT
    trap 'exit 143' TERM
    mkdir "$DEMO_SERVER_DIR/root"
    /usr/bin/python3 "$DEMO_SERVER_SCRIPT" --root "$DEMO_SERVER_DIR/root" \
        --user test --password secret --port-file "$DEMO_SERVER_DIR/port" \
        >/dev/null 2>"$DEMO_SERVER_DIR/server.log" &
    DEMO_SERVER_PID=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        if [ -s "$DEMO_SERVER_DIR/port" ]; then
            DEMO_SERVER_PORT=$(<"$DEMO_SERVER_DIR/port")
            return 0
        fi
        if ! kill -0 "$DEMO_SERVER_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "The demo FTP server did not start:" >&2
    cat "$DEMO_SERVER_DIR/server.log" >&2
    demo_server_stop
    return 1
}
