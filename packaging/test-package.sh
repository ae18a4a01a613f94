#!/usr/bin/env bash
# Checks the Debian package that `make package` built: first with lintian,
# Debian's own checker, which must report no error and no warning; then
# installed, as a user would get it: every file where the desktop looks for
# it, the manual pages as man reads them, /usr/bin/zelvan answering --version
# and --help without a display, and starting on a virtual display and
# mapping its main window.
#
# Usage: packaging/test-package.sh [build-dir]
# Needs root (apt-get resolves the package's dependencies). The package is
# removed again afterwards unless it was installed before or
# ZELVAN_KEEP_PACKAGE=1 is set.
set -uo pipefail

app_id=io.github.zelvan.Zelvan
icon_sizes=(16 22 24 32 48 64 128 256)
timeout_s=${ZELVAN_PACKAGE_TEST_TIMEOUT:-60}

fail() {
    echo "package-test: FAIL: $*"
    exit 1
}

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
module=/usr/lib/$multiarch/zelvan/libzelvan_webview.so

# The second half runs inside xvfb-run: start the installed program from a
# neutral directory and watch its window and the modules it loads.
if [ "${1:-}" = --on-display ]; then
    log=$2
    title=$ZELVAN_PACKAGE_TITLE
    cd /
    # QtWebEngine refuses its sandbox as root and has no GPU here; the
    # program itself never sets these.
    export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
    unset ZELVAN_WEBVIEW_PLUGIN
    /usr/bin/zelvan >"$log" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

    win=$(timeout "$timeout_s" xdotool search --sync --onlyvisible --name "^${title//./\\.}\$" | head -n1)
    [ -n "$win" ] || fail "no window \"$title\" mapped within ${timeout_s} s"
    [ "$(xdotool getwindowpid "$win" 2>/dev/null)" = "$pid" ] \
        || fail "window \"$title\" does not belong to /usr/bin/zelvan (pid $pid)"
    echo "package-test: window \"$title\" mapped (id $win)"

    # The web panel loads its engine module after the first paint, from the
    # installed library folder.
    for ((i = 0; i < timeout_s * 2; i++)); do
        grep -q "$module" "/proc/$pid/maps" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || fail "/usr/bin/zelvan ended while loading the web panel"
        sleep 0.5
    done
    grep -q "$module" "/proc/$pid/maps" || fail "the web panel did not load $module"
    echo "package-test: web panel module loaded from $module"

    kill -0 "$pid" 2>/dev/null || fail "/usr/bin/zelvan ended on its own"
    exit 0
fi

build_dir=${1:-build}

if [ "$(id -u)" -ne 0 ]; then
    echo "package-test: SKIP: installing the package needs root (try: sudo make package-test)"
    exit 0
fi
for tool in apt-get dpkg-deb xvfb-run xdotool file lintian man; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run scripts/install-deps)"
done

deb=$(ls -t "$build_dir"/zelvan_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no zelvan_*.deb in $build_dir (run make package)"
deb=$(realpath "$deb")
version=$(dpkg-deb -f "$deb" Version)

# Debian's policy, as its checker reads it: errors and warnings fail; the
# informational and pedantic notes are shown for whoever reads the log.
echo "package-test: lintian $(basename "$deb")"
lintian --info --pedantic --fail-on error,warning "$deb" || fail "lintian reports errors or warnings on $deb"

workdir=$(mktemp -d)
installed_before=no
[ "$(dpkg-query -W -f='${db:Status-Status}' zelvan 2>/dev/null)" = installed ] && installed_before=yes
cleanup() {
    if [ "$installed_before" = no ] && [ "${ZELVAN_KEEP_PACKAGE:-0}" != 1 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq zelvan >/dev/null 2>&1
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT

echo "package-test: installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$deb" >"$workdir/apt.log" 2>&1 \
    || { cat "$workdir/apt.log"; fail "apt-get could not install $deb"; }
[ "$(dpkg-query -W -f='${db:Status-Status} ${Version}' zelvan)" = "installed $version" ] \
    || fail "zelvan $version is not installed after apt-get"

# Every file of the desktop integration, owned by the package.
dpkg -L zelvan >"$workdir/files"
manual_pages=(/usr/share/man/man1/zelvan.1.gz /usr/share/man/zh_CN/man1/zelvan.1.gz)
expected=(
    /usr/bin/zelvan
    "$module"
    /usr/share/applications/zelvan.desktop
    "/usr/share/metainfo/$app_id.metainfo.xml"
    /usr/share/doc/zelvan/copyright
    /usr/share/doc/zelvan/changelog.gz
    "${manual_pages[@]}"
)
for size in "${icon_sizes[@]}"; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/zelvan.png")
done
for f in "${expected[@]}"; do
    grep -qx "$f" "$workdir/files" || fail "$f is not in the package"
    [ -f "$f" ] || fail "$f is missing after installation"
done
[ -x /usr/bin/zelvan ] || fail "/usr/bin/zelvan is not executable"
for size in "${icon_sizes[@]}"; do
    f=/usr/share/icons/hicolor/${size}x${size}/apps/zelvan.png
    file -b "$f" | grep -q "PNG image data, $size x $size," || fail "$f is not a ${size}x${size} PNG"
done
grep -qx 'Exec=zelvan' /usr/share/applications/zelvan.desktop || fail "the desktop entry does not start zelvan"
grep -qx 'Icon=zelvan' /usr/share/applications/zelvan.desktop || fail "the desktop entry does not name the zelvan icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate /usr/share/applications/zelvan.desktop || fail "the installed desktop entry is invalid"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" >"$workdir/as.log" 2>&1 \
        || { cat "$workdir/as.log"; fail "the installed metainfo is invalid"; }
fi

# The changelog's top entry is this version.
zcat /usr/share/doc/zelvan/changelog.gz | head -n1 | grep -q "^zelvan ($version) " \
    || fail "the top entry of changelog.gz is not version $version"

# The manual pages as man reads them: formatted without a warning, with this
# version in their footer, and naming every option that --help lists.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
help=$("${no_display[@]}" /usr/bin/zelvan --help) || fail "zelvan --help did not exit with 0"
options=$(grep -oE '^  -[^ ]+(, -[^ ]+)*' <<<"$help" | grep -oE -- '-[-a-z?]+')
[ -n "$options" ] || fail "zelvan --help lists no options: $help"
for page in "${manual_pages[@]}"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>&1) || fail "man -l $page failed: $text"
    grep -q "Zelvan $version" <<<"$text" || fail "$page does not carry version $version"
    while read -r option; do
        grep -qF -- "$option" <<<"$text" || fail "$page does not name $option, which --help lists"
    done <<<"$options"
done
echo "package-test: manual pages read with man -l; they name $(printf '%s' "$options" | tr '\n' ' ')"

# The command line answers without a display, before any window.
[ "$("${no_display[@]}" /usr/bin/zelvan --version)" = "Zelvan $version" ] \
    || fail "zelvan --version does not print \"Zelvan $version\""
"${no_display[@]}" /usr/bin/zelvan --no-such-option >/dev/null 2>&1
status=$?
[ $status -eq 2 ] || fail "zelvan --no-such-option exited with $status, not 2"

# The package's dependencies must bring every library the program and the module link.
missing=$(ldd /usr/bin/zelvan "$module" | grep 'not found')
[ -z "$missing" ] || fail "unresolved libraries: $missing"
depends=$(dpkg-query -W -f='${Depends}' zelvan)
# The Wayland platform plugin and the Chinese faces are loaded at run time: no library check finds them missing.
for needed in qt6-wayland fonts-arphic-uming fonts-wqy-microhei; do
    echo "$depends" | grep -qw "$needed" || fail "the package does not depend on $needed"
done
echo "package-test: $(( ${#expected[@]} )) files in place; Depends: $depends"

# The window's title carries the package's version.
ZELVAN_PACKAGE_TEST_TIMEOUT=$timeout_s ZELVAN_PACKAGE_TITLE="Zelvan V$version" xvfb-run -a -s '-screen 0 1280x1024x24' \
    "$(realpath "$0")" --on-display "$workdir/zelvan.log"
status=$?
if [ $status -ne 0 ]; then
    echo "package-test: output of /usr/bin/zelvan:"
    tail -n 20 "$workdir/zelvan.log"
    fail "the installed program did not run as expected"
fi
echo "package-test: PASS: zelvan $version installed from $(basename "$deb") and runs"
