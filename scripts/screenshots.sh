#!/bin/sh
# Makes the README's pictures with the built program on the stand-in service: two copies, each
# on its own virtual X server, into <build dir>/screenshots/ (the names the README lists), each
# screen checked as it is taken. Needs root for the copies' private mount namespaces.
if [ -z "$1" ] || [ ! -x "$1/orlogate" ]; then
    echo "usage: $0 <build dir with the built program>"
    exit 2
fi
HERE="$(cd "$(dirname "$0")/.." && pwd)"
exec python3 "$HERE/tests/e2e/screenshots.py" "$(cd "$1" && pwd)"
