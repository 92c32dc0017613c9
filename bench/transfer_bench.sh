#!/bin/sh
# Transfers and listings of brindleftp-cli side by side with curl, on servers on 127.0.0.1:
#   - download and upload of one SIZE_MB file with vsftpd, plain and TLS (MB/s and the ratio
#     brindleftp-cli / curl: 1.0 or more means at least as fast as curl);
#   - listing a folder of LIST_COUNT files, MLSD from pyftpdlib and LIST from vsftpd, plain and
#     TLS (seconds and the ratio brindleftp-cli / curl: 1.2 or less is within 1.2 times).
# Each figure is the best of REPEAT runs. Run as root (vsftpd insists), by hand:
#   sudo bench/transfer_bench.sh
#   SIZE_MB=64 LIST_COUNT=2000 REPEAT=1 bench/transfer_bench.sh    # a quick check
# Settings (environment): CLI (default build/bin/brindleftp-cli), SIZE_MB (1024),
# LIST_COUNT (100000), REPEAT (3), TIMEOUT seconds per run (600), BENCH_DIR (a new folder
# under /var/tmp; it needs room for two copies of the file).
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${CLI:-$ROOT/build/bin/brindleftp-cli}
SIZE_MB=${SIZE_MB:-1024}
LIST_COUNT=${LIST_COUNT:-100000}
REPEAT=${REPEAT:-3}
TIMEOUT=${TIMEOUT:-600}
PYTHON=/usr/bin/python3  # Debian's, which has pyftpdlib

die() { echo "transfer_bench: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "run as root: vsftpd will not start otherwise"
[ -x "$CLI" ] || die "no $CLI (build it first, or set CLI)"
for tool in curl vsftpd openssl "$PYTHON"; do
    command -v "$tool" >/dev/null || die "$tool is missing"
done

W=${BENCH_DIR:-$(mktemp -d /var/tmp/brindle-bench.XXXXXX)}
mkdir -p "$W" || die "cannot make $W"
VSFTPD_PID=
PYFTPD_PID=
cleanup() {
    [ -n "$VSFTPD_PID" ] && kill "$VSFTPD_PID" 2>/dev/null
    [ -n "$PYFTPD_PID" ] && kill "$PYFTPD_PID" 2>/dev/null
    wait 2>/dev/null
    [ -z "${BENCH_DIR:-}" ] && rm -rf "$W"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

free_port() {
    "$PYTHON" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

now() { date +%s.%N; }
# Seconds between two now() values.
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
# The smaller of two numbers ("" counts as none).
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "") print b; else if (b == "" || a <= b) print a; else print b }'; }

# --- servers: one vsftpd (anonymous, TLS offered but not required) and one pyftpdlib, both
# --- serving the same folder, so plain and TLS clients share them ---
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=127.0.0.1" \
    -addext "subjectAltName=IP:127.0.0.1" -keyout "$W/key.pem" -out "$W/cert.pem" \
    >/dev/null 2>&1 || die "openssl could not make a certificate"
VSFTPD_PORT=$(free_port)
sh "$ROOT/tests/servers/gen_vsftpd_conf.sh" "$VSFTPD_PORT" "$W" anon tls ||
    die "cannot write the vsftpd configuration"
# Transfers of this size outlast the generated idle limits.
sed -i 's/^data_connection_timeout=.*/data_connection_timeout=3600/' "$W/vsftpd.conf"
ANON=$W/anonroot
BYTES=$((SIZE_MB * 1024 * 1024))
truncate -s "$BYTES" "$ANON/big.bin" || die "cannot make the $SIZE_MB MiB file"
chmod 644 "$ANON/big.bin"  # vsftpd serves anonymous users only world-readable files
cp --sparse=always "$ANON/big.bin" "$W/upload.bin"

echo "making $LIST_COUNT files to list..."
mkdir -p "$ANON/list" && chmod 755 "$ANON/list"
"$PYTHON" - "$ANON/list" "$LIST_COUNT" <<'EOF' || die "cannot make the files to list"
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    path = os.path.join(folder, "file-%06d.txt" % i)
    with open(path, "wb") as f:
        f.write(b"x" * (i % 1000))
    os.chmod(path, 0o644)
EOF

vsftpd "$W/vsftpd.conf" >"$W/vsftpd.out" 2>&1 &
VSFTPD_PID=$!
"$PYTHON" "$ROOT/tests/servers/pyftpd_server.py" --root "$ANON" --tls --cert "$W/cert.pem" \
    --key "$W/key.pem" --port-file "$W/pyftpd.port" >"$W/pyftpd.out" 2>&1 &
PYFTPD_PID=$!
for _ in $(seq 100); do
    [ -s "$W/pyftpd.port" ] && curl -s -m 2 "ftp://127.0.0.1:$VSFTPD_PORT/" >/dev/null && break
    sleep 0.1
done
[ -s "$W/pyftpd.port" ] || die "pyftpdlib did not start: $(cat "$W/pyftpd.out")"
PYFTPD_PORT=$(cat "$W/pyftpd.port")

# --- one timed run: prints the seconds, or nothing when the run failed ---
# timed CHECK-FILE EXPECTED-BYTES-OR-LINES KIND COMMAND...
timed() {
    check=$1 expected=$2 kind=$3
    shift 3
    start=$(now)
    "$@" >"$W/run.out" 2>"$W/run.err"
    status=$?
    end=$(now)
    if [ "$kind" = bytes ]; then
        got=$(stat -c %s "$check" 2>/dev/null || echo 0)
    else
        got=$(grep -c "file-" "$check" 2>/dev/null)
    fi
    [ -n "$got" ] || got=0
    if [ "$status" -ne 0 ] || [ "$got" -ne "$expected" ]; then
        echo "  run failed (status $status, $got of $expected $kind): $* $(head -c 300 "$W/run.err")" >&2
        return
    fi
    elapsed "$start" "$end"
}

# best_of COMMANDS-AS-A-FUNCTION: the best time of REPEAT runs of the function.
best_of() {
    best=
    for _ in $(seq "$REPEAT"); do
        t=$("$@")
        [ -n "$t" ] && best=$(smaller "$best" "$t")
    done
    echo "$best"
}

VS=127.0.0.1:$VSFTPD_PORT
PY=127.0.0.1:$PYFTPD_PORT
TLS_CLI=
TLS_CURL=
set_tls() {
    if [ "$1" = TLS ]; then TLS_CLI=--tls; TLS_CURL="--ssl-reqd -k"; else TLS_CLI=; TLS_CURL=; fi
}

cli_down() {
    rm -f "$W/down.cli"
    timed "$W/down.cli" "$BYTES" bytes "$CLI" --quiet --server "$VS" --password "" $TLS_CLI \
        get big.bin "$W/down.cli"
}
curl_down() {
    rm -f "$W/down.curl"
    timed "$W/down.curl" "$BYTES" bytes curl -sS -m "$TIMEOUT" $TLS_CURL \
        -o "$W/down.curl" "ftp://$VS/big.bin"
}
cli_up() {
    rm -f "$ANON/pub/up.cli"
    timed "$ANON/pub/up.cli" "$BYTES" bytes "$CLI" --quiet --server "$VS" --password "" \
        $TLS_CLI --cd pub put "$W/upload.bin" up.cli
}
curl_up() {
    rm -f "$ANON/pub/up.curl"
    timed "$ANON/pub/up.curl" "$BYTES" bytes curl -sS -m "$TIMEOUT" $TLS_CURL \
        -T "$W/upload.bin" "ftp://$VS/pub/up.curl"
}
cli_list_vsftpd() {
    timed "$W/run.out" "$LIST_COUNT" lines "$CLI" --quiet --server "$VS" --password "" \
        $TLS_CLI ls list
}
curl_list_vsftpd() {
    timed "$W/run.out" "$LIST_COUNT" lines curl -sS -m "$TIMEOUT" $TLS_CURL "ftp://$VS/list/"
}
cli_list_pyftpd() {
    timed "$W/run.out" "$LIST_COUNT" lines "$CLI" --quiet --server "$PY" --user test \
        --password secret $TLS_CLI ls list
}
curl_list_pyftpd() {
    timed "$W/run.out" "$LIST_COUNT" lines curl -sS -m "$TIMEOUT" $TLS_CURL -u test:secret \
        -X MLSD "ftp://$PY/list/"
}

# row LABEL CLI-SECONDS CURL-SECONDS: transfer speeds and their ratio.
speed_row() {
    awk -v label="$1" -v a="$2" -v b="$3" -v bytes="$BYTES" 'BEGIN {
        if (a == "" || b == "") { printf "%-26s %12s %12s %8s\n", label, a == "" ? "failed" : bytes / a / 1e6, b == "" ? "failed" : bytes / b / 1e6, "-"; exit }
        printf "%-26s %12.1f %12.1f %8.2f\n", label, bytes / a / 1e6, bytes / b / 1e6, b / a }'
}
time_row() {
    awk -v label="$1" -v a="$2" -v b="$3" 'BEGIN {
        if (a == "" || b == "") { printf "%-26s %12s %12s %8s\n", label, a == "" ? "failed" : a, b == "" ? "failed" : b, "-"; exit }
        printf "%-26s %12.3f %12.3f %8.2f\n", label, a, b, a / b }'
}

echo
echo "brindleftp-cli: $CLI"
echo "$(curl --version | head -n 1)"
echo "file: $SIZE_MB MiB (vsftpd), listing: $LIST_COUNT files, best of $REPEAT"
echo
printf "%-26s %12s %12s %8s\n" "transfer (MB/s)" brindleftp curl ratio
for mode in plain TLS; do
    set_tls "$mode"
    speed_row "vsftpd download $mode" "$(best_of cli_down)" "$(best_of curl_down)"
    speed_row "vsftpd upload $mode" "$(best_of cli_up)" "$(best_of curl_up)"
done
rm -f "$W/down.cli" "$W/down.curl" "$ANON/pub/up.cli" "$ANON/pub/up.curl"
echo
printf "%-26s %12s %12s %8s\n" "listing (seconds)" brindleftp curl ratio
for mode in plain TLS; do
    set_tls "$mode"
    time_row "pyftpdlib MLSD $mode" "$(best_of cli_list_pyftpd)" "$(best_of curl_list_pyftpd)"
    time_row "vsftpd LIST $mode" "$(best_of cli_list_vsftpd)" "$(best_of curl_list_vsftpd)"
done
echo
echo "transfer ratio: brindleftp MB/s / curl MB/s (goal >= 1.0); listing ratio: brindleftp"
echo "seconds / curl seconds (goal <= 1.2)"
