#!/bin/sh
# Runs a test as a native Wayland client of a private, headless Weston, with
# a session bus of its own when dbus-run-session is there; exit 77 (skipped)
# where Weston is missing. The compositor gets its own runtime directory and
# socket, so a desktop session around the test is never touched.
#
# With --xwayland first, the test runs as an X11 client of Weston's XWayland
# instead, as programs forced onto X11 do in a Wayland session; everything
# else it starts still finds the Wayland socket first.
xwayland=
if [ "${1:-}" = --xwayland ]; then
    xwayland=--xwayland
    shift
fi
if ! command -v weston >/dev/null 2>&1; then
    echo "skipped: weston is not installed (package weston)"
    exit 77
fi
if [ -n "$xwayland" ] && ! command -v Xwayland >/dev/null 2>&1; then
    echo "skipped: Xwayland is not installed (package xwayland)"
    exit 77
fi

. "$(dirname "$0")/waituntil.sh"

runtime=$(mktemp -d /tmp/zelvan-weston.XXXXXX) || exit 1
chmod 700 "$runtime"
socket=zelvan-test
weston_pid=

cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=$socket $xwayland \
    --width=1280 --height=1024 --idle-time=0 --log="$runtime/weston.log" &
weston_pid=$!

# Weston creates the socket once it accepts clients, after it has chosen the
# X display it will start XWayland on when the first X client comes.
wait_until "$weston_pid" 30 "weston did not start" "$runtime/weston.log" test -S "$runtime/$socket" || exit 1

# Nothing may fall back to an X server of the machine: the calculators
# started by the test must be Wayland clients too.
unset DISPLAY
export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland
if [ -n "$xwayland" ]; then
    # Weston names the X display in its log only after the Wayland socket
    # exists, and under load some time after: read the log until it does.
    xwayland_display() {
        display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log")
        [ -n "$display" ]
    }
    wait_until "$weston_pid" 30 "weston started no X server" "$runtime/weston.log" xwayland_display || exit 1
    export DISPLAY="$display" QT_QPA_PLATFORM=xcb
fi
# The headless backend offers no seat (no keyboard, no pointer), and Qt 6.4's
# Wayland input method reads the missing seat on every key release. Desktop
# compositors always have a seat; the test types through QTest, not a seat,
# so it runs without an input method.
export QT_IM_MODULE=none
if command -v dbus-run-session >/dev/null 2>&1; then
    dbus-run-session -- "$@"
else
    "$@"
fi
status=$?
exit $status
