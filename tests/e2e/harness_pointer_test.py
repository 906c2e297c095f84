#!/usr/bin/env python3
"""The harness's taps and drags on a stand-in for xdotool and the X server's pointer: every
move returns once the pointer is there, also when it is there already (xdotool's
"mousemove --sync" to where the pointer stands waits for a motion event that never comes)."""
import os
import re
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness  # noqa: E402


class StuckWait(Exception):
    pass


class FakePointer:
    """xdotool's commands on one pointer; a synced move to where it stands is the stuck wait."""

    def __init__(self):
        self.at = (0, 0)
        self.buttons = []  # ("down" | "up" | "click", button, x, y)

    def __call__(self, *args):
        args = [str(a) for a in args]
        out = ""
        i = 0
        while i < len(args):
            word = args[i]
            if word == "getmouselocation":
                i += 1
                if i < len(args) and args[i] == "--shell":
                    i += 1
                out += "X=%d\nY=%d\nSCREEN=0\nWINDOW=1\n" % self.at
            elif word == "mousemove":
                i += 1
                sync = args[i] == "--sync"
                if sync:
                    i += 1
                to = (int(args[i]), int(args[i + 1]))
                i += 2
                if sync and to == self.at:
                    raise StuckWait("mousemove --sync to %d %d, where the pointer is" % to)
                self.at = to
            elif word in ("mousedown", "mouseup", "click"):
                self.buttons.append((word[5:] or word, int(args[i + 1])) + self.at)
                i += 2
            elif word == "sleep":
                i += 2
            else:
                raise AssertionError("unexpected xdotool command %r" % word)
        return out


class HarnessPointerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.copy = e2e_harness.Copy("a", self.folder.name, self.folder.name, None, "1")
        self.pointer = FakePointer()
        self.copy.xdotool = self.pointer

    def tearDown(self):
        self.folder.cleanup()

    def test_taps_on_the_same_place_twice(self):
        self.copy.click(120, 80)
        self.copy.click(120, 80)
        self.assertEqual([("down", 1, 120, 80), ("up", 1, 120, 80)] * 2, self.pointer.buttons)

    def test_a_drag_that_starts_where_the_pointer_is_and_holds_still(self):
        self.copy.click(50, 60)
        self.pointer.buttons = []
        # Starts where the last tap left the pointer; steps of less than a pixel stay put.
        self.copy.drag(50, 60, 50, 64, steps=8)
        self.assertEqual([("down", 1, 50, 60), ("up", 1, 50, 64)], self.pointer.buttons)


class NoSyncedMovesTest(unittest.TestCase):
    def test_no_test_moves_the_pointer_with_a_synced_mousemove(self):
        """Every pointer move in the tests goes through a helper that first looks where the
        pointer is (Copy.move_pointer here, vtest::MovePointer in the C++ tests)."""
        tests = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        synced = re.compile(r'"mousemove"\s*,\s*"--sync"')
        found = []
        for folder, _, files in os.walk(tests):
            for name in files:
                if name.endswith((".py", ".cpp", ".h")) and name != os.path.basename(__file__):
                    path = os.path.join(folder, name)
                    with open(path, encoding="utf-8") as f:
                        for number, line in enumerate(f, 1):
                            if synced.search(line):
                                found.append("%s:%d" % (os.path.relpath(path, tests), number))
        self.assertEqual([], found)


if __name__ == "__main__":
    unittest.main(verbosity=2)
