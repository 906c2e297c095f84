#!/usr/bin/env python3
"""Runs a Python unittest script as ctest runs it: its exit status alone tells a skip.

    unittest_run.py SCRIPT [ARG...]

The script runs as its own main program (its folder first on the path, ARGs as its arguments).
Its unittest.main() ends the process with 0 when every test passed, 77 (ctest's skip, as
support/SkipStatus.cpp for the C++ programs) when none failed and some were skipped, and 1 when
one failed; each skipped test is named with its reason. Whatever follows the report still
decides: a script that reports "OK (skipped=N)" and then exits otherwise, crashes or hangs
(timed_run.py ends it: 124) has failed."""
import os
import runpy
import sys
import unittest

SKIPPED = 77


class Main(unittest.TestProgram):
    def runTests(self):
        leave, self.exit = self.exit, False
        super().runTests()
        for test, why in self.result.skipped:
            print("[  SKIPPED ] %s: %s" % (test.id(), why))
        if leave:
            ok = self.result.wasSuccessful()
            sys.exit((SKIPPED if self.result.skipped else 0) if ok else 1)


if __name__ == "__main__":
    script = os.path.abspath(sys.argv[1])
    sys.argv = sys.argv[1:]
    sys.path[0] = os.path.dirname(script)
    unittest.main = Main
    runpy.run_path(script, run_name="__main__")
