#!/usr/bin/env bash
# bench/startup.sh ZELVAN BARE_WINDOW [CONTENT_WINDOW]
#
# Start-up benchmark. On a private Xvfb (no window manager), launches zelvan,
# the bare Qt window (bench_barewindow) and two desktop calculators from the
# distribution (speedcrunch, galculator) RUNS times each, round-robin so that
# background noise falls on all of them alike, after one discarded warm-up
# round. For every launch it records:
#
#   launch-to-map  wall time from just before the fork until the X server
#                  reports the program's top-level window mapped (MapNotify on
#                  the root window; the window is the program's when its
#                  _NET_WM_PID is the launched process or one of its children)
#   peak RSS       VmHWM of the launched process, read HOLD_MS after the map so
#                  that the first paint is in it; for a program that loads its
#                  web panel after the first paint, the last reading before
#                  the panel's libraries (its module, the web engine, the GL
#                  driver) appear in its address space
#
# then prints min/median/max per program and the ratios against the goals.
# CONTENT_WINDOW (bench_contentwindow) is the bare window's sibling with
# content of zelvan's kind (menus, frames, 35 line edits, Chinese labels; no
# pictures or style sheets); when given it runs as "content" and zelvan's
# ratios against it are printed beside those against the empty window.
# Finally zelvan is started once more per WEB_RUNS and left WEB_WAIT_S seconds
# for its web panel to load: every map of its window is counted (the window
# must be mapped once), the advert's first painted frame is timed when
# ADVERT_PORT serves it, and the proportional set size of zelvan and its
# QtWebEngineProcess children is summed.
#
# Environment: RUNS=7 HOLD_MS=500 TIMEOUT_S=20 GAP_MS=300 WEB_RUNS=3 WEB_WAIT_S=5
#              PROGRAMS="zelvan bare content speedcrunch galculator" (a subset measures less)
#              ADVERT_PORT (unset: no advert server; make bench sets it)
# Needs: bash >= 5, Xvfb, xev and xprop (x11-utils), stdbuf and timeout (coreutils).
set -u

usage() { echo "usage: $0 ZELVAN BARE_WINDOW [CONTENT_WINDOW]" >&2; exit 2; }
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
ZELVAN=$1
BARE=$2
CONTENT=${3:-}
RUNS=${RUNS:-7}
HOLD_MS=${HOLD_MS:-500}
TIMEOUT_S=${TIMEOUT_S:-20}
GAP_MS=${GAP_MS:-300}
WEB_RUNS=${WEB_RUNS:-3}
WEB_WAIT_S=${WEB_WAIT_S:-5}
PROGRAMS=${PROGRAMS:-zelvan bare${CONTENT:+ content} speedcrunch galculator}

for n in RUNS HOLD_MS TIMEOUT_S GAP_MS WEB_RUNS WEB_WAIT_S; do
    [[ ${!n} =~ ^[0-9]+$ ]] || { echo "startup.sh: $n must be a whole number" >&2; exit 2; }
done
[ "$RUNS" -ge 1 ] || { echo "startup.sh: RUNS must be at least 1" >&2; exit 2; }
for f in "$ZELVAN" "$BARE" ${CONTENT:+"$CONTENT"}; do
    [ -x "$f" ] || { echo "startup.sh: $f is not an executable (build it first)" >&2; exit 2; }
done
for tool in Xvfb xev xprop stdbuf timeout; do
    command -v "$tool" >/dev/null || {
        echo "startup.sh: $tool is missing (scripts/install-deps --bench)" >&2; exit 3; }
done

TMPD=$(mktemp -d /tmp/zelvan-startup.XXXXXX)
XVFB_PID=""
XEV_PID=""
LAUNCHED=""    # the program of the current launch, while it runs

# The launched process and everything below it (children are listed per thread).
descendants() {
    local c
    echo "$1"
    for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do descendants "$c"; done
}

# Ends a process tree by pid: politely, then for good after a bounded wait.
stop_tree() {
    local pids p
    pids=$(descendants "$1")
    for p in $pids; do kill -TERM "$p" 2>/dev/null; done
    for _ in $(seq 40); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
    for p in $pids; do kill -KILL "$p" 2>/dev/null; done
    wait "$1" 2>/dev/null
}

stop_xev() {
    [ -n "$XEV_PID" ] || return 0
    exec 3<&- 2>/dev/null
    kill "$XEV_PID" 2>/dev/null
    wait "$XEV_PID" 2>/dev/null
    XEV_PID=""
}

cleanup() {
    [ -n "$LAUNCHED" ] && stop_tree "$LAUNCHED"
    stop_xev
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        for _ in $(seq 40); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.05; done
        kill -KILL "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$TMPD"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# One value (in kB) from /proc/PID/status into the variable KIB; empty if gone.
read_kib() {
    local k v rest
    KIB=""
    while read -r k v rest; do
        [ "$k" = "$2:" ] && { KIB=$v; return 0; }
    done <"/proc/$1/status" 2>/dev/null
    return 1
}

# What of the web panel's machinery a process has mapped: the panel's module,
# the web engine, and the GL driver that the engine draws with.
panel_libs() {
    grep -o -E 'zelvan_webview|libQt6WebEngine[A-Za-z]*|swrast_dri|libLLVM[^/]*\.so' "/proc/$1/maps" 2>/dev/null |
        sort -u | tr '\n' ' '
}

ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }

# Centiseconds since boot into UP. Launches are timed with the wall clock (to
# the microsecond), but the wall clock of a virtual machine can step; this
# coarse clock never does, so deadlines use it and it checks the wall clock.
uptime_cs() {
    local up rest
    read -r up rest </proc/uptime
    UP=$(( 10#${up/./} ))
}

# --- the display ------------------------------------------------------------
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$TMPD/display" 2>"$TMPD/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$TMPD/display" ] && break; sleep 0.05; done
if ! [ -s "$TMPD/display" ]; then
    echo "startup.sh: Xvfb did not start:" >&2; cat "$TMPD/xvfb.log" >&2; exit 4
fi
export DISPLAY=":$(head -n1 "$TMPD/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# Settings the calculators write stay in here, and a user's own don't bias them.
export XDG_CONFIG_HOME="$TMPD/config"
mkdir -p "$XDG_CONFIG_HOME"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$TMPD/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
ram=$(awk '$1 == "MemTotal:" { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
qt=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo "?")
echo "# $(nproc) CPUs (${cpu:-?}), $ram RAM, Qt $qt; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# Xvfb $DISPLAY 1280x1024x24, no window manager"
if [ "$(id -u)" -eq 0 ]; then
    # Chromium refuses to start its sandbox as root; that is the harness's
    # business, not the program's.
    export QTWEBENGINE_DISABLE_SANDBOX=1
    echo "# running as root: QTWEBENGINE_DISABLE_SANDBOX=1 is set for every program measured"
fi

# --- one launch -------------------------------------------------------------
# start_xev NAME: xev reports the root window's events on descriptor 3, and
# is listening when this returns: it has reported our own property change.
start_xev() {
    local fifo=$TMPD/xev.fifo line
    rm -f "$fifo"; mkfifo "$fifo"
    stdbuf -oL xev -root -event substructure -event property >"$fifo" 2>/dev/null &
    XEV_PID=$!
    exec 3<"$fifo"
    timeout 5 xprop -root -format _ZELVAN_BENCH 8s -set _ZELVAN_BENCH "$1" 2>/dev/null
    while IFS= read -r -t 5 -u 3 line; do
        [[ $line == PropertyNotify* ]] && break
    done
}

# launch NAME CMD... : starts CMD and waits for its top-level window to map.
# Sets MAP_MS (empty when nothing mapped), WIN, MAP_HWM and MAP_LIBS (VmHWM
# and panel_libs at the map), STEPPED (1 when the wall clock stepped during
# the launch, so MAP_MS is void) and leaves the program running as LAUNCHED.
launch() {
    local name=$1 line t0 u0 tmap="" umap="" pending="" upending="" w wpid deadline rc
    shift
    MAP_MS=""; WIN=""; MAP_HWM=""; MAP_LIBS=""; STEPPED=0
    start_xev "$name"

    uptime_cs; u0=$UP
    t0=$EPOCHREALTIME
    "$@" >"$TMPD/$name.log" 2>&1 &
    LAUNCHED=$!
    deadline=$(( u0 + TIMEOUT_S * 100 ))
    while :; do
        uptime_cs
        [ "$UP" -lt "$deadline" ] || break
        IFS= read -r -t 0.5 -u 3 line; rc=$?
        if [ $rc -gt 128 ]; then
            kill -0 "$LAUNCHED" 2>/dev/null && continue
            break
        elif [ $rc -ne 0 ]; then
            break
        fi
        case $line in
            MapNotify*)
                pending=$EPOCHREALTIME
                uptime_cs; upending=$UP
                # The first memory reading, before anything else can happen
                # in the program (its web engine loads right after it paints).
                read_kib "$LAUNCHED" VmHWM; MAP_HWM=$KIB
                MAP_LIBS=$(panel_libs "$LAUNCHED") ;;
            *", override NO"*)
                if [ -n "$pending" ] && [[ $line =~ window\ (0x[0-9a-f]+),\ override ]]; then
                    w=${BASH_REMATCH[1]}
                    wpid=$(timeout 2 xprop -id "$w" _NET_WM_PID 2>/dev/null | sed -n 's/.* = \([0-9]*\)$/\1/p')
                    if [ -n "$wpid" ] && descendants "$LAUNCHED" | grep -qx "$wpid"; then
                        tmap=$pending; umap=$upending; WIN=$w; break
                    fi
                fi
                pending="" ;;
            *) pending="" ;;
        esac
    done
    stop_xev
    [ -n "$tmap" ] || return 0
    MAP_MS=$(ms_between "$t0" "$tmap")
    # The two clocks agree to within the coarse one's tick unless the wall
    # clock stepped.
    awk -v w="$MAP_MS" -v u="$(( (umap - u0) * 10 ))" 'BEGIN { d = w - u; exit !(d > 25 || d < -25) }' &&
        STEPPED=1
    return 0
}

# Peak RSS of LAUNCHED up to HOLD_MS after its map, or up to the moment the web
# panel starts loading in it (a library of panel_libs appears that was not
# there at the map). Sets HWM (kB) and CUT (1 when the panel cut it short).
peak_rss() {
    local end
    HWM=$MAP_HWM; CUT=0
    uptime_cs; end=$(( UP + HOLD_MS / 10 ))
    while :; do
        read_kib "$LAUNCHED" VmHWM || break
        # Read before looking at the maps: a reading taken while the panel's
        # libraries were not yet mapped cannot contain them.
        if [ "$(panel_libs "$LAUNCHED")" != "$MAP_LIBS" ]; then CUT=1; break; fi
        HWM=$KIB
        uptime_cs; [ "$UP" -lt "$end" ] || break
        sleep 0.02
    done
}

title_of() { timeout 2 xprop -id "$1" WM_NAME 2>/dev/null | sed -n 's/^WM_NAME([^)]*) = //p'; }

# --- the programs -------------------------------------------------------------
declare -A CMD=([zelvan]="$ZELVAN" [bare]="$BARE")
declare -A TIMES HWMS TITLE FAILS CUTS
NAMES=()
for n in $PROGRAMS; do
    case $n in
        zelvan|bare) NAMES+=("$n") ;;
        # --- the window with content (optional third argument) ---
        content)
            if [ -n "$CONTENT" ]; then
                NAMES+=("$n"); CMD[$n]=$CONTENT
            else
                echo "# content: no CONTENT_WINDOW given: skipped"
            fi ;;
        speedcrunch|galculator)
            if command -v "$n" >/dev/null; then
                NAMES+=("$n"); CMD[$n]=$(command -v "$n")
            else
                echo "# $n is not installed (scripts/install-deps --bench installs it): skipped"
            fi ;;
        *) echo "startup.sh: unknown program '$n' in PROGRAMS" >&2; exit 2 ;;
    esac
done
for n in "${NAMES[@]}"; do TIMES[$n]=""; HWMS[$n]=""; FAILS[$n]=0; CUTS[$n]=0; done

# measure NAME ROUND : one launch of NAME with its figures recorded (round 0
# is the warm-up and records nothing). A launch during which the wall clock
# stepped is void and made again, up to three times.
measure() {
    local n=$1 round=$2 attempt state
    for attempt in 1 2 3; do
        launch "$n" "${CMD[$n]}"
        state=""
        if [ -n "$MAP_MS" ]; then
            peak_rss
            [ -z "${TITLE[$n]:-}" ] && TITLE[$n]=$(title_of "$WIN")
        elif kill -0 "$LAUNCHED" 2>/dev/null; then
            state="still running"
        else
            wait "$LAUNCHED" 2>/dev/null; state="exited with status $?"
        fi
        stop_tree "$LAUNCHED"; LAUNCHED=""
        sleep "$(awk -v m="$GAP_MS" 'BEGIN { print m / 1000 }')"
        [ "$STEPPED" -eq 1 ] || break
        printf 'run %d %-12s void: the wall clock stepped during it (%s ms); made again\n' "$round" "$n" "$MAP_MS"
        MAP_MS=""; state="the wall clock kept stepping"
    done
    if [ "$round" -eq 0 ]; then
        [ -n "$MAP_MS" ] || echo "# warm-up: $n mapped no window within ${TIMEOUT_S}s ($state)"
    elif [ -n "$MAP_MS" ]; then
        TIMES[$n]+="$MAP_MS "
        [ -n "$HWM" ] && HWMS[$n]+="$HWM "
        [ "$CUT" -eq 1 ] && CUTS[$n]=$(( CUTS[$n] + 1 ))
        printf 'run %d %-12s map %7s ms  peak RSS %7s kB\n' "$round" "$n" "$MAP_MS" "${HWM:-?}"
    else
        FAILS[$n]=$(( FAILS[$n] + 1 ))
        printf 'run %d %-12s NO WINDOW MAPPED within %ss (%s); its last output:\n' \
            "$round" "$n" "$TIMEOUT_S" "$state"
        tail -n 5 "$TMPD/$n.log" | sed 's/^/    /'
    fi
}

echo "# $RUNS runs each after one warm-up round, round-robin: ${NAMES[*]}"
for round in $(seq 0 "$RUNS"); do
    for n in "${NAMES[@]}"; do measure "$n" "$round"; done
done

# min median max of the numbers in $1, or nothing when there are none
stats() {
    tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END {
        if (NR == 0) exit
        m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
        printf "%s %s %s %d", a[1], m, a[NR], NR }'
}
declare -A MEDIAN_MS MEDIAN_KB
echo
echo "launch-to-map (ms) and peak RSS of the main process (MB), $RUNS runs:"
printf '  %-12s %5s %8s %8s %8s %12s  %s\n' program n min median max "peak RSS" "window title"
for n in "${NAMES[@]}"; do
    read -r tmin tmed tmax count <<<"$(stats "${TIMES[$n]}")"
    read -r _ kmed _ _ <<<"$(stats "${HWMS[$n]}")"
    if [ -z "${count:-}" ]; then
        printf '  %-12s %5s  no run mapped a window\n' "$n" 0
        continue
    fi
    MEDIAN_MS[$n]=$tmed
    mem="?"
    if [ -n "${kmed:-}" ]; then
        MEDIAN_KB[$n]=$kmed; mem=$(awk -v k="$kmed" 'BEGIN { printf "%.1f", k / 1024 }')
    fi
    printf '  %-12s %5d %8.1f %8.1f %8.1f %12s  %s\n' "$n" "$count" "$tmin" "$tmed" "$tmax" "$mem" "${TITLE[$n]:-?}"
    [ "${CUTS[$n]}" -gt 0 ] &&
        echo "  ($n: in ${CUTS[$n]} runs the web panel began loading within the hold; peak RSS is the last reading before it)"
done

# ratio LABEL NUM DEN OP GOAL : prints NUM/DEN and whether it meets "OP GOAL"
ratio() {
    local label=$1 num=${2:-} den=${3:-} op=$4 goal=$5
    if [ -z "$num" ] || [ -z "$den" ]; then
        printf '  %-36s %6s  (goal %s %s)  not measured\n' "$label" "-" "$op" "$goal"
        return
    fi
    awk -v a="$num" -v b="$den" -v op="$op" -v g="$goal" -v l="$label" 'BEGIN {
        r = a / b
        ok = (op == "<=") ? (r <= g) : (r < g)
        printf "  %-36s %6.3f  (goal %s %s)  %s\n", l, r, op, g, ok ? "MET" : "NOT MET" }'
}
echo
echo "ratios of the medians:"
ratio "launch-to-map zelvan / bare window" "${MEDIAN_MS[zelvan]:-}" "${MEDIAN_MS[bare]:-}" "<=" 1.15
ratio "launch-to-map zelvan / speedcrunch" "${MEDIAN_MS[zelvan]:-}" "${MEDIAN_MS[speedcrunch]:-}" "<" 1
ratio "launch-to-map zelvan / galculator" "${MEDIAN_MS[zelvan]:-}" "${MEDIAN_MS[galculator]:-}" "<" 1
ratio "peak RSS zelvan / bare window" "${MEDIAN_KB[zelvan]:-}" "${MEDIAN_KB[bare]:-}" "<=" 1.2
# --- against the window with content ---
if [ -n "$CONTENT" ]; then
    ratio "launch-to-map zelvan / window w/ content" "${MEDIAN_MS[zelvan]:-}" "${MEDIAN_MS[content]:-}" "<=" 1.15
    ratio "peak RSS zelvan / window w/ content" "${MEDIAN_KB[zelvan]:-}" "${MEDIAN_KB[content]:-}" "<=" 1.2
fi

# --- the web panel, on its own ------------------------------------------------
# Proportional set size (kB) of a process: shared library pages are split
# among the processes that map them, so the sum over processes is honest.
pss_of() { awk '$1 == "Pss:" { print $2; exit }' "/proc/$1/smaps_rollup" 2>/dev/null; }

# With ADVERT_PORT set (make bench builds zelvan with 127.0.0.1:ADVERT_PORT as
# its site), the advert page of bench/advert is served there, and the page
# reports its first painted frame back (GET /painted).
ADVERT_LOG=$TMPD/advert.log
SERVER_PID=""
if [ -n "${ADVERT_PORT:-}" ]; then
    python3 "$(dirname "$0")/advertserver.py" "$ADVERT_PORT" "$(dirname "$0")/advert" "$ADVERT_LOG" &
    SERVER_PID=$!
    trap 'kill "$SERVER_PID" 2>/dev/null; cleanup' EXIT
fi

# web_launch: starts zelvan and watches it for WEB_WAIT_S seconds. Sets
# WEB_MAPS (MapNotify events of managed windows: only zelvan draws on this
# display, so all of them are its), FIRST_MS and LAST_MS (launch to the first
# and the last of them), PAINT_MS (launch to the advert's first frame, empty
# without an advert server) and leaves zelvan running as LAUNCHED.
web_launch() {
    local line t0 u0 pending="" deadline rc t
    WEB_MAPS=0; FIRST_MS=""; LAST_MS=""; PAINT_MS=""
    : >"$ADVERT_LOG"
    start_xev web
    uptime_cs; u0=$UP
    t0=$EPOCHREALTIME
    "$ZELVAN" >"$TMPD/web.log" 2>&1 &
    LAUNCHED=$!
    deadline=$(( u0 + WEB_WAIT_S * 100 ))
    while :; do
        uptime_cs
        [ "$UP" -lt "$deadline" ] || break
        IFS= read -r -t 0.5 -u 3 line; rc=$?
        [ $rc -gt 128 ] && continue
        [ $rc -ne 0 ] && break
        case $line in
            MapNotify*) pending=$EPOCHREALTIME ;;
            *", override NO"*)
                if [ -n "$pending" ]; then
                    WEB_MAPS=$(( WEB_MAPS + 1 ))
                    LAST_MS=$(ms_between "$t0" "$pending")
                    [ -n "$FIRST_MS" ] || FIRST_MS=$LAST_MS
                fi
                pending="" ;;
            *) pending="" ;;
        esac
    done
    stop_xev
    t=$(awk '$2 == "/painted" { print $1; exit }' "$ADVERT_LOG")
    [ -n "$t" ] && PAINT_MS=$(ms_between "$t0" "$t")
    return 0
}

echo
advert="none, the panel shows an error page"
[ -n "$SERVER_PID" ] && advert="served on 127.0.0.1:$ADVERT_PORT"
echo "web panel: zelvan left ${WEB_WAIT_S}s after launch, $WEB_RUNS runs (advert: $advert):"
WEB_PSS=""; MAIN_PSS=""; TOTAL_PSS=""; LASTS=""; PAINTS=""; MAPS=""
for run in $(seq "$WEB_RUNS"); do
    web_launch
    count=0; pss=0
    for p in $(descendants "$LAUNCHED"); do
        [ "$p" = "$LAUNCHED" ] && continue
        [[ $(cat "/proc/$p/comm" 2>/dev/null) == QtWebEngineProc* ]] || continue
        count=$(( count + 1 )); pss=$(( pss + $(pss_of "$p") ))
    done
    main=$(pss_of "$LAUNCHED")
    gl=$(grep -c -E 'swrast_dri|libLLVM' "/proc/$LAUNCHED/maps" 2>/dev/null)
    stop_tree "$LAUNCHED"; LAUNCHED=""
    printf '  run %d: %d maps (first %s ms, last %s ms), advert painted %s ms;' \
        "$run" "$WEB_MAPS" "${FIRST_MS:-?}" "${LAST_MS:-?}" "${PAINT_MS:-?}"
    printf ' PSS main %s kB + %d engine processes %s kB = %s kB; GL driver mapped: %s\n' \
        "${main:-?}" "$count" "$pss" "$(( ${main:-0} + pss ))" "$([ "${gl:-0}" -gt 0 ] && echo yes || echo no)"
    MAPS+="$WEB_MAPS "
    [ -n "$LAST_MS" ] && LASTS+="$LAST_MS "
    [ -n "$PAINT_MS" ] && PAINTS+="$PAINT_MS "
    if [ "$count" -gt 0 ]; then
        WEB_PSS+="$pss "; MAIN_PSS+="${main:-0} "; TOTAL_PSS+="$(( ${main:-0} + pss )) "
    fi
    sleep "$(awk -v m="$GAP_MS" 'BEGIN { print m / 1000 }')"
done
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
read -r _ _ maxmaps _ <<<"$(stats "$MAPS")"
read -r _ l _ _ <<<"$(stats "$LASTS")"
read -r _ pt _ _ <<<"$(stats "$PAINTS")"
echo "  median launch -> last map of the main window ${l:-?} ms (most maps in a run: ${maxmaps:-?});" \
     "launch -> advert painted ${pt:-not measured} ms"
if [ -n "$TOTAL_PSS" ]; then
    read -r _ s _ _ <<<"$(stats "$WEB_PSS")"
    read -r _ m _ _ <<<"$(stats "$MAIN_PSS")"
    read -r _ t _ _ <<<"$(stats "$TOTAL_PSS")"
    echo "  median PSS: main process $(mb "$m") MB + engine processes $(mb "$s") MB = $(mb "$t") MB"
else
    echo "  no QtWebEngineProcess children appeared: the web panel did not start"
fi

failed=0
for n in "${NAMES[@]}"; do failed=$(( failed + FAILS[$n] )); done
[ "$failed" -eq 0 ] || { echo "startup.sh: $failed launches mapped no window" >&2; exit 1; }
