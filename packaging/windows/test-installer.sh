#!/usr/bin/env bash
# Tries the Windows installer under Wine: installs it silently for the
# current user, checks the files, shortcuts and the Programs and Features
# entry, starts the installed program until its window shows, then
# uninstalls it with the registered quiet command and checks that nothing is
# left. Everything happens in a throw-away Wine prefix on a private virtual
# X display. Saves a picture of the screen to $SCREENSHOT when it is set.
#
# Usage: packaging/windows/test-installer.sh SETUP.exe [VERSION]
# VERSION (5.4) defaults to the one in the installer's name.
# Exit status: 0 all passed, 1 some check failed, 2 usage, 77 no Wine.
set -uo pipefail

usage() { echo "usage: $0 SETUP.exe [VERSION]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 2 ] && [ -f "$1" ] || usage

if [ -z "${ZELVAN_INSTALLER_TEST_INNER:-}" ]; then
    for tool in wine wineserver winepath xvfb-run xdotool import; do
        command -v "$tool" >/dev/null 2>&1 || {
            echo "skip: $tool is missing" >&2
            exit 77
        }
    done
    exec env ZELVAN_INSTALLER_TEST_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "${BASH_SOURCE[0]}" "$@"
fi

# Inside the virtual display from here on.
setup=$(realpath "$1")
version=${2:-}
if [ -z "$version" ]; then
    [[ $(basename "$setup") =~ ^zelvan-([0-9]+\.[0-9]+)-win64-setup\.exe$ ]] ||
        { echo "the installer's name carries no version: give it as VERSION" >&2; usage; }
    version=${BASH_REMATCH[1]}
fi
# Programs and Features shows 5.4 as 5.04.
displayVersion=${version%%.*}.0${version#*.}
title="Zelvan V$version"

passed=0
failed=0
ok() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

# A private prefix, and a private home: Wine links the prefix's Desktop to
# the home folder, where the desktop shortcut would land otherwise.
work=$(mktemp -d)
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home"
export HOME=$work/home WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer dialogs, no Linux menu entries for shortcuts.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="

win() { timeout "${WINE_TIMEOUT:-60}" wine "$@" 2>/dev/null | tr -d '\r'; }

if ! timeout 90 wine wineboot --init >/dev/null 2>&1; then
    echo "FAIL: Wine could not set up a prefix"
    echo "0 passed, 1 failed"
    exit 1
fi
IFS='|' read -r localAppData appData userProfile < <(win cmd /c 'echo %LOCALAPPDATA%^|%APPDATA%^|%USERPROFILE%')
instDirWin="$localAppData\\Programs\\Zelvan"
instDir=$(winepath -u "$instDirWin" 2>/dev/null)
startMenuLink=$(winepath -u "$appData\\Microsoft\\Windows\\Start Menu\\Programs\\Zelvan.lnk" 2>/dev/null)
desktopLink=$(winepath -u "$userProfile\\Desktop\\Zelvan.lnk" 2>/dev/null)
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvan'

# 1. Silent install, for the current user by default.
WINE_TIMEOUT=120 win "$setup" /S >/dev/null
status=$?
check "silent install exits with 0 ($status)" [ "$status" = 0 ]
for file in zelvan.exe zelvan-adverthost.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll \
    imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll \
    translations/qtbase_zh_CN.qm; do
    check "installed $file" [ -s "$instDir/$file" ]
done
check "Start-menu shortcut" [ -s "$startMenuLink" ]
check "desktop shortcut" [ -s "$desktopLink" ]

entry=$(win reg query "HKCU\\$key")
status=$?
value() { # the data of one value of $entry, as reg prints it
    sed -n "s/^    $1    REG_[A-Z_]*    //p" <<<"$entry"
}
expectValue() {
    local got
    got=$(value "$1")
    check "uninstall entry $1 = $got" [ "$got" = "$2" ]
}
check "uninstall entry under HKCU" [ "$status" = 0 ]
expectValue DisplayName Zelvan
expectValue DisplayVersion "$displayVersion"
expectValue Publisher Orvane
expectValue DisplayIcon "$instDirWin\\zelvan.exe,0"
expectValue InstallLocation "$instDirWin"
expectValue UninstallString "\"$instDirWin\\uninstall.exe\" /CurrentUser"
expectValue QuietUninstallString "\"$instDirWin\\uninstall.exe\" /CurrentUser /S"
expectValue NoModify 0x1
expectValue NoRepair 0x1
# The files' sizes in KB, as the installer sums them.
estimated=$(value EstimatedSize)
actual=$(find "$instDir" -type f -printf '%s\n' 2>/dev/null | awk '{ n += $1 } END { print int(n / 1024) }')
difference=$((estimated - actual))
check "EstimatedSize $((estimated)) KB, the files take $actual KB" \
    [ "$actual" -gt 0 -a "${difference#-}" -le $((actual / 20)) ]
absent() { ! win reg query "$1" >/dev/null; }
check "no per-machine entry" absent "HKLM\\$key"

# 2. The installed program starts and shows its window.
(cd "$instDir" && exec wine zelvan.exe >/dev/null 2>&1) &
program=$!
window=
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] || ! kill -0 "$program" 2>/dev/null && break
    sleep 0.5
done
check "main window \"$title\" shown" [ -n "$window" ]
if [ -n "$window" ] && [ -n "${SCREENSHOT:-}" ]; then
    # Give the first paint (and the pictures) a moment to land.
    sleep 2
    check "screenshot $SCREENSHOT" import -window root "$SCREENSHOT"
fi
# Asked to close (WM_CLOSE), as the window's close button does.
win taskkill /im zelvan.exe >/dev/null
for _ in $(seq 30); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
done
if kill -0 "$program" 2>/dev/null; then
    fail "program ends when its window is closed"
    win taskkill /f /im zelvan.exe >/dev/null
else
    ok "program ends when its window is closed"
fi
wait "$program" 2>/dev/null
program=
# The web panel's browser control asked for its newest document mode, for
# this user only, under the name of the program it runs in (the advert host).
emulation='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'
check "browser control's document mode set" eval 'win reg query "$emulation" /v zelvan-adverthost.exe >/dev/null'

# 3. Silent uninstall with the registered command. The uninstaller runs a
# copy of itself from %TEMP% and returns at once: wait for the copy, that
# is for Wine to have no program left.
quiet=$(value QuietUninstallString)
if [[ $quiet =~ ^\"([^\"]+)\"\ (.*)$ ]]; then
    read -ra arguments <<<"${BASH_REMATCH[2]}"
    win "${BASH_REMATCH[1]}" "${arguments[@]}" >/dev/null
    status=$?
    check "silent uninstall exits with 0 ($status)" [ "$status" = 0 ]
    timeout 60 wineserver -w
    check "uninstaller finished" [ $? = 0 ]
else
    fail "QuietUninstallString is a quoted program and its arguments: $quiet"
fi
check "install folder removed" [ ! -e "$instDir" ]
check "Start-menu shortcut removed" [ ! -e "$startMenuLink" ]
check "desktop shortcut removed" [ ! -e "$desktopLink" ]
check "uninstall entry removed" absent "HKCU\\$key"
check "browser control's document mode removed" eval '! win reg query "$emulation" /v zelvan-adverthost.exe >/dev/null'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
