#!/bin/sh
# The soak: two copies of the built program play N matches (default 50) against each other
# through the stand-in, each on its own virtual X server; after each match a row of each copy's
# resident memory, open descriptors and threads. Needs root (private mount namespaces).
if [ -z "$1" ] || [ ! -x "$1/orlogate" ]; then
    echo "usage: $0 <build dir with the built program> [matches]"
    exit 2
fi
HERE="$(cd "$(dirname "$0")/.." && pwd)"
exec python3 "$HERE/tests/e2e/soak.py" "$(cd "$1" && pwd)" "${2:-50}"
