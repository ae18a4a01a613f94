#!/usr/bin/env bash
# Photographs the main window for the documentation: runs the program on a
# private virtual X display, waits for its window and saves it as
# docs/screenshot.png. Usage: scripts/screenshot.sh [program] [output]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${1:-$here/build/bin/zelvan}
output=${2:-$here/docs/screenshot.png}

if [ -z "${ZELVAN_SCREENSHOT_INNER:-}" ]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null 2>&1 || {
            echo "screenshot: $tool is missing (scripts/install-deps installs it)" >&2
            exit 1
        }
    done
    [ -x "$program" ] || { echo "screenshot: no program at $program (build it first)" >&2; exit 1; }
    mkdir -p "$(dirname "$output")"
    exec env ZELVAN_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 ${XVFB_SCREEN:-1280x1024x24}" \
        "${BASH_SOURCE[0]}" "$program" "$output"
fi

# Inside the virtual display from here on.
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

# The title carries the version of the build the program comes from.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$(dirname "$program")/../CMakeCache.txt")
[ -n "$version" ] || { echo "screenshot: no CMakeCache.txt beside $program's build" >&2; exit 1; }
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zelvan V${version//./\\.}\$" | head -n 1)
[ -n "$window" ] || { echo "screenshot: the main window did not appear" >&2; exit 1; }
# Give the first paint (and the pictures) a moment to land.
sleep "${ZELVAN_SCREENSHOT_DELAY:-2}"
import -window "$window" "$output"
echo "screenshot: wrote $output"
