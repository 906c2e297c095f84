#!/usr/bin/env python3
"""Runs the end-to-end tests again and again on crowded cores: each pair of cores runs one test
at a time, pinned to that pair, with two busy loops (stress-ng --cpu 2) on the same pair. A pair
takes the test with the most runs still to go. Each run's line goes to OUT/results.txt; a failed
run's output stays beside it. Creating OUT/stop lets every pair finish its run and leave.

The tests are the end-to-end tests (label e2e) as ctest lists them for the build, with their
commands, working folders and environment: a new one runs here as soon as it is registered.
The build folder in a command is replaced by the pair's own folder.

Usage: stressed_runs.py BUILD_DIR [--runs N] [--pairs 0,1 2,3 ...] [--tests NAME ...] [--out DIR]
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

HERE = os.path.dirname(os.path.abspath(__file__))


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


def parse_listing(text):
    """{short name: Test} of the e2e.NAME tests of ctest's JSON listing."""
    tests = {}
    for t in json.loads(text).get("tests", []):
        name = t.get("name", "")
        if not name.startswith("e2e.") or not t.get("command"):
            continue
        props = {p.get("name"): p.get("value") for p in t.get("properties", [])}
        tests[name[len("e2e."):]] = Test(name[len("e2e."):], list(t["command"]),
                                          props.get("WORKING_DIRECTORY"),
                                          list(props.get("ENVIRONMENT") or []))
    return tests


def registered_tests(build):
    """The end-to-end tests ctest lists for the build (label e2e)."""
    out = subprocess.run(["ctest", "--show-only=json-v1", "-L", "e2e"], cwd=build,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    return parse_listing(out.stdout.decode())


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


def worker(tests, build, out, cores, runs, timeout):
    mine = pair_folder(build, out, cores)
    while not os.path.exists(os.path.join(out, "stop")):
        name = runs.take()
        if name is None:
            return
        busy = subprocess.Popen(["taskset", "-c", cores, "stress-ng", "--cpu", "2", "--quiet"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        command, env = tests[name].run_in(build, mine)
        started = time.time()
        log = os.path.join(out, "log-%s-%s-%d.txt" % (name, cores.replace(",", ""), started))
        cmd = ["taskset", "-c", cores] + command
        with open(log, "w") as f:
            try:
                rc = subprocess.call(cmd, stdout=f, stderr=subprocess.STDOUT, env=env,
                                     timeout=timeout, cwd=tests[name].folder or mine)
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
    ap.add_argument("--tests", nargs="+", default=None, help="the tests to run (all)")
    ap.add_argument("--out", default=None, help="results folder (BUILD/stressed-runs)")
    ap.add_argument("--timeout", type=int, default=900, help="seconds a run may take (900)")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    if not os.access(os.path.join(build, "orlogate"), os.X_OK):
        sys.exit("%s holds no built program" % build)
    if shutil.which("stress-ng") is None:
        sys.exit("stress-ng is not installed")
    tests = registered_tests(build)
    names = a.tests or sorted(tests)
    unknown = [n for n in names if n not in tests]
    if unknown or not names:
        sys.exit("no such end-to-end test: %s (there are: %s)" % (" ".join(unknown),
                                                                 " ".join(sorted(tests))))
    out = os.path.abspath(a.out or os.path.join(build, "stressed-runs"))
    os.makedirs(out, exist_ok=True)
    runs = Runs(names, a.runs, out)
    threads = [threading.Thread(target=worker, args=(tests, build, out, p, runs, a.timeout))
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
