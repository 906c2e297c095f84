#!/bin/sh
# The lines of the game and of the online menu, login and pop-ups that the recorded walks
# (tests/game/walks_test.cpp over tests/walks/*.walk) reach: a build with line coverage
# (BUILD, by default build/coverage), the walks test alone, and a table per folder and per
# file. The level editor and the state dump (test seams) and the drawing code (the walks
# draw nothing; the drawing tests check it) are left aside, and so are the steps of the web views
# this platform lacks.
# A file left aside by a name in ASIDE below holds that code alone.
#
#   scripts/walks_coverage.sh [BUILD [GTEST_FILTER]]
#
# Prints the table and writes BUILD/walks-coverage/index.html (each file's lines, reached
# or not) and BUILD/walks-coverage/lines.txt (the lines not reached, file:line ranges).
set -e
cd "$(dirname "$0")/.."
ROOT="$PWD"
BUILD="${1:-build/coverage}"
FILTER="${2:-*}"
./scripts/deps.sh
command -v gcovr >/dev/null || {
    echo "walks_coverage.sh: gcovr is missing (Debian package gcovr)" >&2
    exit 1
}
TOOLS=""
[ ! -x build/test/tools/vortanpack ] || TOOLS="-DVORTAN_DATA_TOOLS=$ROOT/build/test"
# Unoptimised, so that a line reached is a line counted; compiled one source at a time, so
# that each line is counted in its own file.
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DVORTAN_BENCH=OFF -DVORTAN_UNITY=OFF \
    -DVORTAN_TEST_PCH=OFF -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage $TOOLS >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target walks_test
find "$BUILD" -name '*.gcda' -delete
(cd "$BUILD" && ./walks_test --gtest_brief=1 --gtest_filter="$FILTER")

OUT="$BUILD/walks-coverage"
mkdir -p "$OUT"
# Aside: the level editor (and what of a scene only it and the tests use), the state dumps, the
# drawing code (and the graphics made again after a lost context), the test clocks, and the
# steps of the web views (the external login, the terms page) this platform does not have.
ASIDE="game/VexEditState.*|game/VexEditState_Draw.*|game/VexScene_Tools.*|game/VexStateDump.*"
ASIDE="$ASIDE|online/menu/OrloMenuState_Dump.*|game/StateGame_Context.*"
ASIDE="$ASIDE|online/login/LoginController_External.*|online/menu/OrloMenuState_External.*"
ASIDE="$ASIDE|game/VexRenderer.*|game/VexRenderer_Quads.*|game/VexRenderer_Text.*|game/VexScene_Draw.*"
ASIDE="$ASIDE|game/VexPlayState_Render.*|game/VexShader.*|game/VexQuadTrim.*|game/VexTestTimers.*"
set -- -r "$ROOT" --object-directory "$BUILD" \
    --filter 'game/' --filter 'online/menu/' --filter 'online/login/' --filter 'online/popups/' \
    --exclude "($ASIDE)" --exclude '.*[.]h$'
gcovr "$@" --exclude-directories '.*/CMakeFiles/[0-9.]*$' --txt "$OUT/lines.txt" --html-details "$OUT/index.html" >/dev/null
python3 - "$OUT/lines.txt" <<'EOF'
import re, sys
rows = []
for line in open(sys.argv[1]):
    m = re.match(r"(\S+)\s+(\d+)\s+(\d+)\s+(\d+)%", line)
    if m and "/" in m.group(1):
        rows.append((m.group(1), int(m.group(2)), int(m.group(3))))
folders = {}
for name, lines, hit in rows:
    f = folders.setdefault(name.rsplit("/", 1)[0], [0, 0])
    f[0] += lines
    f[1] += hit
pct = lambda hit, lines: 100.0 * hit / lines if lines else 100.0
print("%-44s %6s %6s %6s" % ("folder", "lines", "walked", "%"))
for name in sorted(folders):
    lines, hit = folders[name]
    print("%-44s %6d %6d %5.1f%%" % (name, lines, hit, pct(hit, lines)))
total = [sum(r[1] for r in rows), sum(r[2] for r in rows)]
print("%-44s %6d %6d %5.1f%%" % ("together", total[0], total[1], pct(total[1], total[0])))
print()
print("%-44s %6s %6s %6s" % ("file", "lines", "walked", "%"))
for name, lines, hit in sorted(rows, key=lambda r: pct(r[2], r[1])):
    print("%-44s %6d %6d %5.1f%%%s" % (name, lines, hit, pct(hit, lines),
                                       "  (below 75%)" if pct(hit, lines) < 75 else ""))
print()
print("below 75%%: %d files" % sum(1 for r in rows if pct(r[2], r[1]) < 75))
EOF
echo "each file's lines: $OUT/index.html; the lines not reached: $OUT/lines.txt"
