#!/bin/sh
# The stand-in service's conditions (tools/standin) that the recorded walks and the stand-in's
# own tests reach: every stand-in process they start runs under python3-coverage with branch
# coverage (a sitecustomize.py on PYTHONPATH starts it in each Python process that the
# environment reaches, and each writes its own data file, also when it is ended by SIGTERM),
# then the data are combined and the branch table of tools/standin printed.
#
#   scripts/standin_coverage.sh [--walks-only] [BUILD [GTEST_FILTER]]
#
# BUILD (by default build/test) holds the built walks_test and the stand-in's packs;
# --walks-only leaves out tests/online/standin_*_test.py. Writes BUILD/standin-coverage/
# (report.txt: the table with the lines and branches not reached; html/: each file).
set -e
cd "$(dirname "$0")/.."
ROOT="$PWD"
TESTS=1
if [ "$1" = "--walks-only" ]; then
    TESTS=0
    shift
fi
BUILD="$(cd "${1:-build/test}" && pwd)"
FILTER="${2:-*}"
PYTHON=/usr/bin/python3 # the interpreter the tests start the stand-in with
"$PYTHON" -c 'import coverage' 2>/dev/null || {
    echo "standin_coverage.sh: python3-coverage is missing (Debian package python3-coverage)" >&2
    exit 1
}
OUT="$BUILD/standin-coverage"
rm -rf "$OUT"
mkdir -p "$OUT/site"
printf 'import coverage\ncoverage.process_startup()\n' >"$OUT/site/sitecustomize.py"
cat >"$OUT/rc" <<EOF
[run]
branch = True
parallel = True
sigterm = True
source = $ROOT/tools/standin
data_file = $OUT/data
[report]
show_missing = True
skip_empty = True
[html]
directory = $OUT/html
EOF
COVERAGE_PROCESS_START="$OUT/rc"
PYTHONPATH="$OUT/site${PYTHONPATH:+:$PYTHONPATH}"
export COVERAGE_PROCESS_START PYTHONPATH
status=0
(cd "$BUILD" && ./walks_test --gtest_brief=1 --gtest_filter="$FILTER") || status=1
if [ "$TESTS" = 1 ]; then
    for test in tests/online/standin_*_test.py; do
        ORLO_STANDIN_PACKS="$BUILD/standin" PYTHONDONTWRITEBYTECODE=1 \
            "$PYTHON" tests/support/unittest_run.py "$test" >"$OUT/$(basename "$test").log" 2>&1 ||
            { echo "failed: $test (see $OUT/$(basename "$test").log)"; status=1; }
    done
fi
unset COVERAGE_PROCESS_START
"$PYTHON" -m coverage combine --rcfile="$OUT/rc" -q
"$PYTHON" -m coverage report --rcfile="$OUT/rc" >"$OUT/report.txt" || true
"$PYTHON" -m coverage html --rcfile="$OUT/rc" -q || true
"$PYTHON" -m coverage json --rcfile="$OUT/rc" -q -o "$OUT/coverage.json" || true
# The table: each file's statements and branches (each way out of each condition), and how
# many of each were reached.
"$PYTHON" - "$OUT/coverage.json" <<'EOF'
import json, os, sys
files = json.load(open(sys.argv[1]))["files"]
row = "%-18s %6s %6s %8s %6s %6s"
print(row % ("file", "stmts", "run", "branches", "taken", "%"))
total = [0, 0, 0, 0]
for name in sorted(files):
    s = files[name]["summary"]
    values = [s["num_statements"], s["covered_lines"], s["num_branches"], s["covered_branches"]]
    total = [a + b for a, b in zip(total, values)]
    pct = 100.0 * values[3] / values[2] if values[2] else 100.0
    print(row % ((os.path.basename(name),) + tuple(values) + ("%.1f" % pct,)))
print(row % (("together",) + tuple(total) + ("%.1f" % (100.0 * total[3] / total[2]),)))
EOF
echo "each file's lines and branches not reached: $OUT/report.txt, $OUT/html/index.html"
exit $status
