#!/bin/sh
# Runs a Windows program (or a command that runs several, such as ctest)
# under Wine in a private session: a new Wine prefix and a private X server,
# both gone afterwards. Inside such a session, a program is simply run with
# Wine. ctest uses this as the emulator of the Windows build's tests, so a
# test run directly gets a session of its own and `make test-windows` one
# session for all. Exit 77 (skipped) where Wine or Xvfb is missing.
set -u

if [ -n "${ZELVAN_WINE_SESSION:-}" ]; then
    # Wine keeps QT_* variables from Windows programs unless they come as
    # WINEQT_*. Qt Test writes to the debugger, not to a pipe, unless told.
    for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
        eval "export WINE$name=\"\$$name\""
    done
    export WINEQT_FORCE_STDERR_LOGGING=1
    case $1 in
    *.exe) exec wine "$@" ;;
    *) exec "$@" ;;
    esac
fi

for tool in wine wineboot wineserver Xvfb; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/install-deps --windows)"
        exit 77
    fi
done

session=$(mktemp -d "${TMPDIR:-/tmp}/zelvan-wine.XXXXXX") || exit 1
export WINEPREFIX=$session/prefix WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer dialogs in a new prefix: nothing here needs them.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export ZELVAN_WINE_SESSION=1
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The prefix is dressed as a Windows desktop: Wine draws the window frames
# itself, as Windows does, rather than leaving them to an X window manager
# (there is none here); and the faces the windows are designed in, which a
# Windows install has, are the stand-ins of the same metrics Linux uses
# (the installer's pages ask for SimSun by its Chinese name, hence a file in
# the registry editor's Unicode form).
cat >"$session/desktop.txt" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Arial Narrow"="Nimbus Sans Narrow"
"Calibri"="Carlito"
"SimSun"="AR PL UMing CN"
"宋体"="AR PL UMing CN"
"NSimSun"="AR PL UMing CN"
"SimHei"="WenQuanYi Micro Hei"
"Tahoma"="DejaVu Sans"
REG
{ printf '\377\376' && iconv -f UTF-8 -t UTF-16LE "$session/desktop.txt"; } >"$session/desktop.reg" || exit 1

# Wine draws its windows on the private display; the prefix is made there
# too, so that nothing reaches the caller's screen.
"$(dirname "$0")/run-under-xvfb.sh" sh -c '
    { wineboot -i && wine regedit /S "$(winepath -w "$0")"; } >/dev/null 2>&1 ||
        { echo "run-under-wine: no Wine prefix" >&2; exit 1; }
    script=$1; shift; exec "$script" "$@"' "$session/desktop.reg" "$0" "$@"
