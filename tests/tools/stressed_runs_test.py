#!/usr/bin/env python3
"""scripts/stressed_runs.py runs every end-to-end test that the test registry has, with the
arguments given there, and every end-to-end test script that plays copies is registered."""
import os
import re
import sys
import tempfile
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "scripts"))
import stressed_runs  # noqa: E402


class RegisteredTests(unittest.TestCase):
    def test_a_registry_is_read_with_each_tests_arguments(self):
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write("""
    vortan_timed_test(e2e.alpha 100
        ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/alpha_test.py ${CMAKE_BINARY_DIR})
    vortan_timed_test(e2e.beta 800
        ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/beta.py ${CMAKE_BINARY_DIR} 5)
    vortan_timed_test(tools.gamma 60
        ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/gamma_test.py)
""")
        try:
            self.assertEqual({"alpha": ["alpha_test.py"], "beta": ["beta.py", "5"]},
                             stressed_runs.registered_tests(f.name))
        finally:
            os.unlink(f.name)

    def test_every_script_that_plays_copies_is_run(self):
        e2e = os.path.join(SOURCE, "tests", "e2e")
        scripts = {v[0] for v in stressed_runs.TESTS.values()}
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
        for script in scripts:
            self.assertTrue(os.path.exists(os.path.join(e2e, script)), script)


if __name__ == "__main__":
    unittest.main(verbosity=2)
