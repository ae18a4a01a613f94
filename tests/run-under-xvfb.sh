#!/bin/sh
# Runs a command on a private X server (Xvfb) of its own, gone afterwards;
# exit 77 (skipped) where Xvfb is missing. XVFB_SCREEN sets the screen
# (1280x1024x24). The server picks a free display itself (-displayfd) and
# names it only once it accepts clients: runs side by side never race for a
# display number, and nothing waits a fixed time for the server to come up.
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "skipped: Xvfb is not installed (package xvfb)"
    exit 77
fi

. "$(dirname "$0")/waituntil.sh"

dir=$(mktemp -d "${TMPDIR:-/tmp}/zelvan-xvfb.XXXXXX") || exit 1
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

Xvfb -displayfd 9 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp \
    9>"$dir/display" 2>"$dir/xvfb.log" &
xvfb_pid=$!

# Until the server writes its display number, or ends, or 30 s have passed.
wait_until "$xvfb_pid" 30 "Xvfb did not start" "$dir/xvfb.log" grep -q '^[0-9][0-9]*$' "$dir/display" || exit 1
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
unset WAYLAND_DISPLAY
"$@"
status=$?
exit $status
