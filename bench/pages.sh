#!/bin/bash
# bench/pages.sh ZELVAN [SECONDS]
# How the web panel copes with adverts that would hurt: the plain advert of
# bench/advert and each page of bench/pages is served as zelvan's advert on
# 127.0.0.1:$ADVERT_PORT (zelvan built with that as its site, as make bench
# does) and zelvan is left running on a private X server for SECONDS
# (default 60). Sampled every half second: the resident memory of zelvan and
# its engine processes together (peak), and the proportional set size (PSS,
# shared pages split among the processes that map them) of zelvan's own
# process and of all of them (peaks); the most processes it had at once; at
# the end, the PSS of zelvan's own process and of all; their processor time
# over the last quarter of the run (share of one core, over the time that
# quarter really took); how often the advert was asked for, how many
# requests reached the server in all, and how many of them under another
# host name than the site's (the page left its site). A page's companion
# files (bench/pages/NAME.*.js, such as a service worker) are served beside
# it. BENCH_PAGES="name ..." runs only those pages ("advert" is the plain
# one).
set -u
ZELVAN=${1:?usage: $0 ZELVAN [SECONDS]}
SECONDS_RUN=${2:-60}
: "${ADVERT_PORT:?ADVERT_PORT: the port zelvan was built to take its advert from}"
HERE=$(cd "$(dirname "$0")" && pwd)
TMPD=$(mktemp -d)
SERVER_PID=""; XVFB_PID=""
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$TMPD"
}
trap cleanup EXIT

descendants() {
    local c
    echo "$1"
    for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do descendants "$c"; done
}
pss_kb() { awk '$1 == "Pss:" { print $2; exit }' "/proc/$1/smaps_rollup" 2>/dev/null; }
rss_kb() { awk '$1 == "VmRSS:" { print $2; exit }' "/proc/$1/status" 2>/dev/null; }
# utime + stime in clock ticks, counted from the command's closing parenthesis.
ticks() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }'; }
HZ=$(getconf CLK_TCK)

Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$TMPD/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$TMPD/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$TMPD/display") QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$TMPD/config
mkdir -p "$XDG_CONFIG_HOME"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR=$TMPD/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
# The engine refuses to run as root with its sandbox on (the panel then stays empty).
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
    echo "# running as root: QTWEBENGINE_DISABLE_SANDBOX=1"
fi

printf '%-12s %10s %13s %13s %6s %20s %17s %8s %9s %9s %s\n' page "peak RSS" "peak PSS own" "peak PSS all" \
    "procs" "last PSS own / all" "CPU last quarter" "adverts" "requests" "off site" "zelvan"
for page in "$HERE"/advert/guanggao54.html "$HERE"/pages/*.html; do
    name=$(basename "$page" .html)
    [ "$name" = guanggao54 ] && name=advert
    if [ -n "${BENCH_PAGES:-}" ] && [[ " $BENCH_PAGES " != *" $name "* ]]; then continue; fi
    rm -rf "$TMPD/site"; mkdir -p "$TMPD/site"
    cp "$page" "$TMPD/site/guanggao54.html"
    for extra in "${page%.html}".*.js; do [ -e "$extra" ] && cp "$extra" "$TMPD/site/"; done
    : >"$TMPD/log"
    python3 "$HERE/advertserver.py" "$ADVERT_PORT" "$TMPD/site" "$TMPD/log" 2>/dev/null &
    SERVER_PID=$!
    # Until it listens (a loaded machine takes its time to start Python).
    for _ in $(seq 200); do
        (exec 3<>"/dev/tcp/127.0.0.1/$ADVERT_PORT") 2>/dev/null && break
        sleep 0.05
    done
    "$ZELVAN" >"$TMPD/zelvan.log" 2>&1 &
    pid=$!
    peak=0; peakown=0; peakall=0; procs=0; t45=""; end=$(( SECONDS_RUN * 2 ))
    declare -A seen=()
    declare -A last=()
    for i in $(seq "$end"); do
        sleep 0.5
        kill -0 "$pid" 2>/dev/null || break
        sum=0; psum=0; n=0
        own=$(pss_kb "$pid"); [ "${own:-0}" -gt "$peakown" ] && peakown=$own
        for p in $(descendants "$pid"); do
            n=$(( n + 1 ))
            r=$(rss_kb "$p"); sum=$(( sum + ${r:-0} ))
            r=$(pss_kb "$p"); psum=$(( psum + ${r:-0} ))
            t=$(ticks "$p"); [ -n "$t" ] && last[$p]=$t
            [ -n "${seen[$p]:-}" ] || seen[$p]=${t:-0}
        done
        [ "$sum" -gt "$peak" ] && peak=$sum
        [ "$n" -gt "$procs" ] && procs=$n
        [ "$psum" -gt "$peakall" ] && peakall=$psum
        if [ "$i" -eq $(( SECONDS_RUN * 2 * 3 / 4 )) ]; then
            t45=0; for p in "${!last[@]}"; do t45=$(( t45 + ${last[$p]} )); done
            w45=$EPOCHREALTIME
        fi
    done
    wend=$EPOCHREALTIME
    alive=exited; kill -0 "$pid" 2>/dev/null && alive=running
    pss=0; for p in $(descendants "$pid"); do r=$(pss_kb "$p"); pss=$(( pss + ${r:-0} )); done
    lastown=$(pss_kb "$pid")
    tend=0; for p in "${!last[@]}"; do tend=$(( tend + ${last[$p]} )); done
    cpu=$(awk -v a="${t45:-0}" -v b="$tend" -v hz="$HZ" -v w0="${w45:-0}" -v w1="$wend" \
        'BEGIN { printf "%.0f %%", (w1 > w0 ? 100 * (b - a) / hz / (w1 - w0) : 0) }')
    adverts=$(grep -c ' /guanggao54.html' "$TMPD/log")
    requests=$(wc -l <"$TMPD/log")
    offsite=$(awk -v site="127.0.0.1:$ADVERT_PORT" '$3 != site' "$TMPD/log" | wc -l)
    mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }
    printf '%-12s %10s %13s %13s %6s %20s %17s %8s %9s %9s %s\n' "$name" "$(mb "$peak")" "$(mb "$peakown")" \
        "$(mb "$peakall")" "$procs" "$(mb "${lastown:-0}") / $(mb "$pss")" "$cpu of a core" "$adverts" "$requests" \
        "$offsite" "$alive"
    for p in $(descendants "$pid"); do kill -KILL "$p" 2>/dev/null; done
    wait "$pid" 2>/dev/null
    kill "$SERVER_PID" 2>/dev/null; wait "$SERVER_PID" 2>/dev/null; SERVER_PID=""
    unset seen last w45
done
