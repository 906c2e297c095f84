#!/bin/sh
# Runs a command in a private mount namespace whose /tmp is its own: empty but for the X
# servers' socket directory (displays stay reachable) and the folders of /tmp that the given
# paths lie in, so that a checkout, build or run folder that lives under /tmp stays where it
# was. The program's one-copy lock lives in /tmp: a copy run this way holds a lock of its own.
# The command replaces this script's process: it keeps the process id the caller started.
#
#   scripts/private-tmp.sh STAGE [PATH...] -- COMMAND [ARG...]
#
#   STAGE  a directory of the caller's (created when missing) on which the new /tmp is put
#          together before it is moved over /tmp; it may lie under /tmp itself.
#   PATH   a file or folder the command must still reach.
#
# Needs a private mount namespace (unshare --mount, as root); says why not and exits 1.
if [ "$1" != "--inside" ]; then
    if ! why="$(unshare --mount --propagation private true 2>&1)"; then
        echo "A private /tmp needs a private mount namespace (unshare --mount), which is not available here:" >&2
        echo "  $why" >&2
        exit 1
    fi
    mkdir -p "$1"
    exec unshare --mount --propagation private -- sh "$0" --inside "$@"
fi
set -e
shift
stage="$1"
shift
tmp="$(readlink -f /tmp)"
# The new /tmp is put together on the stage and then moved: mounted straight over /tmp it
# would hide the very folders it has to carry.
mount -t tmpfs -o mode=1777 orlo-private-tmp "$stage"
mkdir -m 1777 "$stage/.X11-unix"
if [ -d "$tmp/.X11-unix" ]; then
    mount --bind "$tmp/.X11-unix" "$stage/.X11-unix"
fi
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    path="$(readlink -f "$1")"
    shift
    case "$path" in
    "$tmp"/*)
        top="${path#"$tmp"/}"
        top="${top%%/*}"
        if [ ! -e "$stage/$top" ]; then
            if [ -d "$tmp/$top" ]; then
                mkdir "$stage/$top"
            else
                : >"$stage/$top"
            fi
            mount --bind "$tmp/$top" "$stage/$top"
        fi
        ;;
    esac
done
[ "$1" = "--" ] && shift
mount --move "$stage" /tmp
exec "$@"
