#!/usr/bin/env bash
# Photographs the main window for the documentation: runs the program on a
# private virtual X display, waits for its window and saves it as
# docs/screenshot.png. Usage: scripts/screenshot.sh [program] [output]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${1:-$here/build/bin/zelvan}
output=${2:-$here/docs/screenshot.png}

if [ -z "${ZELVAN_SCREENSHOT_INNER:-}" ]; then
    for tool in Xvfb xdotool import compare; do
        command -v "$tool" >/dev/null 2>&1 || {
            echo "screenshot: $tool is missing (scripts/install-deps installs it)" >&2
            exit 1
        }
    done
    [ -x "$program" ] || { echo "screenshot: no program at $program (build it first)" >&2; exit 1; }
    mkdir -p "$(dirname "$output")"
    exec env ZELVAN_SCREENSHOT_INNER=1 "$here/tests/run-under-xvfb.sh" \
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
# The window is photographed once two photographs in a row are the same (the
# first paint and its pictures have landed), within 20 s.
shots=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$shots"' EXIT
import -window "$window" "$shots/last.png"
for _ in $(seq 100); do
    sleep 0.2
    import -window "$window" "$shots/now.png"
    [ "$(compare -metric AE "$shots/now.png" "$shots/last.png" null: 2>&1)" = 0 ] && break
    mv "$shots/now.png" "$shots/last.png"
done
cp "$shots/last.png" "$output"
echo "screenshot: wrote $output"
