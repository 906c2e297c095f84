#!/bin/sh
# Starts a second copy of the built program on this machine, beside one already running.
#
# The program allows one copy per machine (its lock file lives in /tmp). The second copy runs
# in a private mount namespace whose /tmp is its own, so it holds its own lock, with its own
# HOME in the build directory (its own settings, account and downloads). The display stays
# reachable: the X server's socket directory is carried into the private /tmp. Like any copy
# (scripts/start.sh) it plays on the stand-in service that is running, when one is, and keeps it
# up until it ends too.
BUILD="$(cd "$1" && pwd)"
HERE="$(cd "$(dirname "$0")/.." && pwd)"
SECOND_HOME="$BUILD/second-home"

if ! why="$(unshare --mount --propagation private true 2>&1)"; then
    echo "A second copy needs a private mount namespace (unshare --mount), which is not available here:"
    echo "  $why"
    exit 1
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
