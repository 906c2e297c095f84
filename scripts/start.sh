#!/bin/sh
# Starts the built program from the given build directory; under Xvfb when there is no display.
# The program finds its data packs beside itself, in the build directory.
#
# Unless ORLO_LOBBY names a lobby ("host:port"), the copy plays on the stand-in lobby and game
# server that an earlier copy started, while that one runs; else the service starts first on
# 127.0.0.1 port 5000 (the program's own lobby address), or when another program holds that
# port, on a free one passed in ORLO_LOBBY. The stand-in lives as long as any copy that plays on
# it: the one that started it, and any started meanwhile, by ./run or ./run second
# (scripts/second.sh). Each copy holds a shared lock on standin-state/users.lock through a
# descriptor its program inherits, so the lock goes when the copy ends, however it ends (window
# closed, Ctrl+C, killed); the keeper (scripts/standin_keeper.py) stops the service once no copy
# holds it. The running service holds standin-state/service.lock, which names its pid and port.
BUILD="$1"
if [ ! -x "$BUILD/orlogate" ]; then
    echo "Built in $BUILD:"
    find "$BUILD" -maxdepth 2 \( -name '*.a' -o -name '*.dmp' \) -printf '  %P\n' | sort
    find "$BUILD/tools" -maxdepth 1 -type f -perm -u+x -printf '  tools/%P\n' 2>/dev/null | sort
    echo "The program was not built."
    exit 1
fi

HERE="$(cd "$(dirname "$0")/.." && pwd)"
SERVICE_PID=""
PROGRAM_PID=""
UNDER_XVFB=""
stop_program()
{
    # The program ends as after a close (xvfb-run then stops its X server).
    if [ -n "$PROGRAM_PID" ]; then
        if [ -n "$UNDER_XVFB" ]; then
            pkill -TERM -x -P "$PROGRAM_PID" orlogate 2>/dev/null
        else
            kill -TERM "$PROGRAM_PID" 2>/dev/null
        fi
        wait "$PROGRAM_PID" 2>/dev/null
        PROGRAM_PID=""
    fi
}
stop_service()
{
    if [ -n "$SERVICE_PID" ]; then
        kill "$SERVICE_PID" 2>/dev/null
        wait "$SERVICE_PID" 2>/dev/null
        SERVICE_PID=""
    fi
}
# Interrupted: this copy ends; the service follows when no other copy plays on it.
trap 'stop_program; exec 9>&-; exit 130' INT
trap 'stop_program; exec 9>&-; exit 143' TERM HUP

# One copy per machine: when another holds the lock, the program says which and ends at once;
# a second copy has its own command.
if ! python3 -c 'import fcntl,sys
try:
    f = open("/tmp/orlo_app.lock", "rb")
except OSError:
    sys.exit(0)
try:
    fcntl.lockf(f, fcntl.LOCK_SH | fcntl.LOCK_NB)
except OSError:
    sys.exit(1)' 2>/dev/null; then
    "$BUILD/orlogate"
    echo "For a second copy on this machine: ./run second"
    exit 1
fi

if [ -z "$ORLO_LOBBY" ]; then
    STATE="$BUILD/standin-state"
    PORTS="$STATE/ports"
    mkdir -p "$STATE"
    # This copy's hold on the service, on descriptor 9, which the program inherits. Taken before
    # the service is looked for: once held, a service found running stays up. While the keeper
    # stops the last copy's service it holds the lock alone; the copy waits here until that
    # service is gone, then starts a new one.
    exec 9>>"$STATE/users.lock"
    flock -s 9
    # One copy at a time looks for the service and starts one when none runs.
    exec 8>>"$STATE/start.lock"
    flock 8
    # The service that holds the state, when one does and its lobby answers: its port.
    if LOBBY_PORT="$(python3 -c 'import fcntl,socket,sys
try:
    with open(sys.argv[1], "rb") as f:
        try:
            fcntl.flock(f, fcntl.LOCK_SH | fcntl.LOCK_NB)
            sys.exit(1)
        except BlockingIOError:
            words = f.read(64).split()
    port = int(words[1])
    socket.create_connection(("127.0.0.1", port), 1).close()
except (OSError, ValueError, IndexError):
    sys.exit(1)
print(port)' "$STATE/service.lock" 2>/dev/null)"; then
        echo "Joined the stand-in service on 127.0.0.1:$LOBBY_PORT, which another copy started (log: $STATE/service.log)."
    else
        rm -f "$PORTS"
        LOBBY_PORT=5000
        if python3 -c 'import socket,sys; s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", 5000))' 2>/dev/null; then
            :
        else
            echo "Port 5000 is held by another program: the stand-in service takes a free port."
            LOBBY_PORT=0
        fi
        ORLO_STANDIN_PACKS="$BUILD/standin" python3 "$HERE/scripts/standin_keeper.py" \
            "$STATE/users.lock" -- python3 "$HERE/tools/standin/standin_server.py" \
            --port-file "$PORTS" --lobby-port "$LOBBY_PORT" --state-dir "$STATE" \
            2>"$STATE/service.log" 8>&- 9>&- &
        SERVICE_PID=$!
        waited=0
        while [ ! -s "$PORTS" ]; do
            if ! kill -0 "$SERVICE_PID" 2>/dev/null || [ "$waited" -ge 100 ]; then
                echo "The stand-in service did not start (see $STATE/service.log):"
                tail -n 3 "$STATE/service.log"
                stop_service
                exit 1
            fi
            sleep 0.1
            waited=$((waited + 1))
        done
        LOBBY_PORT="$(cut -d' ' -f1 "$PORTS")"
        echo "Stand-in service on 127.0.0.1:$LOBBY_PORT (log: $STATE/service.log)."
    fi
    exec 8>&-
    if [ "$LOBBY_PORT" != 5000 ]; then
        ORLO_LOBBY="127.0.0.1:$LOBBY_PORT"
        export ORLO_LOBBY
    fi
fi

if [ -z "$DISPLAY" ]; then
    echo "No display: running $BUILD/orlogate on a virtual X server (nothing is shown); stop it with Ctrl+C."
    UNDER_XVFB=1
    if [ -n "$ORLO_XVFB_DISPLAY" ]; then
        XVFB_DISPLAY="-n $ORLO_XVFB_DISPLAY"
    else
        XVFB_DISPLAY="-a"
    fi
    setsid xvfb-run $XVFB_DISPLAY -s "-screen 0 800x480x24" "$BUILD/orlogate" &
else
    setsid "$BUILD/orlogate" &
fi
PROGRAM_PID=$!
status=0
wait "$PROGRAM_PID" || status=$?
# xvfb-run stops its X server when the program ends; killed itself (pkill -f), it leaves the
# server running, and the server holds this copy's hold on the service (descriptor 9). Once the
# program has ended too, whatever is left of xvfb-run's session ends here.
if [ -n "$UNDER_XVFB" ]; then
    while ps -o stat=,comm= -s "$PROGRAM_PID" | grep -q '^[^Z].* orlogate$'; do
        sleep 0.1
    done
    kill -TERM "-$PROGRAM_PID" 2>/dev/null || true
fi
# This copy lets go of the service; it stops now unless a second copy still plays on it.
exec 9>&-
exit $status
