# A virtual display (Xvfb) for the GUI checks, started so that it cannot hang:
# the server takes a free display itself and writes its number once it
# accepts connections (-displayfd), the wait for it is bounded, and a server
# that has not answered in time is stopped and started once more.
#
#   source scripts/virtual-display.sh
#   tallis_start_virtual_display     # sets DISPLAY, or fails after two tries
#   tallis_stop_virtual_display

tallis_xvfb_pid=

tallis_start_virtual_display() {
    local attempt fifo ready number
    for attempt in 1 2; do
        # A pipe opened for reading and writing: the read below never waits
        # for a writer, only (at most 30 s) for the display number.
        fifo=$(mktemp -u)
        mkfifo "$fifo"
        exec {ready}<>"$fifo"
        rm -f "$fifo"
        Xvfb -displayfd "$ready" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        tallis_xvfb_pid=$!
        if read -r -t 30 -u "$ready" number; then
            exec {ready}<&-
            export DISPLAY=:$number
            return 0
        fi
        exec {ready}<&-
        echo "Xvfb did not answer within 30 s (try $attempt of 2)" >&2
        tallis_stop_virtual_display
    done
    return 1
}

tallis_stop_virtual_display() {
    if [[ -z $tallis_xvfb_pid ]]; then
        return 0
    fi
    kill "$tallis_xvfb_pid" 2>/dev/null || true
    if ! timeout 10 tail --pid="$tallis_xvfb_pid" -f /dev/null; then
        kill -9 "$tallis_xvfb_pid" 2>/dev/null || true
    fi
    wait "$tallis_xvfb_pid" 2>/dev/null || true
    tallis_xvfb_pid=
}
