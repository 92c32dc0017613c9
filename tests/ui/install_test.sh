#!/usr/bin/env bash
# `cmake --install` into a temporary prefix whose name has a space: the desktop entry validates,
# its Exec line names the installed program, and that program, started from the entry on a real
# X server, opens its own installed help contents on F1 (every page they link is installed) and
# quits with Ctrl+Q.
# Usage: install_test.sh BUILD_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# On the X server: starts the entry's command, presses F1 in its window once it shows, waits until
# the browser was asked for a page, then quits it with Ctrl+Q; the status is the program's.
if [ "${1:-}" = "--on-x-server" ]; then
    shift
    "$@" &
    program=$!
    window=""
    tries=0
    while [ -z "$window" ] && [ $((tries++)) -lt 300 ]; do
        kill -0 "$program" 2>/dev/null || { echo "the program ended before its window showed"; exit 1; }
        window=$(xdotool search --onlyvisible --name '^BrindleFTP$' 2>/dev/null | head -1)
        [ -n "$window" ] || sleep 0.1
    done
    [ -n "$window" ] || { echo "no window titled BrindleFTP"; exit 1; }
    xdotool windowfocus --sync "$window" key F1
    tries=0
    while [ ! -s "$BROWSER_RECORD" ] && [ $((tries++)) -lt 300 ]; do
        sleep 0.1
    done
    xdotool windowfocus --sync "$window" key ctrl+q
    wait "$program"
    exit $?
fi

build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/brindle-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with space"
fail() {
    echo "FAILED: $*"
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }
entry="$prefix/share/applications/brindleftp.desktop"
for file in bin/brindleftp bin/brindleftp-cli bin/brindleftp-crash-question; do
    [ -x "$prefix/$file" ] || fail "$file is not installed"
done
desktop-file-validate "$entry" || fail "desktop-file-validate $entry"

# The command a desktop runs for the entry.
mapfile -d '' command < <(/usr/bin/python3 "$here/desktop_exec.py" "$entry")
[ "${#command[@]}" -eq 1 ] && [ "${command[0]}" = "$prefix/bin/brindleftp" ] ||
    fail "Exec runs '${command[*]}', not $prefix/bin/brindleftp"
[ -f "$prefix/share/icons/hicolor/scalable/apps/brindleftp.svg" ] || fail "the icon is not installed"

# Every page the help contents link is installed beside them.
help="$prefix/share/brindleftp/help"
[ -f "$help/index.html" ] || fail "help/index.html is not installed"
for page in $(grep -o 'href="[^"#:]*"' "$help/index.html" | sed 's/^href="//; s/"$//' | sort -u); do
    [ -f "$help/$page" ] || fail "the help contents link $page, which is not installed"
done

# Private settings with no site, and the wizard already seen, so the window opens with nothing
# in front of it. A stand-in for xdg-open records what the program asks the browser to open.
source "$here/../../scripts/demo_site.sh"
source "$here/x_session.sh"
demo_settings_use "$work/settings"
export HOME="$work/home"
mkdir -p "$HOME" "$work/fake-bin"
demo_settings_set Settings/FirstRun 0 || fail "settings"
export BROWSER_RECORD="$work/browser"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "$BROWSER_RECORD"\n' >"$work/fake-bin/xdg-open"
chmod +x "$work/fake-bin/xdg-open"

PATH="$work/fake-bin:$PATH" run_on_x_server "$work/output" bash "$0" --on-x-server "${command[@]}"
status=$?
opened=$(/usr/bin/python3 -c '
import sys, urllib.parse
for line in open(sys.argv[1]):
    url = urllib.parse.urlparse(line.strip())
    print(urllib.parse.unquote(url.path) if url.scheme == "file" else line.strip())
' "$BROWSER_RECORD" 2>/dev/null)
if [ "$status" -ne 0 ] || [ "$opened" != "$help/index.html" ]; then
    cat "$work/output"
    fail "the installed program ended with $status and opened '$opened' for F1, not $help/index.html"
fi
echo "installed into '$prefix': the entry validates, starts $prefix/bin/brindleftp, whose F1 opens $help/index.html"
