#!/bin/bash
# Measures the processor time the program takes on a private Xvfb (software rendering, a swap
# that does not wait for a display): the first 2 s after launch (the intro) and 5 s on the
# title screen (from 2.5 s to 7.5 s after launch). Prints seconds of CPU time (user + system)
# of the program and of the X server for each stretch, once per run.
# Usage: scripts/measure-cpu.sh BUILD_DIR [RUNS]
set -e
BUILD="$(cd "${1:?usage: $0 BUILD_DIR [RUNS]}" && pwd)"
RUNS="${2:-3}"
PROGRAM="$BUILD/orlogate"
[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM" >&2; exit 1; }
TICK=$(getconf CLK_TCK)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# utime + stime of a process in clock ticks.
ticks() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    stat=${stat##*) }
    set -- $stat
    echo $((${12} + ${13}))
}

seconds() {
    awk -v t="$1" -v k="$TICK" 'BEGIN { printf "%.2f", t / k }'
}

echo "run  intro-0-2s(program X)  title-2.5-7.5s(program X)"
for run in $(seq 1 "$RUNS"); do
    rm -f "$WORK/display"
    Xvfb -displayfd 9 -screen 0 800x480x24 -nolisten tcp -noreset 9>"$WORK/display" \
        >/dev/null 2>&1 &
    XPID=$!
    for _ in $(seq 1 100); do
        [ -s "$WORK/display" ] && break
        sleep 0.05
    done
    mkdir -p "$WORK/home$run"
    # A lock of its own: a copy that runs on this machine must not make this one stop at once.
    HOME="$WORK/home$run" ORLO_LOCK_FILE="$WORK/lock$run" DISPLAY=":$(head -n1 "$WORK/display")" \
        "$PROGRAM" 2>"$WORK/err$run" &
    PID=$!
    p0=$(ticks $PID); x0=$(ticks $XPID)
    sleep 2
    p2=$(ticks $PID); x2=$(ticks $XPID)
    sleep 0.5
    p25=$(ticks $PID); x25=$(ticks $XPID)
    sleep 5
    p75=$(ticks $PID); x75=$(ticks $XPID)
    if ! kill -0 $PID 2>/dev/null; then
        # Its times would read 0.00: a measure of nothing.
        echo "run $run: the program ended before the measure did:" >&2
        cat "$WORK/err$run" >&2
        kill -TERM $XPID 2>/dev/null || true
        exit 1
    fi
    kill -TERM $PID 2>/dev/null || true
    wait $PID 2>/dev/null || true
    kill -TERM $XPID 2>/dev/null || true
    wait $XPID 2>/dev/null || true
    echo "$run    $(seconds $((p2 - p0))) $(seconds $((x2 - x0)))               $(seconds $((p75 - p25))) $(seconds $((x75 - x25)))"
done
