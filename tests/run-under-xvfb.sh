#!/bin/sh
# Runs a test on a private X server; exit 77 (skipped) where Xvfb is missing.
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "skipped: xvfb-run is not installed (package xvfb)"
    exit 77
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
