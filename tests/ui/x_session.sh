# Runs a command on a fresh X server of its own (Xvfb through xvfb-run), with Qt on X11 whatever
# the caller's session is.
# Usage: source tests/ui/x_session.sh; run_on_x_server OUTPUT COMMAND...
# OUTPUT gets the command's output; the status is the command's, 124 when it ran a minute.
run_on_x_server() {
    local output=$1
    shift
    # Leaks are not counted here: in a sanitizer build they would be those of the X, font and
    # input method libraries; the window tests count the program's own on Qt's offscreen platform.
    env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        xvfb-run -a -s "-screen 0 1280x1024x24" timeout 60 "$@" >"$output" 2>&1
}
