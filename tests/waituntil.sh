# Sourced by the test runners: waits for a server they started.
# wait_until PID LIMIT WHAT LOG COMMAND...: runs COMMAND every 20 ms until it
# succeeds; when the process PID ends first, or LIMIT seconds pass, says
# "WHAT:" with the server's LOG and fails.
wait_until() {
    wait_pid=$1 wait_tries=$(($2 * 50)) wait_what=$3 wait_log=$4
    shift 4
    until "$@"; do
        if ! kill -0 "$wait_pid" 2>/dev/null || [ "$wait_tries" -le 0 ]; then
            echo "$wait_what:"
            cat "$wait_log"
            return 1
        fi
        wait_tries=$((wait_tries - 1))
        sleep 0.02
    done
}
