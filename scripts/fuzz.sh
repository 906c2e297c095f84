#!/bin/bash
# Fuzzes every parser of untrusted input with libFuzzer, AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer: builds the fuzz configuration in build/fuzz (clang), then runs
# each fuzz target for a share of the time, a few at a time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
#   SECONDS  time for the whole run, shared out among the targets (default 150, what ./test
#            uses); give more for long runs, e.g. scripts/fuzz.sh 3600 for an hour.
#   TARGET   run only these targets (pack, xml, settings, ...); default all.
#   FUZZ_JOBS=N  targets run at the same time (default: half the cores).
#   VORTAN_DATA_TOOLS=DIR  a build folder whose tools make the data packs the seeds come from
#            (./test gives its tested configuration's: the same bytes, without building and
#            running instrumented copies of the tools here); default: this build's own.
#
#   scripts/fuzz.sh --build   only configures and builds the fuzz configuration.
#
# The corpora grow in build/fuzz/fuzz/corpus/<target> from run to run; the seeds are made at
# build time in build/fuzz/fuzz/seeds/<target>. A finding (crash, sanitizer report, leak,
# time-out, memory blow-up, failed expectation) is kept in build/fuzz/fuzz/findings; the run
# then prints the report, the input as hex and a one-line reproduction, and exits 1.
set -e
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
BUILD="$ROOT/build/fuzz"
BIN="$BUILD/fuzz"

# One target, run by the main part below through xargs: SECONDS TARGET.
if [ "$1" = "--one" ]; then
    seconds="$2"
    name="$3"
    mkdir -p "$BIN/corpus/$name" "$BIN/findings"
    set +e
    "$BIN/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix="$BIN/findings/$name-" \
        "$BIN/corpus/$name" "$BIN/seeds/$name" >"$BIN/logs/$name.log" 2>&1
    echo $? >"$BIN/logs/$name.rc"
    exit 0
fi

build()
{
    JOBS="$(nproc)"
    BUILD_JOBS=$((JOBS < 4 ? JOBS : 4))
    CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTAN_FUZZ=ON \
        -DVORTAN_TESTS=OFF -DVORTAN_BENCH=OFF -DVORTAN_DATA_TOOLS="${VORTAN_DATA_TOOLS:-}" >/dev/null
    cmake --build "$BUILD" --target fuzz -j"$BUILD_JOBS"
}
if [ "$1" = "--build" ]; then
    build
    exit 0
fi

total="${1:-150}"
case "$total" in
'' | *[!0-9]*)
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
    exit 2
    ;;
esac
shift || true

build
JOBS="$(nproc)"

if [ $# -gt 0 ]; then
    targets="$*"
else
    targets="$(cd "$BIN" && ls fuzz_* | grep -v '^fuzz_seeds$' | sed 's/^fuzz_//' | sort)"
fi
count=0
for t in $targets; do
    if [ ! -x "$BIN/fuzz_$t" ]; then
        echo "fuzz: no target $t" >&2
        exit 2
    fi
    count=$((count + 1))
done
parallel="${FUZZ_JOBS:-$((JOBS / 2))}"
[ "$parallel" -ge 1 ] || parallel=1
[ "$parallel" -le "$count" ] || parallel="$count"
rounds=$(((count + parallel - 1) / parallel))
seconds=$((total / rounds))
[ "$seconds" -ge 5 ] || seconds=5
echo "== Fuzzing: $count targets, $seconds s each, $parallel at a time =="

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:symbolize=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for s in /usr/lib/llvm-14/bin/llvm-symbolizer "$(command -v llvm-symbolizer || true)"; do
    if [ -x "$s" ]; then
        export ASAN_SYMBOLIZER_PATH="$s"
        break
    fi
done

mkdir -p "$BIN/logs"
rm -f "$BIN"/logs/*.rc
started=$(date +%s)
printf '%s\n' $targets | xargs -P "$parallel" -I{} "$0" --one "$seconds" {}
elapsed=$(($(date +%s) - started))

passed=0
failed=0
for t in $targets; do
    log="$BIN/logs/$t.log"
    rc="$(cat "$BIN/logs/$t.rc" 2>/dev/null || echo 1)"
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    corpus="$(ls "$BIN/corpus/$t" | wc -l)"
    if [ "$rc" = 0 ]; then
        passed=$((passed + 1))
        printf 'fuzz %-10s %10s runs in %s s, corpus %s: no finding\n' "$t" "${runs:-?}" \
            "$seconds" "$corpus"
        continue
    fi
    failed=$((failed + 1))
    echo "fuzz $t: FINDING (exit $rc); the end of its log ($log):"
    tail -n 60 "$log"
    input="$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)"
    if [ -n "$input" ] && [ -f "$input" ]; then
        bytes=$(wc -c <"$input")
        hex="$(head -c 4096 "$input" | od -An -v -tx1 | tr -d ' \n')"
        env="LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp"
        if [ "$bytes" -le 4096 ]; then
            echo "input ($bytes bytes, hex): $hex"
            echo "reproduce: python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(\"$hex\"))' >/tmp/fuzz-$t.bin && $env $BIN/fuzz_$t /tmp/fuzz-$t.bin"
        else
            echo "input ($bytes bytes, the first 4096 as hex): $hex"
            echo "reproduce: $env $BIN/fuzz_$t $input"
        fi
    else
        echo "no input was written; reproduce with: $BIN/fuzz_$t -max_total_time=$seconds $BIN/corpus/$t $BIN/seeds/$t"
    fi
done
echo "fuzzing took ${elapsed} s"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
