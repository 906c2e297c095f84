#!/usr/bin/env python3
"""The test wrapper (tests/support/timed_run.py) on stand-in tests that hang for ever: it
prints the stacks of every thread of every process the test started, the test's own output
included, kills them all, and passes a finished test's status through. A unittest script's
skip is its exit status (tests/support/unittest_run.py), and ./test names what did not run."""
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
WRAPPER = os.path.join(HERE, "..", "support", "timed_run.py")
UNITTEST_RUN = os.path.join(HERE, "..", "support", "unittest_run.py")
NOT_RUN = os.path.join(HERE, "..", "..", "scripts", "tests_not_run.py")

# A test that never ends: a Python process with a second thread, both blocked on a pipe no
# one writes, and a child in a session of its own (cat, also blocked). It writes its output
# without flushing, then names its processes in READY.
STUCK = r'''
import os, subprocess, sys, threading
ready = sys.argv[1]
sys.stdout.write("stand-in test started\n")
r, w = os.pipe()
child = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                         start_new_session=True)
threading.Thread(target=os.read, args=(r, 1), name="second", daemon=True).start()
with open(ready + ".part", "w") as f:
    f.write("%d %d\n" % (os.getpid(), child.pid))
os.rename(ready + ".part", ready)
os.read(r, 1)
'''

# A unittest script with a skipped test and a passing one, and a way it ends after its report.
SKIPPING = r'''
import atexit, os, sys, threading, unittest
class T(unittest.TestCase):
    @unittest.skip("not here")
    def test_skipped(self): pass
    def test_passes(self): self.assertNotEqual("fails", sys.argv[1])
ends = {"exits": lambda: os._exit(1), "hangs": threading.Event().wait, "crashes": os.abort}
atexit.register(ends.get(sys.argv[1], lambda: None))
unittest.main(argv=sys.argv[:1])
'''


def gone(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            data = f.read()
    except OSError:
        return True
    return data[data.rfind(")") + 2:][:1] in ("Z", "X")


def wait_gone(pid):
    """Whether the process ends (a killed one may take a moment to be reaped)."""
    for _ in range(300):
        if gone(pid):
            return True
        time.sleep(0.1)
    return False


class Wrapped:
    """The wrapper running the stuck stand-in, with its output in files."""

    def __init__(self, folder, seconds=3600):
        self.ready = os.path.join(folder, "ready")
        script = os.path.join(folder, "stuck.py")
        with open(script, "w") as f:
            f.write(STUCK)
        self.out = open(os.path.join(folder, "out"), "w+")
        self.err = open(os.path.join(folder, "err"), "w+")
        self.proc = subprocess.Popen([sys.executable, WRAPPER, str(seconds), sys.executable,
                                      script, self.ready], stdout=self.out, stderr=self.err)

    def pids(self):
        """The stand-in's and its child's process ids, once both run."""
        for _ in range(1200):
            if os.path.exists(self.ready):
                with open(self.ready) as f:
                    return [int(x) for x in f.read().split()]
            if self.proc.poll() is not None:
                break
            time.sleep(0.1)
        raise AssertionError("the stand-in test did not start")

    def finish(self):
        rc = self.proc.wait(timeout=600)
        self.out.seek(0)
        self.err.seek(0)
        out, err = self.out.read(), self.err.read()
        self.out.close()
        self.err.close()
        return rc, out, err


class TimedRunTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def test_a_stuck_test_shows_every_threads_stack_then_all_its_processes_end(self):
        run = Wrapped(self.folder.name)
        pids = run.pids()
        # The time-out, now.
        run.proc.send_signal(signal.SIGUSR1)
        rc, out, err = run.finish()
        self.assertEqual(124, rc, err)
        # Written before the hang, never flushed: still shown.
        self.assertIn("stand-in test started", out)
        for pid in pids:
            self.assertIn("process %d:" % pid, err)
        # One dump per process, each with its threads' frames: the stand-in has two threads.
        dumps = err.split("[timed_run] process ")[1:]
        self.assertEqual(len(pids), len(dumps), err)
        stuck = [d for d in dumps if d.startswith("%d:" % pids[0])][0]
        self.assertEqual(2, stuck.count("\nThread "), stuck)
        self.assertIn("#0 ", stuck)
        cat = [d for d in dumps if d.startswith("%d:" % pids[1])][0]
        self.assertIn("#0 ", cat)
        # The Python stand-in's own traceback, both threads.
        self.assertEqual(2, err.count("(most recent call first)"), err)
        self.assertIn("stuck.py", err)
        for pid in pids:
            self.assertTrue(wait_gone(pid), "process %d still runs" % pid)

    def test_the_time_out_itself_stops_a_stuck_test(self):
        run = Wrapped(self.folder.name, seconds=1)
        rc, _, err = run.finish()
        self.assertEqual(124, rc, err)
        self.assertIn("timed out: did not end within 1 s", err)

    def test_a_stopped_run_stops_every_process_of_the_test(self):
        run = Wrapped(self.folder.name)
        pids = run.pids()
        run.proc.send_signal(signal.SIGTERM)
        rc, _, err = run.finish()
        self.assertEqual(128 + signal.SIGTERM, rc, err)
        for pid in pids:
            self.assertTrue(wait_gone(pid), "process %d still runs" % pid)

    def test_a_finished_tests_status_and_output_pass_through(self):
        proc = subprocess.run([sys.executable, WRAPPER, "3600", sys.executable, "-c",
                               "import sys; print('done'); sys.exit(77)"],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(77, proc.returncode, proc.stderr)
        self.assertEqual("done\n", proc.stdout)
        self.assertEqual("", proc.stderr)

    def test_a_skip_is_a_clean_exit_with_77_and_any_other_end_after_the_report_fails(self):
        script = os.path.join(self.folder.name, "skipping_test.py")
        with open(script, "w") as f:
            f.write(SKIPPING)
        for end, status in (("clean", 77), ("fails", 1), ("exits", 1), ("hangs", 124),
                            ("crashes", 256 - signal.SIGABRT)):
            proc = subprocess.run([sys.executable, WRAPPER, "1" if end == "hangs" else "3600",
                                   sys.executable, UNITTEST_RUN, script, end],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            self.assertEqual(status, proc.returncode, end + ":\n" + proc.stderr)
            self.assertIn("FAILED" if end == "fails" else "OK (skipped=1)", proc.stderr, end)
            self.assertIn("[  SKIPPED ] __main__.T.test_skipped: not here", proc.stdout)

    def test_a_script_that_runs_no_test_fails_however_it_ends(self):
        script = os.path.join(self.folder.name, "empty_test.py")
        for body, why in (("class T(unittest.TestCase): pass\nunittest.main()", "no test ran"),
                          ("pass", "it did not end in unittest.main()"),
                          ("sys.exit(0)\nunittest.main()", "it exited (0) before unittest.main()")):
            with open(script, "w") as f:
                f.write("import sys, unittest\n" + body + "\n")
            proc = subprocess.run([sys.executable, UNITTEST_RUN, script], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
            self.assertEqual(1, proc.returncode, body)
            self.assertIn(why, proc.stdout, body)

    def test_in_ci_a_test_that_did_not_run_fails_and_a_report_not_read_is_named(self):
        build = os.path.join(self.folder.name, "test")
        report = os.path.join(build, "Testing", "report.xml")
        os.makedirs(os.path.dirname(report))
        case = ('<testsuite><testcase name="a" status="run"/><testcase name="e2e.b" status="%s">'
                '<system-out>[  SKIPPED ] B.c: no display</system-out></testcase></testsuite>')
        skip = build + ": e2e.b\n    [  SKIPPED ] B.c: no display\n"
        unread = build + ": no report of its tests: "
        for text, ci, rc, out in (
                (case % "run", False, 0, "none\n"), (case % "run", True, 0, "none\n"),
                (case % "notrun", False, 0, skip),
                (case % "notrun", True, 1, skip + "In CI every test must run: the tests above"),
                (case % "disabled", True, 1, build + ": e2e.b (disabled)\n    [  SKIPPED ]"),
                ("<testsuite/>", False, 1, build + ": its report names no test\n"),
                ("<testsuite", False, 1, unread + "unclosed token: line 1, column 0"),
                (None, False, 1, unread + "[Errno 2] No such file or directory")):
            if text:
                with open(report, "w") as f:
                    f.write(text)
            else:
                os.unlink(report)
            proc = subprocess.run([sys.executable, NOT_RUN] + ["--ci"] * ci + [report],
                                  stdout=subprocess.PIPE, text=True)
            self.assertEqual((rc, out), (proc.returncode, proc.stdout[:len(out)]), text)

if __name__ == "__main__":
    unittest.main(verbosity=2)
