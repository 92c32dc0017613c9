#!/bin/bash
# brindleftp-cli side by side with the common command-line clients, on servers it starts on
# 127.0.0.1 and stops again at the end:
#   1. download and upload of one SIZE_MB file with brindleftp-cli and curl, plain and TLS,
#      against vsftpd, pyftpdlib and proftpd: MB/s and CPU seconds (user + system of the client
#      process) per GiB, with the ratios brindleftp / curl (goal: speed >= 1.0, CPU <= 1.0);
#   2. download of a tree of TREE_FILES small files in TREE_FOLDERS folders from vsftpd and
#      pyftpdlib with brindleftp-cli and `lftp -e mirror`: seconds, CPU seconds and the control
#      commands per file as the server logged them (goal: time <= lftp's, <= 3 commands per file
#      on vsftpd);
#   3. listing a folder of LIST_COUNT files, MLSD from pyftpdlib and LIST from vsftpd, with
#      brindleftp-cli and curl, plain and TLS (goal: within 1.2 times curl's seconds);
#   4. how long brindleftp-cli takes to end a large download after SIGINT (as Ctrl+C), plain
#      and TLS (goal: under 200 ms).
# Times are the best of REPEAT runs (CPU the least of them). Run as root (vsftpd insists):
#   sudo bench/transfer_bench.sh
#   SIZE_MB=32 TREE_FILES=200 LIST_COUNT=2000 REPEAT=1 bench/transfer_bench.sh   # a quick check
# Settings (environment): CLI (default build/bin/brindleftp-cli), SIZE_MB (1024), TREE_FILES
# (2000), TREE_FOLDERS (20), LIST_COUNT (100000; 0 skips the listings), PARTS (which of the
# numbered parts to run: "1 2 3 4"), REPEAT (3), TIMEOUT seconds per run (600), BENCH_DIR (a
# new folder under /var/tmp, kept when given; it needs room for three copies of the file).
# Missing tools (curl, lftp, vsftpd, pyftpdlib) are installed with apt-get. proftpd cannot be
# installed beside vsftpd, so its Debian packages are unpacked into the bench folder and it
# runs from there with a configuration of its own.
# shellcheck disable=SC2317  # the parts and clients are called by name
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${CLI:-$ROOT/build/bin/brindleftp-cli}
SIZE_MB=${SIZE_MB:-1024}
TREE_FILES=${TREE_FILES:-2000}
TREE_FOLDERS=${TREE_FOLDERS:-20}
LIST_COUNT=${LIST_COUNT:-100000}
PARTS=${PARTS:-1 2 3 4}
REPEAT=${REPEAT:-3}
TIMEOUT=${TIMEOUT:-600}
PYTHON=/usr/bin/python3  # Debian's, which has pyftpdlib
TIME=/usr/bin/time

die() { echo "transfer_bench: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "run as root: vsftpd will not start otherwise"
[ -x "$CLI" ] || die "no $CLI (build it first, or set CLI)"

# --- what the bench needs, installed only when missing ---
missing=()
for pair in curl:curl lftp:lftp vsftpd:vsftpd openssl:openssl "$TIME":time \
    dpkg-deb:dpkg "$PYTHON":python3; do
    command -v "${pair%%:*}" >/dev/null || missing+=("${pair#*:}")
done
"$PYTHON" -c 'import pyftpdlib' 2>/dev/null || missing+=(python3-pyftpdlib)
"$PYTHON" -c 'import OpenSSL' 2>/dev/null || missing+=(python3-openssl)
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
        { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; } ||
        die "cannot install ${missing[*]}"
fi

W=${BENCH_DIR:-$(mktemp -d /var/tmp/brindle-bench.XXXXXX)}
mkdir -p "$W" || die "cannot make $W"
W=$(cd "$W" && pwd)
chmod 755 "$W"  # the servers' unprivileged users look into it
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ -z "${BENCH_DIR:-}" ] && rm -rf "$W"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

free_port() {
    "$PYTHON" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# wait_ftp PORT NAME LOG: until the server at PORT greets with 220, or die with its log.
wait_ftp() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1" && read -r -t 5 greeting <&3 &&
            [ "${greeting#220}" != "$greeting" ]) 2>/dev/null && return
        sleep 0.1
    done
    die "$2 did not start: $(tail -n 5 "$3")"
}

# --- the files: one big file (sparse, so it costs no disk reads), and the tree ---
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

echo "making a tree of $TREE_FILES files in $TREE_FOLDERS folders..."
"$PYTHON" - "$ANON/tree" "$TREE_FILES" "$TREE_FOLDERS" <<'EOF' || die "cannot make the tree"
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(root, mode=0o755, exist_ok=True)
for d in range(folders):
    os.makedirs(os.path.join(root, "d%02d" % d), mode=0o755, exist_ok=True)
for i in range(files):
    path = os.path.join(root, "d%02d" % (i % folders), "file-%05d.txt" % i)
    with open(path, "wb") as f:
        f.write(b"x" * (100 + i % 4000))
    os.chmod(path, 0o644)
EOF
if [ "$LIST_COUNT" -gt 0 ]; then
    echo "making a folder of $LIST_COUNT files to list..."
    "$PYTHON" - "$ANON/list" "$LIST_COUNT" <<'EOF' || die "cannot make the files to list"
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, mode=0o755, exist_ok=True)
for i in range(count):
    path = os.path.join(folder, "file-%06d.txt" % i)
    with open(path, "wb") as f:
        f.write(b"x" * (i % 1000))
    os.chmod(path, 0o644)
EOF
fi
TREE_BYTES=$(find "$ANON/tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')

# --- vsftpd: anonymous, TLS offered but not required; it logs every command ---
vsftpd "$W/vsftpd.conf" >"$W/vsftpd.out" 2>&1 &
PIDS+=($!)

# --- pyftpdlib: the test server, serving the same folder, with a command log ---
rm -f "$W/pyftpd.port"  # from an earlier run in the same BENCH_DIR
"$PYTHON" "$ROOT/bench/pyftpd_counting.py" --command-log "$W/pyftpd.commands" --root "$ANON" \
    --tls --cert "$W/cert.pem" --key "$W/key.pem" --port-file "$W/pyftpd.port" \
    >"$W/pyftpd.out" 2>&1 &
PIDS+=($!)

# --- proftpd from its unpacked packages: user test, home a folder of its own ---
PF=$W/proftpd
mkdir -p "$PF/debs" "$PF/home"
if [ ! -x "$PF/root/usr/sbin/proftpd" ]; then
    # The server, its TLS module and the libraries it needs that Debian does not install with
    # vsftpd.
    (cd "$PF/debs" && apt-get download -q proftpd-core proftpd-mod-crypto libmemcached11 \
        libmemcachedutil2 libhashkit2 libpcre2-posix3 >"$PF/download.out" 2>&1) ||
        die "cannot download proftpd: $(tail -n 3 "$PF/download.out")"
    for deb in "$PF"/debs/*.deb; do dpkg-deb -x "$deb" "$PF/root" || die "cannot unpack $deb"; done
fi
PROFTPD_PORT=$(free_port)
ln -f "$ANON/big.bin" "$PF/home/big.bin"
chown -R nobody:nogroup "$PF/home"
echo "test:$(openssl passwd -5 secret):65534:65534::$PF/home:/bin/false" >"$PF/passwd"
echo "nogroup:x:65534:" >"$PF/group"
chmod 600 "$PF/passwd" "$PF/group"
cat >"$PF/proftpd.conf" <<EOF
ServerName "bench"
ServerType standalone
UseIPv6 off
DefaultAddress 127.0.0.1
SocketBindTight on
Port $PROFTPD_PORT
User nobody
Group nogroup
PidFile $PF/proftpd.pid
ScoreboardFile $PF/proftpd.scoreboard
SystemLog $PF/system.log
TransferLog none
WtmpLog off
UseReverseDNS off
DelayEngine off
ControlsEngine off
<IfModule mod_cap.c>
  CapabilitiesEngine off
</IfModule>
AuthPAM off
AuthOrder mod_auth_file.c
AuthUserFile $PF/passwd
AuthGroupFile $PF/group
RequireValidShell off
DefaultRoot ~
AllowOverwrite on
Umask 022
MaxInstances 30
TimeoutIdle 3600
TimeoutNoTransfer 3600
TimeoutStalled 3600
ModulePath $PF/root/usr/lib/proftpd
LoadModule mod_tls.c
TLSEngine on
TLSLog $PF/tls.log
TLSProtocol TLSv1.2 TLSv1.3
TLSRSACertificateFile $W/cert.pem
TLSRSACertificateKeyFile $W/key.pem
TLSVerifyClient off
TLSRequired off
TLSRenegotiate none
TLSOptions NoSessionReuseRequired
EOF
LD_LIBRARY_PATH=$PF/root/usr/lib/x86_64-linux-gnu "$PF/root/usr/sbin/proftpd" -n \
    -c "$PF/proftpd.conf" >"$PF/proftpd.out" 2>&1 &
PIDS+=($!)

for _ in $(seq 100); do [ -s "$W/pyftpd.port" ] && break; sleep 0.1; done
[ -s "$W/pyftpd.port" ] || die "pyftpdlib did not start: $(tail -n 5 "$W/pyftpd.out")"
PYFTPD_PORT=$(cat "$W/pyftpd.port")
wait_ftp "$VSFTPD_PORT" vsftpd "$W/vsftpd.out"
wait_ftp "$PYFTPD_PORT" pyftpdlib "$W/pyftpd.out"
wait_ftp "$PROFTPD_PORT" proftpd "$PF/proftpd.out"

# --- the servers as the clients see them ---
# use_server NAME: sets SERVER, ADDR, USER, PASS, UPDIR (remote folder for uploads, "" for the
# home), UPLOCAL (where uploads land on disk), COMMANDS (its command log, "" when none).
use_server() {
    SERVER=$1
    case $1 in
    vsftpd)
        ADDR=127.0.0.1:$VSFTPD_PORT USER=anonymous PASS='' UPDIR=pub UPLOCAL=$ANON/pub
        COMMANDS=$W/vsftpd.log ;;
    pyftpdlib)
        ADDR=127.0.0.1:$PYFTPD_PORT USER=test PASS=secret UPDIR=pub UPLOCAL=$ANON/pub
        COMMANDS=$W/pyftpd.commands ;;
    proftpd)
        ADDR=127.0.0.1:$PROFTPD_PORT USER=test PASS=secret UPDIR='' UPLOCAL=$PF/home
        COMMANDS='' ;;
    esac
}
# Lines a command log holds (vsftpd logs replies and transfers too, one command per line).
command_count() {
    case $1 in
    *vsftpd.log) grep -c 'FTP command:' "$1" ;;
    *) wc -l <"$1" ;;
    esac
}

MODE=plain
# cli ARGS... / curl_ ARGS...: the client's command line for the server in use, in CMD.
# A brindleftp-cli that checks certificates is told to trust the bench's own.
TRUST=()
if "$CLI" --help 2>&1 | grep -q -- --trust; then
    TRUST=(--trust "$(openssl x509 -in "$W/cert.pem" -noout -fingerprint -sha256 | sed 's/.*=//')")
fi
cli() {
    CMD=("$CLI" --quiet --yes --server "$ADDR" --user "$USER" --password "$PASS")
    [ "$MODE" = TLS ] && CMD+=(--tls "${TRUST[@]}")
    CMD+=("$@")
}
curl_() {
    CMD=(curl -sS -m "$TIMEOUT" -u "$USER:$PASS")
    [ "$MODE" = TLS ] && CMD+=(--ssl-reqd -k)
    CMD+=("$@")
}
remote_up() { echo "${UPDIR:+$UPDIR/}$1"; }

# measure CHECK EXPECTED COMMAND...: runs COMMAND, checks that CHECK (a file or folder) holds
# EXPECTED bytes (CHECK "-": that its output names EXPECTED files) and prints "seconds
# cpu-seconds", or nothing (and why on stderr) on failure.
measure() {
    local check=$1 expected=$2 start end status got
    shift 2
    start=$EPOCHREALTIME
    timeout "$TIMEOUT" "$TIME" -f '%U %S' -o "$W/time.out" "$@" >"$W/run.out" 2>"$W/run.err"
    status=$?
    end=$EPOCHREALTIME
    if [ "$check" = - ]; then
        got=$(grep -c 'file-' "$W/run.out")
    else
        got=$(find "$check" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
    fi
    if [ "$status" -ne 0 ] || [ "$got" -ne "$expected" ]; then
        echo "  run failed (status $status, $got of $expected): $* $(head -c 300 "$W/run.err")" >&2
        return
    fi
    tail -n 1 "$W/time.out" | awk -v a="$start" -v b="$end" '{ printf "%.3f %.2f\n", b - a, $1 + $2 }'
}
# best: the least seconds and the least CPU seconds of the result lines on stdin ("seconds cpu
# [commands]", the last count kept), or nothing when every run failed.
best() {
    awk 'NF >= 2 { if (n == 0 || $1 < t) t = $1; if (n == 0 || $2 < c) c = $2; k = $3; n++ }
         END { if (n) print t, c, k }'
}
# side_by_side ROW LABEL A B: runs the functions A and B in turn, REPEAT times each, so that
# both meet the same conditions, and prints ROW LABEL BEST-OF-A BEST-OF-B.
side_by_side() {
    local row=$1 label=$2 a=$3 b=$4 ra='' rb=''
    for _ in $(seq "$REPEAT"); do
        ra+="$("$a")"$'\n'
        rb+="$("$b")"$'\n'
    done
    "$row" "$label" "$(best <<<"$ra")" "$(best <<<"$rb")"
}
settle() { sync; sleep 0.2; }  # write back before the next run, so it does not pay for this one

cli_down() {
    rm -rf "$W/down"; settle
    cli get big.bin "$W/down"
    measure "$W/down" "$BYTES" "${CMD[@]}"
}
curl_down() {
    rm -rf "$W/down"; settle
    curl_ -o "$W/down" "ftp://$ADDR/big.bin"
    measure "$W/down" "$BYTES" "${CMD[@]}"
}
cli_up() {
    rm -f "$UPLOCAL/up.bin"; settle
    cli put "$W/upload.bin" "$(remote_up up.bin)"
    measure "$UPLOCAL/up.bin" "$BYTES" "${CMD[@]}"
}
curl_up() {
    rm -f "$UPLOCAL/up.bin"; settle
    curl_ -T "$W/upload.bin" "ftp://$ADDR/$(remote_up up.bin)"
    measure "$UPLOCAL/up.bin" "$BYTES" "${CMD[@]}"
}

# transfer_row LABEL CLI-RESULT CURL-RESULT ("seconds cpu" each, "" when failed)
transfer_row() {
    awk -v label="$1" -v a="$2" -v b="$3" -v bytes="$BYTES" 'BEGIN {
        gib = bytes / 1073741824
        na = split(a, x, " "); nb = split(b, y, " ")
        sa = na ? sprintf("%9.1f %9.2f", bytes / x[1] / 1e6, x[2] / gib) : sprintf("%19s", "failed")
        sb = nb ? sprintf("%9.1f %9.2f", bytes / y[1] / 1e6, y[2] / gib) : sprintf("%19s", "failed")
        r = "-"; c = "-"
        if (na && nb) { r = sprintf("%.2f", y[1] / x[1]); if (y[2] > 0) c = sprintf("%.2f", x[2] / y[2]) }
        printf "%-28s %s   %s %7s %7s\n", label, sa, sb, r, c }'
}

echo
echo "brindleftp-cli: $CLI"
curl --version | head -n 1
lftp --version | head -n 1
echo "vsftpd $(dpkg-query -W -f '${Version}' vsftpd), pyftpdlib $(dpkg-query -W -f '${Version}' python3-pyftpdlib), proftpd $(LD_LIBRARY_PATH=$PF/root/usr/lib/x86_64-linux-gnu \
    "$PF/root/usr/sbin/proftpd" -v 2>&1 | sed 's/.*ProFTPD Version //')"
echo "$(nproc) processors; best of $REPEAT runs; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
part1() {
    echo
    echo "1. one file of $SIZE_MB MiB (sparse on the server; downloads written to disk)"
    printf "%-28s %19s   %19s %7s %7s\n" "" "brindleftp-cli" "curl" "ratio" "ratio"
    printf "%-28s %9s %9s   %9s %9s %7s %7s\n" "" "MB/s" "CPU s/GiB" "MB/s" "CPU s/GiB" "speed" "CPU"
    # In the page cache before the first run, so the first client does not pay for reading it.
    cat "$ANON/big.bin" "$W/upload.bin" >/dev/null
    for server in vsftpd pyftpdlib proftpd; do
        use_server "$server"
        for MODE in plain TLS; do
            side_by_side transfer_row "$server download $MODE" cli_down curl_down
            side_by_side transfer_row "$server upload $MODE" cli_up curl_up
        done
    done
    rm -rf "$W/down" "$ANON/pub/up.bin" "$PF/home/up.bin"
    echo "speed ratio: brindleftp MB/s / curl MB/s (goal >= 1.0); CPU ratio: brindleftp CPU /"
    echo "curl CPU (goal <= 1.0)"
}

# --- 2. the tree ---
cli_tree() { cli download tree --to "$W/tree"; }
lftp_tree() {
    local script="set ftp:ssl-allow no; set net:max-retries 1; mirror tree '$W/tree/tree'; quit"
    CMD=(lftp -u "$USER,$PASS" -e "$script" "ftp://$ADDR")  # one line: lftp stops at a newline
}
# tree_run FUNCTION: "seconds cpu commands" of one run of the client FUNCTION sets up, or
# nothing.
tree_run() {
    local before after result
    rm -rf "$W/tree"; mkdir -p "$W/tree"; settle
    "$1"
    before=$(command_count "$COMMANDS")
    result=$(measure "$W/tree" "$TREE_BYTES" "${CMD[@]}")
    after=$(command_count "$COMMANDS")
    [ -n "$result" ] && echo "$result $((after - before))"
}
cli_tree_run() { tree_run cli_tree; }
lftp_tree_run() { tree_run lftp_tree; }
tree_row() {
    awk -v label="$1" -v a="$2" -v b="$3" -v files="$TREE_FILES" 'BEGIN {
        na = split(a, x, " "); nb = split(b, y, " ")
        sa = na ? sprintf("%8.2f %6.2f %7.2f", x[1], x[2], x[3] / files) : sprintf("%23s", "failed")
        sb = nb ? sprintf("%8.2f %6.2f %7.2f", y[1], y[2], y[3] / files) : sprintf("%23s", "failed")
        r = (na && nb) ? sprintf("%.2f", x[1] / y[1]) : "-"
        printf "%-20s %s   %s %7s\n", label, sa, sb, r }'
}
part2() {
    echo
    echo "2. download of a tree of $TREE_FILES files in $TREE_FOLDERS folders, plain"
    printf "%-20s %23s   %23s %7s\n" "" "brindleftp-cli" "lftp mirror" "ratio"
    printf "%-20s %8s %6s %7s   %8s %6s %7s %7s\n" "" seconds "CPU s" cmd/file seconds "CPU s" cmd/file time
    MODE=plain
    for server in vsftpd pyftpdlib; do
        use_server "$server"
        side_by_side tree_row "$server" cli_tree_run lftp_tree_run
    done
    rm -rf "$W/tree"
    echo "time ratio: brindleftp seconds / lftp seconds (goal <= 1.0); cmd/file: control commands"
    echo "the server received per file, logon included (goal <= 3 on vsftpd)"
}

# --- 3. listing a large folder ---
cli_list() { cli ls list; measure - "$LIST_COUNT" "${CMD[@]}"; }
curl_list() {
    if [ "$SERVER" = pyftpdlib ]; then
        curl_ -X MLSD "ftp://$ADDR/list/"
    else
        curl_ "ftp://$ADDR/list/"
    fi
    measure - "$LIST_COUNT" "${CMD[@]}"
}
list_row() {
    awk -v label="$1" -v a="$2" -v b="$3" 'BEGIN {
        na = split(a, x, " "); nb = split(b, y, " ")
        sa = na ? sprintf("%8.3f %6.2f", x[1], x[2]) : sprintf("%15s", "failed")
        sb = nb ? sprintf("%8.3f %6.2f", y[1], y[2]) : sprintf("%15s", "failed")
        r = (na && nb) ? sprintf("%.2f", x[1] / y[1]) : "-"
        printf "%-24s %s   %s %7s\n", label, sa, sb, r }'
}
part3() {
    [ "$LIST_COUNT" -gt 0 ] || return
    echo
    echo "3. listing a folder of $LIST_COUNT files (MLSD from pyftpdlib, LIST from vsftpd)"
    printf "%-24s %15s   %15s %7s\n" "" "brindleftp-cli" "curl" "ratio"
    printf "%-24s %8s %6s   %8s %6s %7s\n" "" seconds "CPU s" seconds "CPU s" time
    for server in pyftpdlib vsftpd; do
        use_server "$server"
        for MODE in plain TLS; do
            side_by_side list_row "$server $MODE" cli_list curl_list
        done
    done
    echo "time ratio: brindleftp seconds / curl seconds (goal <= 1.2)"
}

# --- 4. stopping a large download ---
# stop_run: starts a download, sends SIGINT once some bytes have arrived and prints
# "milliseconds-to-exit exit-status MiB-moved leftovers", or why it could not.
stop_run() {
    local pid moved=0 start end status left
    rm -rf "$W/stop"; mkdir -p "$W/stop"; settle
    cli get big.bin "$W/stop/big.bin"
    # A background job of a script ignores SIGINT unless it is given back its default.
    env --default-signal=INT "${CMD[@]}" >/dev/null 2>"$W/stop.err" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        moved=$(find "$W/stop" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
        [ "$moved" -ge 1048576 ] && break
        sleep 0.002
    done
    start=$EPOCHREALTIME
    kill -INT "$pid" 2>/dev/null || { wait "$pid"; echo "ended before the stop (status $?)"; return; }
    wait "$pid"
    status=$?
    end=$EPOCHREALTIME
    left=$(find "$W/stop" -type f | wc -l)
    awk -v a="$start" -v b="$end" -v s="$status" -v m="$moved" -v l="$left" \
        'BEGIN { printf "%8.0f %11d %9.1f %10d\n", (b - a) * 1000, s, m / 1048576, l }'
}
part4() {
    echo
    echo "4. SIGINT during a download of $SIZE_MB MiB, after 1 MiB or more has arrived"
    printf "%-28s %8s %11s %9s %10s\n" "" "ms" "exit status" "MiB moved" "files left"
    for server in vsftpd pyftpdlib proftpd; do
        use_server "$server"
        for MODE in plain TLS; do
            printf "%-28s %s\n" "$server $MODE" "$(stop_run)"
        done
    done
    rm -rf "$W/stop"
    echo "ms: from SIGINT to the exit (goal < 200); exit status 1 is \"stopped\"; files left: files"
    echo "in the empty target folder afterwards (0: neither a partial target nor a temporary file)"
}

# Read to the end before running, so editing this file during a run cannot derail it.
{
    for part in $PARTS; do "part$part"; done
    echo
    echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine"
    echo "slows both columns; the CPU seconds suffer less from it than the speeds)"
    exit
}
