#!/usr/bin/env python3
"""scripts/stressed_runs.py runs every end-to-end test as ctest lists it for the build (its
command with the build folder replaced by the run's own, its working folder and environment),
and every end-to-end test script that plays copies is among them.

Usage: stressed_runs_test.py BUILD_DIR"""
import json
import os
import re
import sys
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "scripts"))
import stressed_runs  # noqa: E402

BUILD = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None

LISTING = {
    "kind": "ctestInfo",
    "tests": [
        {"name": "e2e.alpha", "command": ["/usr/bin/python3", "/src/tests/support/timed_run.py",
                                          "100", "/usr/bin/python3", "/src/tests/e2e/alpha.py",
                                          "/b/test", "5"],
         "properties": [{"name": "ENVIRONMENT", "value": ["PYTHONDONTWRITEBYTECODE=1", "X=a=b"]},
                        {"name": "WORKING_DIRECTORY", "value": "/b/test/tests"}]},
        {"name": "tools.gamma", "command": ["/usr/bin/python3", "/src/tests/e2e/gamma_test.py"]},
        {"name": "e2e.beta", "command": ["/usr/bin/python3", "/src/tests/e2e/beta_test.py",
                                         "/b/test/"]},
    ]}


class Listing(unittest.TestCase):
    def test_the_e2e_tests_are_read_with_commands_folders_and_environment(self):
        tests = stressed_runs.parse_listing(json.dumps(LISTING))
        self.assertEqual(["alpha", "beta"], sorted(tests))
        alpha = tests["alpha"]
        self.assertEqual("alpha.py", alpha.script())
        self.assertEqual("/b/test/tests", alpha.folder)
        command, env = alpha.run_in("/b/test", "/runs/build-23")
        self.assertEqual(["/usr/bin/python3", "/src/tests/support/timed_run.py", "100",
                          "/usr/bin/python3", "/src/tests/e2e/alpha.py", "/runs/build-23", "5"],
                         command)
        self.assertEqual(("1", "a=b"), (env["PYTHONDONTWRITEBYTECODE"], env["X"]))
        self.assertEqual((100, None), (stressed_runs.bound(alpha),
                                       stressed_runs.bound(tests["beta"])))
        # The build folder is known however it is written.
        command, _ = tests["beta"].run_in("/b/test", "/runs/build-45")
        self.assertEqual("/runs/build-45", command[-1])
        self.assertIsNone(tests["beta"].folder)

    @unittest.skipUnless(BUILD, "no build folder given")
    def test_every_script_that_plays_copies_is_run(self):
        e2e = os.path.join(SOURCE, "tests", "e2e")
        tests = stressed_runs.registered_tests(BUILD)
        scripts = {t.script() for t in tests.values()}
        playing = set()
        for name in os.listdir(e2e):
            if not name.endswith("_test.py"):
                continue
            with open(os.path.join(e2e, name), encoding="utf-8") as f:
                text = f.read()
            # A test of its own copies, or of the script that makes them (screenshots.py).
            if re.search(r"\bh\.World\(|screenshots\.sh", text):
                playing.add(name)
        self.assertTrue(playing)
        self.assertEqual(set(), playing - scripts)
        for t in tests.values():
            command, _ = t.run_in(BUILD, "/elsewhere")
            self.assertIn("/elsewhere", command, t.name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
