#!/bin/bash
# Captures the raw LIST replies of a real vsftpd and a real pyftpdlib, byte for byte (CR LF
# kept), for the listing parser's tests. Run as root (vsftpd needs it); nothing is installed.
#
# usage: capture_listings.sh OUTDIR
#   writes OUTDIR/vsftpd_list.txt, OUTDIR/vsftpd_list_recursive.txt (LIST -R: folder headers and
#   blank lines between the items) and OUTDIR/pyftpdlib_list.txt
#
# The listed folder holds the same items on both servers. Dates are set in UTC and both servers
# list in UTC. The recent and the future item are dated relative to today (RECENT_DAYS_AGO and
# FUTURE_DAYS_AHEAD), so the expected parse must pin "today" to the capture date.
set -euo pipefail

OUT=$(realpath "${1:?usage: capture_listings.sh OUTDIR}")
HERE=$(cd "$(dirname "$0")" && pwd)
RECENT_DAYS_AGO=${RECENT_DAYS_AGO:-16}
FUTURE_DAYS_AHEAD=${FUTURE_DAYS_AHEAD:-85}
export TZ=UTC

WORK=$(mktemp -d /tmp/brindle-listings.XXXXXX)
VSFTPD_PID=
PYFTPD_PID=
cleanup() {
    [ -n "$VSFTPD_PID" ] && kill "$VSFTPD_PID" 2>/dev/null || true
    [ -n "$PYFTPD_PID" ] && kill "$PYFTPD_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

free_port() {
    /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# The items, each with a known modification time (the recent, the future and the inner item
# relative to today).
fill_folder() {
    local dir=$1
    mkdir -p "$dir"
    cd "$dir"
    : > empty.txt
    head -c 1234 /dev/zero | tr '\0' 'x' > notes.txt
    truncate -s 5M five-mb.bin
    truncate -s 5G big.iso
    mkdir folder
    : > folder/inside.txt
    touch -d "$(date +%F) 00:00:00" folder/inside.txt  # today, for the year inference's edge
    : > "name with  two spaces.txt"
    : > "$(printf 'M\xe4rz-\xe9t\xe9.txt')"
    ln -s notes.txt link-to-notes
    touch -d "2008-03-03 10:20:30" old.txt
    touch -d "2008-03-03 00:00:00" empty.txt notes.txt five-mb.bin big.iso folder \
        "name with  two spaces.txt" "$(printf 'M\xe4rz-\xe9t\xe9.txt')"
    touch -h -d "2011-07-04 08:09:10" link-to-notes
    : > recent.txt
    touch -d "$(date -d "today - $RECENT_DAYS_AGO days" +%F) 14:35:00" recent.txt
    : > future.txt
    touch -d "$(date -d "today + $FUTURE_DAYS_AHEAD days" +%F) 09:15:00" future.txt
    cd - >/dev/null
}

capture() {  # PORT FOLDER OUTFILE COMMAND
    /usr/bin/python3 - "$@" <<'PY'
import ftplib, sys
port, folder, out, command = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
ftp = ftplib.FTP()
ftp.connect("127.0.0.1", port, timeout=10)
ftp.login("anonymous", "test@example.com")
ftp.cwd(folder)
ftp.voidcmd("TYPE A")
connection = ftp.transfercmd(command)
data = b""
while True:
    chunk = connection.recv(65536)
    if not chunk:
        break
    data += chunk
connection.close()
ftp.voidresp()
ftp.quit()
with open(out, "wb") as f:
    f.write(data)
PY
}

wait_for_port() {  # PORT
    for _ in $(seq 50); do
        if /usr/bin/python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),1)" \
            2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    echo "server on port $1 did not start" >&2
    return 1
}

# vsftpd, anonymous: the folder lives under the anonymous root.
VSFTPD_PORT=$(free_port)
sh "$HERE/gen_vsftpd_conf.sh" "$VSFTPD_PORT" "$WORK/vsftpd" anon none
fill_folder "$WORK/vsftpd/anonroot/listing"
vsftpd "$WORK/vsftpd/vsftpd.conf" &
VSFTPD_PID=$!
wait_for_port "$VSFTPD_PORT"
capture "$VSFTPD_PORT" listing "$OUT/vsftpd_list.txt" LIST
capture "$VSFTPD_PORT" listing "$OUT/vsftpd_list_recursive.txt" "LIST -R"

# pyftpdlib, anonymous (read-only) in its root.
fill_folder "$WORK/pyftpd/listing"
/usr/bin/python3 "$HERE/pyftpd_server.py" --root "$WORK/pyftpd" --anonymous \
    --port-file "$WORK/pyftpd.port" >/dev/null &
PYFTPD_PID=$!
for _ in $(seq 50); do
    [ -s "$WORK/pyftpd.port" ] && break
    sleep 0.1
done
capture "$(cat "$WORK/pyftpd.port")" listing "$OUT/pyftpdlib_list.txt" LIST

echo "captured on $(date -u +%F) (UTC) into $OUT" >&2
