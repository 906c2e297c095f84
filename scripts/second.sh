#!/bin/sh
# Starts a second copy of the built program on this machine, beside one already running.
#
# The program allows one copy per machine (its lock file lives in /tmp). The second copy runs
# in a private mount namespace whose /tmp is its own, so it holds its own lock, with its own
# HOME in the build directory (its own settings, account and downloads). The display stays
# reachable: the X server's socket directory is carried into the private /tmp. It plays
# against the stand-in service the first copy's ./run started, when that one is up, and keeps
# it up until it ends too.
BUILD="$(cd "$1" && pwd)"
HERE="$(cd "$(dirname "$0")/.." && pwd)"
SECOND_HOME="$BUILD/second-home"

if ! why="$(unshare --mount --propagation private true 2>&1)"; then
    echo "A second copy needs a private mount namespace (unshare --mount), which is not available here:"
    echo "  $why"
    exit 1
fi

if [ -z "$ORLO_LOBBY" ]; then
    PORTS="$BUILD/standin-state/ports"
    if [ -s "$PORTS" ]; then
        # The copy holds the service up while it runs (see scripts/start.sh): the shared lock
        # on descriptor 9 is inherited by the program and goes when it ends.
        exec 9>>"$BUILD/standin-state/users.lock"
        flock -s 9
        port="$(cut -d' ' -f1 "$PORTS")"
        if python3 -c 'import socket,sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close()' "$port" 2>/dev/null; then
            ORLO_LOBBY="127.0.0.1:$port"
            export ORLO_LOBBY
            echo "Second copy: playing on the stand-in service at $ORLO_LOBBY."
        else
            exec 9>&-
        fi
    fi
fi

# Without a display the copy gets its own virtual X server, on a display number no other
# server uses (the private /tmp would hide their lock files from xvfb-run's own search).
if [ -z "$DISPLAY" ]; then
    n=100
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
        n=$((n + 1))
    done
    ORLO_XVFB_DISPLAY="$n"
    export ORLO_XVFB_DISPLAY
fi

mkdir -p "$SECOND_HOME"
HOME="$SECOND_HOME" exec "$HERE/scripts/private-tmp.sh" "$BUILD/.second-tmp" "$BUILD" "$HERE" -- \
    "$HERE/scripts/start.sh" "$BUILD"
