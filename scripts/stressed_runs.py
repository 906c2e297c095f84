#!/usr/bin/env python3
"""Runs the end-to-end tests again and again on crowded cores: each pair of cores runs one test
at a time, pinned to that pair, with two busy loops (stress-ng --cpu 2) on the same pair. A pair
takes the test with the most runs still to go. Each run's line goes to OUT/results.txt; a failed
run's output stays beside it. Creating OUT/stop lets every pair finish its run and leave.

The tests are the end-to-end tests that tests/CMakeLists.txt registers (label e2e), with the
arguments it gives them: a new one runs here as soon as it is registered.

Usage: stressed_runs.py BUILD_DIR [--runs N] [--pairs 0,1 2,3 ...] [--tests NAME ...] [--out DIR]
Needs root (the tests' private mount namespaces) and stress-ng (scripts/deps.sh installs it;
else apt-get install stress-ng)."""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.join(os.path.dirname(HERE), "tests", "e2e")
REGISTRY = os.path.join(os.path.dirname(HERE), "tests", "CMakeLists.txt")


def registered_tests(path=REGISTRY):
    """{name: [script, extra arguments...]} of every e2e.NAME test the file registers with
    vortan_timed_test(e2e.NAME SECONDS ${Python3_EXECUTABLE} .../e2e/SCRIPT ${CMAKE_BINARY_DIR}
    ARGS...)."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    tests = {}
    for m in re.finditer(r"vortan_timed_test\(e2e\.(\w+)\s+\d+\s+([^)]*)\)", text):
        words = m.group(2).split()
        scripts = [i for i, w in enumerate(words) if re.search(r"/e2e/\w+\.py$", w)]
        if not scripts:
            continue
        at = scripts[0]
        extra = [w for w in words[at + 1:] if w != "${CMAKE_BINARY_DIR}"]
        tests[m.group(1)] = [os.path.basename(words[at])] + extra
    return tests


TESTS = registered_tests()
# What a run writes into its build folder; each pair gets its own.
OWN = ("screenshots", "e2e-runs", "e2e_figures.json")


def pair_folder(build, out, cores):
    """A folder of links to the build's entries, with room for the run's own files."""
    mine = os.path.join(out, "build-" + cores.replace(",", ""))
    os.makedirs(mine, exist_ok=True)
    for entry in os.listdir(build):
        link = os.path.join(mine, entry)
        if entry not in OWN and not os.path.lexists(link):
            os.symlink(os.path.join(build, entry), link)
    return mine


class Runs:
    def __init__(self, names, runs, out):
        self.left = {n: runs for n in names}
        self.done = {n: [] for n in names}
        self.lock = threading.Lock()
        self.out = out

    def take(self):
        with self.lock:
            name = max(self.left, key=lambda n: self.left[n])
            if self.left[name] <= 0:
                return None
            self.left[name] -= 1
            return name

    def record(self, name, cores, rc, seconds, log):
        with self.lock:
            self.done[name].append((rc, seconds))
            line = "%s %s %s rc=%d %.0fs%s" % (time.strftime("%H:%M:%S"), cores, name, rc, seconds,
                                              "" if rc == 0 else " " + log)
            with open(os.path.join(self.out, "results.txt"), "a") as f:
                f.write(line + "\n")
            print(line, flush=True)


def worker(build, out, cores, runs, timeout):
    mine = pair_folder(build, out, cores)
    while not os.path.exists(os.path.join(out, "stop")):
        name = runs.take()
        if name is None:
            return
        busy = subprocess.Popen(["taskset", "-c", cores, "stress-ng", "--cpu", "2", "--quiet"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        script, *extra = TESTS[name]
        started = time.time()
        log = os.path.join(out, "log-%s-%s-%d.txt" % (name, cores.replace(",", ""), started))
        cmd = ["taskset", "-c", cores, sys.executable, os.path.join(E2E, script), mine] + extra
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        with open(log, "w") as f:
            try:
                rc = subprocess.call(cmd, stdout=f, stderr=subprocess.STDOUT, env=env,
                                     timeout=timeout)
            except subprocess.TimeoutExpired:
                rc = 124
        seconds = time.time() - started
        os.killpg(busy.pid, 15)
        busy.wait()
        runs.record(name, cores, rc, seconds, log)
        if rc == 0:
            os.remove(log)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=50, help="runs of each test (50)")
    ap.add_argument("--pairs", nargs="+", default=["0,1"], help="pairs of cores (0,1)")
    ap.add_argument("--tests", nargs="+", default=list(TESTS), choices=list(TESTS))
    ap.add_argument("--out", default=None, help="results folder (BUILD/stressed-runs)")
    ap.add_argument("--timeout", type=int, default=900, help="seconds a run may take (900)")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    if not os.access(os.path.join(build, "orlogate"), os.X_OK):
        sys.exit("%s holds no built program" % build)
    if shutil.which("stress-ng") is None:
        sys.exit("stress-ng is not installed")
    out = os.path.abspath(a.out or os.path.join(build, "stressed-runs"))
    os.makedirs(out, exist_ok=True)
    runs = Runs(a.tests, a.runs, out)
    threads = [threading.Thread(target=worker, args=(build, out, p, runs, a.timeout))
               for p in a.pairs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    failed = 0
    for name, done in runs.done.items():
        if not done:
            continue
        passed = sum(1 for rc, _ in done if rc == 0)
        failed += len(done) - passed
        secs = [s for _, s in done]
        print("%-12s %d of %d passed, %.0f-%.0f s (median %.0f s)" % (
            name, passed, len(done), min(secs), max(secs), statistics.median(secs)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
