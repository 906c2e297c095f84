#!/bin/sh
# Checks that every tracked C++ source and header is laid out as .clang-format says; names
# the files that are not and fails. Usage: format-check.sh [clang-format program]
set -e
cd "$(dirname "$0")/.."
CLANG_FORMAT="${1:-clang-format}"
if [ -z "$(git ls-files '*.cpp' '*.h')" ]; then
    echo "no tracked C++ files found" >&2
    exit 1
fi
git ls-files -z '*.cpp' '*.h' | xargs -0 "$CLANG_FORMAT" --dry-run -Werror
