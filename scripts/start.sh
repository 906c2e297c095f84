#!/bin/sh
# Starts the built program from the given build directory; under Xvfb when there is no display.
# The program finds its data packs beside itself, in the build directory.
BUILD="$1"
if [ -x "$BUILD/orlogate" ]; then
    if [ -z "$DISPLAY" ]; then
        echo "No display: running $BUILD/orlogate on a virtual X server (nothing is shown); stop it with Ctrl+C."
        exec xvfb-run -a -s "-screen 0 800x480x24" "$BUILD/orlogate"
    fi
    exec "$BUILD/orlogate"
fi
echo "Built in $BUILD:"
find "$BUILD" -maxdepth 2 \( -name '*.a' -o -name '*.dmp' \) -printf '  %P\n' | sort
find "$BUILD/tools" -maxdepth 1 -type f -perm -u+x -printf '  tools/%P\n' 2>/dev/null | sort
echo "The program was not built."
