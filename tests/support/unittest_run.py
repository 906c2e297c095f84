#!/usr/bin/env python3
"""Runs a Python unittest script (`unittest_run.py SCRIPT [ARG...]`) as its own main program,
and makes its exit status alone tell a skip: its unittest.main() ends it with 0 when every test
passed, 77 (ctest's skip, as support/SkipStatus.cpp) when none failed and some were skipped
(each named), 1 when one failed or none ran (Python 3.11's unittest passes a run of no test),
and a script that never runs unittest.main() fails, one that exits before it (even with 0)
too. A script that reports "OK (skipped=N)" and then exits otherwise, crashes or hangs
(timed_run.py: 124) has failed."""
import os
import runpy
import sys
import unittest

SKIPPED = 77


class Main(unittest.TestProgram):
    reached = False

    def runTests(self):
        Main.reached = True
        leave, self.exit = self.exit, False
        super().runTests()
        for test, why in self.result.skipped:
            print("[  SKIPPED ] %s: %s" % (test.id(), why))
        if not self.result.testsRun:
            print("no test ran")
        if leave:
            ok = self.result.wasSuccessful() and self.result.testsRun
            sys.exit((SKIPPED if self.result.skipped else 0) if ok else 1)


if __name__ == "__main__":
    script = os.path.abspath(sys.argv[1])
    sys.argv = sys.argv[1:]
    sys.path[0] = os.path.dirname(script)
    unittest.main = Main
    try:
        runpy.run_path(script, run_name="__main__")
    except SystemExit as end:
        if Main.reached:
            raise
        sys.exit("%s ran no test: it exited (%s) before unittest.main()" % (script, end.code))
    sys.exit("%s ran no test: it did not end in unittest.main()" % script)
