#!/usr/bin/env bash
# Tries the Windows installer under Wine. When the program folder the
# installer was made from is at hand (STAGE, by default the build tree's
# stage/ beside SETUP.exe), an older version's installer is made from it
# first (makensis, fast compression), installed silently and its program
# started through a second drive letter: the new installer and the
# registered quiet uninstall must then refuse, silently, with the running
# program's exit code and nothing changed, and the new installer run
# interactively (driven with xdotool) must offer to close the program and
# upgrade once it did. Otherwise the new installer is installed silently at
# once. Then: the files, shortcuts and the Programs and Features entry; with
# ZELVAN_STANDIN naming the tests' stand-in program, the running mark of an
# earlier build held by it, which the installer and the registered quiet
# uninstall must refuse with 3, changing nothing;
# cancels on each page (1), installs onto a read-only and a full drive (2)
# and into a file (9), each with nothing changed; a move to a folder with a
# long name, where the program started by its short name is again found
# running, and back with /D= naming the default folder; the program started
# from its Start-menu shortcut until its window shows, the manifest in
# zelvan.exe, a silent downgrade and a second copy for all users refused,
# the signatures when ZELVAN_SIGN_CA names the certificate that signed them,
# a cancelled uninstall, and the uninstall with the registered quiet
# command, after which nothing may be left when it returns. Everything
# happens in a throw-away Wine prefix on a private virtual X display. Saves
# a picture of the screen to $SCREENSHOT when set.
#
# Usage: packaging/windows/test-installer.sh SETUP.exe [VERSION [STAGE]]
# VERSION (5.4) defaults to the one in the installer's name.
# Exit status: 0 all passed, 1 some check failed, 2 usage, 77 no Wine.
set -uo pipefail

usage() { echo "usage: $0 SETUP.exe [VERSION [STAGE]]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 3 ] && [ -f "$1" ] || usage

if [ -z "${ZELVAN_INSTALLER_TEST_INNER:-}" ]; then
    for tool in wine wineserver winepath xvfb-run xdotool import wrestool; do
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
stage=${3:-$(dirname "$setup")/stage/zelvan-$version-win64}
[ -f "$stage/zelvan.exe" ] && stage=$(realpath "$stage") || stage=
# The version before this one, for the upgrade: 5.3 before 5.4.
olderVersion=${version%%.*}.$((${version#*.} - 1))
olderDisplayVersion=${olderVersion%%.*}.0${olderVersion#*.}
[ "${version#*.}" -gt 0 ] || stage=

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
mounted=()
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    wineserver -k 2>/dev/null
    for folder in "${mounted[@]}"; do umount "$folder"; done
    chmod -R u+w "$work" 2>/dev/null
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
# A second drive letter for the user's folders, as subst or a mapped drive
# gives one: the same program in the same folder, however it is reached.
# Made before anything runs: Wine derives a folder's volume serial number
# from the drive letters that reach it.
ln -s "$(winepath -u "$localAppData")" "$WINEPREFIX/dosdevices/y:"
instDirY='Y:\Programs\Zelvan'
# Drives an install cannot finish on, where this script may mount them: R:
# read-only, F: too small for the program (a disk that fills). Without
# mounts a folder without write permission stands for R:, unless this runs
# as root, whom permissions do not stop.
mkdir "$work/ro" "$work/full"
unwritable=
full=
if mount -t tmpfs -o ro,size=1m zelvan-ro "$work/ro" 2>/dev/null; then
    mounted+=("$work/ro")
    unwritable='R:\Zelvan'
    mount -t tmpfs -o size=4m zelvan-full "$work/full" 2>/dev/null &&
        mounted+=("$work/full") && full='F:\Zelvan'
elif [ "$(id -u)" != 0 ]; then
    chmod a-w "$work/ro"
    unwritable='R:\Zelvan'
fi
ln -s "$work/ro" "$WINEPREFIX/dosdevices/r:"
ln -s "$work/full" "$WINEPREFIX/dosdevices/f:"
startMenuLink=$(winepath -u "$appData\\Microsoft\\Windows\\Start Menu\\Programs\\Zelvan.lnk" 2>/dev/null)
desktopLink=$(winepath -u "$userProfile\\Desktop\\Zelvan.lnk" 2>/dev/null)
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvan'

entry=
readEntry() { entry=$(win reg query "HKCU\\$key"); }
value() { # the data of one value of $entry, as reg prints it
    sed -n "s/^    $1    REG_[A-Z_]*    //p" <<<"$entry"
}
expectValue() {
    local got
    got=$(value "$1")
    check "uninstall entry $1 = $got" [ "$got" = "$2" ]
}
absent() { ! win reg query "$1" >/dev/null; }
# Every installed file with its checksum: what "nothing changed" compares.
folderState() { (cd "$instDir" 2>/dev/null && find . -type f -exec md5sum {} + | sort); }
# Everything an administrator relies on: the entry, every file of the folder
# it names, and the shortcuts (which point into that folder); each file by
# its checksum, and by its inode and time, which a rewrite would change.
installState() {
    readEntry
    echo "$entry"
    (cd "$(winepath -u "$(value InstallLocation)" 2>/dev/null)" &&
        find . -type f -printf '%i %T@ %p\n' -exec md5sum {} + | sort)
    md5sum "$startMenuLink" "$desktopLink" 2>&1
}

# Waits for the program's main window; $program is the Wine process when
# this script started it.
window=
waitForWindow() {
    window=
    for _ in $(seq 120); do
        window=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        [ -n "$program" ] && ! kill -0 "$program" 2>/dev/null && break
        sleep 0.5
    done
    [ -n "$window" ]
}
# Asks the program to close (WM_CLOSE), as the window's close button does,
# and waits for its window to go and Wine to have no program left; ends it
# outright if it would not close.
closeProgram() {
    win taskkill /im zelvan.exe >/dev/null
    local closed=1
    for _ in $(seq 30); do
        if ! xdotool search --onlyvisible --name "^${title//./\\.}\$" >/dev/null 2>&1; then
            closed=0
            break
        fi
        sleep 0.5
    done
    [ "$closed" = 0 ] || win taskkill /f /im zelvan.exe >/dev/null
    [ -n "$program" ] && wait "$program" 2>/dev/null
    program=
    timeout 30 wineserver -w
    return $closed
}
# Runs a Windows command line as it stands and returns its exit code: Wine
# would quote an argument with a space, and NSIS reads /D= and _?= only
# unquoted.
runLine() { # runLine COMMAND-LINE
    printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$work/line.cmd"
    win cmd /c "$(winepath -w "$work/line.cmd")" >/dev/null
}
setupWin=$(winepath -w "$setup" 2>/dev/null)
# A registered uninstall command, as Programs and Features and deployment
# tools run it; its exit code is the uninstall's own: it waits for it.
runRegistered() { # runRegistered UninstallString|QuietUninstallString
    readEntry
    runLine "$(value "$1")"
}
# The silent install and the registered quiet uninstall, while what WHAT
# names runs: both refuse with 3 and change nothing.
refusedWhileRunning() { # refusedWhileRunning WHAT
    local before status
    before=$(installState)
    WINE_TIMEOUT=120 win "$setup" /S >/dev/null
    status=$?
    check "silent install over $1 exits with 3 ($status)" [ "$status" = 3 ]
    runRegistered QuietUninstallString
    status=$?
    check "  and the registered quiet uninstall with 3 ($status)" [ "$status" = 3 ]
    check "  and nothing changed" [ "$(installState)" = "$before" ]
}
# Interactively: the first of its windows titled TITLE shown, the page
# reached with PAGES presses of Return, then cancelled (Escape) and the
# warning answered "yes" once it shows. The keys wait in the window's
# queue, each page taking the next; the warning is a window of its own.
cancelOnPage() { # cancelOnPage TITLE PAGES
    local dialog= keys=() page _
    for _ in $(seq 120); do
        dialog=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n 1)
        [ -n "$dialog" ] && break
        sleep 0.5
    done
    for ((page = 0; page < $2; page++)); do keys+=(Return); done
    xdotool windowfocus --sync "$dialog" key "${keys[@]}" Escape 2>/dev/null
    for _ in $(seq 120); do
        [ "$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | wc -l)" -ge 2 ] && break
        sleep 0.5
    done
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^$1" | tail -n 1)" key Return 2>/dev/null
}
# Starts the program as PATH\zelvan.exe and waits for its window.
startProgramAs() {
    wine "$1\\zelvan.exe" >/dev/null 2>&1 &
    program=$!
    waitForWindow
}

# 1. An older version, running while the new one comes.
if [ -n "$stage" ]; then
    older=$work/zelvan-$olderVersion-win64-setup.exe
    # zlib: the test needs an installer, not a small one.
    makensis -V1 -INPUTCHARSET UTF8 -X"SetCompressor /FINAL zlib" \
        -DVERSION="$olderVersion" -DDISPLAY_VERSION="$olderDisplayVersion" \
        -DSTAGE="$stage" -DOUTFILE="$older" \
        "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/zelvan.nsi" >/dev/null
    check "older installer $olderVersion made" [ -s "$older" ]
    WINE_TIMEOUT=120 win "$older" /S >/dev/null
    status=$?
    readEntry
    check "older version installed ($status, $(value DisplayVersion))" \
        [ "$status" = 0 -a "$(value DisplayVersion)" = "$olderDisplayVersion" ]
    # A plugin only the older version had, which the upgrade must not keep.
    touch "$instDir/imageformats/qstale.dll"
    check "older version's window shown, started as $instDirY\\zelvan.exe" startProgramAs "$instDirY"
    before=$(folderState)

    WINE_TIMEOUT=120 win "$setup" /S >/dev/null
    status=$?
    readEntry
    check "silent upgrade over the running program exits with 3 ($status)" [ "$status" = 3 ]
    check "  and changes no file" [ "$(folderState)" = "$before" ]
    check "  nor the entry ($(value DisplayVersion))" [ "$(value DisplayVersion)" = "$olderDisplayVersion" ]

    runRegistered QuietUninstallString
    status=$?
    readEntry
    check "registered quiet uninstall of the running program exits with 3 ($status)" [ "$status" = 3 ]
    check "  and keeps every file, the uninstaller among them" [ "$(folderState)" = "$before" ]
    check "  and the entry" [ "$(value DisplayVersion)" = "$olderDisplayVersion" ]
    check "  and the shortcuts" [ -s "$startMenuLink" -a -s "$desktopLink" ]

    # Interactively: Return on every page, on the offer to close the
    # program, and on the finish page (which starts the new program).
    WINE_TIMEOUT=180 win "$setup" >/dev/null &
    installer=$!
    for _ in $(seq 120); do
        kill -0 "$installer" 2>/dev/null || break
        dialog=$(xdotool search --onlyvisible --name "^Zelvan 安装" 2>/dev/null | tail -n 1)
        [ -n "$dialog" ] && xdotool windowfocus --sync "$dialog" key Return 2>/dev/null
        sleep 1
    done
    wait "$installer"
    status=$?
    readEntry
    check "interactive upgrade offered to close the program, which ended" \
        eval '! kill -0 "$program" 2>/dev/null'
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    check "  and installed $displayVersion ($status)" \
        [ "$status" = 0 -a "$(value DisplayVersion)" = "$displayVersion" ]
    # The finish page started the new version (through the shell, so not
    # as a child of this script): it shows and is closed.
    program=
    check "  and started it from its finish page" waitForWindow
    closeProgram
    check "the older version's plugin is gone" [ ! -e "$instDir/imageformats/qstale.dll" ]
    check "the program is the new one" cmp -s "$stage/zelvan.exe" "$instDir/zelvan.exe"
else
    echo "(no stage folder: no upgrade checks)"
    # Silent install, for the current user by default.
    WINE_TIMEOUT=120 win "$setup" /S >/dev/null
    status=$?
    check "silent install exits with 0 ($status)" [ "$status" = 0 ]
fi

for file in zelvan.exe zelvan-adverthost.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll \
    imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll \
    translations/qtbase_zh_CN.qm; do
    check "installed $file" [ -s "$instDir/$file" ]
done
check "Start-menu shortcut" [ -s "$startMenuLink" ]
check "desktop shortcut" [ -s "$desktopLink" ]

# Builds of 5.4 before the folder's identity named their running mark after
# the folder as they were started from it, in lower case with "/" for "\":
# one of them still running is seen by the installer and the uninstaller.
if [ -n "${ZELVAN_STANDIN:-}" ]; then
    legacyMark="Global\\Zelvan-$(tr 'A-Z\\' 'a-z/' <<<"$instDirWin")"
    wine "$ZELVAN_STANDIN" mark "$legacyMark" >"$work/mark" 2>/dev/null &
    program=$!
    for _ in $(seq 120); do
        grep -q held "$work/mark" && break
        sleep 0.5
    done
    check "an earlier build's running mark held" grep -q held "$work/mark"
    refusedWhileRunning "an earlier build's running mark"
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    program=
fi

entry=$(win reg query "HKCU\\$key")
status=$?
check "uninstall entry under HKCU" [ "$status" = 0 ]
check "one uninstall entry" [ "$(grep -c '^HKEY' <<<"$entry")" = 1 ]
expectValue DisplayName Zelvan
expectValue DisplayVersion "$displayVersion"
expectValue Publisher Orvane
expectValue DisplayIcon "$instDirWin\\zelvan.exe,0"
expectValue InstallLocation "$instDirWin"
expectValue UninstallString "\"$instDirWin\\uninstall.exe\" /CurrentUser _?=$instDirWin"
expectValue QuietUninstallString "\"$instDirWin\\uninstall.exe\" /CurrentUser /S _?=$instDirWin"
expectValue NoModify 0x1
expectValue NoRepair 0x1
# The files' sizes in KB, as the installer sums them.
estimated=$(value EstimatedSize)
actual=$(find "$instDir" -type f -printf '%s\n' 2>/dev/null | awk '{ n += $1 } END { print int(n / 1024) }')
difference=$((estimated - actual))
check "EstimatedSize $((estimated)) KB, the files take $actual KB" \
    [ "$actual" -gt 0 -a "${difference#-}" -le $((actual / 20)) ]
check "no per-machine entry" absent "HKLM\\$key"

# 2. What cannot be finished changes nothing: cancelled on each page (1),
# onto a read-only drive and onto one that fills (2, NSIS's "aborted"),
# into a file (9).
before=$(installState)
for page in 0 1 2; do
    WINE_TIMEOUT=180 win "$setup" >/dev/null &
    installer=$!
    cancelOnPage "Zelvan 安装" "$page"
    wait "$installer"
    status=$?
    check "install cancelled on page $((page + 1)) exits with 1 ($status)" [ "$status" = 1 ]
done
check "  and nothing changed" [ "$(installState)" = "$before" ]
for target in "$unwritable" "$full" 'C:\windows\notepad.exe'; do
    if [ -z "$target" ]; then
        echo "(a drive that fills or cannot be written needs mounts here: not tried)"
        continue
    fi
    expected=2
    [[ $target == C:* ]] && expected=9
    WINE_TIMEOUT=120 win "$setup" /S "/D=$target" >/dev/null
    status=$?
    check "silent install into $target exits with $expected ($status)" [ "$status" = "$expected" ]
    check "  and nothing changed" [ "$(installState)" = "$before" ]
done
check "nothing left on the drive that filled" [ -z "$(ls -A "$work/full")" ]

# 3. Moved to a folder with a long name (the earlier one goes once the new
# one is registered), where the program started by its 8.3 short name is
# found running by the installer and the registered uninstall; then back,
# with /D= naming the default folder while the other one is registered.
longDirWin="$localAppData\\Programs\\Zelvan Units"
WINE_TIMEOUT=120 runLine "\"$setupWin\" /S /D=$longDirWin"
status=$?
readEntry
check "silent install into \"$longDirWin\" exits with 0 ($status)" \
    [ "$status" = 0 -a "$(value InstallLocation)" = "$longDirWin" ]
check "  and the earlier folder is gone" [ ! -e "$instDir" ]
shortDirWin=$(winepath -s "$longDirWin" 2>/dev/null)
check "window shown, started as $shortDirWin\\zelvan.exe" startProgramAs "$shortDirWin"
refusedWhileRunning "the program started by its short name"
closeProgram
WINE_TIMEOUT=120 runLine "\"$setupWin\" /S /D=$instDirWin"
status=$?
readEntry
check "silent install with /D= naming the default folder exits with 0 ($status)" \
    [ "$status" = 0 -a "$(value InstallLocation)" = "$instDirWin" ]
check "  and the folder with the long name is gone" [ ! -e "$(winepath -u "$longDirWin")" ]

# 4. The installed program starts from its Start-menu shortcut and shows
# its window.
# (start returns once the program runs: it is followed by its window.)
win start /unix "$startMenuLink" >/dev/null
program=
check "main window \"$title\" shown, started from the shortcut" waitForWindow
if [ -n "$window" ] && [ -n "${SCREENSHOT:-}" ]; then
    # Give the first paint (and the pictures) a moment to land.
    sleep 2
    check "screenshot $SCREENSHOT" import -window root "$SCREENSHOT"
fi
check "program ends when its window is closed" closeProgram
# The web panel's browser control asked for its newest document mode, for
# this user only, under the name of the program it runs in (the advert host).
emulation='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'
check "browser control's document mode set" eval 'win reg query "$emulation" /v zelvan-adverthost.exe >/dev/null'

# 5. What Windows reads from zelvan.exe before it runs it.
manifest=$(wrestool -x --raw -t 24 "$instDir/zelvan.exe" 2>/dev/null | tr -d '\r')
for part in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
    '>PerMonitorV2</dpiAwareness>' 'level="asInvoker"'; do
    check "manifest holds $part" grep -qF "$part" <<<"$manifest"
done

# 6. A silent downgrade is refused (without /AllowDowngrade).
if [ -n "$stage" ]; then
    before=$(folderState)
    WINE_TIMEOUT=120 win "$older" /S >/dev/null
    status=$?
    readEntry
    check "silent downgrade exits with 4 ($status)" [ "$status" = 4 ]
    check "  and changes nothing" [ "$(folderState)" = "$before" -a "$(value DisplayVersion)" = "$displayVersion" ]
fi

# A copy for all users beside this one is refused silently. (Wine's user
# is an administrator: no second, elevated start.)
WINE_TIMEOUT=120 win "$setup" /S /AllUsers >/dev/null
status=$?
check "silent install for all users beside the user's copy exits with 5 ($status)" [ "$status" = 5 ]
check "  and writes no per-machine entry" absent "HKLM\\$key"

# 7. Signatures, when the build was signed with a certificate given here.
if [ -n "${ZELVAN_SIGN_CA:-}" ]; then
    for file in "$setup" "$instDir/zelvan.exe" "$instDir/uninstall.exe"; do
        check "signature of $(basename "$file") verified" \
            eval 'osslsigncode verify -CAfile "$ZELVAN_SIGN_CA" -in "$file" >/dev/null 2>&1'
    done
fi

# 8. A cancelled uninstall changes nothing; the registered quiet uninstall
# returns once everything is gone.
before=$(installState)
runRegistered UninstallString &
uninstaller=$!
cancelOnPage "Zelvan 卸载" 0
wait "$uninstaller"
status=$?
check "uninstall cancelled on its page exits with 1 ($status)" [ "$status" = 1 ]
check "  and nothing changed" [ "$(installState)" = "$before" ]
runRegistered QuietUninstallString
status=$?
check "silent uninstall exits with 0 ($status)" [ "$status" = 0 ]
check "install folder removed, and nothing beside it" [ -z "$(ls -A "$(dirname "$instDir")")" ]
check "Start-menu shortcut removed" [ ! -e "$startMenuLink" ]
check "desktop shortcut removed" [ ! -e "$desktopLink" ]
check "uninstall entry removed" absent "HKCU\\$key"
check "browser control's document mode removed" eval '! win reg query "$emulation" /v zelvan-adverthost.exe >/dev/null'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
