#!/usr/bin/env python3
"""Runs the end-to-end tests again and again on crowded cores: each pair of cores runs one test
at a time, pinned to that pair, with two busy loops (stress-ng --cpu 2) on the same pair. A pair
takes the test with the most runs still to go. Each run's line goes to OUT/results.txt; a failed
run's output stays beside it. Creating OUT/stop lets every pair finish its run and leave.

The tests are the end-to-end tests (label e2e) as ctest lists them for the build, with their
commands, working folders and environment: a new one runs here as soon as it is registered.
The build folder in a command is replaced by the pair's own folder.

With --suite each run is instead the build's whole suite but the end-to-end tests (ctest -j2
-LE e2e, from a folder of the pair's own that links to the build's entries), on the same loaded
pair; each test's longest time is then printed beside its time-out (the one tests/CMakeLists.txt
gives it, read from its command), the ten closest to theirs first. The end-to-end runs print
theirs too.

Usage: stressed_runs.py BUILD_DIR [--suite [--label L]] [--runs N] [--pairs 0,1 2,3 ...] [--tests NAME ...]
                        [--out DIR]
Needs root (the tests' private mount namespaces) and stress-ng (scripts/deps.sh installs it;
else apt-get install stress-ng)."""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
# The name of a run of the whole suite (--suite).
SUITE = "suite"


class Test:
    """An end-to-end test as ctest runs it."""

    def __init__(self, name, command, folder, environment):
        self.name, self.command, self.folder, self.environment = (name, command, folder,
                                                                  environment)

    def script(self):
        """The test's own script (the last Python file of its command)."""
        return next((os.path.basename(w) for w in reversed(self.command) if w.endswith(".py")),
                    None)

    def run_in(self, build, mine):
        """The command and environment for a run whose build folder is `mine`."""
        command = [mine if os.path.abspath(w) == build else w for w in self.command]
        env = dict(os.environ)
        for pair in self.environment:
            key, _, value = pair.partition("=")
            env[key] = value
        return command, env


def parse_listing(text, prefix="e2e."):
    """{short name: Test} of the tests of ctest's JSON listing whose names begin so."""
    tests = {}
    for t in json.loads(text).get("tests", []):
        name = t.get("name", "")
        if not name.startswith(prefix) or not t.get("command"):
            continue
        props = {p.get("name"): p.get("value") for p in t.get("properties", [])}
        tests[name[len(prefix):]] = Test(name[len(prefix):], list(t["command"]),
                                          props.get("WORKING_DIRECTORY"),
                                          list(props.get("ENVIRONMENT") or []))
    return tests


def registered_tests(build, label="e2e", prefix="e2e."):
    """The tests ctest lists for the build with the label (the end-to-end ones)."""
    out = subprocess.run(["ctest", "--show-only=json-v1", "-L", label], cwd=build,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    return parse_listing(out.stdout.decode(), prefix)


def bound(test):
    """The time-out a test is registered with: timed_run.py's first argument."""
    words = test.command
    at = next((i for i, w in enumerate(words) if w.endswith("timed_run.py")), None)
    return int(words[at + 1]) if at is not None and at + 1 < len(words) else None


def suite_times(report):
    """{test name: seconds} of a ctest JUnit report."""
    return {c.get("name"): float(c.get("time") or 0)
            for c in ET.parse(report).getroot().iter("testcase")}


# What a run writes into its build folder; each pair gets its own.
OWN = ("screenshots", "e2e-runs", "e2e_figures.json", "Testing")


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
        self.times = []  # {test: seconds} of each run of the suite

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


def worker(tests, build, out, cores, runs, timeout, label):
    mine = pair_folder(build, out, cores)
    while not os.path.exists(os.path.join(out, "stop")):
        name = runs.take()
        if name is None:
            return
        busy = subprocess.Popen(["taskset", "-c", cores, "stress-ng", "--cpu", "2", "--quiet"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        started = time.time()
        log = os.path.join(out, "log-%s-%s-%d.txt" % (name, cores.replace(",", ""), started))
        if name == SUITE:
            report = log[:-len(".txt")] + ".xml"
            command, env, folder = (["ctest", "-j2", "-LE", "e2e", "--no-tests=error",
                                     "--output-on-failure", "--output-junit", report]
                                    + (["-L", label] if label else []), dict(os.environ), mine)
        else:
            command, env = tests[name].run_in(build, mine)
            folder = tests[name].folder or mine
        cmd = ["taskset", "-c", cores] + command
        with open(log, "w") as f:
            try:
                rc = subprocess.call(cmd, stdout=f, stderr=subprocess.STDOUT, env=env,
                                     timeout=timeout, cwd=folder)
            except subprocess.TimeoutExpired:
                rc = 124
        seconds = time.time() - started
        if name == SUITE and os.path.exists(report):
            runs.times.append(suite_times(report))
        os.killpg(busy.pid, 15)
        busy.wait()
        runs.record(name, cores, rc, seconds, log)
        if rc == 0:
            os.remove(log)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("build")
    ap.add_argument("--suite", action="store_true", help="runs of the whole suite but the "
                    "end-to-end tests, not of each end-to-end test")
    ap.add_argument("--label", default=None, help="with --suite: only the tests with this label "
                    "(a ThreadSanitizer build holds only those labelled threads)")
    ap.add_argument("--runs", type=int, default=50, help="runs of each test (50)")
    ap.add_argument("--pairs", nargs="+", default=["0,1"], help="pairs of cores (0,1)")
    ap.add_argument("--tests", nargs="+", default=None, help="the tests to run (all)")
    ap.add_argument("--out", default=None, help="results folder (BUILD/stressed-runs)")
    ap.add_argument("--timeout", type=int, default=900, help="seconds a run may take (900)")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    if not os.access(os.path.join(build, "CTestTestfile.cmake"), os.R_OK):
        sys.exit("%s holds no configured build" % build)
    if shutil.which("stress-ng") is None:
        sys.exit("stress-ng is not installed")
    tests = registered_tests(build)
    names = [SUITE] if a.suite else a.tests or sorted(tests)
    unknown = [n for n in names if n not in tests and not a.suite]
    if unknown or not names:
        sys.exit("no such end-to-end test: %s (there are: %s)" % (" ".join(unknown),
                                                                 " ".join(sorted(tests))))
    out = os.path.abspath(a.out or os.path.join(build, "stressed-runs"))
    os.makedirs(out, exist_ok=True)
    runs = Runs(names, a.runs, out)
    threads = [threading.Thread(target=worker, args=(tests, build, out, p, runs, a.timeout, a.label))
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
    # Each test's longest run beside its time-out.
    if a.suite:
        tests = registered_tests(build, ".", "")
        longest = {n: max(t.get(n, 0.0) for t in runs.times) for n in tests if runs.times}
    else:
        longest = {n: max(s for _, s in d) for n, d in runs.done.items() if d}
    rows = sorted(((longest[n] / bound(tests[n]), n, longest[n], bound(tests[n]))
                   for n in longest if bound(tests[n])), reverse=True)
    print("the tests closest to their time-outs (longest run / time-out):")
    for share, n, secs, limit in rows[:10]:
        print("  %5.2f  %-40s %6.1f s of %d s" % (share, n, secs, limit))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
